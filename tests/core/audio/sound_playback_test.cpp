// The playback engine on the null back-end, in real time, with a tap on what
// the mixer produced: what is played is the mix-down, a selection plays from
// its start and stops within one tick after its end, Pause and Play continue
// where they stopped, the ring laps without losing or repeating a block, the
// view follows the play position, and a buffer that cannot be made leaves the
// sound idle. The timer is driven by the test every 40 ms, as the view's
// timer would.
#include "core/audio/sound_playback.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "playback_test_support.h"

namespace {

using namespace playback_test;

class SoundPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = OpenNullOutput();
    ASSERT_TRUE(device_);
    recorder_ = std::make_unique<MixRecorder>(*device_);
  }
  void TearDown() override { recorder_.reset(); }

  std::unique_ptr<SoundOutputDevice> device_;
  std::unique_ptr<MixRecorder> recorder_;
  RecordingView view_;
};

TEST_F(SoundPlaybackTest, ThreeLayersPlayAsTheirMixDown) {
  // Given three layers with offsets and envelopes, whose sum does not clip
  CSound sound;
  CSoundLayer& first = AddNoiseLayer(sound, 176400, 0, 1);
  first.envelopeOn = 1;
  first.nodes = {{1.0, 0}, {-0.5, 100000}, {0.5, 176396}};
  CSoundLayer& second = AddNoiseLayer(sound, 141120, 52920, 2);
  second.envelopeOn = 1;
  second.nodes = {{-1.0, 0}, {1.0, 60000}};
  AddNoiseLayer(sound, 105840, 158760, 3);  // envelope off
  first.samples()[0] = 8000;                // the sound starts audibly
  CSoundPlayback playback(sound, *device_, &view_);
  // When it plays from 0 to its end
  recorder_->Start();
  ASSERT_TRUE(playback.Play());
  EXPECT_TRUE(view_.timerRunning);
  TickLog log = DriveTimer(playback, milliseconds(4000));
  std::vector<int16_t> played = recorder_->Finish();
  ASSERT_TRUE(log.ended) << "playback did not end";
  // Then, aligned on the play start, every value is the mix-down's within
  // one unit per layer that sounds there
  const uint32_t length = sound.GetLength();
  std::unique_ptr<uint8_t[]> mix = sound.MixDown();
  const auto* expected = reinterpret_cast<const int16_t*>(mix.get());
  const size_t start = FirstSound(played);
  ASSERT_GE(played.size(), start + length / 2) << "less than the whole sound was played";
  size_t worst = 0, worstAt = 0;
  for (size_t k = 0; k < length / 2; ++k) {
    int64_t layersThere = 0;
    for (const auto& layer : sound.layers) {
      const int64_t d = static_cast<int64_t>(k) - layer->offset / 2;
      if (d >= 0 && d < static_cast<int64_t>(layer->sampleCount())) ++layersThere;
    }
    const int64_t difference = std::abs(played[start + k] - expected[k]);
    if (difference > layersThere && static_cast<size_t>(difference) > worst) {
      worst = static_cast<size_t>(difference);
      worstAt = k;
    }
  }
  EXPECT_EQ(worst, 0u) << "value " << worstAt << " is " << played[start + worstAt]
                       << ", the mix-down has " << expected[worstAt];
  // and after the sound's end there is only silence
  EXPECT_EQ(FirstSound(played, start + length / 2), played.size());
  // And playback ended as a Stop does: the cursor is back at 0, the view
  // scrolled to it and the timer is off
  EXPECT_EQ(sound.selectionStart, 0);
  EXPECT_EQ(sound.selectionEnd, 0);
  EXPECT_FALSE(view_.timerRunning);
  ASSERT_FALSE(view_.scrolls.empty());
  EXPECT_EQ(view_.scrolls.back(), 0 / 4 / 4 - 800 / 2 + 30);
}

