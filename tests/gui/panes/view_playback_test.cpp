// The waveform view as the playback engine's window, on Qt's offscreen
// platform and the null sound back-end (a real-time paced mixer): the view's
// 40 ms timer moves the sound's cursor and the view follows it, playback ends
// by itself with the selection put back, two documents play at once, the
// mouse and the scroll bar are ignored while a sound plays, and closing the
// view ends its playback.
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/audio/sound_device.h"
#include "core/audio/sound_playback.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/wavedesk_view.h"

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 130;
constexpr int kBytesPerSecond = 176400;

std::unique_ptr<SoundOutputDevice> OpenNullOutput() {
  std::unique_ptr<SoundOutputDevice> device;
  const DeviceResult result = OpenSoundOutputDevice(SoundBackend::Null, &device);
  EXPECT_TRUE(result.Succeeded()) << result.name << ": " << result.description;
  return device;
}

// A document playing on `device`, shown in a view of kWidth x kHeight at
// zoom 4, its layers filled with a quiet square wave.
class PlayingView {
 public:
  PlayingView(SoundOutputDevice& device, const std::vector<uint64_t>& layerFrames) {
    m_settings.autoCreateEnvelope = 0;
    m_settings.zoomToFitOnOpen = 0;
    m_document = std::make_unique<CWavedeskDoc>(m_settings);
    for (uint64_t frames : layerFrames) {
      auto data = std::make_unique<uint8_t[]>(frames * 4);
      auto* samples = reinterpret_cast<int16_t*>(data.get());
      for (uint64_t i = 0; i < frames * 2; ++i) samples[i] = (i / 200) % 2 ? 1000 : -1000;
      sound().AppendLayer("", std::move(data), frames * 4);
    }
    m_document->AttachPlayback(device);
    m_view = std::make_unique<CWavedeskView>(m_document.get());
  }

  CSound& sound() { return m_document->sound(); }
  CWavedeskDoc& document() { return *m_document; }
  CWavedeskView& view() { return *m_view; }
  CSoundPlayback& playback() { return *m_document->playback(); }
  void CloseView() { m_view.reset(); }

  void Start() {
    m_view->resize(kWidth, kHeight);
    m_view->show();
    m_view->OnInitialUpdate();
    for (int round = 0; round < 4; ++round) {
      QApplication::processEvents();
      const int extra = m_view->height() - m_view->viewport()->height();
      m_view->resize(kWidth, kHeight + extra);
    }
    QApplication::processEvents();
    ASSERT_EQ(m_view->clientWidth(), kWidth);
    ASSERT_EQ(m_view->clientHeight(), kHeight);
  }

  // What the view showed while the sound played.
  struct Run {
    int32_t firstPosition = -1;
    int32_t lastPosition = -1;
    int ticksSeen = 0;
    int largestScroll = 0;
    bool timerRan = false;
  };
  void Observe(Run& run) {
    if (!sound().IsPlaying()) return;
    const int32_t position = sound().selectionStart;
    if (run.firstPosition < 0) run.firstPosition = position;
    if (position != run.lastPosition) ++run.ticksSeen;
    run.lastPosition = position;
    run.largestScroll = std::max(run.largestScroll, m_view->scrollPosition());
    run.timerRan = run.timerRan || m_view->isPlayTimerRunning();
  }

 private:
  SettingsRecord m_settings;
  std::unique_ptr<CWavedeskDoc> m_document;
  std::unique_ptr<CWavedeskView> m_view;
};

// Runs the event loop until none of `views` plays any more (at most 10 s),
// noting what each showed on the way.
std::vector<PlayingView::Run> RunUntilEnded(const std::vector<PlayingView*>& views) {
  std::vector<PlayingView::Run> runs(views.size());
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 10000) {
    QTest::qWait(5);
    bool playing = false;
    for (size_t i = 0; i < views.size(); ++i) {
      views[i]->Observe(runs[i]);
      playing = playing || views[i]->sound().IsPlaying();
    }
    if (!playing) break;
  }
  return runs;
}

// ---------------------------------------------------------------------------

