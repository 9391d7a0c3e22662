// Opening the devices of the chosen back-end, and the one format they take.
#include "core/audio/sound_device.h"

#include "core/audio/null_capture_device.h"
#include "core/audio/null_output_device.h"
#include "core/audio/pulse_capture_device.h"
#include "core/audio/pulse_output_device.h"

bool IsDeviceFormat(const WaveFormat& format) {
  const WaveFormat working = WorkingFormat();
  return format.formatTag == working.formatTag && format.channels == working.channels &&
         format.samplesPerSec == working.samplesPerSec &&
         format.avgBytesPerSec == working.avgBytesPerSec &&
         format.blockAlign == working.blockAlign &&
         format.bitsPerSample == working.bitsPerSample;
}

DeviceResult OpenSoundOutputDevice(SoundBackend backend,
                                   std::unique_ptr<SoundOutputDevice>* device) {
  if (backend == SoundBackend::Null) return NullOutputDevice::Open(device);
  return PulseOutputDevice::Open(device);
}

DeviceResult OpenSoundCaptureDevice(SoundBackend backend,
                                    std::unique_ptr<SoundCaptureDevice>* device) {
  if (backend == SoundBackend::Null) return NullCaptureDevice::Open(device);
  return PulseCaptureDevice::Open(device);
}
