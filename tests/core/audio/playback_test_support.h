// What the playback tests share: test sounds, a stand-in for the waveform
// view that records what the engine asked of it, a tap that keeps what the
// null back-end mixed, and a loop that calls the timer step every 40 ms of
// real time, as the view's timer does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/audio/playback_view.h"
#include "core/audio/sound_device.h"
#include "core/audio/sound_playback.h"
#include "core/model/sound.h"

namespace playback_test {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint32_t kBytesPerSecond = 176400;
constexpr uint32_t kLeadBytes = 441 * 4;  // what the null back-end mixes ahead of the clock

// Noise in ±(1 ... amplitude): never 0, so the start and end of what was
// played show in a recording.
inline std::unique_ptr<uint8_t[]> Noise(uint64_t bytes, uint32_t seed, int amplitude) {
  std::unique_ptr<uint8_t[]> data(new uint8_t[bytes]);
  auto* values = reinterpret_cast<int16_t*>(data.get());
  uint32_t state = seed;
  for (uint64_t i = 0; i < bytes / 2; ++i) {
    state = state * 1664525u + 1013904223u;
    const int magnitude = 1 + static_cast<int>((state >> 8) % static_cast<uint32_t>(amplitude));
    values[i] = static_cast<int16_t>((state >> 31) != 0 ? magnitude : -magnitude);
  }
  return data;
}

// A layer of noise at full gain (envelope off).
inline CSoundLayer& AddNoiseLayer(CSound& sound, uint64_t bytes, int32_t offset, uint32_t seed,
                                  int amplitude = 8000) {
  CSoundLayer& layer = sound.AppendLayer("", Noise(bytes, seed, amplitude), bytes);
  layer.offset = offset;
  layer.envelopeOn = 0;
  return layer;
}

// The waveform view as the engine sees it: a timer flag, a viewport, and a
// log of scrolls, repaints and inversions.
class RecordingView : public PlaybackView {
 public:
  struct Inversion {
    int32_t oldStart, oldEnd, oldLayer;
  };

  void SetPlayTimer(bool running) override { timerRunning = running; }
  PlaybackViewport Viewport() const override { return viewport; }
  void ScrollTo(int32_t position) override {
    scrolls.push_back(position);
    if (!viewport.busy) viewport.scrollPosition = std::max(position, 0);  // the bar clamps
  }
  void Repaint() override { ++repaints; }
  void InvertSelectionChange(int32_t oldStart, int32_t oldEnd, int32_t oldLayer) override {
    inversions.push_back({oldStart, oldEnd, oldLayer});
  }
  void ClearLog() {
    scrolls.clear();
    inversions.clear();
    repaints = 0;
  }

  bool timerRunning = false;
  PlaybackViewport viewport{4, 800, 0, true, false};
  std::vector<int32_t> scrolls;
  std::vector<Inversion> inversions;
  int repaints = 0;
};

// Keeps the left and right values of every frame the null back-end mixes
// while recording.
class MixRecorder {
 public:
  explicit MixRecorder(SoundOutputDevice& device) : device_(device) {
    samples_.reserve(2 * 44100 * 30);
    EXPECT_TRUE(device_.SetMixTap([this](const int16_t* samples, uint32_t frames, uint64_t) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (recording_) samples_.insert(samples_.end(), samples, samples + 2 * frames);
    }));
  }
  ~MixRecorder() { device_.SetMixTap({}); }

  void Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    samples_.clear();
    recording_ = true;
  }
  // Ends the recording after what is mixed ahead has come through.
  std::vector<int16_t> Finish() {
    std::this_thread::sleep_for(milliseconds(60));
    std::lock_guard<std::mutex> lock(mutex_);
    recording_ = false;
    return samples_;
  }

 private:
  SoundOutputDevice& device_;
  std::mutex mutex_;
  bool recording_ = false;        // guarded by mutex_
  std::vector<int16_t> samples_;  // guarded by mutex_
};

// Calls the timer step every 40 ms until playback ends or `limit` has
// passed; keeps the time of every tick and the cursor after it.
struct TickLog {
  std::vector<SteadyClock::time_point> times;
  std::vector<int32_t> positions;  // selection start after each tick
  bool ended = false;              // IsPlaying turned false

  // Seconds between the last two ticks: the tick that ended playback and
  // the one before it.
  double LastInterval() const {
    if (times.size() < 2) return 0.04;
    return std::chrono::duration<double>(times.back() - times[times.size() - 2]).count();
  }
};

inline TickLog DriveTimer(CSoundPlayback& playback, milliseconds limit,
                          bool stopWhenEnded = true) {
  TickLog log;
  const auto start = SteadyClock::now();
  auto next = start;
  while (SteadyClock::now() - start < limit) {
    next += milliseconds(40);
    std::this_thread::sleep_until(next);
    log.times.push_back(SteadyClock::now());
    playback.OnPlayTimer();
    log.positions.push_back(playback.sound().selectionStart);
    if (!playback.IsPlaying()) {
      log.ended = true;
      if (stopWhenEnded) break;
    }
  }
  return log;
}

inline std::unique_ptr<SoundOutputDevice> OpenNullOutput() {
  std::unique_ptr<SoundOutputDevice> device;
  DeviceResult r = OpenSoundOutputDevice(SoundBackend::Null, &device);
  EXPECT_TRUE(r.Succeeded()) << r.name << ": " << r.description;
  return device;
}

// Index of the first value that is not 0 at or after `from`; size() if none.
inline size_t FirstSound(const std::vector<int16_t>& samples, size_t from = 0) {
  for (size_t i = from; i < samples.size(); ++i) {
    if (samples[i] != 0) return i & ~size_t{1};
  }
  return samples.size();
}

// Index of the first run of `run` zero values at or after `from`.
inline size_t FirstSilence(const std::vector<int16_t>& samples, size_t from, size_t run) {
  size_t zeros = 0;
  for (size_t i = from; i < samples.size(); ++i) {
    zeros = samples[i] == 0 ? zeros + 1 : 0;
    if (zeros == run) return i + 1 - run;
  }
  return samples.size();
}

// How many values from `at` on equal `expected` from `from` on, before the
// first difference.
inline size_t MatchingRun(const std::vector<int16_t>& recorded, size_t at, const int16_t* expected,
                          size_t available) {
  size_t n = 0;
  while (at + n < recorded.size() && n < available && recorded[at + n] == expected[n]) ++n;
  return n;
}

}  // namespace playback_test
