// "Recording Studio" in the whole program on the null back-end, whose
// capture device records a counting test signal: the dialog's controls
// without sound inputs, Record and Stop handing the recording to a new
// document byte for byte (a document made empty, with nothing generated),
// a hand-over that fails (shown, logged, tried again, and the take kept
// until the user agrees to record over it), a full disk logged once, the
// state rules of Record, Stop and Preview, the input lists locked while
// recording, failed requests to the input mixer in the log, closing while
// recording, the remote standing in for the dialog, and the Begin
// Recording task.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "core/audio/capture_source_mixer.h"
#include "core/audio/recording_file.h"
#include "gui/app/main_frame.h"
#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/base/led_progress_ctrl.h"
#include "gui/panes/monitor_bar.h"
#include "gui/panes/record_dlg.h"
#include "gui/panes/remote_dlg.h"
#include "gui/panes/dialog_new.h"
#include "gui/panes/child_frame.h"
#include "modal_dialog.h"
#include "test_app.h"
#include "test_support.h"

namespace {

using gui_test::Control;

// Runs `handler` once the modal window named `name` is up.
void WhenShown(const QString& name, std::function<void(QWidget*)> handler) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, name, handler] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->objectName() != name || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    handler(modal);
  });
  timer->start();
}

template <typename Condition>
bool WaitFor(Condition done, int milliseconds = 5000) {
  for (int waited = 0; waited < milliseconds && !done(); waited += 10) QTest::qWait(10);
  return done();
}

class RecordDlgTest : public testing::Test {
 protected:
  void SetUp() override {
    gui_test::UseProfile(m_profile.path());
    m_app = gui_test::StartApp();
    ASSERT_NE(frame(), nullptr);
    // Frame n of the capture: left n, right the complement of n (16 bits).
    uint16_t counter = 0;
    ASSERT_TRUE(m_app->devices().captureDevice()->SetTestSignal([counter](int16_t* samples, uint32_t frames) mutable {
      for (uint32_t i = 0; i < frames; ++i, ++counter) {
        samples[2 * i] = static_cast<int16_t>(counter);
        samples[2 * i + 1] = static_cast<int16_t>(~counter);
      }
    }));
  }
  CMainFrame* frame() { return m_app->mainFrame(); }
  CMonitorBar* bar() { return frame()->monitorBar(); }
  CRecordDlg* dialog() { return bar()->recordDlg(); }
  QPushButton* Button(int id) { return Control<QPushButton>(*dialog(), id); }
  QStringList LogLines() {
    return Control<QPlainTextEdit>(*dialog(), IDC_REC_LOG)->toPlainText().split(QLatin1Char('\n'));
  }
  // Records for about `seconds` of captured sound.
  void RecordFor(double seconds) {
    Button(IDC_REC_RECORD)->click();
    ASSERT_TRUE(WaitFor([&] { return bar()->poll().recordedBytes() >= seconds * 176400; }));
  }

  test_support::TemporaryFolder m_profile;
  std::unique_ptr<CWavedeskApp> m_app;
};

// The samples of `layer` continue the test signal's count from frame to frame.
void ExpectCountingFrames(const CSoundLayer& layer) {
  ASSERT_EQ(layer.length() % 4, 0u);
  const int16_t* s = layer.samples();
  for (uint64_t f = 1; f < layer.length() / 4; ++f) {
    ASSERT_EQ(static_cast<uint16_t>(s[2 * f]), static_cast<uint16_t>(s[2 * f - 2] + 1)) << "frame " << f;
    ASSERT_EQ(static_cast<uint16_t>(s[2 * f + 1]), static_cast<uint16_t>(~static_cast<uint16_t>(s[2 * f]))) << f;
  }
}