TEST_F(SoundPlaybackTest, LoudLayersPlayExactlyAsTheirMixDown) {
  // Given three loud layers with envelopes whose sum goes past the 16-bit
  // limits in places, one of them pulling the others back
  CSound sound;
  CSoundLayer& first = AddNoiseLayer(sound, 88200, 0, 11, 30000);
  first.envelopeOn = 1;
  first.nodes = {{1.0, 0}, {0.6, 50000}, {1.0, 88196}};
  first.samples()[0] = 8000;  // the sound starts audibly
  CSoundLayer& second = AddNoiseLayer(sound, 70560, 8820, 12, 30000);
  second.envelopeOn = 1;
  second.nodes = {{-1.0, 0}, {1.0, 30000}};
  AddNoiseLayer(sound, 52920, 17640, 13, 30000);  // envelope off
  CSoundPlayback playback(sound, *device_, &view_);
  // When it plays from 0 to its end
  recorder_->Start();
  ASSERT_TRUE(playback.Play());
  TickLog log = DriveTimer(playback, milliseconds(3000));
  std::vector<int16_t> played = recorder_->Finish();
  ASSERT_TRUE(log.ended) << "playback did not end";
  // Then, aligned on the play start, every value is the mix-down's: each
  // clamps the sum of all layers once
  const uint32_t length = sound.GetLength();
  std::unique_ptr<uint8_t[]> mix = sound.MixDown();
  const auto* expected = reinterpret_cast<const int16_t*>(mix.get());
  const size_t start = FirstSound(played);
  ASSERT_GE(played.size(), start + length / 2) << "less than the whole sound was played";
  size_t differing = 0, clamped = 0;
  for (size_t k = 0; k < length / 2; ++k) {
    if (played[start + k] != expected[k]) ++differing;
    if (expected[k] == 32767 || expected[k] == -32768) ++clamped;
  }
  EXPECT_EQ(differing, 0u);
  EXPECT_GT(clamped, 100u) << "the fixture should clip";
}

struct RangeCase {
  const char* name;
  int32_t selectionStart;
  int32_t selectionEnd;
  bool toTheEnd;  // plays to the sound's end rather than the selection's
};

const RangeCase kRanges[] = {
    {"SelectionStopsWithinATickAfterItsEnd", 88200, 176400, false},
    {"CursorPlaysToTheSoundsEnd", 264600, 264600, true},
    {"SelectionOfFiveBytesIsACursor", 264600, 264605, true},
    {"SelectionOfSixBytesIsNot", 88200, 88206, false},
};

class PlayedRangeTest : public SoundPlaybackTest,
                        public ::testing::WithParamInterface<RangeCase> {};

TEST_P(PlayedRangeTest, PlaysFromTheSelectionStartToItsEnd) {
  const RangeCase& c = GetParam();
  // Given a two-second sound and the row's selection
  CSound sound;
  CSoundLayer& layer = AddNoiseLayer(sound, 352800, 0, 5);
  sound.selectionStart = c.selectionStart;
  sound.selectionEnd = c.selectionEnd;
  CSoundPlayback playback(sound, *device_, &view_);
  // When it plays until it ends by itself
  recorder_->Start();
  ASSERT_TRUE(playback.Play());
  TickLog log = DriveTimer(playback, milliseconds(3000));
  std::vector<int16_t> played = recorder_->Finish();
  ASSERT_TRUE(log.ended);
  // Then what was heard is the sound from the selection start on
  const size_t start = FirstSound(played);
  const size_t from = static_cast<size_t>(c.selectionStart) / 2;
  const size_t heard = MatchingRun(played, start, layer.samples() + from, layer.sampleCount() - from);
  EXPECT_EQ(FirstSound(played, start + heard), played.size()) << "sound after the played run";
  const uint64_t heardBytes = 2 * heard;
  if (c.toTheEnd) {
    // up to the sound's end exactly
    EXPECT_EQ(heardBytes, layer.length() - static_cast<uint64_t>(c.selectionStart));
  } else {
    // past the selection's end by no more than the last tick's worth (and
    // what the back-end mixes ahead of the clock)
    const uint64_t wanted = static_cast<uint64_t>(c.selectionEnd - c.selectionStart);
    EXPECT_GE(heardBytes, wanted);
    const double tick = log.LastInterval() * kBytesPerSecond;
    EXPECT_LE(static_cast<double>(heardBytes - wanted), tick + 2 * kLeadBytes)
        << "last tick interval " << log.LastInterval() << " s";
  }
  // And the selection is the one Play started from
  EXPECT_EQ(sound.selectionStart, c.selectionStart);
  EXPECT_EQ(sound.selectionEnd, c.selectionEnd);
  EXPECT_FALSE(view_.timerRunning);
}

