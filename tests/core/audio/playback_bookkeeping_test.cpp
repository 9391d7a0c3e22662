// The selection and ring bookkeeping of the play commands (Play, Stop, Pause,
// Play All, Jump to Start, Jump to End) as a table, the end rule of the timer
// step, and what the engine does when the device fails it: a buffer that
// cannot be made, a clock that stops, a play cursor that cannot be read. The
// failures come from a thin wrapper around the real null back-end, since an
// out-of-memory or a lost device cannot be had on demand.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/audio/playback_commands.h"
#include "core/audio/sound_playback.h"
#include "playback_test_support.h"

namespace {

using namespace playback_test;

// --- The end rule -----------------------------------------------------------

struct EndCase {
  const char* name;
  uint64_t position;
  uint32_t length;
  int32_t playStartStart, playStartEnd;
  bool ends;
};

const EndCase kEnds[] = {
    {"PositionEqualToTheLengthPlaysOn", 100000, 100000, 0, 0, false},
    {"FirstPositionBeyondTheLengthEnds", 100001, 100000, 0, 0, true},
    {"CursorPlaysPastItsPosition", 90000, 100000, 4000, 4000, false},
    {"SelectionOfFiveBytesIsACursor", 90000, 100000, 4000, 4005, false},
    {"SelectionOfSixBytesEndsPastItsEnd", 4007, 100000, 4000, 4006, true},
    {"PositionOnTheSelectionEndPlaysOn", 8000, 100000, 4000, 8000, false},
    {"PositionPastTheSelectionEndEnds", 8001, 100000, 4000, 8000, true},
    {"ReversedSelectionCountsItsSize", 8001, 100000, 8000, 4000, true},
    {"PositionBeyondFourGigabytesEnds", 0x100000000ull, UINT32_MAX, 0, 0, true},
};

class EndRuleTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(EndRuleTest, DecidesWhetherTheTickEndsPlayback) {
  const EndCase& c = GetParam();
  EXPECT_EQ(PlaybackPastEnd(c.position, c.length, c.playStartStart, c.playStartEnd), c.ends);
}

INSTANTIATE_TEST_SUITE_P(Ends, EndRuleTest, ::testing::ValuesIn(kEnds),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The commands -----------------------------------------------------------

enum class Command { Play, Stop, Pause, PlayAll, JumpToStart, JumpToEnd };

struct LayerPlace {
  int32_t offset;
  uint64_t length;
};

constexpr int32_t kNoScroll = INT32_MIN;

struct CommandCase {
  const char* name;
  std::vector<LayerPlace> layers;
  int32_t start, end, active;  // the sound before the commands
  std::vector<Command> commands;
  // The sound, the engine and the view after them.
  int32_t expectedStart, expectedEnd, expectedActive;
  bool playing;
  PlaybackBookkeeping book;
  int32_t lastScroll;  // kNoScroll: the view was not scrolled
};

constexpr uint64_t kRing = kPlayRingBytes;
const std::vector<LayerPlace> kOneLayer = {{0, 352800}};
const std::vector<LayerPlace> kTwoInARow = {{0, 88200}, {88200, 176400}};

// With the recording view's viewport (zoom 4, width 800) the view scrolls to
// start / 16 − 370 to show the selection start.
const CommandCase kCommands[] = {
    {"StopPutsBackThePlayStartSelection", kOneLayer, 4000, 80000, 0,
     {Command::Play, Command::Stop}, 4000, 80000, 0, false,
     {4000, 80000, 4000, 4000 + kRing, 0}, 4000 / 16 - 370},
    {"StopMakesTheSelectionsLayerActive", kTwoInARow, 100000, 120000, 0,
     {Command::Play, Command::Stop}, 100000, 120000, 1, false,
     {100000, 120000, 100000, 100000 + kRing, 0}, 100000 / 16 - 370},
    {"StopWhileIdleChangesNothing", kOneLayer, 4000, 80000, 0, {Command::Stop},
     4000, 80000, 0, false, {}, kNoScroll},
    {"PauseLeavesTheCursorWhereItIs", kOneLayer, 4000, 80000, 0,
     {Command::Play, Command::Pause}, 4000, 80000, 0, false,
     {4000, 80000, 4000, 4000 + kRing, 0}, kNoScroll},
    {"PlayStartsTheRingAtTheSelectionStart", kOneLayer, 4000, 80000, 0, {Command::Play},
     4000, 80000, 0, true, {4000, 80000, 4000, 4000 + kRing, 0}, kNoScroll},
    {"PlayAllPlaysFromZero", kOneLayer, 50000, 90000, 0, {Command::PlayAll}, 0, 0, 0, true,
     {0, 0, 0, kRing, 0}, kNoScroll},
    {"PlayAllThenStopEndsAtZero", kOneLayer, 50000, 90000, 0,
     {Command::PlayAll, Command::Stop}, 0, 0, 0, false, {0, 0, 0, kRing, 0}, -370},
    {"JumpToStartOntoTheLayerAtZero", {{0, 40000}, {8000, 40000}}, 30000, 30000, 1,
     {Command::JumpToStart}, 0, 0, 0, false, {}, kNoScroll},
    {"JumpToStartWithoutALayerAtZeroGoesToTheFirstLayer", {{8000, 40000}, {4000, 40000}}, 30000,
     30000, 1, {Command::JumpToStart}, 8000, 8000, 0, false, {}, kNoScroll},
    {"JumpToStartIsIgnoredWhilePlaying", kOneLayer, 4000, 80000, 0,
     {Command::Play, Command::JumpToStart}, 4000, 80000, 0, true,
     {4000, 80000, 4000, 4000 + kRing, 0}, kNoScroll},
    {"JumpToEndOntoTheLastByteAndItsLayer", {{0, 40000}, {8000, 60000}}, 0, 0, 0,
     {Command::JumpToEnd}, 67999, 67999, 1, false, {}, kNoScroll},
    {"JumpToEndIsIgnoredWhilePlaying", kOneLayer, 4000, 80000, 0,
     {Command::Play, Command::JumpToEnd}, 4000, 80000, 0, true,
     {4000, 80000, 4000, 4000 + kRing, 0}, kNoScroll},
    {"JumpToEndOnASoundWithoutLayersStaysAtZero", {}, 0, 0, 0, {Command::JumpToEnd}, 0, 0, 0,
     false, {}, kNoScroll},
    {"JumpAfterStopIsCarriedOut", kOneLayer, 4000, 80000, 0,
     {Command::Play, Command::Stop, Command::JumpToEnd}, 352799, 352799, 0, false,
     {4000, 80000, 4000, 4000 + kRing, 0}, 4000 / 16 - 370},
};

class CommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandTest, LeavesTheSelectionAndTheRingAsTold) {
  const CommandCase& c = GetParam();
  std::unique_ptr<SoundOutputDevice> device = OpenNullOutput();
  ASSERT_TRUE(device);
  // Given the row's layers, selection and active layer
  CSound sound;
  uint32_t seed = 1;
  for (const LayerPlace& place : c.layers) AddNoiseLayer(sound, place.length, place.offset, seed++);
  sound.selectionStart = c.start;
  sound.selectionEnd = c.end;
  sound.activeLayerIndex = c.active;
  RecordingView view;
  CSoundPlayback playback(sound, *device, &view);
  // When the commands are given, with no timer tick in between
  for (Command command : c.commands) {
    switch (command) {
      case Command::Play: ASSERT_TRUE(playback.Play()); break;
      case Command::Stop: playback.Stop(); break;
      case Command::Pause: playback.Pause(); break;
      case Command::PlayAll: ASSERT_TRUE(playback.PlayAll()); break;
      case Command::JumpToStart: JumpToStart(sound); break;
      case Command::JumpToEnd: JumpToEnd(sound); break;
    }
  }
  // Then
  EXPECT_EQ(sound.selectionStart, c.expectedStart);
  EXPECT_EQ(sound.selectionEnd, c.expectedEnd);
  EXPECT_EQ(sound.activeLayerIndex, c.expectedActive);
  EXPECT_EQ(playback.IsPlaying(), c.playing);
  EXPECT_EQ(sound.IsPlaying(), c.playing) << "the sound asks the engine";
  EXPECT_EQ(view.timerRunning, c.playing);
  const PlaybackBookkeeping& book = playback.bookkeeping();
  EXPECT_EQ(book.playStartStart, c.book.playStartStart);
  EXPECT_EQ(book.playStartEnd, c.book.playStartEnd);
  EXPECT_EQ(book.ringBase, c.book.ringBase);
  EXPECT_EQ(book.nextFillPosition, c.book.nextFillPosition);
  EXPECT_EQ(book.nextBlock, c.book.nextBlock);
  if (c.lastScroll == kNoScroll) {
    EXPECT_TRUE(view.scrolls.empty());
  } else {
    ASSERT_FALSE(view.scrolls.empty());
    EXPECT_EQ(view.scrolls.back(), c.lastScroll);
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandTest, ::testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlaybackRegistrationTest, TheSoundStopsItsEngineWhileItExists) {
  std::unique_ptr<SoundOutputDevice> device = OpenNullOutput();
  ASSERT_TRUE(device);
  CSound sound;
  AddNoiseLayer(sound, 352800, 0, 1);
  {
    // Given an engine playing the sound
    CSoundPlayback playback(sound, *device);
    EXPECT_EQ(sound.playback, &playback);
    ASSERT_TRUE(playback.Play());
    // When the model stops it before changing layers
    sound.Stop();
    // Then it is idle
    EXPECT_FALSE(playback.IsPlaying());
    ASSERT_TRUE(playback.Play());
  }
  // And an engine that is gone, even mid-play, is no longer asked
  EXPECT_EQ(sound.playback, nullptr);
  EXPECT_FALSE(sound.IsPlaying());
}

// --- Device failures --------------------------------------------------------

// The real null back-end, with failures switched on by the test: a refused
// creation, a clock that reports itself stopped, a cursor that cannot be read.
class FaultyDevice : public SoundOutputDevice {
 public:
  explicit FaultyDevice(SoundOutputDevice& inner) : inner_(inner) {}

