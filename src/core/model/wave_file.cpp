#include "core/model/wave_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/model/atomic_file_writer.h"
#include "core/model/file_reader.h"

namespace {

bool SameId(const uint8_t* bytes, std::string_view id) { return std::memcmp(bytes, id.data(), 4) == 0; }

int TagIndexOf(const uint8_t* id) {
  for (int i = 0; i < kTagCount; ++i) {
    if (SameId(id, kTagIds[static_cast<size_t>(i)])) return i;
  }
  return -1;
}

}  // namespace

int CSound::ReadWaveFile() {
  FileReader file;
  if (!file.Open(path)) return kReadCannotOpen;

  uint8_t word[4];
  if (!file.Read(0, word, 4)) return kReadNotWave;
  std::memcpy(riffId, word, 4);
  riffId[4] = '\0';
  if (!SameId(word, "RIFF")) return kReadNotWave;
  if (!file.Read(4, word, 4)) return kReadNotWave;
  riffSize = ReadLE32(word);
  if (!file.Read(8, word, 4)) return kReadNotWave;
  std::memcpy(waveId, word, 4);
  waveId[4] = '\0';
  if (!SameId(word, "WAVE")) return kReadNotWave;

  // The fmt chunk normally follows the WAVE id. Broadcast recorders put bext,
  // JUNK or LIST chunks first: then walk the chunk headers to find it, and
  // scan for data and tags from the first chunk on.
  uint64_t fmtPosition = 12;
  uint64_t scanStart = 0;
  if (!file.Read(12, word, 4)) return kReadNotWave;
  if (!SameId(word, "fmt ")) {
    scanStart = 12;
    uint64_t position = 12;
    uint8_t header[8];
    bool found = false;
    while (file.Read(position, header, 8)) {
      if (SameId(header, "fmt ")) {
        found = true;
        break;
      }
      const uint64_t size = ReadLE32(header + 4);
      position += 8 + size + (size & 1);
    }
    if (!found) return kReadNotWave;
    fmtPosition = position;
  }
  if (!file.Read(fmtPosition + 4, word, 4)) return kReadNotWave;
  const uint32_t fmtSize = ReadLE32(word);
  const uint64_t fmtData = fmtPosition + 8;
  // A size the file cannot back is not a wave file, not an allocation.
  if (fmtSize > file.size() - std::min(file.size(), fmtData)) return kReadNotWave;
  formatSize = fmtSize;
  fileFormat.assign(std::max<size_t>(fmtSize, kWaveFormatHeadSize), 0);
  if (!file.Read(fmtData, fileFormat.data(), fmtSize)) return kReadNotWave;
  if (scanStart == 0) scanStart = fmtData + fmtSize;
  const uint64_t blockAlign = std::max<uint16_t>(ParseWaveFormat(fileFormat).blockAlign, 1);

  // The scan: every "data" id found becomes a layer, every known tag id a
  // tag. After a recognised chunk the scan resumes 3 bytes before its end;
  // anywhere else it moves on by one byte.
  uint64_t position = scanStart;
  while (file.Read(position, word, 4)) {
    const bool isData = SameId(word, "data");
    const int tag = isData ? -1 : TagIndexOf(word);
    if (!isData && tag < 0) {
      ++position;
      continue;
    }
    uint8_t sizeBytes[4];
    if (!file.Read(position + 4, sizeBytes, 4)) break;
    const uint64_t declared = ReadLE32(sizeBytes);
    const uint64_t body = position + 8;
    const uint64_t available = file.size() - std::min(file.size(), body);
    const bool cutShort = declared > available;
    if (isData) {
      // A chunk cut short by the end of the file keeps the whole blocks the
      // file holds.
      const uint64_t length = cutShort ? available - available % blockAlign : declared;
      std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[length]);
      if (!data) return kReadOutOfMemory;
      if (!file.Read(body, data.get(), length)) return layers.empty() ? kReadNotWave : kReadOk;
      AppendLayer(std::string(), std::move(data), length);
    } else {
      const uint64_t length = cutShort ? available : declared;
      std::string text(static_cast<size_t>(length), '\0');
      if (!file.Read(body, text.data(), length)) break;
      text.resize(std::min(text.size(), std::strlen(text.c_str())));
      tags[static_cast<size_t>(tag)] = std::move(text);
    }
    if (cutShort) break;  // nothing follows a chunk that runs past the end
    position = body + declared + (declared & 1) - 3;
  }
  return layers.empty() ? kReadNotWave : kReadOk;
}

std::string WaveFileHeader(const FormatRecord& format, uint32_t dataLength) {
  const uint16_t extra = ParseWaveFormat(format).extraSize;
  const uint32_t fmtSize = extra == 0 ? 16u : extra + 18u;
  const uint32_t riffSize = extra == 0 ? 36u + dataLength : extra + 38u + dataLength;
  std::string header(28 + fmtSize, '\0');
  uint8_t* p = reinterpret_cast<uint8_t*>(header.data());
  std::memcpy(p, "RIFF", 4);
  WriteLE32(p + 4, riffSize);
  std::memcpy(p + 8, "WAVEfmt ", 8);
  WriteLE32(p + 16, fmtSize);
  // A record shorter than its extra-size field claims is written zero-padded.
  std::memcpy(p + 20, format.data(), std::min<size_t>(format.size(), fmtSize));
  std::memcpy(p + 20 + fmtSize, "data", 4);
  WriteLE32(p + 24 + fmtSize, dataLength);
  return header;
}

std::string WaveTagTrailer(const TagSet& tags) {
  std::string trailer;
  for (int i = 0; i < kTagCount; ++i) {
    const std::string& text = tags[static_cast<size_t>(i)];
    uint8_t size[4];
    WriteLE32(size, static_cast<uint32_t>(text.size() + 1));
    trailer.append(kTagIds[static_cast<size_t>(i)]);
    trailer.append(reinterpret_cast<const char*>(size), 4);
    trailer.append(text);
    trailer.push_back('\0');
  }
  return trailer;
}

int WriteWaveFile(const FormatRecord& format, const uint8_t* data, uint64_t length,
                  const std::string& path, const TagSet* trailer) {
  if (length > UINT32_MAX) return kWriteFailed;
  AtomicFileWriter file;
  if (!file.Open(path)) return kWriteFailed;
  const std::string header = WaveFileHeader(format, static_cast<uint32_t>(length));
  file.Write(header.data(), header.size());
  if (length > 0) file.Write(data, static_cast<size_t>(length));
  if (trailer != nullptr) {
    const std::string tags = WaveTagTrailer(*trailer);
    file.Write(tags.data(), tags.size());
  }
  return file.Commit() ? kWriteOk : kWriteFailed;
}