TEST_F(RecordDlgTest, WithoutSoundInputsTheListsSaySoAndTheControlsAreNeutral) {
  bool checked = false;
  WhenShown(ControlName(IDD_RECORD), [&](QWidget* shown) {
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("Recording Studio"));
    EXPECT_TRUE(bar()->IsRecordDialogOpen());
    auto* devices = Control<QComboBox>(*shown, IDC_REC_DEVICE);
    ASSERT_EQ(devices->count(), 1);
    EXPECT_EQ(devices->itemText(0), QStringLiteral("<<No Devices Available>>"));
    EXPECT_EQ(Control<QComboBox>(*shown, IDC_REC_PIN)->count(), 0);
    struct {
      int id;
      int minimum, maximum, value;
    } neutral[] = {{IDC_REC_BASS, -1, 1, 0}, {IDC_REC_TREBLE, -1, 1, 0}, {IDC_REC_VOLUME, 0, 1, 1}, {IDC_REC_PAN, -1, 1, 0}};
    for (const auto& c : neutral) {
      auto* slider = Control<QSlider>(*shown, c.id);
      EXPECT_FALSE(slider->isEnabled()) << c.id;
      EXPECT_EQ(slider->minimum(), c.minimum) << c.id;
      EXPECT_EQ(slider->maximum(), c.maximum) << c.id;
      EXPECT_EQ(slider->value(), c.value) << c.id;
    }
    EXPECT_FALSE(Button(IDC_REC_STOP)->isEnabled());
    EXPECT_TRUE(Button(IDC_REC_RECORD)->isEnabled());
    EXPECT_TRUE(Button(IDC_REC_CLOSE)->isDefault());
    const QStringList log = LogLines();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{1,2}:\\d\\d:\\d\\d [AP]M\\tEnumerating Sound Devices\\.\\.\\.$"))
                    .match(log.first())
                    .hasMatch())
        << log.first().toStdString();
    // The meter tick reaches the dialog: levels, disk space
    EXPECT_TRUE(WaitFor([&] { return Control<QLabel>(*shown, IDC_REC_DISK_SPACE)->text().endsWith(QStringLiteral(" MB")); }));
    EXPECT_TRUE(WaitFor([&] { return Control<CLEDPRogressCtrl>(*shown, IDC_REC_METER_LEFT)->GetPos() == 100; }));
    checked = true;
    Button(IDC_REC_CLOSE)->click();
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kRecord));
  EXPECT_TRUE(checked);
  EXPECT_FALSE(bar()->IsRecordDialogOpen());
  EXPECT_EQ(frame()->activeChild(), nullptr) << "closing without a recording opens nothing";
}

TEST_F(RecordDlgTest, StopHandsTheRecordingToANewDocumentAndPreviewPlaysIt) {
  WhenShown(ControlName(IDD_RECORD), [&](QWidget*) {
    // When the user records
    RecordFor(0.3);
    EXPECT_FALSE(Button(IDC_REC_RECORD)->isEnabled());
    EXPECT_FALSE(Button(IDC_REC_CLOSE)->isEnabled());
    EXPECT_FALSE(Button(IDC_REC_PREVIEW)->isEnabled());
    EXPECT_TRUE(Button(IDC_REC_STOP)->isEnabled());
    // Preview does nothing while recording
    dialog()->OnPreview();
    EXPECT_FALSE(dialog()->IsPreviewing());
    // And stops
    Button(IDC_REC_STOP)->click();
    EXPECT_FALSE(bar()->poll().recording());
    // Then a new document holds exactly the recording, every frame in order
    CChildFrame* child = frame()->activeChild();
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(child->document()->sound().layers.size(), 1u);
    const CSoundLayer& layer = *child->document()->sound().layers.front();
    EXPECT_EQ(layer.length(), bar()->recordingFile()->Length());
    EXPECT_EQ(layer.length(), bar()->poll().recordedBytes());
    EXPECT_GE(layer.length(), 0.3 * 176400);
    ExpectCountingFrames(layer);
    EXPECT_TRUE(child->document()->IsModified());
    EXPECT_EQ(Control<QLabel>(*dialog(), IDC_REC_TIME)->text(),
              CRecordDlg::ElapsedText(bar()->poll().recordedBytes() / 176400));
    EXPECT_TRUE(LogLines().last().endsWith(QStringLiteral("\tRecording Stopped.")));
    EXPECT_TRUE(bar()->IsMeterTimerRunning());
    // When the user previews it, Record does nothing until Stop ends the preview
    Button(IDC_REC_PREVIEW)->click();
    EXPECT_TRUE(dialog()->IsPreviewing());
    EXPECT_TRUE(dialog()->IsPreviewTimerRunning());
    EXPECT_FALSE(Button(IDC_REC_RECORD)->isEnabled());
    dialog()->OnRecord();
    EXPECT_FALSE(bar()->poll().recording());
    Button(IDC_REC_STOP)->click();
    EXPECT_FALSE(dialog()->IsPreviewing());
    EXPECT_FALSE(dialog()->IsPreviewTimerRunning());
    EXPECT_TRUE(Button(IDC_REC_RECORD)->isEnabled());
    // And a preview left alone ends by itself at the recording's end
    Button(IDC_REC_PREVIEW)->click();
    EXPECT_TRUE(dialog()->IsPreviewing());
    EXPECT_TRUE(WaitFor([&] { return !dialog()->IsPreviewing(); }));
    EXPECT_TRUE(Button(IDC_REC_PREVIEW)->isEnabled());
    EXPECT_FALSE(Button(IDC_REC_STOP)->isEnabled());
    Button(IDC_REC_CLOSE)->click();
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kRecord));
  EXPECT_FALSE(bar()->IsRecordDialogOpen());
}

