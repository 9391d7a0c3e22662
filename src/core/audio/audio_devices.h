// The devices the application holds from start-up to exit: the capture
// device with its always-running 1 MiB capture ring (read by the level
// meter and the recorder), and the output device that plays every sound.
// Opened in that order; the first failure ends the opening and is returned
// with its name and description.
#pragma once

#include <memory>

#include "core/audio/sound_device.h"

class AudioDevices {
 public:
  static constexpr uint32_t kCaptureRingBytes = 1048576;

  AudioDevices() = default;
  ~AudioDevices() { Close(); }
  AudioDevices(const AudioDevices&) = delete;
  AudioDevices& operator=(const AudioDevices&) = delete;

  DeviceResult Open(SoundBackend backend);
  // Stops the capture ring and releases everything; safe to call twice.
  void Close();

  bool isOpen() const { return m_output != nullptr; }
  SoundBackend backend() const { return m_backend; }
  SoundOutputDevice* output() const { return m_output.get(); }
  SoundCaptureDevice* captureDevice() const { return m_captureDevice.get(); }
  SoundCaptureBuffer* captureRing() const { return m_captureRing.get(); }

 private:
  SoundBackend m_backend = SoundBackend::PulseAudio;
  std::unique_ptr<SoundCaptureDevice> m_captureDevice;
  std::unique_ptr<SoundCaptureBuffer> m_captureRing;
  std::unique_ptr<SoundOutputDevice> m_output;
};
