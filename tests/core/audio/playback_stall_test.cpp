// Playback when the interface thread is held up (a slow dialog, a long
// conversion) and the 40 ms ticks stop for a while: the null back-end runs
// on a clock the test moves, so a hold-up of any length takes no real time.
// After it, the play position is the true one and the next refill writes
// the sound found there; while it lasts, what the rings no longer hold is
// heard as silence, never as sound from an earlier lap.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/audio/null_output_device.h"
#include "core/audio/sound_playback.h"
#include "playback_test_support.h"

namespace {

using namespace playback_test;
using std::chrono::nanoseconds;

constexpr uint64_t kFramesPerSecond = 44100;
constexpr uint32_t kLeadFrames = 441;  // what the null back-end mixes ahead of its clock

// The null output device on a clock that only moves when the test says, with
// every frame it mixes kept in order.
class HeldUpPlayback {
 public:
  HeldUpPlayback() {
    const auto base = SteadyClock::now();
    EXPECT_TRUE(NullOutputDevice::Open(&device_, [this, base] {
                  return base + nanoseconds(now_.load());
                }).Succeeded());
    if (!device_) return;
    // Placed by frame number: the thread may mix its first frames before
    // the tap is in place.
    device_->SetMixTap([this](const int16_t* samples, uint32_t frames, uint64_t firstFrame) {
      std::lock_guard<std::mutex> lock(mutex_);
      mixed_.resize(2 * (firstFrame + frames));
      std::copy(samples, samples + 2 * frames, mixed_.begin() + static_cast<std::ptrdiff_t>(2 * firstFrame));
    });
    // One frame on, so that the tap has seen the thread mix up to the lead.
    MoveTo(1);
  }
  ~HeldUpPlayback() {
    if (device_) device_->SetMixTap({});
  }

  SoundOutputDevice* device() { return device_.get(); }

  // Moves the clock on to `frames` frames after its start and waits until
  // the mixer has caught up with it; it mixes nothing more until the next
  // move, so a timer step meanwhile races nothing.
  void MoveTo(uint64_t frames) {
    now_ = static_cast<int64_t>((frames * 1000000000 + kFramesPerSecond - 1) / kFramesPerSecond);
    WaitForMixed(frames + kLeadFrames);
  }

  size_t MixedFrames() {
    std::lock_guard<std::mutex> lock(mutex_);
    return mixed_.size() / 2;
  }
  std::vector<int16_t> Mixed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return mixed_;
  }

 private:
  void WaitForMixed(uint64_t frames) {
    const auto deadline = SteadyClock::now() + std::chrono::seconds(10);
    while (MixedFrames() < frames && SteadyClock::now() < deadline) {
      std::this_thread::sleep_for(milliseconds(1));
    }
    ASSERT_GE(MixedFrames(), frames) << "the null back-end's thread did not catch up";
  }

  std::atomic<int64_t> now_{0};  // nanoseconds since the device's start
  std::unique_ptr<SoundOutputDevice> device_;
  std::mutex mutex_;
  std::vector<int16_t> mixed_;  // guarded by mutex_; every frame mixed, from frame 0
};

struct StallCase {
  const char* name;
  double playedBefore;  // seconds of normal ticks before the hold-up
  double heldUp;        // seconds without a tick
};

// A block is about 1.49 s, the ring about 5.94 s.
const StallCase kStalls[] = {
    {"ForTwoBlocksWithinTheRing", 0.4, 2.0},
    {"ForTwoBlocksFromTheLastBlockIntoTheNextLap", 4.8, 3.0},
    {"ForLongerThanTheRing", 0.4, 6.5},
    {"ForSeveralRings", 2.0, 15.0},
};

class PlaybackStallTest : public ::testing::TestWithParam<StallCase> {};

TEST_P(PlaybackStallTest, PlaysOnAtTheTruePositionWithoutRepeating) {
  const StallCase& c = GetParam();
  HeldUpPlayback held;
  ASSERT_NE(held.device(), nullptr);
  // Given a long layer of noise playing from its start on the moved clock
  CSound sound;
  CSoundLayer& layer = AddNoiseLayer(sound, 20 * kBytesPerSecond, 0, 7, 20000);
  CSoundPlayback playback(sound, *held.device());
  // The layer starts on the next frame mixed, which waits for the clock.
  const uint64_t startFrame = held.MixedFrames();
  ASSERT_TRUE(playback.Play());
  auto expectedAt = [&](uint64_t frame, int channel) -> int16_t {
    if (frame < startFrame) return 0;
    return layer.samples()[2 * (frame - startFrame) + static_cast<uint64_t>(channel)];
  };
  // and ticking normally (every 0.2 s: far within a block) for a while
  uint64_t clock = 1;
  const auto frames = [](double seconds) { return static_cast<uint64_t>(seconds * kFramesPerSecond); };
  while (clock + frames(0.2) <= frames(c.playedBefore)) {
    clock += frames(0.2);
    held.MoveTo(clock);
    playback.OnPlayTimer();
    ASSERT_TRUE(playback.IsPlaying());
  }
  const size_t stallStart = held.MixedFrames();
  // When no tick comes for the hold-up, and then one does
  clock += frames(c.heldUp);
  held.MoveTo(clock);
  playback.OnPlayTimer();
  const size_t afterTick = held.MixedFrames();
  held.MoveTo(clock + frames(0.5));
  const std::vector<int16_t> mixed = held.Mixed();
  // Then the cursor shows the true play position
  ASSERT_TRUE(playback.IsPlaying());
  EXPECT_EQ(sound.selectionStart, static_cast<int32_t>((clock - startFrame) * 4));
  // and everything mixed after the tick is the sound at its true position
  size_t wrong = 0, firstWrong = 0;
  for (size_t f = afterTick; f < mixed.size() / 2; ++f) {
    for (int channel = 0; channel < 2; ++channel) {
      if (mixed[2 * f + static_cast<size_t>(channel)] != expectedAt(f, channel) && wrong++ == 0) {
        firstWrong = f;
      }
    }
  }
  EXPECT_EQ(wrong, 0u) << "from frame " << firstWrong << ", " << (firstWrong - startFrame) / 44100.0
                       << " s into the sound";
  // and while the ticks were held up, every frame was either the sound at
  // its own position or silence: nothing was played a second time
  size_t repeated = 0;
  for (size_t f = stallStart; f < afterTick; ++f) {
    const bool silent = mixed[2 * f] == 0 && mixed[2 * f + 1] == 0;
    const bool right = mixed[2 * f] == expectedAt(f, 0) && mixed[2 * f + 1] == expectedAt(f, 1);
    if (!silent && !right) ++repeated;
  }
  EXPECT_EQ(repeated, 0u);
  playback.Stop();
}

INSTANTIATE_TEST_SUITE_P(Stalls, PlaybackStallTest, ::testing::ValuesIn(kStalls),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