TEST_F(RecordDlgTest, TheRecordingsDocumentIsMadeEmptyWithNothingGenerated) {
  // Given the generator's settings for new documents (a tone of 40,000 frames)
  ASSERT_GT(m_app->dialogNew().Parameters().length, 0);
  // When the meter bar asks for a document for a recording
  CChildFrame* child = bar()->services().newDocument();
  // Then its window comes with a new document that holds nothing yet
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(frame()->activeChild(), child);
  EXPECT_TRUE(child->document()->sound().layers.empty());
  EXPECT_TRUE(child->document()->isNew());
  EXPECT_FALSE(child->document()->IsModified());
}

// Reads of the recording file fail while a test installs this.
ssize_t FailingPread(int, void*, size_t, off_t) {
  errno = EIO;
  return -1;
}
constexpr RecordingFileCalls kFailingReads{::pwrite, ::ftruncate, FailingPread};

TEST_F(RecordDlgTest, AFailedHandOverIsShownAndLoggedAndRetryOpensTheTake) {
  QStringList shown;
  WhenShown(ControlName(IDD_RECORD), [&](QWidget*) {
    RecordFor(0.2);
    // Given a recording file that cannot be read back
    const RecordingFileCalls* real = RecordingFile::UseSystemCalls(&kFailingReads);
    // When Stop hands the take over, the failure is shown; Retry fails
    // again, and a Retry once the file reads again succeeds
    gui_test::WhenMessageBoxShows([&](QMessageBox* first) {
      shown << first->text();
      EXPECT_EQ(frame()->mdiArea()->subWindowList().size(), 0) << "the empty document's window is gone";
      EXPECT_TRUE(LogLines().last().contains(QStringLiteral("\tThe recording could not be read")));
      gui_test::WhenMessageBoxShows([&](QMessageBox* second) {
        shown << second->text();
        RecordingFile::UseSystemCalls(real);
        second->button(QMessageBox::Retry)->click();
      });
      first->button(QMessageBox::Retry)->click();
    });
    Button(IDC_REC_STOP)->click();
    RecordingFile::UseSystemCalls(real);
    EXPECT_FALSE(dialog()->IsTakePending());
    Button(IDC_REC_CLOSE)->click();
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kRecord));
  // Then both failures said why and where the take is
  ASSERT_EQ(shown.size(), 2);
  for (const QString& text : shown) {
    EXPECT_TRUE(text.startsWith(QStringLiteral("The recording could not be read (Input/output error).")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("The recording stays in its file until the next Record")))
        << text.toStdString();
  }
  // And one window holds the whole take, none is left empty
  QTest::qWait(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(frame()->mdiArea()->subWindowList().size(), 1);
  const CSound& sound = frame()->activeChild()->document()->sound();
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers.front()->length(), bar()->recordingFile()->Length());
  EXPECT_GE(sound.layers.front()->length(), 0.2 * 176400);
  ExpectCountingFrames(*sound.layers.front());
  EXPECT_TRUE(frame()->activeChild()->document()->IsModified());
}

