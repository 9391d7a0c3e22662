// A copy of everything a layered document keeps of a sound (every layer's
// samples, placement, name, colours and envelope, and the nine tags), taken
// in one go on the thread that edits the sound and written later on another.
// The copy shares nothing with the sound: the sound may change or go away
// while the copy is written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/model/sound.h"

class SoundSnapshot {
 public:
  // Null when there is not enough memory for the copy.
  static std::unique_ptr<SoundSnapshot> Take(const CSound& sound);

  SoundSnapshot(const SoundSnapshot&) = delete;
  SoundSnapshot& operator=(const SoundSnapshot&) = delete;

  // Writes the copy as a layered document, replacing `path` only once all
  // of it is on disk: 0 written, 1 failed (the old file is left as it was).
  [[nodiscard]] int Write(const std::string& path);

  const CSound& sound() const { return m_sound; }
  // The bytes of sample data the copy holds.
  uint64_t sampleBytes() const;

 private:
  SoundSnapshot();

  CSound m_sound;
};
