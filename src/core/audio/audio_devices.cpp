#include "core/audio/audio_devices.h"

DeviceResult AudioDevices::Open(SoundBackend backend) {
  Close();
  m_backend = backend;
  DeviceResult result = OpenSoundCaptureDevice(backend, &m_captureDevice);
  if (result.Succeeded()) result = m_captureDevice->CreateCaptureBuffer(kCaptureRingBytes, WorkingFormat(), &m_captureRing);
  if (result.Succeeded()) result = m_captureRing->Start(true);
  if (result.Succeeded()) result = OpenSoundOutputDevice(backend, &m_output);
  if (!result.Succeeded()) Close();
  return result;
}

void AudioDevices::Close() {
  if (m_captureRing) m_captureRing->Stop();
  // Buffers before their devices.
  m_captureRing.reset();
  m_captureDevice.reset();
  m_output.reset();
}