TEST_F(RecordDlgTest, ATakeNoDocumentHasIsKeptUntilTheUserAgreesToRecordOverIt) {
  WhenShown(ControlName(IDD_RECORD), [&](QWidget*) {
    RecordFor(0.2);
    // Given a hand-over that failed and was not tried again
    const RecordingFileCalls* real = RecordingFile::UseSystemCalls(&kFailingReads);
    gui_test::WhenMessageBoxShows([](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); });
    Button(IDC_REC_STOP)->click();
    RecordingFile::UseSystemCalls(real);
    EXPECT_TRUE(dialog()->IsTakePending());
    const uint64_t take = bar()->recordingFile()->Length();
    EXPECT_GE(take, 0.2 * 176400);
    // When the user presses Record, the program asks first; No keeps the take
    QString question;
    gui_test::WhenMessageBoxShows([&](QMessageBox* box) {
      question = box->text();
      box->button(QMessageBox::No)->click();
    });
    Button(IDC_REC_RECORD)->click();
    EXPECT_TRUE(question.startsWith(QStringLiteral("The last recording has not been opened as a document")))
        << question.toStdString();
    EXPECT_FALSE(bar()->poll().recording());
    EXPECT_EQ(bar()->recordingFile()->Length(), take);
    // And Preview still plays it
    Button(IDC_REC_PREVIEW)->click();
    EXPECT_TRUE(dialog()->IsPreviewing());
    Button(IDC_REC_STOP)->click();
    // And Yes records over it
    gui_test::WhenMessageBoxShows([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    Button(IDC_REC_RECORD)->click();
    EXPECT_TRUE(bar()->poll().recording());
    EXPECT_FALSE(dialog()->IsTakePending());
    Button(IDC_REC_STOP)->click();
    EXPECT_FALSE(dialog()->IsTakePending());
    Button(IDC_REC_CLOSE)->click();
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kRecord));
  EXPECT_NE(frame()->activeChild(), nullptr);
}

TEST_F(RecordDlgTest, AFullDiskIsLoggedOnceAndTheMissingSecondsAtStop) {
  WhenShown(ControlName(IDD_RECORD), [&](QWidget*) {
    RecordFor(0.1);
    // When two ticks in a row cannot write half a second each
    CapturePoll::Tick tick;
    tick.ran = true;
    tick.writeFailed = true;
    tick.unwrittenBytes = 88200;
    dialog()->OnMeterTick(tick, 55, 55);
    dialog()->OnMeterTick(tick, 55, 55);
    // And the recording then grows again
    const uint64_t before = bar()->poll().recordedBytes();
    ASSERT_TRUE(WaitFor([&] { return bar()->poll().recordedBytes() > before; }));
    QTest::qWait(120);
    Button(IDC_REC_STOP)->click();
    // Then the log says so once, says when writing goes on, and at Stop
    // how much is missing
    const QStringList log = LogLines();
    EXPECT_EQ(log.filter(QStringLiteral("\tWriting the recording failed; the disk may be full.")).size(), 1);
    EXPECT_EQ(log.filter(QStringLiteral("\tWriting the recording goes on.")).size(), 1);
    EXPECT_EQ(log.filter(QStringLiteral("\t1.0 seconds of the recording could not be written.")).size(), 1)
        << log.join(QLatin1Char('|')).toStdString();
    Button(IDC_REC_CLOSE)->click();
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kRecord));
}

TEST_F(RecordDlgTest, ClosingWhileRecordingHandsTheRecordingOver) {
  WhenShown(ControlName(IDD_RECORD), [&](QWidget* shown) {
    RecordFor(0.2);
    QTest::keyClick(shown, Qt::Key_Escape);
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kRecord));
  EXPECT_FALSE(bar()->poll().recording());
  ASSERT_NE(frame()->activeChild(), nullptr);
  const CSoundLayer& layer = *frame()->activeChild()->document()->sound().layers.front();
  EXPECT_EQ(layer.length(), bar()->recordingFile()->Length());
  EXPECT_GE(layer.length(), 0.2 * 176400);
  ExpectCountingFrames(layer);
}

TEST_F(RecordDlgTest, TheRemoteStandsInForTheDialogAndDrivesTheRecording) {
  WhenShown(ControlName(IDD_RECORD), [&](QWidget* shown) {
    WhenShown(ControlName(IDD_REMOTE), [&](QWidget* remoteWidget) {
      auto* remote = static_cast<CRemoteDlg*>(remoteWidget);
      // The dialog and the main window make way for it
      EXPECT_FALSE(shown->isVisible());
      EXPECT_FALSE(frame()->isVisible());
      EXPECT_FALSE(remote->mask().isEmpty());
      EXPECT_EQ(remote->size(), remote->mask().boundingRect().size());
      EXPECT_TRUE(remote->windowFlags() & Qt::WindowStaysOnTopHint);
      EXPECT_EQ(remote->leftBar()->lowColor(), QColor(0, 0, 255));
      // Its meters follow the tick
      EXPECT_TRUE(WaitFor([&] { return remote->leftBar()->GetPos() == 100; }));
      // Record and Stop drive the dialog's recording, with the bars' colours
      Control<QAbstractButton>(*remote, IDC_REMOTE_RECORD)->click();
      EXPECT_TRUE(bar()->poll().recording());
      EXPECT_EQ(remote->leftBar()->lowColor(), QColor(255, 0, 0));
      EXPECT_EQ(remote->rightBar()->highColor(), QColor(255, 227, 0));
      ASSERT_TRUE(WaitFor([&] { return bar()->poll().recordedBytes() >= 0.2 * 176400; }));
      Control<QAbstractButton>(*remote, IDC_REMOTE_STOP)->click();
      EXPECT_FALSE(bar()->poll().recording());
      EXPECT_EQ(remote->leftBar()->lowColor(), QColor(0, 0, 255));
      EXPECT_EQ(Control<QAbstractButton>(*remote, IDC_REMOTE_PREVIEW)->toolTip(),
                QStringLiteral("Preview Recorded Audio"));
      Control<QAbstractButton>(*remote, IDC_REMOTE_CLOSE)->click();
    });
    Button(IDC_REC_REMOTE)->click();
    // Back from the remote, the dialog and the main window show again
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(Button(IDC_REC_RECORD)->isEnabled());
    Button(IDC_REC_CLOSE)->click();
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kRecord));
  ASSERT_NE(frame()->activeChild(), nullptr);
  ExpectCountingFrames(*frame()->activeChild()->document()->sound().layers.front());
}

TEST_F(RecordDlgTest, TheBeginRecordingTaskOpensTheDialog) {
  bool opened = false;
  gui_test::WhenModalShows([&](QWidget* tasks) {
    WhenShown(ControlName(IDD_RECORD), [&](QWidget*) {
      opened = true;
      Button(IDC_REC_CLOSE)->click();
    });
    Control<QAbstractButton>(*tasks, IDC_TASK_RECORD)->click();
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kCommonTasks));
  EXPECT_TRUE(opened);
}

TEST_F(RecordDlgTest, AnOverrunIsLoggedWithTheSecondsLost) {
  WhenShown(ControlName(IDD_RECORD), [&](QWidget*) {
    CapturePoll::Tick tick;
    tick.ran = true;
    tick.lostBytes = 2 * 176400 + 88200;
    dialog()->OnMeterTick(tick, 55, 55);
    EXPECT_TRUE(LogLines().last().endsWith(QStringLiteral("\tRecording overrun: 2.5 seconds lost.")))
        << LogLines().last().toStdString();
    Button(IDC_REC_CLOSE)->click();
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kRecord));
}

TEST_F(RecordDlgTest, TheViewCommandShowsAndHidesTheMeter) {
  QAction* command = frame()->action(CommandId::kViewAudioMeter);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->text(), QStringLiteral("&Audio Meter"));
  EXPECT_EQ(frame()->action(CommandId::kRecord)->text(), QStringLiteral("&Record..."));
  EXPECT_EQ(frame()->dockWidgetArea(bar()), Qt::BottomDockWidgetArea);
  EXPECT_TRUE(bar()->isVisible());
  EXPECT_TRUE(command->isChecked());
  EXPECT_TRUE(bar()->IsMeterTimerRunning());
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kViewAudioMeter));
  EXPECT_TRUE(bar()->isHidden());
  EXPECT_FALSE(command->isChecked());
  EXPECT_FALSE(bar()->IsMeterTimerRunning()) << "a hidden idle meter runs no timer";
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kViewAudioMeter));
  EXPECT_TRUE(bar()->isVisible());
  // The levels move with the test signal's loud frames
  EXPECT_TRUE(WaitFor([&] { return bar()->leftBar()->GetPos() == 100; }));
}

