// A document with hand-made layers for the edit tests: every byte of a
// layer holds its own position (plus a per-layer base), so a test can say
// which bytes survived an edit, and playback is a fake that counts stops.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/edit/document_editor.h"
#include "core/model/sound_document.h"

namespace edit_test {

class CountingPlayback : public SoundPlaybackControl {
 public:
  bool IsPlaying() const override { return playing; }
  void Stop() override {
    ++stops;
    playing = false;
  }
  bool playing = false;
  int stops = 0;
};

// Bytes base + from ... base + to - 1 (mod 256).
inline std::vector<uint8_t> Bytes(int from, int to, int base = 0) {
  std::vector<uint8_t> bytes;
  for (int i = from; i < to; ++i) bytes.push_back(static_cast<uint8_t>(base + i));
  return bytes;
}

inline std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> bytes;
  for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

inline std::vector<uint8_t> LayerBytes(const CSoundLayer& layer) {
  return std::vector<uint8_t>(layer.data(), layer.data() + layer.length());
}

// A clip block holding `bytes`, and the bytes of a clip block.
inline ClipBytes Clip(const std::vector<uint8_t>& bytes) {
  ClipBytes clip;
  clip.data.reset(new uint8_t[bytes.empty() ? 1 : bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), clip.data.get());
  clip.length = bytes.size();
  return clip;
}

inline std::vector<uint8_t> ClipContents(const ClipBytes& clip) {
  if (clip.data == nullptr) return {};
  return std::vector<uint8_t>(clip.data.get(), clip.data.get() + clip.length);
}

inline EditResult PasteBytes(DocumentEditor& editor, const std::vector<uint8_t>& bytes) {
  return editor.Paste(bytes.data(), bytes.size());
}

inline std::vector<int64_t> NodePositions(const CSoundLayer& layer) {
  std::vector<int64_t> positions;
  for (const EnvelopeNode& node : layer.nodes) positions.push_back(node.position);
  return positions;
}

class EditDocument {
 public:
  explicit EditDocument(uint64_t spillThreshold = SavedBytes::kDefaultSpillThreshold)
      : document(NoEnvelope()), editor(document, spillThreshold) {
    document.sound().playback = &playback;
    editor.StartHistory(false);
  }

  static const SettingsRecord& NoEnvelope() {
    static SettingsRecord settings = [] {
      SettingsRecord s;
      s.autoCreateEnvelope = 0;
      return s;
    }();
    return settings;
  }

  // Appends a layer of `length` bytes whose byte i is base + i.
  CSoundLayer& AddLayer(int length, int32_t offset = 0, int base = 0) {
    std::vector<uint8_t> bytes = Bytes(0, length, base);
    std::unique_ptr<uint8_t[]> data(new uint8_t[bytes.empty() ? 1 : bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    CSoundLayer& layer = document.sound().AppendLayer(std::string(), std::move(data), bytes.size());
    layer.offset = offset;
    return layer;
  }

  CSound& sound() { return document.sound(); }
  CSoundLayer& layer(size_t i) { return *document.sound().layers[i]; }

  // Made first and destroyed last: the sound stops its playback as it goes.
  CountingPlayback playback;
  SoundDocument document;
  DocumentEditor editor;
};

}  // namespace edit_test
