// A thread that produces frames at real-time pace for the null back-end:
// every period it asks for the frames the wall clock says are due (plus a
// small lead, standing in for a sound card's buffer), catching up in one
// go when it was held up. Its start time is the null device's clock. The
// time it reads can be replaced, so that tests can move it at will; the
// thread still wakes every period of real time to look at it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "core/audio/sound_device.h"

class PacedThread {
 public:
  using Clock = std::chrono::steady_clock;
  // Called on the thread with the number of frames to produce now.
  using Produce = std::function<void(uint32_t frames)>;
  // The time the frames are counted by; empty: the steady clock.
  using Now = std::function<Clock::time_point()>;

  PacedThread(uint32_t framesPerSecond, std::chrono::milliseconds period, uint32_t leadFrames,
              Produce produce, Now now = {});
  ~PacedThread();  // stops and joins
  PacedThread(const PacedThread&) = delete;
  PacedThread& operator=(const PacedThread&) = delete;

  DeviceResult Start();
  void Stop();

  // Frames of real time since Start (0 before it). Safe from any thread
  // while the thread runs.
  uint64_t ElapsedFrames() const;

  // Whole frames in `elapsed` at `framesPerSecond`, rounded down, for any
  // span a 64-bit nanosecond count holds (no intermediate overflow).
  static uint64_t FramesIn(std::chrono::nanoseconds elapsed, uint32_t framesPerSecond);

 private:
  void Run();

  const uint32_t framesPerSecond_;
  const std::chrono::milliseconds period_;
  const uint32_t leadFrames_;
  const Produce produce_;
  const Now now_;

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;  // guarded by mutex_: asks the thread to end
  Clock::time_point start_;  // written before the thread starts, read-only while it runs
  std::atomic<bool> started_{false};  // guards reading start_: set once start_ is valid
  std::thread thread_;
};
