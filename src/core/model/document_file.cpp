// The layered document file (".tvf"): "TVF ", the layer count, one "LAYR"
// chunk per layer and the nine tags as length-prefixed strings. Everything
// is little-endian and unpadded. The samples are always in the working
// format, so no format record is stored.
//
// Every length read from the file is checked against what is left of it
// before anything is allocated or read; a file cut short anywhere is refused.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/model/atomic_file_writer.h"
#include "core/model/file_reader.h"
#include "core/model/sound.h"

namespace {

constexpr char kMagic[4] = {'T', 'V', 'F', ' '};
constexpr size_t kDocumentFormatRecordSize = 200;

bool WriteLE64(AtomicFileWriter& file, uint64_t value) {
  uint8_t bytes[8];
  ::WriteLE64(bytes, value);
  return file.Write(bytes, 8);
}

// A length-prefixed string, refused when it claims more than the file holds.
bool ReadCountedText(SequentialReader& file, std::string* text) {
  uint32_t length;
  if (!file.ReadLE32(&length) || length > file.remaining()) return false;
  text->assign(length, '\0');
  if (!file.Read(text->data(), length)) return false;
  text->resize(std::strlen(text->c_str()));  // up to the first NUL
  return true;
}

}  // namespace

bool CSoundLayer::WriteChunk(AtomicFileWriter& file) const {
  uint8_t head[4 + 1 + 4 + 1 + 4 + 4 + 4];
  uint8_t* p = head;
  std::memcpy(p, "LAYR", 4);
  p[4] = flag;
  ::WriteLE32(p + 5, static_cast<uint32_t>(offset));
  p[9] = envelopeOn;
  // The envelope colour comes before the wave colour.
  ::WriteLE32(p + 10, envelopeColor);
  ::WriteLE32(p + 14, waveColor);
  ::WriteLE32(p + 18, static_cast<uint32_t>(name.size()));
  file.Write(head, sizeof head);
  file.Write(name.data(), name.size());
  WriteLE64(file, m_length);
  if (m_length > 0) file.Write(m_data.get(), static_cast<size_t>(m_length));
  file.Write("NODS", 4);
  file.WriteLE32(static_cast<uint32_t>(nodes.size()));
  for (const EnvelopeNode& node : nodes) {
    uint8_t record[16];
    uint64_t levelBits;
    std::memcpy(&levelBits, &node.level, 8);
    ::WriteLE64(record, levelBits);
    ::WriteLE64(record + 8, static_cast<uint64_t>(node.position));
    file.Write(record, 16);
  }
  return file.ok();
}

ReadResult CSoundLayer::ReadChunk(SequentialReader& file, uint32_t* repairedNodes) {
  nodes.clear();
  m_data.reset();
  m_length = 0;

  uint8_t head[4 + 1 + 4 + 1 + 4 + 4];
  if (!file.Read(head, sizeof head) || std::memcmp(head, "LAYR", 4) != 0) return ReadResult::kBadDocument;
  flag = head[4];
  offset = static_cast<int32_t>(ReadLE32(head + 5));
  envelopeOn = head[9];
  envelopeColor = ReadLE32(head + 10);
  waveColor = ReadLE32(head + 14);
  // An empty name stays empty: the default name is only given at construction.
  if (!ReadCountedText(file, &name)) return ReadResult::kBadDocument;

  uint64_t length;
  if (!file.ReadLE64(&length) || length > file.remaining()) return ReadResult::kBadDocument;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[length]);
  if (!data) return ReadResult::kOutOfMemory;
  if (!file.Read(data.get(), length)) return ReadResult::kBadDocument;
  m_data = std::move(data);
  m_length = length;
  MarkDataChanged();

  uint8_t marker[4];
  uint32_t count;
  if (!file.Read(marker, 4) || std::memcmp(marker, "NODS", 4) != 0) return ReadResult::kBadDocument;
  if (!file.ReadLE32(&count) || count > file.remaining() / 16) return ReadResult::kBadDocument;
  nodes.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t record[16];
    if (!file.Read(record, 16)) return ReadResult::kBadDocument;
    EnvelopeNode node;
    const uint64_t levelBits = ReadLE64(record);
    std::memcpy(&node.level, &levelBits, 8);
    node.position = static_cast<int64_t>(ReadLE64(record + 8));
    // Every node the editor makes lies inside its layer with a level from
    // -1 to 1; anything else (a damaged or hand-made file) would give gains
    // outside 0 ... 1, or not a number, and distances too large to subtract.
    const EnvelopeNode read = node;
    if (std::isnan(node.level)) node.level = 1.0;
    node.level = std::clamp(node.level, -1.0, 1.0);
    node.position = std::clamp<int64_t>(node.position, 0, static_cast<int64_t>(m_length));
    if (repairedNodes != nullptr && (node.position != read.position || std::memcmp(&node.level, &read.level, 8) != 0))
      ++*repairedNodes;
    nodes.push_back(node);  // in file order, not sorted
  }
  // The snapshot the constructor took describes a node list that is gone;
  // a node added before the next rebuild would otherwise take its level
  // from the wrong envelope.
  RebuildSnapshot();
  return ReadResult::kOk;
}