  DeviceResult CreateBuffer(uint32_t bytes, const WaveFormat& format,
                            std::unique_ptr<SoundOutputBuffer>* buffer) override {
    buffer->reset();
    if (++creations == refuseCreation) {
      return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                                "Not enough memory for the sound buffer.");
    }
    std::unique_ptr<SoundOutputBuffer> made;
    DeviceResult r = inner_.CreateBuffer(bytes, format, &made);
    if (r.Succeeded()) *buffer = std::make_unique<Buffer>(*this, std::move(made));
    return r;
  }
  void BeginPlayGroup() override { inner_.BeginPlayGroup(); }
  void EndPlayGroup() override { inner_.EndPlayGroup(); }

  // Buffers made and not yet released that report themselves playing.
  int PlayingBuffers() const {
    int playing = 0;
    for (Buffer* buffer : buffers_) {
      uint32_t status = 0;
      if (buffer->Inner().GetStatus(&status).Succeeded() && (status & kBufferStatusPlaying) != 0) {
        ++playing;
      }
    }
    return playing;
  }

  int refuseCreation = 0;  // the creation (counted from 1) that fails
  int creations = 0;
  int liveBuffers = 0;
  bool reportStopped = false;
  bool failCursor = false;

 private:
  class Buffer : public SoundOutputBuffer {
   public:
    Buffer(FaultyDevice& device, std::unique_ptr<SoundOutputBuffer> inner)
        : device_(device), inner_(std::move(inner)) {
      ++device_.liveBuffers;
      device_.buffers_.push_back(this);
    }
    ~Buffer() override {
      --device_.liveBuffers;
      std::erase(device_.buffers_, this);
    }
    SoundOutputBuffer& Inner() { return *inner_; }
    uint32_t Size() const override { return inner_->Size(); }
    DeviceResult Lock(uint32_t offset, uint32_t bytes, LockedRegion* region,
                      bool entireBuffer) override {
      return inner_->Lock(offset, bytes, region, entireBuffer);
    }
    DeviceResult Unlock(const LockedRegion& region) override { return inner_->Unlock(region); }
    DeviceResult SetCurrentPosition(uint32_t p) override { return inner_->SetCurrentPosition(p); }
    DeviceResult SetVolume(int32_t volume) override { return inner_->SetVolume(volume); }
    DeviceResult Play(bool looping) override { return inner_->Play(looping); }
    DeviceResult Stop() override { return inner_->Stop(); }
    DeviceResult GetStatus(uint32_t* status) override {
      DeviceResult r = inner_->GetStatus(status);
      if (device_.reportStopped) *status = 0;
      return r;
    }
    DeviceResult GetCurrentPosition(uint32_t* cursor) override {
      if (device_.failCursor) {
        return DeviceResult::Fail(kDeviceErrorGeneric, "SOUND_ERR_GENERIC", "No position.");
      }
      return inner_->GetCurrentPosition(cursor);
    }
    DeviceResult GetUnwrappedPosition(uint64_t* position) override {
      if (device_.failCursor) {
        return DeviceResult::Fail(kDeviceErrorGeneric, "SOUND_ERR_GENERIC", "No position.");
      }
      return inner_->GetUnwrappedPosition(position);
    }
    DeviceResult SetPlayLimit(uint64_t limit) override { return inner_->SetPlayLimit(limit); }

