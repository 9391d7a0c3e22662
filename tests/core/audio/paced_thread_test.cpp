// The pacing thread of the null back-end against a clock the test moves: its
// frame count is exact however long it has run, so playback and capture on
// the null back-end do not freeze after days of running.
#include "core/audio/paced_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

using std::chrono::hours;
using std::chrono::nanoseconds;

constexpr uint32_t kRate = 44100;

struct SpanCase {
  const char* name;
  nanoseconds elapsed;
  uint64_t frames;
};

const SpanCase kSpans[] = {
    {"Nothing", nanoseconds(0), 0},
    {"LessThanAFrame", nanoseconds(22675), 0},
    {"OneFrame", nanoseconds(22676), 1},
    {"OneSecondLessOneNanosecond", nanoseconds(999999999), 44099},
    {"OneSecond", nanoseconds(1000000000), 44100},
    // Nanoseconds times 44,100 pass 2^64 after about 4.8 days.
    {"FiveDays", hours(120), 120ull * 3600 * 44100},
    {"FiveDaysAndAHalfSecond", hours(120) + nanoseconds(500000000), 120ull * 3600 * 44100 + 22050},
    {"TwoHundredYears", hours(24 * 365 * 200), 24ull * 365 * 200 * 3600 * 44100},
    {"BackwardsIsNothing", nanoseconds(-5), 0},
};

class FramesInTest : public ::testing::TestWithParam<SpanCase> {};

TEST_P(FramesInTest, CountsWholeFramesWithoutOverflow) {
  const SpanCase& c = GetParam();
  EXPECT_EQ(PacedThread::FramesIn(c.elapsed, kRate), c.frames);
}

INSTANTIATE_TEST_SUITE_P(Spans, FramesInTest, ::testing::ValuesIn(kSpans),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PacedThreadTest, KeepsProducingAfterDaysOfRunning) {
  // Given a thread paced by a clock the test moves
  std::atomic<int64_t> now{0};
  const PacedThread::Clock::time_point base = PacedThread::Clock::now();
  std::atomic<uint64_t> produced{0};
  PacedThread thread(kRate, std::chrono::milliseconds(10), 0,
                     [&](uint32_t frames) { produced += frames; },
                     [&] { return base + nanoseconds(now.load()); });
  ASSERT_TRUE(thread.Start().Succeeded());
  auto waitForFrames = [&](uint64_t frames) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (produced.load() < frames && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return produced.load();
  };
  // When five days have passed, and then one more second
  now = nanoseconds(hours(120)).count();
  const uint64_t fiveDays = 120ull * 3600 * kRate;
  EXPECT_EQ(thread.ElapsedFrames(), fiveDays);
  EXPECT_GE(waitForFrames(fiveDays), fiveDays);
  now += nanoseconds(std::chrono::seconds(1)).count();
  // Then the clock and the frames produced go on by exactly one second
  EXPECT_EQ(thread.ElapsedFrames(), fiveDays + kRate);
  EXPECT_EQ(waitForFrames(fiveDays + kRate), fiveDays + kRate);
  thread.Stop();
}

}  // namespace
