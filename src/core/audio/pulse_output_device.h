// The PulseAudio output device: one playback stream whose write callback
// pulls frames from the shared software mixer. Every buffer's cursor follows
// the stream's playback time, which libpulse interpolates from the server's
// timing reports and which already leaves out what is still queued (the
// stream's and the sink's latency): the cursor says what is heard.
#pragma once

#include <pulse/pulseaudio.h>

#include <cstdint>
#include <memory>

#include "core/audio/pulse_connection.h"
#include "core/audio/software_mixer.h"
#include "core/audio/sound_device.h"

class PulseOutputDevice : public SoundOutputDevice {
 public:
  static DeviceResult Open(std::unique_ptr<SoundOutputDevice>* device);
  ~PulseOutputDevice() override;

  DeviceResult CreateBuffer(uint32_t bytes, const WaveFormat& format,
                            std::unique_ptr<SoundOutputBuffer>* buffer) override;
  void BeginPlayGroup() override { mixer_->BeginPlayGroup(); }
  void EndPlayGroup() override { mixer_->EndPlayGroup(); }

 private:
  PulseOutputDevice() = default;
  // Main-loop thread, lock held: the server wants `bytes` more bytes.
  static void OnWrite(pa_stream* stream, size_t bytes, void* userdata);
  // Caller's thread: the frame being heard; false once the stream has failed.
  bool ReadClock(uint64_t* frame);

  std::shared_ptr<PulseConnection> connection_;
  std::shared_ptr<SoftwareMixer> mixer_;
  pa_stream* stream_ = nullptr;  // touched only with the main-loop lock held
};
