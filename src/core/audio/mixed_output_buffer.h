// An output buffer of either back-end: a block of sample memory that the
// shared software mixer plays as one voice. The buffer holds the mixer by
// shared ownership, so it stays usable (silent, its clock frozen) even if the
// device that made it is closed first.
//
// A lock hands out the buffer's own memory, playing or not, and allocates
// nothing: the mixer plays the locked range as silence until the unlock, so
// the caller never writes bytes the mixer thread is reading (the playback
// timer only locks blocks the play cursor has left, which the mixer is not
// playing anyway). What the caller writes is in the buffer from the moment
// it is written; Unlock only hands the range back.
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
  DeviceResult GetUnwrappedPosition(uint64_t* position) override;
  DeviceResult SetPlayLimit(uint64_t limit) override;

 private:
  explicit MixedOutputBuffer(std::shared_ptr<SoftwareMixer> mixer);

  std::shared_ptr<SoftwareMixer> mixer_;
  MixerVoice voice_;
  // The current lock, one at a time: the region handed out (null when not
  // locked) and its size.
  uint8_t* lockedData_ = nullptr;
  uint32_t lockedBytes_ = 0;
};
