// The real-time pacing loop of the null back-end.
#include "core/audio/paced_thread.h"

#include <algorithm>
#include <system_error>

PacedThread::PacedThread(uint32_t framesPerSecond, std::chrono::milliseconds period,
                         uint32_t leadFrames, Produce produce, Now now)
    : framesPerSecond_(framesPerSecond),
      period_(period),
      leadFrames_(leadFrames),
      produce_(std::move(produce)),
      now_(now ? std::move(now) : Now(&Clock::now)) {}

PacedThread::~PacedThread() { Stop(); }

DeviceResult PacedThread::Start() {
  if (thread_.joinable()) return DeviceResult::Ok();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
  }
  start_ = now_();
  started_.store(true, std::memory_order_release);
  // Thread creation reports failure by exception; the layer reports results.
  try {
    thread_ = std::thread(&PacedThread::Run, this);
  } catch (const std::system_error& e) {
    started_.store(false, std::memory_order_release);
    return DeviceResult::Fail(kDeviceErrorGeneric, "SOUND_ERR_THREAD", e.what());
  }
  return DeviceResult::Ok();
}

void PacedThread::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  started_.store(false, std::memory_order_release);
}

uint64_t PacedThread::FramesIn(std::chrono::nanoseconds elapsed, uint32_t framesPerSecond) {
  if (elapsed.count() <= 0) return 0;
  // Nanoseconds times the rate overflow 64 bits after about 4.8 days at
  // 44,100 Hz; whole seconds and the remainder are converted apart.
  constexpr uint64_t kNanosecondsPerSecond = 1000000000u;
  const auto nanoseconds = static_cast<uint64_t>(elapsed.count());
  return nanoseconds / kNanosecondsPerSecond * framesPerSecond +
         nanoseconds % kNanosecondsPerSecond * framesPerSecond / kNanosecondsPerSecond;
}

uint64_t PacedThread::ElapsedFrames() const {
  if (!started_.load(std::memory_order_acquire)) return 0;
  return FramesIn(std::chrono::duration_cast<std::chrono::nanoseconds>(now_() - start_),
                  framesPerSecond_);
}

void PacedThread::Run() {
  uint64_t produced = 0;
  // The thread wakes by real time, whatever time the frames are counted by.
  Clock::time_point next = Clock::now();
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    uint64_t due = ElapsedFrames() + leadFrames_;
    while (produced < due) {
      auto frames = static_cast<uint32_t>(std::min<uint64_t>(due - produced, 1u << 16));
      produce_(frames);
      produced += frames;
    }
    lock.lock();
    next += period_;
    wake_.wait_until(lock, next, [this] { return stopping_; });
  }
}