// A sound server's input mixer with what no virtual input of the test
// daemon has: inputs with several ports (input lines).
class PortedMixer : public CaptureSourceMixer {
 public:
  DeviceResult ListSources(std::vector<CaptureSource>* sources) override {
    *sources = {{"card.analog", "Built-in Audio Analog Stereo", false,
                 {{"analog-input-mic", "Microphone"}, {"analog-input-linein", "Line In"}, {"analog-input-cd", "CD"}},
                 "analog-input-linein"},
                {"card.monitor", "Monitor of Built-in Audio", true, {}, ""}};
    return DeviceResult::Ok();
  }
  DeviceResult DefaultSourceName(std::string* name) override {
    *name = "card.monitor";
    return DeviceResult::Ok();
  }
  DeviceResult SetActivePort(const std::string& source, const std::string& port) override {
    activated.push_back(source + "/" + port);
    return DeviceResult::Ok();
  }
  DeviceResult GetLevels(const std::string&, SourceLevels* levels) override {
    *levels = SourceLevels{true, 0.42, false, 0};
    return DeviceResult::Ok();
  }
  DeviceResult SetVolume(const std::string& source, double volume) override {
    volumes.push_back({source, volume});
    return DeviceResult::Ok();
  }
  DeviceResult SetBalance(const std::string&, double) override { return DeviceResult::Ok(); }

