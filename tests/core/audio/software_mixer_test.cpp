// The shared software mixer driven by hand: the test pulls frames itself and
// sets the heard frame through the mixer's clock, so sums, saturation,
// volume, cursors and play groups are checked frame-exactly, without timing.
#include "core/audio/software_mixer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/audio/mixed_output_buffer.h"

namespace {

class SoftwareMixerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mixer_ = std::make_shared<SoftwareMixer>();
    mixer_->SetClock([this](uint64_t* frame) {
      *frame = heard_;
      return true;
    });
  }

  std::unique_ptr<SoundOutputBuffer> MakeBuffer(const std::vector<int16_t>& samples) {
    std::unique_ptr<SoundOutputBuffer> buffer;
    auto bytes = static_cast<uint32_t>(samples.size() * 2);
    EXPECT_TRUE(MixedOutputBuffer::Create(mixer_, bytes, WorkingFormat(), &buffer).Succeeded());
    LockedRegion region;
    EXPECT_TRUE(buffer->Lock(0, 0, &region, true).Succeeded());
    for (size_t i = 0; i < samples.size(); ++i) {
      region.data[2 * i] = static_cast<uint8_t>(samples[i]);
      region.data[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(samples[i]) >> 8);
    }
    EXPECT_TRUE(buffer->Unlock(region).Succeeded());
    return buffer;
  }

  std::vector<int16_t> Mix(uint32_t frames) {
    std::vector<int16_t> out(2 * frames);
    mixer_->Mix(out.data(), frames);
    return out;
  }

  uint32_t Cursor(SoundOutputBuffer& buffer) {
    uint32_t cursor = 0xFFFFFFFF;
    EXPECT_TRUE(buffer.GetCurrentPosition(&cursor).Succeeded());
    return cursor;
  }

  bool Playing(SoundOutputBuffer& buffer) {
    uint32_t status = 0;
    EXPECT_TRUE(buffer.GetStatus(&status).Succeeded());
    return (status & kBufferStatusPlaying) != 0;
  }

  std::shared_ptr<SoftwareMixer> mixer_;
  uint64_t heard_ = 0;
};

struct SumCase {
  const char* name;
  int16_t a, b;      // the left sample of each buffer (right: its negation)
  int32_t volumeA;   // hundredths of a decibel
  int16_t expected;  // the left sample of the mix
};

class SoftwareMixerSumTest : public SoftwareMixerTest,
                             public ::testing::WithParamInterface<SumCase> {};

TEST_P(SoftwareMixerSumTest, MixesTwoPlayingBuffers) {
  const SumCase& c = GetParam();
  // Given two one-frame looping buffers, the first at volumeA
  auto a = MakeBuffer({c.a, static_cast<int16_t>(-c.a)});
  auto b = MakeBuffer({c.b, static_cast<int16_t>(-c.b)});
  ASSERT_TRUE(a->SetVolume(c.volumeA).Succeeded());
  // When both play
  ASSERT_TRUE(a->Play(true).Succeeded());
  ASSERT_TRUE(b->Play(true).Succeeded());
  std::vector<int16_t> out = Mix(3);
  // Then every frame is their (scaled, saturated) sum
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_NEAR(out[2 * frame], c.expected, 1) << "frame " << frame;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoftwareMixerSumTest,
    ::testing::Values(SumCase{"PlainSum", 1000, -3000, 0, -2000},
                      SumCase{"SaturatesHigh", 30000, 30000, 0, 32767},
                      SumCase{"SaturatesLow", -30000, -30000, 0, -32768},
                      SumCase{"MinimumVolumeIsSilent", 32767, 5, kVolumeMin, 5},
                      SumCase{"MinusSixDecibelsHalves", 20000, 0, -602, 10000}),
    [](const ::testing::TestParamInfo<SumCase>& info) { return info.param.name; });

