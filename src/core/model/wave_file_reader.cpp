// CSound::ReadWaveFile: fills a sound from a wave file, one layer per data
// chunk, the format record from the fmt chunk and the nine tags.
//
// The reader walks the RIFF chunk headers by their sizes, so that bytes
// inside a chunk (a tag reading "metadata", a bext description, sample data)
// are never taken for a chunk of their own. Where the walk cannot go on it
// falls back to the byte-by-byte scan that earlier versions of the program
// used throughout: past the RIFF chunk's declared end, where this program
// has always put its tag trailer (bare INFO sub-chunks, no pad bytes); at a
// chunk id that is not four printable characters; and at a chunk that claims
// more bytes than the file holds. Files written by earlier versions thus
// read exactly as before.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "core/model/file_reader.h"
#include "core/model/sound.h"

namespace {

bool SameId(const uint8_t* bytes, std::string_view id) { return std::memcmp(bytes, id.data(), 4) == 0; }

int TagIndexOf(const uint8_t* id) {
  for (int i = 0; i < kTagCount; ++i) {
    if (SameId(id, kTagIds[static_cast<size_t>(i)])) return i;
  }
  return -1;
}

bool IsPrintableId(const uint8_t* id) {
  return std::all_of(id, id + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

// The chunk walk and the scan share the file, the sound they fill and the
// block size that trims a data chunk cut short by the end of the file.
// Sizes are checked against the file before anything is read or allocated,
// so a read that fails afterwards is an input error and is reported.
class WaveChunkReader {
 public:
  WaveChunkReader(FileReader& file, CSound& sound, uint64_t blockAlign)
      : m_file(file), m_sound(sound), m_blockAlign(blockAlign) {}

  // Walks the chunks from the first one after the WAVE id up to `walkEnd`,
  // then scans the rest of the file from where the walk had to stop.
  ReadResult Read(uint64_t walkEnd) {
    uint64_t scanFrom = 0;
    ReadResult result = Walk(walkEnd, &scanFrom);
    if (result == ReadResult::kOk) result = Scan(scanFrom);
    // What was read before a failure stays in the sound, the pieces that
    // follow on in the last layer included.
    const ReadResult joined = JoinFollowingPieces();
    return result != ReadResult::kOk ? result : joined;
  }

 private:
  ReadResult Walk(uint64_t walkEnd, uint64_t* scanFrom) {
    uint64_t position = 12;
    for (;;) {
      *scanFrom = position;
      if (position + 8 > walkEnd) return ReadResult::kOk;
      uint8_t header[8];
      if (!m_file.Read(position, header, 8)) return ReadResult::kCannotOpen;
      const uint64_t size = ReadLE32(header + 4);
      const uint64_t body = position + 8;
      // Bare tag sub-chunks at this level are the shape of our own trailer,
      // which has no pad bytes: only the scan reads it correctly.
      if (!IsPrintableId(header) || TagIndexOf(header) >= 0 || size > m_file.Remaining(body)) return ReadResult::kOk;
      ReadResult result = ReadResult::kOk;
      if (SameId(header, "data")) {
        result = TakeData(body, size);
      } else if (SameId(header, "LIST") && size >= 4) {
        uint8_t listType[4];
        if (!m_file.Read(body, listType, 4)) return ReadResult::kCannotOpen;
        if (SameId(listType, "INFO")) result = TakeInfoList(body + 4, body + size);
      }
      if (result != ReadResult::kOk) return result;
      position = body + size + (size & 1);
      if (position > walkEnd) {
        // Earlier versions wrote no pad byte after odd data, and the trailer
        // follows the data directly.
        *scanFrom = body + size;
        return ReadResult::kOk;
      }
    }
  }

  // The sub-chunks of a LIST/INFO chunk between `position` and `end`.
  ReadResult TakeInfoList(uint64_t position, uint64_t end) {
    while (position + 8 <= end) {
      uint8_t header[8];
      if (!m_file.Read(position, header, 8)) return ReadResult::kCannotOpen;
      if (!IsPrintableId(header)) break;
      const uint64_t size = ReadLE32(header + 4);
      const uint64_t body = position + 8;
      const int tag = TagIndexOf(header);
      if (tag >= 0) {
        const ReadResult result = TakeTag(tag, body, std::min(size, end - body));
        if (result != ReadResult::kOk) return result;
      }
      position = body + size + (size & 1);
      // Some writers leave out the pad byte after an odd sub-chunk; follow
      // them when only the unpadded position holds a chunk id.
      uint8_t next[5];
      if ((size & 1) != 0 && position + 4 <= end && m_file.Read(position - 1, next, 5) &&
          IsPrintableId(next) && !IsPrintableId(next + 1)) {
        position -= 1;
      }
    }
    return ReadResult::kOk;
  }

  // The old reader's scan: every "data" id found becomes a layer, every known
  // tag id a tag. After a recognised chunk the scan resumes 3 bytes before
  // its end; anywhere else it moves on by one byte.
  ReadResult Scan(uint64_t position) {
    uint8_t word[4];
    while (m_file.Read(position, word, 4)) {
      const bool isData = SameId(word, "data");
      const int tag = isData ? -1 : TagIndexOf(word);
      if (!isData && tag < 0) {
        ++position;
        continue;
      }
      uint8_t sizeBytes[4];
      if (!m_file.Read(position + 4, sizeBytes, 4)) break;
      const uint64_t declared = ReadLE32(sizeBytes);
      const uint64_t body = position + 8;
      const uint64_t available = m_file.Remaining(body);
      const ReadResult result = isData ? TakeData(body, declared) : TakeTag(tag, body, std::min(declared, available));
      if (result != ReadResult::kOk) return result;
      if (declared > available) break;  // nothing follows a chunk that runs past the end
      position = body + declared + (declared & 1) - 3;
    }
    return ReadResult::kOk;
  }

  // A data chunk becomes a layer. One cut short by the end of the file (a
  // streamed recording whose sizes were never filled in, a file cut off)
  // keeps the whole blocks the file holds.
  ReadResult TakeData(uint64_t body, uint64_t declared) {
    const uint64_t available = m_file.Remaining(body);
    const uint64_t length = declared > available ? available - available % m_blockAlign : declared;
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[length]);
    if (!data) return ReadResult::kOutOfMemory;
    if (!m_file.Read(body, data.get(), length)) return ReadResult::kCannotOpen;
    if (m_sound.CanAddLayer()) {
      m_sound.AppendLayer(std::string(), std::move(data), length);
      return ReadResult::kOk;
    }
    // A sound holds ten layers at most; the sound of any further data chunk
    // follows on in the last layer rather than being lost. The pieces are
    // joined once at the end: joining each as it comes would copy the last
    // layer again for every chunk, and a file of many small chunks behind a
    // large one would take hours to open.
    if (length == 0) return ReadResult::kOk;
    try {
      m_following.push_back(Piece{std::move(data), length});
    } catch (const std::bad_alloc&) {
      return ReadResult::kOutOfMemory;
    }
    m_followingLength += length;
    return ReadResult::kOk;
  }

  ReadResult JoinFollowingPieces() {
    if (m_following.empty()) return ReadResult::kOk;
    CSoundLayer& last = *m_sound.layers.back();
    const uint64_t joined = last.length() + m_followingLength;
    std::unique_ptr<uint8_t[]> all(new (std::nothrow) uint8_t[joined]);
    if (!all) {
      m_following.clear();
      return ReadResult::kOutOfMemory;
    }
    if (last.length() > 0) std::memcpy(all.get(), last.data(), last.length());
    uint64_t at = last.length();
    for (const Piece& piece : m_following) {
      std::memcpy(all.get() + at, piece.data.get(), piece.length);
      at += piece.length;
    }
    m_following.clear();
    last.SetData(std::move(all), joined);
    return ReadResult::kOk;
  }

  // A tag's text runs to its first NUL, or over all its bytes without one.
  ReadResult TakeTag(int tag, uint64_t body, uint64_t length) {
    std::string text(static_cast<size_t>(length), '\0');
    if (!m_file.Read(body, text.data(), length)) return ReadResult::kCannotOpen;
    text.resize(std::min(text.size(), std::strlen(text.c_str())));
    m_sound.tags[static_cast<size_t>(tag)] = std::move(text);
    return ReadResult::kOk;
  }

  struct Piece {
    std::unique_ptr<uint8_t[]> data;
    uint64_t length = 0;
  };

  FileReader& m_file;
  CSound& m_sound;
  const uint64_t m_blockAlign;
  // Data chunks beyond the last layer a sound may hold, in file order.
  std::vector<Piece> m_following;
  uint64_t m_followingLength = 0;
};

}  // namespace

ReadResult CSound::ReadWaveFile() {
  FileReader file;
  if (!file.Open(path)) return ReadResult::kCannotOpen;

  uint8_t word[4];
  if (!file.Read(0, word, 4)) return ReadResult::kNotWave;
  std::memcpy(riffId, word, 4);
  riffId[4] = '\0';
  if (!SameId(word, "RIFF")) return ReadResult::kNotWave;
  if (!file.Read(4, word, 4)) return ReadResult::kNotWave;
  riffSize = ReadLE32(word);
  if (!file.Read(8, word, 4)) return ReadResult::kNotWave;
  std::memcpy(waveId, word, 4);
  waveId[4] = '\0';
  if (!SameId(word, "WAVE")) return ReadResult::kNotWave;

  // The fmt chunk normally follows the WAVE id. Broadcast recorders put bext,
  // JUNK or LIST chunks first: then walk the chunk headers to find it.
  uint64_t fmtPosition = 12;
  if (!file.Read(12, word, 4)) return ReadResult::kNotWave;
  if (!SameId(word, "fmt ")) {
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
    if (!found) return ReadResult::kNotWave;
    fmtPosition = position;
  }
  if (!file.Read(fmtPosition + 4, word, 4)) return ReadResult::kNotWave;
  const uint32_t fmtSize = ReadLE32(word);
  const uint64_t fmtData = fmtPosition + 8;
  // A size the file cannot back is not a wave file, not an allocation.
  if (fmtSize > file.Remaining(fmtData)) return ReadResult::kNotWave;
  formatSize = fmtSize;
  fileFormat.assign(std::max<size_t>(fmtSize, kWaveFormatHeadSize), 0);
  if (!file.Read(fmtData, fileFormat.data(), fmtSize)) return ReadResult::kCannotOpen;
  const uint64_t blockAlign = std::max<uint16_t>(ParseWaveFormat(fileFormat).blockAlign, 1);

  // Streamed output leaves the RIFF size at 0 or 0xFFFFFFFF (or at a guess
  // larger than what was written): then the chunks run to the end of the file.
  const uint64_t riffEnd = 8 + static_cast<uint64_t>(riffSize);
  const bool riffSizeKnown = riffSize != 0 && riffSize != UINT32_MAX && riffEnd <= file.size();
  WaveChunkReader chunks(file, *this, blockAlign);
  const ReadResult result = chunks.Read(riffSizeKnown ? riffEnd : file.size());
  if (result != ReadResult::kOk) return result;
  return layers.empty() ? ReadResult::kNotWave : ReadResult::kOk;
}