   private:
    FaultyDevice& device_;
    std::unique_ptr<SoundOutputBuffer> inner_;
  };

  SoundOutputDevice& inner_;
  std::vector<Buffer*> buffers_;  // the live ones
};

struct RefusalCase {
  const char* name;
  bool playingBefore;  // a Play that succeeds first
  int refuseCreation;  // counted from the failing Play's first creation; 0: none
  bool monoSound;      // a sound format the device itself refuses
  bool layerAdded;     // a layer added before the failing Play (kept rings serve the others)
};

const RefusalCase kRefusals[] = {
    {"ClockBufferRefused", false, 1, false, false},
    {"SecondLayerBufferRefused", false, 3, false, false},
    {"SoundFormatRefusedByTheDevice", false, 0, true, false},
    {"RefusedWhilePlaying", true, 1, false, true},
    {"RefusedAfterAPlayThatEnded", false, 1, false, true},
};

class RefusedBufferTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedBufferTest, PlayFailsAndTheSoundStaysIdle) {
  const RefusalCase& c = GetParam();
  std::unique_ptr<SoundOutputDevice> inner = OpenNullOutput();
  ASSERT_TRUE(inner);
  FaultyDevice device(*inner);
  MixRecorder recorder(*inner);
  // Given a three-layer sound with a selection
  CSound sound;
  for (uint32_t i = 0; i < 3; ++i) AddNoiseLayer(sound, 176400, static_cast<int32_t>(8000 * i), i + 1);
  sound.selectionStart = 8000;
  sound.selectionEnd = 40000;
  RecordingView view;
  CSoundPlayback playback(sound, device, &view);
  if (c.playingBefore) {
    ASSERT_TRUE(playback.Play());
    std::this_thread::sleep_for(milliseconds(100));
    playback.OnPlayTimer();
  }
  if (c.layerAdded) {
    if (!c.playingBefore) {
      ASSERT_TRUE(playback.Play());
      playback.Stop();
    }
    AddNoiseLayer(sound, 176400, 0, 4);
  }
  if (c.monoSound) sound.workingFormat.channels = 1;
  const int32_t start = sound.selectionStart, end = sound.selectionEnd;
  // When Play cannot make one of its buffers
  device.refuseCreation = c.refuseCreation == 0 ? 0 : device.creations + c.refuseCreation;
  EXPECT_FALSE(playback.Play());
  // Then nothing plays, no buffer is left, the timer is off and the
  // selection is as it was
  EXPECT_FALSE(playback.IsPlaying());
  EXPECT_EQ(device.liveBuffers, 0);
  EXPECT_FALSE(view.timerRunning);
  EXPECT_EQ(sound.selectionStart, start);
  EXPECT_EQ(sound.selectionEnd, end);
  // and what is heard from now on is silence
  recorder.Start();
  std::this_thread::sleep_for(milliseconds(100));
  playback.OnPlayTimer();
  std::vector<int16_t> heard = recorder.Finish();
  EXPECT_EQ(FirstSound(heard), heard.size());
  // And the idle engine takes a tick, Stop and Pause without harm
  view.ClearLog();
  playback.Stop();
  playback.Pause();
  EXPECT_EQ(sound.selectionStart, start);
  EXPECT_TRUE(view.scrolls.empty());
  // while the next Play that can have its buffers plays
  sound.workingFormat = WorkingFormat();
  device.refuseCreation = 0;
  EXPECT_TRUE(playback.Play());
  EXPECT_TRUE(playback.IsPlaying());
  EXPECT_EQ(device.liveBuffers, 1 + static_cast<int>(sound.layers.size()));
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusedBufferTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlaybackClockTest, StoppedClockShowsThePlayStartSelectionUntilStop) {
  std::unique_ptr<SoundOutputDevice> inner = OpenNullOutput();
  ASSERT_TRUE(inner);
  FaultyDevice device(*inner);
  CSound sound;
  AddNoiseLayer(sound, 352800, 0, 1);
  sound.selectionStart = 4000;
  sound.selectionEnd = 80000;
  RecordingView view;
  CSoundPlayback playback(sound, device, &view);
  ASSERT_TRUE(playback.Play());
  std::this_thread::sleep_for(milliseconds(100));
  playback.OnPlayTimer();
  ASSERT_NE(sound.selectionStart, 4000);
  view.ClearLog();
  // When the clock reports that it no longer plays
  device.reportStopped = true;
  playback.OnPlayTimer();
  // Then the play-start selection shows, repainted and scrolled to, and the
  // timer keeps running
  EXPECT_EQ(sound.selectionStart, 4000);
  EXPECT_EQ(sound.selectionEnd, 80000);
  EXPECT_EQ(view.repaints, 1);
  ASSERT_EQ(view.scrolls.size(), 1u);
  EXPECT_EQ(view.scrolls[0], 4000 / 16 - 370);
  EXPECT_TRUE(view.timerRunning);
  EXPECT_FALSE(playback.IsPlaying());
  // And Stop ends it: nothing plays any more, and the buffers are kept,
  // stopped, so that the next Play makes none
  playback.Stop();
  EXPECT_FALSE(view.timerRunning);
  EXPECT_EQ(device.PlayingBuffers(), 0);
  device.reportStopped = false;
  const int made = device.creations;
  ASSERT_TRUE(playback.Play());
  EXPECT_EQ(device.creations, made);
  EXPECT_EQ(device.PlayingBuffers(), 2);
}