TEST_F(SoftwareMixerTest, RightChannelSaturatesIndependently) {
  // Given two buffers loud on the left and quiet on the right
  auto a = MakeBuffer({30000, 100});
  auto b = MakeBuffer({30000, -300});
  a->Play(true);
  b->Play(true);
  // When mixed, then only the left channel clips
  std::vector<int16_t> out = Mix(1);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], -200);
}

TEST_F(SoftwareMixerTest, LoopingBufferRepeatsAndItsCursorWraps) {
  // Given a looping buffer of three frames 1, 2, 3
  auto buffer = MakeBuffer({1, 1, 2, 2, 3, 3});
  buffer->Play(true);
  // When seven frames are mixed and all of them heard
  std::vector<int16_t> out = Mix(7);
  heard_ = 7;
  // Then the frames repeat and the cursor has wrapped to frame 1
  std::vector<int16_t> left;
  for (size_t i = 0; i < out.size(); i += 2) left.push_back(out[i]);
  EXPECT_EQ(left, (std::vector<int16_t>{1, 2, 3, 1, 2, 3, 1}));
  EXPECT_EQ(Cursor(*buffer), 4u);
  EXPECT_TRUE(Playing(*buffer));
}

TEST_F(SoftwareMixerTest, OneShotBufferStopsOnceItsEndIsHeard) {
  // Given a one-shot buffer of three frames
  auto buffer = MakeBuffer({1, 1, 2, 2, 3, 3});
  buffer->Play(false);
  // When five frames are mixed
  std::vector<int16_t> out = Mix(5);
  // Then it sounds once, followed by silence
  EXPECT_EQ(out[4], 3);
  EXPECT_EQ(out[6], 0);
  EXPECT_EQ(out[8], 0);
  // and it still plays until the listener has heard its last frame
  heard_ = 2;
  EXPECT_TRUE(Playing(*buffer));
  EXPECT_EQ(Cursor(*buffer), 8u);
  heard_ = 3;
  EXPECT_FALSE(Playing(*buffer));
}

TEST_F(SoftwareMixerTest, CursorFollowsTheHeardFrameNotTheMixedOne) {
  // Given a buffer started while 100 frames are already mixed but not heard
  auto buffer = MakeBuffer(std::vector<int16_t>(2 * 1000, 0));
  Mix(100);
  buffer->Play(true);
  Mix(200);
  // When the listener is still before the buffer's first frame
  heard_ = 60;
  // Then the cursor has not moved; later it counts heard frames only
  EXPECT_EQ(Cursor(*buffer), 0u);
  heard_ = 150;
  EXPECT_EQ(Cursor(*buffer), 50u * 4);
}

TEST_F(SoftwareMixerTest, PlayGroupStartsItsBuffersOnTheSameFrame) {
  // Given two buffers started in one group with mixing going on in between
  auto a = MakeBuffer(std::vector<int16_t>(2 * 1000, 0));
  auto b = MakeBuffer(std::vector<int16_t>(2 * 1000, 0));
  mixer_->BeginPlayGroup();
  a->Play(true);
  Mix(64);
  b->Play(true);
  mixer_->EndPlayGroup();
  // When more frames are mixed and heard
  Mix(300);
  heard_ = 300;
  // Then both report the same cursor: the group started on one frame
  EXPECT_EQ(Cursor(*a), Cursor(*b));
  EXPECT_EQ(Cursor(*a), (300u - 64u) * 4);
}

TEST_F(SoftwareMixerTest, StopKeepsThePositionAndPlayResumesThere) {
  // Given a buffer that has been heard for 10 frames
  std::vector<int16_t> samples(2 * 100);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i / 2);
  auto buffer = MakeBuffer(samples);
  buffer->Play(true);
  Mix(10);
  heard_ = 10;
  // When it is stopped and played again
  buffer->Stop();
  EXPECT_FALSE(Playing(*buffer));
  EXPECT_EQ(Cursor(*buffer), 40u);
  buffer->Play(true);
  // Then it goes on from frame 10
  std::vector<int16_t> out = Mix(2);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[2], 11);
}

