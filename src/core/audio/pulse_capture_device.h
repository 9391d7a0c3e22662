// The PulseAudio capture device: each capture ring is fed by one record
// stream from the default source, corked while the ring is stopped. Moving
// the stream to another source waits for the server up to a time limit.
#pragma once

#include <chrono>
#include <memory>

#include "core/audio/pulse_connection.h"
#include "core/audio/sound_device.h"

class PulseCaptureDevice : public SoundCaptureDevice {
 public:
  // `requestLimit`: how long a move to another source waits for the server.
  static DeviceResult Open(std::unique_ptr<SoundCaptureDevice>* device,
                           std::chrono::milliseconds requestLimit = PulseConnection::kTimeout);

  DeviceResult CreateCaptureBuffer(uint32_t bytes, const WaveFormat& format,
                                   std::unique_ptr<SoundCaptureBuffer>* buffer) override;
  // A real input cannot be replaced.
  bool SetTestSignal(CaptureSignal) override { return false; }

 private:
  PulseCaptureDevice() = default;

  std::shared_ptr<PulseConnection> connection_;
};