TEST(PlaybackClockTest, UnreadableCursorKeepsTheRingInStep) {
  std::unique_ptr<SoundOutputDevice> inner = OpenNullOutput();
  ASSERT_TRUE(inner);
  FaultyDevice device(*inner);
  CSound sound;
  AddNoiseLayer(sound, 4 * 176400, 0, 1);
  RecordingView view;
  CSoundPlayback playback(sound, device, &view);
  ASSERT_TRUE(playback.Play());
  // Given playback past its first block refill
  auto next = SteadyClock::now();
  while (playback.bookkeeping().nextBlock == 0 && playback.IsPlaying()) {
    next += milliseconds(40);
    std::this_thread::sleep_until(next);
    playback.OnPlayTimer();
  }
  ASSERT_EQ(playback.bookkeeping().nextBlock, 1);
  const PlaybackBookkeeping before = playback.bookkeeping();
  view.ClearLog();
  // When one tick cannot read the play cursor
  device.failCursor = true;
  playback.OnPlayTimer();
  // Then that tick shows the play-start cursor and scrolls to it
  EXPECT_EQ(sound.selectionStart, 0);
  ASSERT_EQ(view.scrolls.size(), 1u);
  // but the ring's bookkeeping is left in step with the rings, which play on
  EXPECT_EQ(playback.bookkeeping().nextBlock, before.nextBlock);
  EXPECT_EQ(playback.bookkeeping().nextFillPosition, before.nextFillPosition);
  EXPECT_EQ(playback.bookkeeping().ringBase, before.ringBase);
  EXPECT_TRUE(playback.IsPlaying());
  // And the next tick finds the play position again
  device.failCursor = false;
  playback.OnPlayTimer();
  EXPECT_GT(sound.selectionStart, static_cast<int32_t>(kPlayBlockBytes));
  EXPECT_EQ(playback.bookkeeping().nextBlock, 1);
  playback.Stop();
}

}  // namespace
