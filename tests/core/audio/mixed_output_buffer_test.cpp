// Locking an output buffer on a mixer driven by hand: the region is the
// buffer's own memory, playing or not; a playing buffer plays its locked
// range as silence until the unlock, so the mixer never reads bytes being
// written; and neither the playback timer's block locks nor a Play after the
// first allocate anything. This program replaces the global operator new to
// count the allocations made by the test's own thread over a stretch.
#include "core/audio/mixed_output_buffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/audio/sound_playback.h"
#include "playback_test_support.h"

// AddressSanitizer brings its own operator new and delete, which a program
// cannot replace without mismatching them; that build cannot count.
#if defined(__SANITIZE_ADDRESS__)
#define WAVEDESK_COUNTS_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WAVEDESK_COUNTS_ALLOCATIONS 0
#endif
#endif
#ifndef WAVEDESK_COUNTS_ALLOCATIONS
#define WAVEDESK_COUNTS_ALLOCATIONS 1
#endif

namespace {

thread_local bool tCounting = false;  // counts this thread's allocations while set
thread_local int tAllocations = 0;

}  // namespace

#if WAVEDESK_COUNTS_ALLOCATIONS
// libstdc++'s array and no-throw forms all come through this one.
void* operator new(std::size_t bytes) {
  if (tCounting) ++tAllocations;
  if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
  throw std::bad_alloc();
}
// Kept out of line: inlined into a caller, the free of memory the compiler
// knows came from operator new reads to it as a mismatched pair.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

// Counts the allocations `work` makes on this thread.
template <typename Work>
int AllocationsOf(Work&& work) {
  tAllocations = 0;
  tCounting = true;
  work();
  tCounting = false;
  return tAllocations;
}

constexpr uint32_t kFrames = 8;
constexpr uint32_t kBytes = kFrames * kWorkingBlockAlign;

class MixedOutputBufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mixer_ = std::make_shared<SoftwareMixer>();
    mixer_->SetClock([](uint64_t* frame) {
      *frame = 0;  // nothing is ever heard: one-shot runs never settle
      return true;
    });
  }

  // A buffer whose frame i holds left sample 100 + i (right: its negation).
  std::unique_ptr<SoundOutputBuffer> MakeRamp(uint32_t bytes = kBytes) {
    std::unique_ptr<SoundOutputBuffer> buffer;
    EXPECT_TRUE(MixedOutputBuffer::Create(mixer_, bytes, WorkingFormat(), &buffer).Succeeded());
    LockedRegion region;
    EXPECT_TRUE(buffer->Lock(0, 0, &region, true).Succeeded());
    for (uint32_t i = 0; i < bytes / kWorkingBlockAlign; ++i) PutFrame(region.data, i, 100 + static_cast<int>(i));
    EXPECT_TRUE(buffer->Unlock(region).Succeeded());
    return buffer;
  }

  static void PutFrame(uint8_t* at, uint32_t frame, int value) {
    const auto left = static_cast<uint16_t>(value);
    const auto right = static_cast<uint16_t>(-value);
    uint8_t* p = at + frame * kWorkingBlockAlign;
    p[0] = static_cast<uint8_t>(left);
    p[1] = static_cast<uint8_t>(left >> 8);
    p[2] = static_cast<uint8_t>(right);
    p[3] = static_cast<uint8_t>(right >> 8);
  }

  static int FrameAt(const uint8_t* at, uint32_t frame) {
    const uint8_t* p = at + frame * kWorkingBlockAlign;
    return static_cast<int16_t>(p[0] | (p[1] << 8));
  }

  // The left samples of the next `frames` mixed frames.
  std::vector<int> MixLeft(uint32_t frames) {
    std::vector<int16_t> out(2 * frames);
    mixer_->Mix(out.data(), frames);
    std::vector<int> left;
    for (uint32_t i = 0; i < frames; ++i) left.push_back(out[2 * i]);
    return left;
  }

  // Restarts the buffer's run at its start and checks the next frames mixed.
  void ExpectFromStart(SoundOutputBuffer& buffer, const std::vector<int>& expected) {
    ASSERT_TRUE(buffer.SetCurrentPosition(0).Succeeded());
    EXPECT_EQ(MixLeft(static_cast<uint32_t>(expected.size())), expected);
  }

  std::shared_ptr<SoftwareMixer> mixer_;
};

TEST_F(MixedOutputBufferTest, LockHandsOutTheBuffersOwnMemory) {
  // Given a stopped buffer
  auto buffer = MakeRamp();
  LockedRegion whole;
  ASSERT_TRUE(buffer->Lock(0, 0, &whole, true).Succeeded());
  uint8_t* const base = whole.data;
  ASSERT_TRUE(buffer->Unlock(whole).Succeeded());
  // When frames 2-3 are locked and frame 2 rewritten
  LockedRegion region;
  ASSERT_TRUE(buffer->Lock(2 * kWorkingBlockAlign, 2 * kWorkingBlockAlign, &region).Succeeded());
  // Then the region is the buffer's own memory, with its contents
  EXPECT_EQ(region.data, base + 2 * kWorkingBlockAlign);
  EXPECT_EQ(FrameAt(region.data, 0), 102);
  PutFrame(region.data, 0, 7000);
  ASSERT_TRUE(buffer->Unlock(region).Succeeded());
  // and what was written plays
  ASSERT_TRUE(buffer->Play(true).Succeeded());
  EXPECT_EQ(MixLeft(4), (std::vector<int>{100, 101, 7000, 103}));
}

