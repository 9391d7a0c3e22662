// The null back-end's output device: the shared software mixer pulled by a
// thread at real-time pace, its output thrown away. Buffers play, advance
// and stop exactly as on a sound server, so playback works (silently) on a
// machine without one.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "core/audio/paced_thread.h"
#include "core/audio/software_mixer.h"
#include "core/audio/sound_device.h"

class NullOutputDevice : public SoundOutputDevice {
 public:
  // `now`, when given, replaces the steady clock the device's time runs by
  // (tests move it by hand to stand for long stretches of playing).
  static DeviceResult Open(std::unique_ptr<SoundOutputDevice>* device,
                           PacedThread::Now now = {});
  ~NullOutputDevice() override;

  DeviceResult CreateBuffer(uint32_t bytes, const WaveFormat& format,
                            std::unique_ptr<SoundOutputBuffer>* buffer) override;
  void BeginPlayGroup() override { mixer_->BeginPlayGroup(); }
  void EndPlayGroup() override { mixer_->EndPlayGroup(); }
  bool SetMixTap(MixTap tap) override;

 private:
  explicit NullOutputDevice(PacedThread::Now now);
  void Produce(uint32_t frames);

  std::shared_ptr<SoftwareMixer> mixer_;
  // Where mixed frames go to be forgotten; used by the pacing thread only.
  std::unique_ptr<int16_t[]> discard_;
  // Guards tap_, which the pacing thread calls with every mixed block.
  std::mutex tapMutex_;
  MixTap tap_;
  PacedThread thread_;
};
