// The null capture device and its feed, a paced thread writing the test
// signal (or silence) into the ring.
#include "core/audio/null_capture_device.h"

#include <chrono>
#include <new>

#include "core/audio/capture_ring.h"
#include "core/audio/paced_thread.h"

namespace {

constexpr uint32_t kFeedChunkFrames = 1024;
// Delivered every 10 ms, as a record stream with a short fragment would be.
constexpr std::chrono::milliseconds kPeriod{10};

class NullCaptureFeed : public CaptureFeed {
 public:
  NullCaptureFeed(CaptureRing* ring, std::shared_ptr<TestSignalSlot> signal)
      : ring_(ring),
        signal_(std::move(signal)),
        thread_(kWorkingBytesPerSecond / kWorkingBlockAlign, kPeriod, 0,
                [this](uint32_t frames) { Produce(frames); }) {}
  ~NullCaptureFeed() override { thread_.Stop(); }

  DeviceResult Run(bool run) override {
    if (!run) {
      thread_.Stop();
      return DeviceResult::Ok();
    }
    return thread_.Start();
  }

 private:
  void Produce(uint32_t frames) {
    while (frames > 0) {
      uint32_t chunk = std::min(frames, kFeedChunkFrames);
      std::unique_lock<std::mutex> lock(signal_->mutex);
      if (!signal_->signal) {
        lock.unlock();
        ring_->Write(nullptr, chunk * kWorkingBlockAlign);
      } else {
        signal_->signal(samples_, chunk);
        lock.unlock();
        // The ring holds little-endian bytes whatever the host's order.
        for (uint32_t i = 0; i < 2 * chunk; ++i) {
          auto v = static_cast<uint16_t>(samples_[i]);
          bytes_[2 * i] = static_cast<uint8_t>(v);
          bytes_[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
        ring_->Write(bytes_, chunk * kWorkingBlockAlign);
      }
      frames -= chunk;
    }
  }

  CaptureRing* const ring_;  // owns this feed, so outlives it
  std::shared_ptr<TestSignalSlot> signal_;
  // Pacing thread only.
  int16_t samples_[2 * kFeedChunkFrames] = {};
  uint8_t bytes_[kWorkingBlockAlign * kFeedChunkFrames] = {};
  PacedThread thread_;  // last: stopped before the members it uses go
};

}  // namespace

DeviceResult NullCaptureDevice::Open(std::unique_ptr<SoundCaptureDevice>* device) {
  device->reset();
  std::unique_ptr<NullCaptureDevice> made(new (std::nothrow) NullCaptureDevice);
  if (made) made->signal_ = std::shared_ptr<TestSignalSlot>(new (std::nothrow) TestSignalSlot);
  if (!made || !made->signal_) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the capture device.");
  }
  *device = std::move(made);
  return DeviceResult::Ok();
}

DeviceResult NullCaptureDevice::CreateCaptureBuffer(uint32_t bytes, const WaveFormat& format,
                                                    std::unique_ptr<SoundCaptureBuffer>* buffer) {
  buffer->reset();
  std::unique_ptr<CaptureRing> ring;
  DeviceResult result = CaptureRing::Create(bytes, format, &ring);
  if (!result.Succeeded()) return result;
  std::unique_ptr<CaptureFeed> feed(new (std::nothrow) NullCaptureFeed(ring.get(), signal_));
  if (!feed) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the capture buffer.");
  }
  ring->SetFeed(std::move(feed));
  *buffer = std::move(ring);
  return DeviceResult::Ok();
}

bool NullCaptureDevice::SetTestSignal(CaptureSignal signal) {
  std::lock_guard<std::mutex> lock(signal_->mutex);
  signal_->signal = std::move(signal);
  return true;
}
