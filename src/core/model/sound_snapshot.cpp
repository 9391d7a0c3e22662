// The copy of a sound for a later write (see the header).
#include "core/model/sound_snapshot.h"

#include <cstring>
#include <new>

namespace {

// The copy's layers get their nodes from the sound, not from the
// constructor's automatic envelope.
const SettingsRecord& NoAutomaticEnvelope() {
  static const SettingsRecord settings = [] {
    SettingsRecord record;
    record.autoCreateEnvelope = 0;
    return record;
  }();
  return settings;
}

}  // namespace

SoundSnapshot::SoundSnapshot() : m_sound(NoAutomaticEnvelope()) {}

std::unique_ptr<SoundSnapshot> SoundSnapshot::Take(const CSound& sound) {
  std::unique_ptr<SoundSnapshot> snapshot(new (std::nothrow) SoundSnapshot);
  if (!snapshot || !snapshot->Fill(sound)) return nullptr;
  return snapshot;
}

std::vector<uint64_t> SoundSnapshot::LayerLengths(const CSound& sound) {
  std::vector<uint64_t> lengths;
  lengths.reserve(sound.layers.size());
  for (const auto& layer : sound.layers) lengths.push_back(layer->length());
  return lengths;
}

std::unique_ptr<SoundSnapshot> SoundSnapshot::Prepare(const std::vector<uint64_t>& layerLengths) {
  std::unique_ptr<SoundSnapshot> snapshot(new (std::nothrow) SoundSnapshot);
  if (!snapshot) return nullptr;
  try {
    for (const uint64_t length : layerLengths) {
      std::unique_ptr<uint8_t[]> data;
      if (length > 0) {
        data.reset(new (std::nothrow) uint8_t[length]);
        if (!data) return nullptr;
        // Every page is touched here, not on the editing thread.
        std::memset(data.get(), 0, length);
      }
      snapshot->m_sound.layers.push_back(
          std::make_unique<CSoundLayer>(0, std::string(), std::move(data), length, NoAutomaticEnvelope()));
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return snapshot;
}

bool SoundSnapshot::Fill(const CSound& sound) {
  CSound& copy = m_sound;
  try {
    copy.tags = sound.tags;
    copy.path = sound.path;
    // Prepared blocks beyond the sound's layers (it lost some) are not kept.
    if (copy.layers.size() > sound.layers.size()) copy.layers.resize(sound.layers.size());
    for (size_t i = 0; i < sound.layers.size(); ++i) {
      const CSoundLayer& source = *sound.layers[i];
      const uint64_t length = source.length();
      if (i == copy.layers.size() || copy.layers[i]->length() != length) {
        std::unique_ptr<uint8_t[]> data;
        if (length > 0) {
          data.reset(new (std::nothrow) uint8_t[length]);
          if (!data) return false;
        }
        auto layer = std::make_unique<CSoundLayer>(0, std::string(), std::move(data), length, NoAutomaticEnvelope());
        if (i == copy.layers.size())
          copy.layers.push_back(std::move(layer));
        else
          copy.layers[i] = std::move(layer);
      }
      CSoundLayer& layer = *copy.layers[i];
      if (length > 0) std::memcpy(layer.data(), source.data(), length);
      // The constructor names an unnamed layer; the copy keeps the name as it is.
      layer.name = source.name;
      layer.flag = source.flag;
      layer.offset = source.offset;
      layer.envelopeOn = source.envelopeOn;
      layer.waveColor = source.waveColor;
      layer.envelopeColor = source.envelopeColor;
      layer.nodes = source.nodes;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

WriteResult SoundSnapshot::Write(const std::string& path) { return m_sound.WriteDocumentFile(path); }

uint64_t SoundSnapshot::sampleBytes() const {
  uint64_t total = 0;
  for (const auto& layer : m_sound.layers) total += layer->length();
  return total;
}