TEST_F(SoftwareMixerTest, BytesWrittenThroughALockAreWhatPlays) {
  // Given a playing looping buffer of silence
  auto buffer = MakeBuffer(std::vector<int16_t>(2 * 4, 0));
  buffer->Play(true);
  Mix(4);
  // When frame 1 is rewritten through a lock of that frame only
  LockedRegion region;
  ASSERT_TRUE(buffer->Lock(4, 4, &region).Succeeded());
  const uint8_t frame[4] = {0x34, 0x12, 0xCC, 0xED};  // 0x1234, -0x1234
  std::memcpy(region.data, frame, 4);
  // Then nothing changes before the unlock, and it plays after it
  std::vector<int16_t> before = Mix(4);
  EXPECT_EQ(before[2], 0);
  ASSERT_TRUE(buffer->Unlock(region).Succeeded());
  std::vector<int16_t> after = Mix(4);
  EXPECT_EQ(after[2], 0x1234);
  EXPECT_EQ(after[3], -0x1234);
  EXPECT_EQ(after[0], 0);
}

TEST_F(SoftwareMixerTest, BufferOutlivingItsClockKeepsItsLastPosition) {
  // Given a buffer heard for 20 frames
  auto buffer = MakeBuffer(std::vector<int16_t>(2 * 100, 0));
  buffer->Play(true);
  Mix(50);
  heard_ = 20;
  EXPECT_EQ(Cursor(*buffer), 80u);
  // When the device's clock is taken away (the device closed first)
  mixer_->SetClock({});
  heard_ = 40;
  // Then the buffer still answers, frozen where it was
  EXPECT_EQ(Cursor(*buffer), 80u);
}

TEST_F(SoftwareMixerTest, UnwrappedPositionCountsTheLaps) {
  // Given a looping buffer of 10 frames heard for 25 frames
  auto buffer = MakeBuffer(std::vector<int16_t>(2 * 10, 1));
  buffer->Play(true);
  Mix(40);
  heard_ = 25;
  // Then its cursor has wrapped twice, and the unwrapped position has not
  uint64_t unwrapped = 0;
  ASSERT_TRUE(buffer->GetUnwrappedPosition(&unwrapped).Succeeded());
  EXPECT_EQ(unwrapped, 100u);
  EXPECT_EQ(Cursor(*buffer), 20u);
}

TEST_F(SoftwareMixerTest, PastItsPlayLimitARingIsSilentUntilTheLimitMovesOn) {
  // Given a looping ring of four frames 1, 2, 3, 4 allowed to play six
  auto buffer = MakeBuffer({1, -1, 2, -2, 3, -3, 4, -4});
  ASSERT_TRUE(buffer->SetCurrentPosition(0).Succeeded());
  buffer->Play(true);
  ASSERT_TRUE(buffer->SetPlayLimit(6 * 4).Succeeded());
  // When it is mixed for eight frames, the limit moved on by four, and four
  // more frames mixed
  std::vector<int16_t> first = Mix(8);
  ASSERT_TRUE(buffer->SetPlayLimit(10 * 4).Succeeded());
  std::vector<int16_t> second = Mix(4);
  // Then what lies past the limit is silence, not the last lap again, and
  // the ring plays on where it really is once the limit allows
  EXPECT_EQ(first, (std::vector<int16_t>{1, -1, 2, -2, 3, -3, 4, -4, 1, -1, 2, -2, 0, 0, 0, 0}));
  EXPECT_EQ(second, (std::vector<int16_t>{1, -1, 2, -2, 0, 0, 0, 0}));
  // And a new position clears the limit
  ASSERT_TRUE(buffer->SetCurrentPosition(0).Succeeded());
  EXPECT_EQ(Mix(6), (std::vector<int16_t>{1, -1, 2, -2, 3, -3, 4, -4, 1, -1, 2, -2}));
}

}  // namespace
