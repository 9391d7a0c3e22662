// The null output device: a paced thread mixing into a scratch block.
#include "core/audio/null_output_device.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <utility>

#include "core/audio/mixed_output_buffer.h"

namespace {

constexpr uint32_t kDiscardFrames = 4096;
// Mixed 10 ms at a time and 10 ms ahead of the clock, about what a sound
// server asks of a low-latency stream.
constexpr std::chrono::milliseconds kPeriod{10};
constexpr uint32_t kLeadFrames = 441;

}  // namespace

NullOutputDevice::NullOutputDevice(PacedThread::Now now)
    : thread_(kWorkingBytesPerSecond / kWorkingBlockAlign, kPeriod, kLeadFrames,
              [this](uint32_t frames) { Produce(frames); }, std::move(now)) {}

NullOutputDevice::~NullOutputDevice() {
  // Buffers may outlive the device: freeze their clock before it goes.
  mixer_->SetClock({});
  thread_.Stop();
}

DeviceResult NullOutputDevice::Open(std::unique_ptr<SoundOutputDevice>* device,
                                   PacedThread::Now now) {
  device->reset();
  std::unique_ptr<NullOutputDevice> made(new (std::nothrow) NullOutputDevice(std::move(now)));
  if (made) {
    made->mixer_ = std::shared_ptr<SoftwareMixer>(new (std::nothrow) SoftwareMixer);
    made->discard_.reset(new (std::nothrow) int16_t[2 * kDiscardFrames]);
  }
  if (!made || !made->mixer_ || !made->discard_) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the sound device.");
  }
  NullOutputDevice* self = made.get();
  made->mixer_->SetClock([self](uint64_t* frame) {
    *frame = self->thread_.ElapsedFrames();
    return true;
  });
  DeviceResult started = made->thread_.Start();
  if (!started.Succeeded()) return started;
  *device = std::move(made);
  return DeviceResult::Ok();
}

DeviceResult NullOutputDevice::CreateBuffer(uint32_t bytes, const WaveFormat& format,
                                            std::unique_ptr<SoundOutputBuffer>* buffer) {
  return MixedOutputBuffer::Create(mixer_, bytes, format, buffer);
}

bool NullOutputDevice::SetMixTap(MixTap tap) {
  std::lock_guard<std::mutex> lock(tapMutex_);
  tap_ = std::move(tap);
  return true;
}

void NullOutputDevice::Produce(uint32_t frames) {
  while (frames > 0) {
    uint32_t chunk = std::min(frames, kDiscardFrames);
    const uint64_t first = mixer_->MixedFrames();
    mixer_->Mix(discard_.get(), chunk);
    {
      std::lock_guard<std::mutex> lock(tapMutex_);
      if (tap_) tap_(discard_.get(), chunk, first);
    }
    frames -= chunk;
  }
}
