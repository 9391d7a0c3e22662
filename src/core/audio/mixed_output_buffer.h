// An output buffer of either back-end: a block of sample memory that the
// shared software mixer plays as one voice. The buffer holds the mixer by
// shared ownership, so it stays usable (silent, its clock frozen) even if the
// device that made it is closed first.
#pragma once

#include <cstdint>
#include <memory>

#include "core/audio/software_mixer.h"
#include "core/audio/sound_device.h"

class MixedOutputBuffer : public SoundOutputBuffer {
 public:
  // Makes a silent buffer of `bytes` bytes in the device format on `mixer`.
  static DeviceResult Create(std::shared_ptr<SoftwareMixer> mixer, uint32_t bytes,
                             const WaveFormat& format,
                             std::unique_ptr<SoundOutputBuffer>* buffer);

  ~MixedOutputBuffer() override;

  uint32_t Size() const override { return voice_.size; }
  DeviceResult Lock(uint32_t offset, uint32_t bytes, LockedRegion* region,
                    bool entireBuffer = false) override;
  DeviceResult Unlock(const LockedRegion& region) override;
  DeviceResult SetCurrentPosition(uint32_t position) override;
  DeviceResult SetVolume(int32_t volume) override;
  DeviceResult Play(bool looping) override;
  DeviceResult Stop() override;
  DeviceResult GetStatus(uint32_t* status) override;
  DeviceResult GetCurrentPosition(uint32_t* playCursor) override;

 private:
  explicit MixedOutputBuffer(std::shared_ptr<SoftwareMixer> mixer);

  std::shared_ptr<SoftwareMixer> mixer_;
  MixerVoice voice_;
  // The region handed out by Lock. The caller writes into this copy, never
  // into the memory the mixer is reading, and Unlock copies it back under
  // the mixer's lock: a caller filling a block while the mixer thread plays
  // the buffer cannot race it. One lock at a time.
  std::unique_ptr<uint8_t[]> lockCopy_;
  uint32_t lockOffset_ = 0;
  uint32_t lockBytes_ = 0;
};
