// One layer of a sound: a block of working-format samples placed at a byte
// offset in the sound, with a name, two display colours and a volume envelope.
// A sound plays and saves as the sum of its layers, each scaled sample by
// sample by its envelope.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/model/envelope_node.h"
#include "core/model/file_result.h"
#include "core/model/settings_record.h"

class AtomicFileWriter;
class SequentialReader;

// Colours are stored as 0x00BBGGRR values, the form the layered document
// file keeps them in.
constexpr uint32_t MakeColorValue(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint32_t>(red) | (static_cast<uint32_t>(green) << 8) |
         (static_cast<uint32_t>(blue) << 16);
}
constexpr uint32_t kDefaultWaveColor = MakeColorValue(123, 147, 183);
constexpr uint32_t kDefaultEnvelopeColor = MakeColorValue(102, 153, 255);

class CSoundLayer {
 public:
  // `index` only serves the default name "Layer <index + 1>" when `name` is
  // empty. With "automatically create an envelope" on, the layer starts with
  // one node of level +1 at position 0.
  CSoundLayer(int index, std::string name, std::unique_ptr<uint8_t[]> data, uint64_t length,
              const SettingsRecord& settings = DefaultSettings());
  virtual ~CSoundLayer();

  CSoundLayer(const CSoundLayer&) = delete;
  CSoundLayer& operator=(const CSoundLayer&) = delete;

  // Installs a new sample block and its byte length; the old block is freed.
  void SetData(std::unique_ptr<uint8_t[]> data, uint64_t length);
  // Hands the sample block out; the layer is left empty.
  std::unique_ptr<uint8_t[]> TakeData();

  // A number that changes with every change of the layer's samples (a new
  // block, a new length, or samples written in place and reported through
  // MarkDataChanged). No two layers ever share one, even a layer made where
  // a deleted one lived, so whatever is derived from the samples (the view's
  // peak summary) can be kept under it and rebuilt when it changes.
  uint64_t generation() const { return m_generation; }
  // Writers that change the samples in place call this afterwards.
  void MarkDataChanged();

  const uint8_t* data() const { return m_data.get(); }
  uint8_t* data() { return m_data.get(); }
  uint64_t length() const { return m_length; }
  // The samples as 16-bit values (length / 2 of them).
  const int16_t* samples() const { return reinterpret_cast<const int16_t*>(m_data.get()); }
  int16_t* samples() { return reinterpret_cast<int16_t*>(m_data.get()); }
  uint64_t sampleCount() const { return m_length / 2; }
  // Offset plus length: the first sound position after the layer.
  int64_t end() const { return static_cast<int64_t>(offset) + static_cast<int64_t>(m_length); }

  // Gain 0 ... 1 at byte position p relative to the layer, read from the node
  // snapshot (built first when absent).
  double GetGain(uint32_t p);

  void AddNode(uint32_t p);
  void RemoveNode(size_t index);
  void RemoveNodes(uint32_t a, uint32_t b);
  void ShiftNodes(uint32_t a, int32_t delta);
  void SortNodes();
  // Replaces the snapshot with a fresh copy of the node list.
  void RebuildSnapshot();
  // The layer's chunk of the layered document file ("LAYR" ... "NODS" and
  // the nodes). WriteChunk appends to a file being written; false once a
  // write failed.
  bool WriteChunk(AtomicFileWriter& file) const;
  // Reads a chunk in place of the layer's data, fields and nodes:
  // ReadResult::kOk, kBadDocument (not a layer chunk, or a length beyond
  // what is left of the file) or kOutOfMemory. A node the editor cannot have
  // made (a level outside -1 ... 1 or not a number, a position outside the
  // layer) is moved to the nearest value it could have; `repairedNodes`, when
  // given, counts them.
  [[nodiscard]] ReadResult ReadChunk(SequentialReader& file, uint32_t* repairedNodes = nullptr);

  // Whether the envelope applies at all (Envelope On and at least one node).
  bool EnvelopeActive() const { return envelopeOn != 0 && !nodes.empty(); }
  // The copy the gain is read from. Node edits that do not rebuild it (shifts,
  // sorts, dragged values) reach playback only at the next rebuild.
  const std::vector<EnvelopeNode>& snapshot();

  uint8_t flag = 1;  // kept in the layered document file, read by nothing else
  int32_t offset = 0;
  std::string name;
  uint8_t envelopeOn = 1;
  uint32_t waveColor = kDefaultWaveColor;
  uint32_t envelopeColor = kDefaultEnvelopeColor;
  std::vector<EnvelopeNode> nodes;  // kept sorted by position by the node operations

 private:
  std::unique_ptr<uint8_t[]> m_data;
  uint64_t m_length = 0;
  uint64_t m_generation;
  std::vector<EnvelopeNode> m_snapshot;
  bool m_hasSnapshot = false;
};
