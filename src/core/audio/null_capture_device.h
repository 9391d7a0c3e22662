// The null back-end's capture device: its ring is filled at real-time pace
// by a thread, with silence, or with the signal a test installs, so that
// recording can be exercised end to end without a sound server.
#pragma once

#include <memory>
#include <mutex>

#include "core/audio/sound_device.h"

// The installed test signal, shared between the device and the feeds of
// its rings (which may outlive it).
struct TestSignalSlot {
  std::mutex mutex;
  CaptureSignal signal;  // guarded by mutex; empty means silence
};

class NullCaptureDevice : public SoundCaptureDevice {
 public:
  static DeviceResult Open(std::unique_ptr<SoundCaptureDevice>* device);

  DeviceResult CreateCaptureBuffer(uint32_t bytes, const WaveFormat& format,
                                   std::unique_ptr<SoundCaptureBuffer>* buffer) override;
  bool SetTestSignal(CaptureSignal signal) override;

 private:
  NullCaptureDevice() = default;

  std::shared_ptr<TestSignalSlot> signal_;
};