struct StandingCase {
  const char* name;
  bool inPlayGroup;  // held in an open play group while locked, rather than playing
};

class LockWhilePlayingTest : public MixedOutputBufferTest,
                             public ::testing::WithParamInterface<StandingCase> {};

TEST_P(LockWhilePlayingTest, LockedRangeIsSilentUntilTheUnlock) {
  const StandingCase& c = GetParam();
  // Given a looping buffer the mixer reads, or will read once its play
  // group ends
  auto buffer = MakeRamp();
  if (c.inPlayGroup) mixer_->BeginPlayGroup();
  ASSERT_TRUE(buffer->Play(true).Succeeded());
  if (!c.inPlayGroup) MixLeft(2);
  // When frames 1-2 are locked and rewritten
  LockedRegion region;
  ASSERT_TRUE(buffer->Lock(kWorkingBlockAlign, 2 * kWorkingBlockAlign, &region).Succeeded());
  EXPECT_EQ(FrameAt(region.data, 0), 101);
  EXPECT_EQ(FrameAt(region.data, 1), 102);
  PutFrame(region.data, 0, -5000);
  PutFrame(region.data, 1, -6000);
  if (c.inPlayGroup) mixer_->EndPlayGroup();
  // Then the mixer, which plays the buffer, leaves the locked frames out
  ExpectFromStart(*buffer, {100, 0, 0, 103});
  // until the unlock, from which they play as written
  ASSERT_TRUE(buffer->Unlock(region).Succeeded());
  ExpectFromStart(*buffer, {100, -5000, -6000, 103});
}

INSTANTIATE_TEST_SUITE_P(Standings, LockWhilePlayingTest,
                         ::testing::Values(StandingCase{"Playing", false},
                                           StandingCase{"HeldInPlayGroup", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MixedOutputBufferTest, BlockLocksOfAPlayingRingAllocateNothing) {
  if (!WAVEDESK_COUNTS_ALLOCATIONS) GTEST_SKIP() << "this build cannot count allocations";
  // Given a playing looping ring of four blocks, as the playback timer has
  constexpr uint32_t kBlockBytes = 64 * 1024;
  auto buffer = MakeRamp(4 * kBlockBytes);
  ASSERT_TRUE(buffer->Play(true).Succeeded());
  std::vector<int16_t> mixed(2 * 1024);
  bool allLocked = true;
  // When block after block is locked, filled and unlocked while it plays
  const int allocations = AllocationsOf([&] {
    for (uint32_t tick = 0; tick < 400; ++tick) {
      LockedRegion region;
      const uint32_t block = tick % 4;
      allLocked = allLocked && buffer->Lock(block * kBlockBytes, kBlockBytes, &region).Succeeded();
      if (region.data == nullptr) break;
      std::memset(region.data, static_cast<int>(tick), region.bytes);
      allLocked = allLocked && buffer->Unlock(region).Succeeded();
      mixer_->Mix(mixed.data(), 1024);
    }
  });
  // Then every lock came back and none allocated
  EXPECT_TRUE(allLocked);
  EXPECT_EQ(allocations, 0);
}

TEST(PlaybackAllocationTest, PlayAfterTheFirstAllocatesNothing) {
  if (!WAVEDESK_COUNTS_ALLOCATIONS) GTEST_SKIP() << "this build cannot count allocations";
  using namespace playback_test;
  std::unique_ptr<SoundOutputDevice> device = OpenNullOutput();
  ASSERT_TRUE(device);
  // Given a three-layer sound with envelopes that has played once
  CSound sound;
  for (uint32_t i = 0; i < 3; ++i) {
    CSoundLayer& layer = AddNoiseLayer(sound, 3 * kBytesPerSecond, static_cast<int32_t>(4000 * i), i + 1);
    layer.envelopeOn = 1;
    for (int n = 0; n < 100; ++n) layer.nodes.push_back({(n % 7) / 3.0 - 1.0, n * 5000});
  }
  CSoundPlayback playback(sound, *device);
  bool played = true;
  EXPECT_GT(AllocationsOf([&] { played = playback.Play(); }), 0) << "the first Play makes the rings";
  ASSERT_TRUE(played);
  playback.Pause();
  // When it plays again after a Pause, and after a Stop
  const int afterPause = AllocationsOf([&] { played = played && playback.Play(); });
  playback.Stop();
  const int afterStop = AllocationsOf([&] { played = played && playback.Play(); });
  // Then it plays, and starting it allocated nothing
  EXPECT_TRUE(played);
  EXPECT_TRUE(playback.IsPlaying());
  EXPECT_EQ(afterPause, 0);
  EXPECT_EQ(afterStop, 0);
  playback.Stop();
}

}  // namespace
