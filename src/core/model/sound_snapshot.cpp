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
  if (!snapshot) return nullptr;
  try {
    CSound& copy = snapshot->m_sound;
    copy.tags = sound.tags;
    copy.layers.reserve(sound.layers.size());
    for (const auto& source : sound.layers) {
      const uint64_t length = source->length();
      std::unique_ptr<uint8_t[]> data;
      if (length > 0) {
        data.reset(new (std::nothrow) uint8_t[length]);
        if (!data) return nullptr;
        std::memcpy(data.get(), source->data(), length);
      }
      auto layer = std::make_unique<CSoundLayer>(0, source->name, std::move(data), length, NoAutomaticEnvelope());
      // The constructor names an unnamed layer; the copy keeps the name as it is.
      layer->name = source->name;
      layer->flag = source->flag;
      layer->offset = source->offset;
      layer->envelopeOn = source->envelopeOn;
      layer->waveColor = source->waveColor;
      layer->envelopeColor = source->envelopeColor;
      layer->nodes = source->nodes;
      copy.layers.push_back(std::move(layer));
    }
    copy.path = sound.path;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return snapshot;
}

int SoundSnapshot::Write(const std::string& path) { return m_sound.WriteDocumentFile(path); }

uint64_t SoundSnapshot::sampleBytes() const {
  uint64_t total = 0;
  for (const auto& layer : m_sound.layers) total += layer->length();
  return total;
}