struct EndCase {
  const char* name;
  uint64_t frames;
  int32_t start, end;  // the selection Play starts from
  int32_t lastPlayed;  // the last position the cursor may show
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class PlayInTheView : public testing::TestWithParam<EndCase> {};

TEST_P(PlayInTheView, CursorRunsAndPlaybackEndsByItself) {
  const EndCase& c = GetParam();
  // Given a sound wider than the view, with the case's selection
  auto device = OpenNullOutput();
  ASSERT_TRUE(device);
  PlayingView harness(*device, {c.frames});
  harness.sound().selectionStart = c.start;
  harness.sound().selectionEnd = c.end;
  harness.Start();
  // When it plays with the event loop running
  ASSERT_TRUE(harness.playback().Play());
  ASSERT_TRUE(harness.view().isPlayTimerRunning());
  const PlayingView::Run run = RunUntilEnded({&harness})[0];
  // Then the view's timer moved the cursor on, tick by tick, and the view
  // scrolled after it
  EXPECT_TRUE(run.timerRan);
  EXPECT_GE(run.ticksSeen, 2);
  EXPECT_GT(run.lastPosition, run.firstPosition);
  EXPECT_GT(run.largestScroll, 0);
  // And the cursor ran on to the end of what was to be played (its last
  // tick falls short of it by up to a tick, more on a busy machine) and
  // never beyond it
  EXPECT_GT(run.lastPosition, c.lastPlayed - kBytesPerSecond * 3 / 10);
  EXPECT_LE(run.lastPosition, c.lastPlayed);
  // And playback ended by itself: the timer stopped, the selection is the
  // one Play started from and the view shows its start
  EXPECT_FALSE(harness.sound().IsPlaying());
  EXPECT_FALSE(harness.view().isPlayTimerRunning());
  EXPECT_EQ(harness.sound().selectionStart, c.start);
  EXPECT_EQ(harness.sound().selectionEnd, c.end);
  EXPECT_EQ(harness.view().scrollPosition(), std::max(0, c.start / 4 / 4 - kWidth / 2 + 30));
}

INSTANTIATE_TEST_SUITE_P(
    View, PlayInTheView,
    testing::Values(
        // A cursor plays to the sound's end (half a second).
        EndCase{"CursorPlaysToTheSoundsEnd", 22050, 0, 0, 22050 * 4},
        // A range stops at its end, a fifth of a second in, long before the
        // sound's end.
        EndCase{"RangeStopsAtItsEnd", 88200, 16000, 16000 + kBytesPerSecond / 5, 16000 + kBytesPerSecond / 5}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST(View, TwoDocumentsPlayAtOnce) {
  // Given two documents on the same output device
  auto device = OpenNullOutput();
  ASSERT_TRUE(device);
  PlayingView first(*device, {22050});
  PlayingView second(*device, {33075});
  first.Start();
  second.Start();
  // When both play
  ASSERT_TRUE(first.playback().Play());
  ASSERT_TRUE(second.playback().Play());
  const std::vector<PlayingView::Run> runs = RunUntilEnded({&first, &second});
  // Then each view's own timer ran its cursor to its own sound's end
  EXPECT_GT(runs[0].lastPosition, 22050 * 4 - kBytesPerSecond * 3 / 10);
  EXPECT_GT(runs[1].lastPosition, 33075 * 4 - kBytesPerSecond * 3 / 10);
  for (PlayingView* harness : {&first, &second}) {
    EXPECT_FALSE(harness->sound().IsPlaying());
    EXPECT_EQ(harness->sound().selectionStart, 0);
  }
}

TEST(View, MouseAndScrollBarAreIgnoredWhilePlaying) {
  // Given a two-layer sound playing from layer 0
  auto device = OpenNullOutput();
  ASSERT_TRUE(device);
  PlayingView harness(*device, {88200, 88200});
  harness.Start();
  ASSERT_TRUE(harness.playback().Play());
  QTest::qWait(100);
  ASSERT_TRUE(harness.sound().IsPlaying());
  QWidget* client = harness.view().viewport();
  // When layer 1 is pressed with either button, and the scroll bar stepped
  const QPoint inLayerOne(200, 100);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(inLayerOne), QPointF(client->mapToGlobal(inLayerOne)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(client, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(inLayerOne), QPointF(client->mapToGlobal(inLayerOne)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(client, &release);
  QContextMenuEvent menu(QContextMenuEvent::Mouse, inLayerOne, client->mapToGlobal(inLayerOne));
  QApplication::sendEvent(client, &menu);
  QScrollBar* bar = harness.view().horizontalScrollBar();
  const int scroll = bar->value();
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  // Then layer 0 stays active, no drag began and the scroll bar did not move
  EXPECT_EQ(harness.sound().activeLayerIndex, 0);
  EXPECT_FALSE(harness.view().isBusy());
  EXPECT_EQ(bar->value(), scroll);
  EXPECT_TRUE(harness.sound().IsPlaying());
  harness.playback().Stop();
  EXPECT_EQ(harness.sound().selectionStart, 0);
}

TEST(View, ClosingTheViewEndsItsPlayback) {
  // Given a sound playing in its view
  auto device = OpenNullOutput();
  ASSERT_TRUE(device);
  PlayingView harness(*device, {88200});
  harness.Start();
  ASSERT_TRUE(harness.playback().Play());
  QTest::qWait(100);
  // When the view closes
  harness.CloseView();
  // Then the sound no longer plays, and the loop runs on without its timer
  EXPECT_FALSE(harness.sound().IsPlaying());
  QTest::qWait(100);
  EXPECT_FALSE(harness.sound().IsPlaying());
}

}  // namespace