  std::vector<std::string> activated;
  std::vector<std::pair<std::string, double>> volumes;
};

TEST(RecordDlgPortsTest, InputLinesAreTheChosenInputsPortsAndChoosingOneActivatesIt) {
  // Given a meter bar on a mixer whose first input has three ports, the second active
  PortedMixer* mixer = nullptr;
  std::unique_ptr<SoundCaptureDevice> device;
  ASSERT_TRUE(OpenSoundCaptureDevice(SoundBackend::Null, &device).Succeeded());
  std::unique_ptr<SoundCaptureBuffer> ring;
  ASSERT_TRUE(device->CreateCaptureBuffer(65536, WorkingFormat(), &ring).Succeeded());
  CMonitorBar::Services services;
  services.captureRing = [&ring]() -> SoundCaptureBuffer* { return ring.get(); };
  services.openMixer = [&mixer]() -> std::unique_ptr<CaptureSourceMixer> {
    auto made = std::make_unique<PortedMixer>();
    mixer = made.get();
    return made;
  };
  CMonitorBar bar(nullptr, services);
  bool ran = false;
  WhenShown(ControlName(IDD_RECORD), [&](QWidget* shown) {
    auto* devices = Control<QComboBox>(*shown, IDC_REC_DEVICE);
    auto* pins = Control<QComboBox>(*shown, IDC_REC_PIN);
    // It opens on the default input, the monitor listed after the real input
    ASSERT_EQ(devices->count(), 2);
    EXPECT_EQ(devices->itemText(0), QStringLiteral("Built-in Audio Analog Stereo"));
    EXPECT_EQ(devices->currentIndex(), 1);
    EXPECT_EQ(pins->count(), 0);
    // When the user chooses the real input, which the null ring cannot move to
    devices->setCurrentIndex(0);
    // Then its ports are the input pins, the active one selected
    ASSERT_EQ(pins->count(), 3);
    EXPECT_EQ(pins->itemText(0), QStringLiteral("Microphone"));
    EXPECT_EQ(pins->currentText(), QStringLiteral("Line In"));
    const QStringList log = Control<QPlainTextEdit>(*shown, IDC_REC_LOG)->toPlainText().split(QLatin1Char('\n'));
    EXPECT_TRUE(log.last().endsWith(QStringLiteral("\t3 input pins found."))) << log.last().toStdString();
    EXPECT_TRUE(log.filter(QStringLiteral("Cannot record from this device.")).size() == 1);
    // The volume slider shows the input's level
    auto* volume = Control<QSlider>(*shown, IDC_REC_VOLUME);
    EXPECT_TRUE(volume->isEnabled());
    EXPECT_EQ(volume->value(), -42);
    EXPECT_FALSE(Control<QSlider>(*shown, IDC_REC_PAN)->isEnabled());
    EXPECT_TRUE(mixer->activated.empty());
    // Choosing another line makes it the active port
    pins->setCurrentIndex(2);
    ASSERT_EQ(mixer->activated.size(), 1u);
    EXPECT_EQ(mixer->activated[0], "card.analog/analog-input-cd");
    // A released volume slider sets the level; a moved one without release does not
    volume->setValue(-70);
    EXPECT_TRUE(mixer->volumes.empty());
    volume->setSliderDown(true);
    volume->setValue(-25);
    volume->setSliderDown(false);
    ASSERT_EQ(mixer->volumes.size(), 1u);
    EXPECT_EQ(mixer->volumes[0].first, "card.analog");
    EXPECT_NEAR(mixer->volumes[0].second, 0.25, 1e-9);
    ran = true;
    shown->close();
  });
  bar.RunRecordDialog();
  EXPECT_TRUE(ran);
}

