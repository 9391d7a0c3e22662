// Recording through the whole program on a real PulseAudio server: the
// private daemon of scripts/test.sh plays a 440 Hz sine into its null sink,
// whose monitor is the default input. "Recording Studio" lists the inputs
// by description and opens on that monitor; a recording becomes a document
// holding the tone, as long as the time from the recording's first tick to
// Stop give or take one tick; choosing the silent input moves the capture
// there; the pan slider snaps to the centre. Without PULSE_SERVER the cases
// are skipped; with WAVEDESK_REQUIRE_PULSE=1 a missing server fails them.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

#include "core/audio/recording_file.h"
#include "gui/app/main_frame.h"
#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/base/led_progress_ctrl.h"
#include "gui/panes/monitor_bar.h"
#include "gui/panes/record_dlg.h"
#include "gui/panes/child_frame.h"
#include "modal_dialog.h"
#include "test_app.h"
#include "test_support.h"

namespace {

using gui_test::Control;

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

template <typename Condition>
bool WaitFor(Condition done, int milliseconds = 5000, int step = 10) {
  for (int waited = 0; waited < milliseconds && !done(); waited += step) QTest::qWait(step);
  return done();
}

constexpr double kBytesPerSecond = 176400;
constexpr double kTickBytes = 0.05 * kBytesPerSecond;

class RecordPulseTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!EnvSet("PULSE_SERVER") && !EnvSet("WAVEDESK_REQUIRE_PULSE"))
      GTEST_SKIP() << "PULSE_SERVER is not set; scripts/test.sh starts a daemon";
    gui_test::UseProfile(m_profile.path());
    m_app = std::make_unique<CWavedeskApp>();
    CWavedeskApp::Options options;
    options.backend = SoundBackend::PulseAudio;
    options.singleInstance = false;
    options.showCommonTasks = false;
    options.showSplash = false;
    ASSERT_TRUE(m_app->InitInstance(options));
  }
  CMainFrame* frame() { return m_app->mainFrame(); }
  CMonitorBar* bar() { return frame()->monitorBar(); }
  QPushButton* Button(int id) { return Control<QPushButton>(*bar()->recordDlg(), id); }
  // Runs the record dialog, `body` inside it, and closes it.
  void InDialog(std::function<void(QWidget*)> body) {
    bool ran = false;
    gui_test::WhenModalShows([&](QWidget* shown) {
      ASSERT_EQ(shown->objectName(), ControlName(IDD_RECORD));
      body(shown);
      ran = true;
      shown->close();
    });
    ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kRecord));
    EXPECT_TRUE(ran);
  }

  test_support::TemporaryFolder m_profile;
  std::unique_ptr<CWavedeskApp> m_app;
};

// The frequency of the left channel's tone, from its rising zero crossings.
double LeftFrequency(const CSoundLayer& layer) {
  const int16_t* s = layer.samples();
  const uint64_t frames = layer.length() / 4;
  int crossings = 0;
  for (uint64_t f = 1; f < frames; ++f)
    if (s[2 * (f - 1)] < 0 && s[2 * f] >= 0) ++crossings;
  return frames > 0 ? crossings / (static_cast<double>(frames) / 44100.0) : 0;
}

TEST_F(RecordPulseTest, ARecordingOfTheDefaultInputOpensAsADocumentHoldingTheTone) {
  InDialog([&](QWidget* shown) {
    // The list shows descriptions, real inputs first, and opens on the default input
    auto* devices = Control<QComboBox>(*shown, IDC_REC_DEVICE);
    ASSERT_GE(devices->count(), 2);
    EXPECT_EQ(devices->currentData().toString(), QStringLiteral("nullsink.monitor"));
    EXPECT_NE(devices->currentText(), QStringLiteral("nullsink.monitor"));
    EXPECT_EQ(devices->itemData(devices->count() - 1).toString(), QStringLiteral("nullsink.monitor"));
    auto* volume = Control<QSlider>(*shown, IDC_REC_VOLUME);
    EXPECT_TRUE(volume->isEnabled());
    EXPECT_EQ(volume->minimum(), -100);
    EXPECT_EQ(volume->maximum(), 0);
    EXPECT_FALSE(Control<QSlider>(*shown, IDC_REC_BASS)->isEnabled());
    // When the user records for about a second
    Button(IDC_REC_RECORD)->click();
    ASSERT_TRUE(WaitFor([&] { return bar()->poll().captureStarted(); }, 5000, 1));
    QElapsedTimer sinceFirstTick;
    sinceFirstTick.start();
    QTest::qWait(1000);
    // (Stop writes the last part-tick at once, before the hand-over's work.)
    const double recorded = sinceFirstTick.nsecsElapsed() / 1e9 * kBytesPerSecond;
    Button(IDC_REC_STOP)->click();
    // Then the new document's first layer holds the 440 Hz tone, as long as
    // the recording ran, give or take one tick
    ASSERT_NE(frame()->activeChild(), nullptr);
    const CSoundLayer& layer = *frame()->activeChild()->document()->sound().layers.front();
    EXPECT_EQ(layer.length(), bar()->recordingFile()->Length());
    EXPECT_NEAR(static_cast<double>(layer.length()), recorded, kTickBytes);
    EXPECT_NEAR(LeftFrequency(layer), 440.0, 5.0);
  });
}

TEST_F(RecordPulseTest, ChoosingAnInputMovesTheCaptureAndThePanSnapsToTheCentre) {
  InDialog([&](QWidget* shown) {
    auto* devices = Control<QComboBox>(*shown, IDC_REC_DEVICE);
    const int silence = devices->findData(QStringLiteral("silence"));
    ASSERT_GE(silence, 0);
    auto* left = Control<CLEDPRogressCtrl>(*shown, IDC_REC_METER_LEFT);
    EXPECT_TRUE(WaitFor([&] { return left->GetPos() > 80; }));
    // When the user chooses the silent input, the meters fall to silence
    devices->setCurrentIndex(silence);
    EXPECT_EQ(bar()->captureSource(), "silence");
    EXPECT_TRUE(WaitFor([&] { return left->GetPos() == 55 && bar()->leftBar()->GetPos() == 55; }));
    // A pan released within nine of the centre goes to the centre
    auto* pan = Control<QSlider>(*shown, IDC_REC_PAN);
    ASSERT_TRUE(pan->isEnabled());
    EXPECT_EQ(pan->minimum(), -100);
    EXPECT_EQ(pan->maximum(), 100);
    std::unique_ptr<CaptureSourceMixer> mixer;
    ASSERT_TRUE(OpenCaptureSourceMixer(SoundBackend::PulseAudio, &mixer).Succeeded());
    SourceLevels levels;
    for (auto [released, shownAfter, balance] : {std::tuple{50, 50, 0.5}, std::tuple{-9, 0, 0.0},
                                                 std::tuple{-40, -40, -0.4}, std::tuple{9, 0, 0.0}}) {
      pan->setSliderDown(true);
      pan->setValue(released);
      pan->setSliderDown(false);
      EXPECT_EQ(pan->value(), shownAfter) << released;
      ASSERT_TRUE(mixer->GetLevels("silence", &levels).Succeeded());
      EXPECT_NEAR(levels.balance, balance, 0.01) << released;
    }
    // And back on the default input the tone shows again
    devices->setCurrentIndex(devices->findData(QStringLiteral("nullsink.monitor")));
    EXPECT_TRUE(WaitFor([&] { return left->GetPos() > 80; }));
  });
}

}  // namespace