WriteResult CSound::WriteDocumentFile(const std::string& documentPath) {
  // Written in one pass to a temporary file that replaces the old document
  // only when every byte is on disk.
  AtomicFileWriter file;
  if (!file.Open(documentPath)) return WriteResult::kFailed;
  file.Write(kMagic, 4);
  file.WriteLE32(static_cast<uint32_t>(layers.size()));
  for (const auto& layer : layers) {
    if (!layer->WriteChunk(file)) return WriteResult::kFailed;
  }
  for (const std::string& tag : tags) {
    file.WriteLE32(static_cast<uint32_t>(tag.size()));
    file.Write(tag.data(), tag.size());
  }
  return file.Commit() ? WriteResult::kOk : WriteResult::kFailed;
}

ReadResult CSound::ReadDocumentFile(const std::string& documentPath, uint32_t* repairedNodes) {
  layers.clear();
  uint32_t repaired = 0;
  FileReader reader;
  // This reader has always answered kNotWave for a file it cannot open.
  if (!reader.Open(documentPath)) return ReadResult::kNotWave;
  SequentialReader file(reader);
  uint8_t magic[4];
  if (!file.Read(magic, 4) || std::memcmp(magic, kMagic, 4) != 0) return ReadResult::kBadDocument;

  ReadResult failure = ReadResult::kOk;
  uint32_t count;
  // A document with more layers than a sound may gain is still read whole:
  // the limit holds for adding layers, and refusing would lock the user out
  // of the file. Beyond what the view and playback can carry, the file is
  // refused as a whole (and left as it is) rather than cut: a save of a cut
  // document would lose the layers left out.
  if (!file.ReadLE32(&count)) failure = ReadResult::kBadDocument;
  // A count the file cannot hold (every chunk takes at least 38 bytes) says
  // that it is damaged rather than large.
  constexpr uint64_t kSmallestLayerChunk = 22 + 8 + 4 + 4;
  if (failure == ReadResult::kOk && count > file.remaining() / kSmallestLayerChunk) failure = ReadResult::kBadDocument;
  // Every sound has a first layer, which cannot be deleted: a document
  // without one was not written by the editor and has nothing to show.
  if (failure == ReadResult::kOk && count == 0) failure = ReadResult::kBadDocument;
  if (failure == ReadResult::kOk && count > kMaximumDocumentLayers) return ReadResult::kTooManyLayers;
  for (uint32_t i = 0; i < count && failure == ReadResult::kOk; ++i) {
    auto layer = std::make_unique<CSoundLayer>(1, std::string(), nullptr, 0, settings());
    const ReadResult result = layer->ReadChunk(file, &repaired);
    if (result != ReadResult::kOk)
      failure = result;
    else
      layers.push_back(std::move(layer));
  }
  // The tags are read even after a failed chunk, as far as the file allows.
  for (std::string& tag : tags) {
    if (!ReadCountedText(file, &tag)) {
      if (failure == ReadResult::kOk) failure = ReadResult::kBadDocument;
      break;
    }
  }
  if (failure != ReadResult::kOk) {
    layers.clear();
    return failure;
  }
  if (repairedNodes != nullptr) *repairedNodes = repaired;
  formatSize = 18;
  fileFormat = MakeFormatRecord(WorkingFormat());
  fileFormat.resize(kDocumentFormatRecordSize, 0);
  std::memcpy(riffId, "RIFF", 5);
  std::memcpy(waveId, "WAVE", 5);
  riffSize = GetLength();
  return ReadResult::kOk;
}