// The bar of the ports tests, on a null capture ring and `mixer`.
struct PortedBar {
  explicit PortedBar(std::function<std::unique_ptr<CaptureSourceMixer>()> openMixer,
                     std::function<CChildFrame*()> newDocument = {}) {
    EXPECT_TRUE(OpenSoundCaptureDevice(SoundBackend::Null, &device).Succeeded());
    EXPECT_TRUE(device->CreateCaptureBuffer(65536, WorkingFormat(), &ring).Succeeded());
    CMonitorBar::Services services;
    services.captureRing = [this]() -> SoundCaptureBuffer* { return ring.get(); };
    services.openMixer = std::move(openMixer);
    services.newDocument = std::move(newDocument);
    bar = std::make_unique<CMonitorBar>(nullptr, services);
  }
  std::unique_ptr<SoundCaptureDevice> device;
  std::unique_ptr<SoundCaptureBuffer> ring;
  std::unique_ptr<CMonitorBar> bar;
};

TEST(RecordDlgPortsTest, TheInputListsAreLockedWhileARecordingRuns) {
  PortedBar ported([] { return std::make_unique<PortedMixer>(); });
  bool ran = false;
  WhenShown(ControlName(IDD_RECORD), [&](QWidget* shown) {
    auto* devices = Control<QComboBox>(*shown, IDC_REC_DEVICE);
    auto* pins = Control<QComboBox>(*shown, IDC_REC_PIN);
    devices->setCurrentIndex(0);
    EXPECT_TRUE(devices->isEnabled());
    EXPECT_TRUE(pins->isEnabled());
    // When a recording runs, neither the input nor its line can change
    Control<QPushButton>(*shown, IDC_REC_RECORD)->click();
    ASSERT_TRUE(ported.bar->poll().recording());
    EXPECT_FALSE(devices->isEnabled());
    EXPECT_FALSE(pins->isEnabled());
    // And once it stops they can again
    Control<QPushButton>(*shown, IDC_REC_STOP)->click();
    EXPECT_TRUE(devices->isEnabled());
    EXPECT_TRUE(pins->isEnabled());
    ran = true;
    shown->close();
  });
  ported.bar->RunRecordDialog();
  EXPECT_TRUE(ran);
}

// A sound server that stopped answering after it listed its inputs.
class StalledMixer : public PortedMixer {
 public:
  static DeviceResult Timeout() { return DeviceResult::Fail(kDeviceErrorTimeout, "PA_ERR_TIMEOUT", "Timeout"); }
  DeviceResult SetActivePort(const std::string&, const std::string&) override { return Timeout(); }
  DeviceResult GetLevels(const std::string&, SourceLevels*) override { return Timeout(); }
  DeviceResult SetVolume(const std::string&, double) override { return Timeout(); }
};

TEST(RecordDlgPortsTest, RequestsTheServerDoesNotAnswerAreLogged) {
  PortedBar ported([] { return std::make_unique<StalledMixer>(); });
  QStringList log;
  WhenShown(ControlName(IDD_RECORD), [&](QWidget* shown) {
    auto* pins = Control<QComboBox>(*shown, IDC_REC_PIN);
    Control<QComboBox>(*shown, IDC_REC_DEVICE)->setCurrentIndex(0);
    pins->setCurrentIndex(2);
    auto* volume = Control<QSlider>(*shown, IDC_REC_VOLUME);
    volume->setEnabled(true);
    volume->setRange(-100, 0);
    volume->setSliderDown(true);
    volume->setValue(-25);
    volume->setSliderDown(false);
    log = Control<QPlainTextEdit>(*shown, IDC_REC_LOG)->toPlainText().split(QLatin1Char('\n'));
    shown->close();
  });
  ported.bar->RunRecordDialog();
  const QString why = QStringLiteral(" (The sound server did not answer in time.)");
  for (const QString& what : {QStringLiteral("The input's levels cannot be read."),
                              QStringLiteral("The input pin cannot be chosen."),
                              QStringLiteral("The recording volume cannot be set.")}) {
    EXPECT_FALSE(log.filter(QStringLiteral("\t") + what + why).isEmpty()) << what.toStdString() << "\n"
                                                                          << log.join(QLatin1Char('\n')).toStdString();
  }
}

