// A copy of everything a layered document keeps of a sound (every layer's
// samples, placement, name, colours and envelope, and the nine tags), taken
// in one go on the thread that edits the sound and written later on another.
// The copy shares nothing with the sound: the sound may change or go away
// while the copy is written.
//
// Copying into freshly allocated memory costs about ten times a memcpy into
// memory already in use: the kernel hands out and clears every page on its
// first touch. So the blocks can be prepared beforehand on another thread
// (Prepare, which allocates and touches them), and the copy on the editing
// thread (Fill) is then little more than a memcpy.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/model/sound.h"

class SoundSnapshot {
 public:
  // Null when there is not enough memory for the copy.
  static std::unique_ptr<SoundSnapshot> Take(const CSound& sound);

  // Blocks of these byte lengths, one per layer, allocated and touched:
  // meant for a thread other than the editing one. Null when there is not
  // enough memory.
  static std::unique_ptr<SoundSnapshot> Prepare(const std::vector<uint64_t>& layerLengths);
  // The byte lengths of `sound`'s layers, for Prepare.
  static std::vector<uint64_t> LayerLengths(const CSound& sound);
  // Copies `sound` into the prepared blocks; a layer whose length no longer
  // matches its block (the sound changed since) gets a new one. False when
  // there is not enough memory for that; the copy is then unusable.
  [[nodiscard]] bool Fill(const CSound& sound);

  SoundSnapshot(const SoundSnapshot&) = delete;
  SoundSnapshot& operator=(const SoundSnapshot&) = delete;

  // Writes the copy as a layered document, replacing `path` only once all
  // of it is on disk: WriteResult::kOk, or kFailed (the old file is left as
  // it was).
  [[nodiscard]] WriteResult Write(const std::string& path);

  const CSound& sound() const { return m_sound; }
  // The bytes of sample data the copy holds.
  uint64_t sampleBytes() const;

 private:
  SoundSnapshot();

  CSound m_sound;
};