INSTANTIATE_TEST_SUITE_P(Ranges, PlayedRangeTest, ::testing::ValuesIn(kRanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundPlaybackTest, PauseThenPlayContinuesWhereItStopped) {
  // Given a three-second sound playing from 0
  CSound sound;
  CSoundLayer& layer = AddNoiseLayer(sound, 529200, 0, 9);
  CSoundPlayback playback(sound, *device_, &view_);
  recorder_->Start();
  ASSERT_TRUE(playback.Play());
  DriveTimer(playback, milliseconds(600));
  // When it is paused
  playback.Pause();
  // Then it is idle, its timer off, with the cursor at the play position
  const int32_t paused = sound.selectionStart;
  EXPECT_FALSE(playback.IsPlaying());
  EXPECT_FALSE(view_.timerRunning);
  EXPECT_EQ(sound.selectionEnd, paused);
  EXPECT_GT(paused, 0);
  std::this_thread::sleep_for(milliseconds(250));
  // When Play follows
  ASSERT_TRUE(playback.Play());
  EXPECT_EQ(playback.bookkeeping().playStartStart, paused);
  EXPECT_EQ(playback.bookkeeping().ringBase, static_cast<uint64_t>(paused));
  DriveTimer(playback, milliseconds(400));
  playback.Pause();
  std::vector<int16_t> played = recorder_->Finish();
  // Then the first run is the sound from 0, and after the pause's silence
  // the second run is the sound from the paused position on
  const size_t first = FirstSound(played);
  const size_t firstRun = MatchingRun(played, first, layer.samples(), layer.sampleCount());
  EXPECT_GE(2 * firstRun, static_cast<size_t>(paused));
  const size_t gap = FirstSilence(played, first, 4410);
  EXPECT_EQ(gap, first + firstRun);
  const size_t second = FirstSound(played, gap);
  ASSERT_LT(second, played.size()) << "nothing played after the pause";
  const size_t from = static_cast<size_t>(paused) / 2;
  const size_t secondRun = MatchingRun(played, second, layer.samples() + from, layer.sampleCount() - from);
  EXPECT_GE(secondRun, 2u * 44100 * 300 / 1000) << "the second run is not the sound from " << paused;
  EXPECT_EQ(FirstSound(played, second + secondRun), played.size());
}

TEST_F(SoundPlaybackTest, PlayWhilePlayingRestartsFromThePlayPositionAndPlaysOn) {
  // Given a selection of 0.2 s to 0.6 s of a three-second sound, playing
  CSound sound;
  AddNoiseLayer(sound, 529200, 0, 4);
  sound.selectionStart = 35280;
  sound.selectionEnd = 105840;
  CSoundPlayback playback(sound, *device_, &view_);
  ASSERT_TRUE(playback.Play());
  DriveTimer(playback, milliseconds(200));
  ASSERT_TRUE(playback.IsPlaying());
  const int32_t position = sound.selectionStart;
  // When Play is called again
  ASSERT_TRUE(playback.Play());
  // Then it starts over from the play position, which is now the selection
  // to come back to
  EXPECT_EQ(playback.bookkeeping().playStartStart, position);
  EXPECT_EQ(playback.bookkeeping().playStartEnd, position);
  EXPECT_EQ(playback.bookkeeping().ringBase, static_cast<uint64_t>(position));
  EXPECT_TRUE(view_.timerRunning);
  // and it plays on past the old selection's end
  TickLog log = DriveTimer(playback, milliseconds(700));
  EXPECT_FALSE(log.ended);
  EXPECT_GT(sound.selectionStart, 105840);
  playback.Stop();
  EXPECT_EQ(sound.selectionStart, position);
  EXPECT_EQ(sound.selectionEnd, position);
}

TEST_F(SoundPlaybackTest, RingLapsWithoutLosingOrRepeatingABlock) {
  // Given a twenty-second sound, more than three laps of the ring, whose
  // every value differs from its neighbours'
  CSound sound;
  CSoundLayer& layer = AddNoiseLayer(sound, 20 * 176400, 0, 11, 30000);
  CSoundPlayback playback(sound, *device_, &view_);
  // When it plays to its end
  recorder_->Start();
  ASSERT_TRUE(playback.Play());
  TickLog log = DriveTimer(playback, milliseconds(22000));
  std::vector<int16_t> played = recorder_->Finish();
  ASSERT_TRUE(log.ended);
  // Then the recording is the sound, value for value, and nothing after it
  const size_t start = FirstSound(played);
  const size_t run = MatchingRun(played, start, layer.samples(), layer.sampleCount());
  EXPECT_EQ(run, layer.sampleCount()) << "the sound breaks off at byte " << 2 * run << ", block "
                                      << 2 * run / kPlayBlockBytes;
  EXPECT_EQ(FirstSound(played, start + run), played.size());
  // and the ring base went round three laps
  EXPECT_EQ(playback.bookkeeping().ringBase, 3ull * kPlayRingBytes);
  // while the cursor ran with the sound
  EXPECT_TRUE(std::is_sorted(log.positions.begin(), log.positions.end() - 1));
}

// The view follows the play position: the wanted scroll position is
// position / 4 / zoom + 30 − width / 2 (0 when negative). A zoom of 2^20
// frames per pixel keeps the first seconds on pixel 0, so the wanted
// position is max(0, 30 − width / 2) whatever the timing.
struct FollowCase {
  const char* name;
  PlaybackViewport viewport;
  int expectedScroll;  // -1: none
  bool expectInversion;
};

const FollowCase kFollowing[] = {
    {"ScrollsWhenThePlayPositionHasLeftTheView", {1 << 20, 20, 0, true, false}, 20, false},
    {"InvertsTheCursorWhenTheViewIsInPlace", {1 << 20, 20, 20, true, false}, -1, true},
    {"NegativeWantedPositionCountsAsZero", {1 << 20, 200, 0, true, false}, -1, true},
    {"ScrollsBackToZero", {1 << 20, 200, 35, true, false}, 0, false},
    {"BusyViewIsLeftAlone", {1 << 20, 20, 20, true, true}, -1, false},
    {"ViewWithoutScrollBarOnlyInverts", {1 << 20, 20, 7, false, false}, -1, true},
};

class FollowTest : public SoundPlaybackTest, public ::testing::WithParamInterface<FollowCase> {};

TEST_P(FollowTest, OneTickMovesTheViewOnce) {
  const FollowCase& c = GetParam();
  // Given a sound playing from a cursor at 400 in layer 0
  CSound sound;
  AddNoiseLayer(sound, 352800, 0, 2);
  sound.selectionStart = sound.selectionEnd = 400;
  view_.viewport = c.viewport;
  CSoundPlayback playback(sound, *device_, &view_);
  ASSERT_TRUE(playback.Play());
  view_.ClearLog();
  // When one tick passes
  std::this_thread::sleep_for(milliseconds(60));
  playback.OnPlayTimer();
  // Then the cursor runs with the sound and the view scrolls or inverts
  EXPECT_EQ(sound.selectionStart, sound.selectionEnd);
  EXPECT_GT(sound.selectionStart, 400);
  if (c.expectedScroll >= 0) {
    ASSERT_EQ(view_.scrolls.size(), 1u);
    EXPECT_EQ(view_.scrolls[0], c.expectedScroll);
  } else {
    EXPECT_TRUE(view_.scrolls.empty());
  }
  ASSERT_EQ(view_.inversions.size(), c.expectInversion ? 1u : 0u);
  if (c.expectInversion) {
    EXPECT_EQ(view_.inversions[0].oldStart, 400);
    EXPECT_EQ(view_.inversions[0].oldEnd, 400);
    EXPECT_EQ(view_.inversions[0].oldLayer, 0);
  }
  playback.Pause();
}

INSTANTIATE_TEST_SUITE_P(Following, FollowTest, ::testing::ValuesIn(kFollowing),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundPlaybackTest, CursorMovesToTheLayerItRunsInto) {
  // Given two layers end to end, the cursor in the first
  CSound sound;
  AddNoiseLayer(sound, 17640, 0, 1);       // 0.1 s
  AddNoiseLayer(sound, 176400, 17640, 2);  // from 0.1 s
  CSoundPlayback playback(sound, *device_, &view_);
  ASSERT_TRUE(playback.Play());
  // When the play position has passed the first layer's end
  DriveTimer(playback, milliseconds(300));
  // Then the second layer is the active one
  EXPECT_GT(sound.selectionStart, 17640);
  EXPECT_EQ(sound.activeLayerIndex, 1);
  // And Stop brings back the cursor at 0 and with it the first layer
  playback.Stop();
  EXPECT_EQ(sound.selectionStart, 0);
  EXPECT_EQ(sound.activeLayerIndex, 0);
}

}  // namespace