TEST(RecordDlgPortsTest, ARecordingNoDocumentCanTakeIsShownAndLogged) {
  PortedBar ported([] { return std::make_unique<PortedMixer>(); }, [] { return nullptr; });
  ASSERT_TRUE(ported.ring->Start(true).Succeeded());
  ported.bar->StartMeterTimer();
  QString shownText;
  QStringList log;
  WhenShown(ControlName(IDD_RECORD), [&](QWidget* shown) {
    Control<QPushButton>(*shown, IDC_REC_RECORD)->click();
    ASSERT_TRUE(WaitFor([&] { return ported.bar->poll().recordedBytes() > 0; }));
    // When no document can be made for the take
    gui_test::WhenMessageBoxShows([&](QMessageBox* box) {
      shownText = box->text();
      box->button(QMessageBox::Cancel)->click();
    });
    Control<QPushButton>(*shown, IDC_REC_STOP)->click();
    log = Control<QPlainTextEdit>(*shown, IDC_REC_LOG)->toPlainText().split(QLatin1Char('\n'));
    shown->close();
  });
  ported.bar->RunRecordDialog();
  // Then the user is told, and the log keeps it
  EXPECT_TRUE(shownText.startsWith(QStringLiteral("No new document could be made for the recording.")))
      << shownText.toStdString();
  EXPECT_TRUE(log.last().endsWith(QStringLiteral(
      "\tNo new document could be made for the recording. The recording stays in its file until the next "
      "Record or until the program ends; Preview plays it.")))
      << log.last().toStdString();
  EXPECT_TRUE(ported.bar->recordDlg()->IsTakePending());
  EXPECT_GT(ported.bar->recordingFile()->Length(), 0u);
}

TEST(RecordDlgOverrunTest, AHeldUpProgramLogsTheOverrunAndWritesNoStaleSound) {
  // Given a meter bar on the null back-end's counting signal with a ring of
  // 64 KiB (0.37 s)
  std::unique_ptr<SoundCaptureDevice> device;
  ASSERT_TRUE(OpenSoundCaptureDevice(SoundBackend::Null, &device).Succeeded());
  uint16_t counter = 0;
  ASSERT_TRUE(device->SetTestSignal([counter](int16_t* samples, uint32_t frames) mutable {
    for (uint32_t i = 0; i < frames; ++i, ++counter) samples[2 * i] = samples[2 * i + 1] = static_cast<int16_t>(counter);
  }));
  std::unique_ptr<SoundCaptureBuffer> ring;
  ASSERT_TRUE(device->CreateCaptureBuffer(65536, WorkingFormat(), &ring).Succeeded());
  ASSERT_TRUE(ring->Start(true).Succeeded());
  CMonitorBar::Services services;
  services.captureRing = [&ring]() -> SoundCaptureBuffer* { return ring.get(); };
  CMonitorBar bar(nullptr, services);
  bar.StartMeterTimer();
  QStringList log;
  WhenShown(ControlName(IDD_RECORD), [&](QWidget* shown) {
    Control<QPushButton>(*shown, IDC_REC_RECORD)->click();
    ASSERT_TRUE(WaitFor([&] { return bar.poll().recordedBytes() > 0; }));
    // When the program is held up for longer than the ring holds
    QTest::qSleep(700);
    ASSERT_TRUE(WaitFor([&] { return bar.poll().recordedBytes() > 0.8 * 176400; }));
    Control<QPushButton>(*shown, IDC_REC_STOP)->click();
    log = Control<QPlainTextEdit>(*shown, IDC_REC_LOG)->toPlainText().split(QLatin1Char('\n'));
    shown->close();
  });
  bar.RunRecordDialog();
  // Then the log says how much was lost
  const QStringList overruns = log.filter(QRegularExpression(QStringLiteral("\\tRecording overrun: \\d+\\.\\d seconds lost\\.$")));
  EXPECT_EQ(overruns.size(), 1) << log.join(QLatin1Char('|')).toStdString();
  // And the recording holds only true sound: the count runs on frame by
  // frame except at one gap, the bytes the ring overwrote
  RecordingFile* file = bar.recordingFile();
  std::vector<int16_t> samples(file->Length() / 2);
  ASSERT_EQ(file->ReadAt(0, reinterpret_cast<uint8_t*>(samples.data()), file->Length()),
            static_cast<int64_t>(file->Length()));
  int gaps = 0;
  for (size_t f = 1; f < samples.size() / 2; ++f) {
    if (static_cast<uint16_t>(samples[2 * f]) != static_cast<uint16_t>(samples[2 * f - 2] + 1)) ++gaps;
    ASSERT_EQ(samples[2 * f], samples[2 * f + 1]);
  }
  EXPECT_EQ(gaps, 1);
}

}  // namespace
