// WriteWaveFile and the pieces of a wave file it puts together. Everything
// inside the RIFF chunk follows the RIFF rules other programs expect (fmt
// size 18 with the extra-size field for formats that are not PCM, a fact
// chunk for them, pad bytes after odd chunks); the tag trailer behind it is
// kept for earlier versions of this program, which read nothing else.
#include "core/model/wave_file.h"

#include <algorithm>
#include <cstring>

#include "core/model/atomic_file_writer.h"

namespace {

void AppendLE32(std::string& bytes, uint32_t value) {
  uint8_t le[4];
  WriteLE32(le, value);
  bytes.append(reinterpret_cast<const char*>(le), 4);
}

bool NeedsFactChunk(const FormatRecord& record) {
  const WaveFormat format = ParseWaveFormat(record);
  if (format.formatTag == kFormatPCM) return false;
  // An extensible record names its real format in the first two bytes of
  // its sub-format GUID, 6 bytes into the extra bytes.
  if (format.formatTag == kFormatExtensible && format.extraSize >= 22 && record.size() >= 26)
    return ReadLE16(record.data() + 24) != kFormatPCM;
  return true;
}

uint64_t FramesInData(const FormatRecord& record, uint64_t length) {
  const WaveFormat format = ParseWaveFormat(record);
  const bool blockCodec = format.formatTag == kFormatIMAADPCM || format.formatTag == kFormatMSADPCM ||
                          format.formatTag == kFormatGSM610;
  if (blockCodec && format.extraSize >= 2 && record.size() >= 20 && format.blockAlign > 0)
    return length / format.blockAlign * ReadLE16(record.data() + 18);
  if (format.formatTag == kFormatMPEGLayer3 && format.avgBytesPerSec > 0)
    return FramesAtRate(length, format.avgBytesPerSec, format.samplesPerSec);
  return length / std::max<uint16_t>(format.blockAlign, 1);
}

bool IsSetTag(const std::string& text) { return !text.empty() && text != kEmptyTag; }

// The LIST/INFO chunk of the tags that are set (other programs would show
// "(empty)" as a title); empty when none is.
std::string InfoList(const TagSet& tags) {
  std::string list;
  for (int i = 0; i < kTagCount; ++i) {
    const std::string& text = tags[static_cast<size_t>(i)];
    if (!IsSetTag(text)) continue;
    list.append(kTagIds[static_cast<size_t>(i)]);
    AppendLE32(list, static_cast<uint32_t>(text.size() + 1));
    list.append(text);
    list.push_back('\0');
    if (list.size() % 2 != 0) list.push_back('\0');
  }
  if (list.empty()) return list;
  std::string chunk = "LIST";
  AppendLE32(chunk, static_cast<uint32_t>(4 + list.size()));
  return chunk + "INFO" + list;
}

}  // namespace

uint32_t FmtChunkSize(const WaveFormat& format) {
  return format.formatTag == kFormatPCM && format.extraSize == 0 ? 16u : 18u + format.extraSize;
}

uint64_t FramesAtRate(uint64_t frames, uint32_t fromRate, uint32_t toRate) {
  if (fromRate == 0) return 0;
  // Split so that the products stay in 64 bits.
  return frames / fromRate * toRate + ((frames % fromRate) * toRate + fromRate / 2) / fromRate;
}

std::string WaveFileHeader(const FormatRecord& format, uint64_t dataLength, const TagSet* tags,
                           uint64_t sampleFrames) {
  const uint32_t fmtSize = FmtChunkSize(ParseWaveFormat(format));
  const bool fact = NeedsFactChunk(format);
  const uint64_t frames = sampleFrames == kFramesFromData ? FramesInData(format, dataLength) : sampleFrames;
  const std::string list = tags != nullptr ? InfoList(*tags) : std::string();
  // The RIFF size counts every chunk inside it, the data's pad byte too.
  const uint64_t riffSize = 4 + (8 + fmtSize) + (fact ? 12 : 0) + list.size() + 8 + dataLength + (dataLength & 1);
  if (riffSize > UINT32_MAX || (fact && frames > UINT32_MAX)) return std::string();

  std::string header = "RIFF";
  AppendLE32(header, static_cast<uint32_t>(riffSize));
  header.append("WAVEfmt ");
  AppendLE32(header, fmtSize);
  // A record shorter than its extra-size field claims is written zero-padded.
  std::string record(fmtSize, '\0');
  std::memcpy(record.data(), format.data(), std::min<size_t>(format.size(), fmtSize));
  header.append(record);
  if (fact) {
    header.append("fact");
    AppendLE32(header, 4);
    AppendLE32(header, static_cast<uint32_t>(frames));
  }
  header.append(list);
  header.append("data");
  AppendLE32(header, static_cast<uint32_t>(dataLength));
  return header;
}

std::string WaveTagTrailer(const TagSet& tags) {
  std::string trailer;
  for (int i = 0; i < kTagCount; ++i) {
    const std::string& text = tags[static_cast<size_t>(i)];
    trailer.append(kTagIds[static_cast<size_t>(i)]);
    AppendLE32(trailer, static_cast<uint32_t>(text.size() + 1));
    trailer.append(text);
    trailer.push_back('\0');
  }
  return trailer;
}

WriteResult WriteWaveFile(const FormatRecord& format, const uint8_t* data, uint64_t length, const std::string& path,
                          const TagSet* tags, uint64_t sampleFrames) {
  const std::string header = WaveFileHeader(format, length, tags, sampleFrames);
  if (header.empty()) return WriteResult::kTooLarge;
  AtomicFileWriter file;
  if (!file.Open(path)) return WriteResult::kFailed;
  file.Write(header.data(), header.size());
  if (length > 0) file.Write(data, static_cast<size_t>(length));
  if (length % 2 != 0) file.Write("", 1);
  if (tags != nullptr) {
    const std::string trailer = WaveTagTrailer(*tags);
    file.Write(trailer.data(), trailer.size());
  }
  return file.Commit() ? WriteResult::kOk : WriteResult::kFailed;
}
