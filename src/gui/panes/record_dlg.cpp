// "Recording Studio": its controls (template 191), the inputs and their
// controls through the input mixer, Record / Stop / Preview and their state
// rules, the hand-over of a recording to a new document and its failures,
// and the log.
#include "gui/panes/record_dlg.h"

#include "core/model/wave_format.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStorageInfo>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <ctime>

#include "core/audio/recording_file.h"
#include "core/audio/recording_handover.h"
#include "core/edit/action_history.h"
#include "core/model/settings_record.h"
#include "core/model/sound.h"
#include "gui/base/popup_progress.h"
#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/base/led_progress_ctrl.h"
#include "gui/panes/monitor_bar.h"
#include "gui/base/remote_artwork.h"
#include "gui/panes/remote_dlg.h"
#include "gui/panes/child_frame.h"
#include "gui/panes/wavedesk_view.h"

namespace {

constexpr uint64_t kBytesPerSecond = kWorkingBytesPerSecond;
// The preview reads the file in pieces this large.
constexpr uint64_t kLoadPiece = 1 << 20;

QString Caption() { return QObject::tr("Recording Studio"); }

// The room left for the recording file, in whole MiB.
QString DiskSpaceText() {
  const QStorageInfo storage(QDir::tempPath());
  return QString::number(storage.bytesAvailable() / 1048576) + QStringLiteral(" MB");
}

QString Seconds(uint64_t bytes) { return QString::number(static_cast<double>(bytes) / kBytesPerSecond, 'f', 1); }

// Closes the window of a document that the recording never reached; it was
// made empty and is unchanged, so nothing is asked.
void CloseDocumentWindow(CChildFrame* child) {
  for (QWidget* parent = child->parentWidget(); parent != nullptr; parent = parent->parentWidget()) {
    if (auto* window = qobject_cast<QMdiSubWindow*>(parent)) {
      window->close();
      return;
    }
  }
  child->close();
}

QSlider* MakeSlider(Qt::Orientation orientation, int id, QWidget* parent) {
  auto* slider = new QSlider(orientation, parent);
  slider->setObjectName(ControlName(id));
  // The stored values run downward as the slider goes up (higher is more);
  // a Qt slider has its minimum at the bottom, so the vertical ones are
  // shown the other way up.
  if (orientation == Qt::Vertical) slider->setInvertedAppearance(true);
  return slider;
}

}  // namespace

CRecordDlg::CRecordDlg(CMonitorBar* bar) : QDialog(bar), m_bar(bar) {
  setObjectName(ControlName(IDD_RECORD));
  setWindowTitle(Caption());
  setWindowIcon(QIcon(QPixmap::fromImage(remote_artwork::Picture(IDI_RECORD))));

  m_devices = new QComboBox(this);
  m_devices->setObjectName(ControlName(IDC_REC_DEVICE));
  m_pins = new QComboBox(this);
  m_pins->setObjectName(ControlName(IDC_REC_PIN));
  m_meterLeft = new CLEDPRogressCtrl(Qt::Vertical, this);
  m_meterRight = new CLEDPRogressCtrl(Qt::Vertical, this);
  m_meterLeft->setObjectName(ControlName(IDC_REC_METER_LEFT));
  m_meterRight->setObjectName(ControlName(IDC_REC_METER_RIGHT));
  for (CLEDPRogressCtrl* meter : {m_meterLeft, m_meterRight}) meter->setFixedSize(16, 120);
  m_volume = MakeSlider(Qt::Vertical, IDC_REC_VOLUME, this);
  m_volume->setTickPosition(QSlider::TicksBothSides);
  m_bass = MakeSlider(Qt::Vertical, IDC_REC_BASS, this);
  m_treble = MakeSlider(Qt::Vertical, IDC_REC_TREBLE, this);
  m_pan = MakeSlider(Qt::Horizontal, IDC_REC_PAN, this);
  m_pan->setTickPosition(QSlider::TicksBelow);
  m_log = new QPlainTextEdit(this);
  m_log->setObjectName(ControlName(IDC_REC_LOG));
  m_log->setReadOnly(true);
  m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_log->setMinimumHeight(90);
  auto button = [this](int id, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(ControlName(id));
    b->setAutoDefault(false);
    return b;
  };
  m_recordButton = button(IDC_REC_RECORD, tr("Record"));
  m_stopButton = button(IDC_REC_STOP, tr("Stop"));
  m_closeButton = button(IDC_REC_CLOSE, tr("Close"));
  m_closeButton->setDefault(true);
  m_remoteButton = button(IDC_REC_REMOTE, tr("Remote"));
  m_previewButton = button(IDC_REC_PREVIEW, tr("Preview"));
  m_timeRecorded = new QLabel(QStringLiteral("00:00:00"), this);
  m_timeRecorded->setObjectName(ControlName(IDC_REC_TIME));
  m_diskSpace = new QLabel(QStringLiteral("30.5 GB"), this);
  m_diskSpace->setObjectName(ControlName(IDC_REC_DISK_SPACE));

  // Layout: the inputs on top, the meters and controls in a row, the pan,
  // the log, the two read-outs; the buttons down the right.
  auto* inputs = new QGridLayout;
  inputs->addWidget(new QLabel(tr("Capture Device:"), this), 0, 0);
  inputs->addWidget(m_devices, 0, 1);
  inputs->addWidget(new QLabel(tr("Input Pin:"), this), 1, 0);
  inputs->addWidget(m_pins, 1, 1);
  inputs->setColumnStretch(1, 1);

  auto* controls = new QGridLayout;
  auto* monitorLabel = new QLabel(tr("Monitor:"), this);
  controls->addWidget(monitorLabel, 0, 0, 1, 2, Qt::AlignHCenter);
  controls->addWidget(m_meterLeft, 1, 0, Qt::AlignHCenter);
  controls->addWidget(m_meterRight, 1, 1, Qt::AlignHCenter);
  controls->addWidget(new QLabel(tr("L"), this), 2, 0, Qt::AlignHCenter);
  controls->addWidget(new QLabel(tr("R"), this), 2, 1, Qt::AlignHCenter);
  int column = 2;
  for (auto [slider, text] : {std::pair{m_volume, tr("Rec Vol.")}, std::pair{m_bass, tr("Bass")},
                              std::pair{m_treble, tr("Treble")}}) {
    controls->addWidget(slider, 1, column, Qt::AlignHCenter);
    controls->addWidget(new QLabel(text, this), 2, column, Qt::AlignHCenter);
    controls->setColumnMinimumWidth(column, 60);
    ++column;
  }
  auto* panRow = new QHBoxLayout;
  panRow->addWidget(new QLabel(tr("Stereo Pan"), this));
  panRow->addWidget(m_pan, 1);

  auto* readouts = new QGridLayout;
  readouts->addWidget(new QLabel(tr("Time Recorded:"), this), 0, 0);
  readouts->addWidget(m_timeRecorded, 0, 1);
  readouts->addWidget(new QLabel(tr("Disk Space:"), this), 1, 0);
  readouts->addWidget(m_diskSpace, 1, 1);
  readouts->setColumnStretch(1, 1);

  auto* left = new QVBoxLayout;
  left->addLayout(inputs);
  left->addLayout(controls);
  left->addLayout(panRow);
  left->addWidget(new QLabel(tr("Log"), this));
  left->addWidget(m_log, 1);
  left->addLayout(readouts);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {m_recordButton, m_stopButton, m_previewButton, m_remoteButton}) buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(m_closeButton);

  auto* all = new QHBoxLayout(this);
  all->addLayout(left, 1);
  all->addLayout(buttons);
  resize(430, 470);

  connect(m_devices, &QComboBox::currentIndexChanged, this, [this] { SelectDevice(); });
  connect(m_pins, &QComboBox::currentIndexChanged, this, [this] { SelectPin(); });
  connect(m_recordButton, &QPushButton::clicked, this, &CRecordDlg::OnRecord);
  connect(m_stopButton, &QPushButton::clicked, this, &CRecordDlg::OnStop);
  connect(m_remoteButton, &QPushButton::clicked, this, &CRecordDlg::OnRemote);
  connect(m_previewButton, &QPushButton::clicked, this, &CRecordDlg::OnPreview);
  connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
  for (QSlider* slider : {m_volume, m_bass, m_treble, m_pan})
    connect(slider, &QSlider::sliderReleased, this, [this, slider] { OnSliderReleased(slider); });
}

CRecordDlg::~CRecordDlg() {
  m_previewTimer.stop();
  m_preview.Stop();
}

void CRecordDlg::Run() {
  if (m_running) {
    raise();
    return;
  }
  m_running = true;
  OnInitDialog();
  // A modal window on a loop of our own rather than exec(): OnRemote hides
  // the dialog, which would end exec()'s loop.
  setWindowModality(Qt::ApplicationModal);
  show();
  QEventLoop loop;
  connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::DialogExec);
  m_running = false;
}

void CRecordDlg::OnInitDialog() {
  m_bar->SetRecordDialogOpen(true);
  m_log->clear();
  SetCaption(false);
  m_previewTimer.stop();
  m_preview.Stop();
  UpdateControls();
  for (CLEDPRogressCtrl* meter : {m_meterLeft, m_meterRight}) {
    meter->SetRange(0, 100);
    meter->SetPos(50);
  }
  m_timeRecorded->setText(QStringLiteral("00:00:00"));
  m_diskSpace->setText(DiskSpaceText());
  AddLogLine(QStringLiteral("Enumerating Sound Devices..."));
  EnumerateDevices();
}

void CRecordDlg::EnumerateDevices() {
  const QSignalBlocker blockDevices(m_devices);
  const QSignalBlocker blockPins(m_pins);
  m_devices->clear();
  m_pins->clear();
  m_sources.clear();
  const CMonitorBar::Services& services = m_bar->services();
  m_mixer = services.openMixer ? services.openMixer() : nullptr;
  const bool listed = m_mixer != nullptr && LogDeviceFailure(m_mixer->ListSources(&m_sources),
                                                             QStringLiteral("The sound inputs cannot be listed."));
  if (!listed || m_sources.empty()) {
    m_sources.clear();
    // Recording still works, from the server's default input.
    m_devices->addItem(QStringLiteral("<<No Devices Available>>"));
    LoadMixerControls({});
    return;
  }
  const std::vector<std::string> labels = DistinctSourceLabels(m_sources);
  for (size_t i = 0; i < m_sources.size(); ++i)
    m_devices->addItem(QString::fromStdString(labels[i]), QString::fromStdString(m_sources[i].name));
  // The list opens on the input the capture reads from: the one chosen
  // earlier, or, when none was or it has gone (the server then moved the
  // capture to its default), the server's default.
  auto indexOf = [this](const std::string& name) {
    for (size_t i = 0; i < m_sources.size(); ++i)
      if (m_sources[i].name == name) return static_cast<int>(i);
    return -1;
  };
  m_boundSource = m_bar->captureSource();
  if (m_boundSource.empty() || indexOf(m_boundSource) < 0) {
    m_boundSource.clear();
    (void)LogDeviceFailure(m_mixer->DefaultSourceName(&m_boundSource),
                           QStringLiteral("The default sound input cannot be found."));
  }
  const int index = std::max(0, indexOf(m_boundSource));
  m_devices->setCurrentIndex(index);
  SelectDevice();
}

QString CRecordDlg::SelectedSource() const {
  const int index = m_devices->currentIndex();
  if (index < 0 || static_cast<size_t>(index) >= m_sources.size()) return {};
  return QString::fromStdString(m_sources[static_cast<size_t>(index)].name);
}

void CRecordDlg::SelectDevice() {
  const int index = m_devices->currentIndex();
  if (index < 0 || static_cast<size_t>(index) >= m_sources.size()) return;
  CaptureSource& source = m_sources[static_cast<size_t>(index)];
  // Choosing an input moves the capture there, so the meters and the
  // recording come from it.
  if (source.name != m_boundSource) {
    SoundCaptureBuffer* ring = m_bar->services().captureRing ? m_bar->services().captureRing() : nullptr;
    const QString refusal = QStringLiteral("Cannot record from this device.");
    if (ring == nullptr) {
      AddLogLine(refusal);
    } else if (LogDeviceFailure(ring->MoveToSource(source.name), refusal)) {
      m_boundSource = source.name;
      m_bar->SetCaptureSource(source.name);
    }
  }
  AddLogLine(QStringLiteral("Searching for all available pins..."));
  {
    const QSignalBlocker blockPins(m_pins);
    m_pins->clear();
    int active = -1;
    for (size_t i = 0; i < source.ports.size(); ++i) {
      m_pins->addItem(QString::fromStdString(source.ports[i].description),
                      QString::fromStdString(source.ports[i].name));
      if (source.ports[i].name == source.activePort) active = static_cast<int>(i);
    }
    AddLogLine(QString::number(m_pins->count()) + QStringLiteral(" input pins found."));
    m_pins->setCurrentIndex(active);
  }
  SelectPin();
}

void CRecordDlg::SelectPin() {
  const int index = m_devices->currentIndex();
  if (m_mixer == nullptr || index < 0 || static_cast<size_t>(index) >= m_sources.size()) return;
  CaptureSource& source = m_sources[static_cast<size_t>(index)];
  const int pin = m_pins->currentIndex();
  if (pin >= 0 && static_cast<size_t>(pin) < source.ports.size() && source.ports[static_cast<size_t>(pin)].name != source.activePort) {
    if (LogDeviceFailure(m_mixer->SetActivePort(source.name, source.ports[static_cast<size_t>(pin)].name),
                         QStringLiteral("The input pin cannot be chosen.")))
      source.activePort = source.ports[static_cast<size_t>(pin)].name;
  }
  SourceLevels levels;
  if (!LogDeviceFailure(m_mixer->GetLevels(source.name, &levels), QStringLiteral("The input's levels cannot be read.")))
    levels = SourceLevels{};
  LoadMixerControls(levels);
}

void CRecordDlg::LoadMixerControls(const SourceLevels& levels) {
  // Bass and treble are not offered by the sound server.
  for (QSlider* tone : {m_bass, m_treble}) {
    tone->setEnabled(false);
    tone->setRange(-1, 1);
    tone->setValue(0);
  }
  m_volume->setTickInterval(10);
  if (levels.hasVolume) {
    m_volume->setEnabled(true);
    m_volume->setRange(-100, 0);
    m_volume->setValue(static_cast<int>(-100.0 * levels.volume));
  } else {
    m_volume->setEnabled(false);
    m_volume->setRange(0, 1);
    m_volume->setValue(1);
  }
  if (levels.hasBalance) {
    m_pan->setEnabled(true);
    m_pan->setRange(-100, 100);
    m_pan->setValue(static_cast<int>(100.0 * levels.balance));
    m_pan->setTickInterval(100);
  } else {
    m_pan->setEnabled(false);
    m_pan->setRange(-1, 1);
    m_pan->setValue(0);
    m_pan->setTickInterval(1);
  }
}

int CRecordDlg::SnapPan(int position) { return position > -10 && position < 10 ? 0 : position; }

void CRecordDlg::OnSliderReleased(QSlider* slider) {
  const QString source = SelectedSource();
  if (m_mixer == nullptr || source.isEmpty()) return;
  int p = slider->value();
  if (slider == m_volume) {
    (void)LogDeviceFailure(m_mixer->SetVolume(source.toStdString(), -p * 0.01),
                           QStringLiteral("The recording volume cannot be set."));
  } else if (slider == m_pan) {
    p = SnapPan(p);
    if (p != slider->value()) slider->setValue(p);
    (void)LogDeviceFailure(m_mixer->SetBalance(source.toStdString(), p * 0.01),
                           QStringLiteral("The stereo pan cannot be set."));
  }
}

bool CRecordDlg::IsRecording() const { return m_bar->poll().recording(); }

void CRecordDlg::UpdateControls() {
  const bool recording = IsRecording();
  const bool previewing = m_preview.IsActive();
  m_recordButton->setEnabled(!recording && !previewing);
  m_previewButton->setEnabled(!recording && !previewing);
  m_closeButton->setEnabled(!recording);
  m_stopButton->setEnabled(recording || previewing);
  // A take comes from one input: switching mid-way would splice two
  // sources into it.
  m_devices->setEnabled(!recording);
  m_pins->setEnabled(!recording);
}

void CRecordDlg::OnRecord() {
  if (m_preview.IsActive() || IsRecording()) return;
  RecordingFile* file = m_bar->recordingFile();
  if (m_takePending && file != nullptr && file->Length() > 0) {
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, Caption(),
        tr("The last recording has not been opened as a document; recording again replaces it.\n\n"
           "Record anyway?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
  }
  if (file == nullptr || !file->Truncate()) {
    AddLogLine(QStringLiteral("The recording file cannot be written."));
    return;
  }
  m_takePending = false;
  m_writeFailing = false;
  m_unwrittenBytes = 0;
  AddLogLine(QStringLiteral("Recording Started."));
  m_bar->poll().StartRecording();
  UpdateControls();
}

void CRecordDlg::OnStop() {
  if (m_preview.IsActive()) {
    m_previewTimer.stop();
    m_preview.Stop();
    UpdateControls();
    return;
  }
  if (!IsRecording()) return;
  AddLogLine(QStringLiteral("Recording Stopped."));
  m_bar->KillMeterTimer();
  SoundCaptureBuffer* ring = m_bar->services().captureRing ? m_bar->services().captureRing() : nullptr;
  // The sound captured since the last tick belongs to the recording too.
  const CapturePoll::Tick tick = m_bar->poll().StopRecording(ring, m_bar->recordingFile());
  LogTickTrouble(tick);
  if (m_unwrittenBytes > 0)
    AddLogLine(QStringLiteral("%1 seconds of the recording could not be written.").arg(Seconds(m_unwrittenBytes)));
  m_timeRecorded->setText(ElapsedText(m_bar->poll().recordedBytes() / kBytesPerSecond));
  SetCaption(false);
  UpdateControls();
  HandOver();
  m_bar->StartMeterTimer();
}

void CRecordDlg::HandOver() {
  RecordingFile* file = m_bar->recordingFile();
  // A bar that is given no way to make documents keeps its takes in the file.
  if (file == nullptr || !m_bar->services().newDocument) return;
  // Until a document has it, the take is only in the recording file.
  m_takePending = true;
  for (;;) {
    const QString failure = TryHandOver(*file);
    if (failure.isEmpty()) break;
    const QString kept = QStringLiteral(
        "The recording stays in its file until the next Record or until the program ends; Preview plays it.");
    AddLogLine(failure + QLatin1Char(' ') + kept);
    QMessageBox box(QMessageBox::Warning, Caption(), failure + QStringLiteral("\n\n") + kept,
                    QMessageBox::Retry | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Retry);
    if (box.exec() != QMessageBox::Retry) return;
  }
  m_takePending = false;
}

QString CRecordDlg::TryHandOver(RecordingFile& file) {
  const CMonitorBar::Services& services = m_bar->services();
  CChildFrame* child = services.newDocument();
  if (child == nullptr) return QStringLiteral("No new document could be made for the recording.");
  CWavedeskDoc* document = child->document();
  HandOverResult result;
  {
    CPopupProgress progress(QStringLiteral("Preparing Recorded"), QStringLiteral("Loading..."));
    result = AdoptRecording(document->model(), file, progress);
  }
  if (!result.ok()) {
    CloseDocumentWindow(child);
    return HandOverFailure(result);
  }
  if (CWavedeskView* view = child->view()) {
    view->UpdateScrollRange();
    if (m_bar->settings().zoomToFitOnOpen) view->ZoomOutMax();
  }
  // The history starts over with the take in it: the document holds what
  // no file has yet, so no row is the saved state.
  document->SetNew(true);
  document->UpdateAllViews(UpdateHint::kAll);
  return {};
}

QString CRecordDlg::HandOverFailure(const HandOverResult& result) {
  switch (result.status) {
    case HandOverStatus::kHandedOver:
      break;
    case HandOverStatus::kNotFresh:
      return QStringLiteral("No new document could be made for the recording.");
    case HandOverStatus::kOutOfMemory:
      return QStringLiteral("There is not enough memory to open the recording.");
    case HandOverStatus::kReadFailed:
      if (result.systemError != 0)
        return QStringLiteral("The recording could not be read (%1).")
            .arg(QString::fromLocal8Bit(std::strerror(result.systemError)));
      return QStringLiteral("The recording could not be read.");
    case HandOverStatus::kCancelled:
      return QStringLiteral("Opening the recording was cancelled.");
  }
  return {};
}

void CRecordDlg::OnPreview() {
  if (IsRecording() || m_preview.IsActive()) return;
  RecordingFile* file = m_bar->recordingFile();
  const uint64_t length = file != nullptr ? file->Length() : 0;
  if (length == 0) return;
  SoundOutputDevice* output = m_bar->services().output ? m_bar->services().output() : nullptr;
  const PreviewStart started = m_preview.Play(output, length, [file](uint8_t* into, uint64_t bytes) {
    return file->ReadAll(into, bytes, kLoadPiece);
  });
  if (started != PreviewStart::kPlaying) {
    AddLogLine(QStringLiteral("The recording cannot be played."));
    return;
  }
  UpdateControls();
  m_previewTimer.start(PreviewPlayer::kPollMilliseconds, this);
}

void CRecordDlg::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_previewTimer.timerId()) return QDialog::timerEvent(event);
  if (m_preview.HasEnded()) OnStop();
}

void CRecordDlg::OnRemote() {
  QWidget* main = m_bar->window();
  if (!m_remote) {
    CRemoteDlg::Controls controls;
    controls.record = [this] { OnRecord(); };
    controls.stop = [this] { OnStop(); };
    controls.preview = [this] { OnPreview(); };
    controls.isRecording = [this] { return IsRecording(); };
    m_remote = std::make_unique<CRemoteDlg>(std::move(controls));
  }
  if (main != nullptr) main->hide();
  hide();
  m_remote->Run();
  if (main != nullptr) main->show();
  show();
  if (main != nullptr) main->repaint();
  // The remote may have started or ended a recording.
  UpdateControls();
}

void CRecordDlg::done(int result) {
  m_bar->SetRecordDialogOpen(false);
  // An unfinished recording goes to a new document; a preview stops.
  OnStop();
  QDialog::done(result);
  const QSignalBlocker blockDevices(m_devices);
  const QSignalBlocker blockPins(m_pins);
  m_devices->clear();
  m_pins->clear();
  m_sources.clear();
  m_mixer.reset();
}

void CRecordDlg::OnMeterTick(const CapturePoll::Tick& tick, int left, int right) {
  m_meterRight->SetPos(right);
  m_meterLeft->SetPos(left);
  const CapturePoll& poll = m_bar->poll();
  m_timeRecorded->setText(ElapsedText(poll.recordedBytes() / kBytesPerSecond));
  m_diskSpace->setText(DiskSpaceText());
  if (poll.tickCount() % 10 == 1 && poll.captureStarted() && m_bar->settings().flashRecordDialog != 0)
    SetCaption(!m_flashed);
  if (m_remote && m_remote->isVisible()) m_remote->SetLevels(left, right);
  LogTickTrouble(tick);
}

void CRecordDlg::LogTickTrouble(const CapturePoll::Tick& tick) {
  if (tick.lostBytes > 0)
    AddLogLine(QStringLiteral("Recording overrun: %1 seconds lost.").arg(Seconds(tick.lostBytes)));
  const uint64_t recorded = m_bar->poll().recordedBytes();
  if (tick.writeFailed) {
    m_unwrittenBytes += tick.unwrittenBytes;
    if (!m_writeFailing) AddLogLine(QStringLiteral("Writing the recording failed; the disk may be full."));
    m_writeFailing = true;
    m_recordedAtFailure = recorded;
  } else if (m_writeFailing && recorded > m_recordedAtFailure) {
    m_writeFailing = false;
    AddLogLine(QStringLiteral("Writing the recording goes on."));
  }
}

bool CRecordDlg::LogDeviceFailure(const DeviceResult& result, const QString& what) {
  if (result.Succeeded()) return true;
  // The server's own words for a timeout ("Timeout") say too little.
  const QString why = result.code == kDeviceErrorTimeout ? QStringLiteral("The sound server did not answer in time.")
                                                         : QString::fromStdString(result.description);
  AddLogLine(why.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, why));
  return false;
}

void CRecordDlg::SetCaption(bool flashed) {
  m_flashed = flashed;
  setWindowTitle(flashed ? QString::fromUtf8("\u25CF ") + Caption() : Caption());
}

QString CRecordDlg::ElapsedText(uint64_t seconds) {
  return QStringLiteral("%1:%2:%3")
      .arg(seconds / 3600)
      .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString CRecordDlg::TimeStamp(const QTime& time) {
  std::tm local{};
  local.tm_hour = time.hour();
  local.tm_min = time.minute();
  local.tm_sec = time.second();
  return QString::fromStdString(FormatHistoryTime(local));
}

void CRecordDlg::AddLogLine(const QString& message) {
  m_log->appendPlainText(TimeStamp(QTime::currentTime()) + QLatin1Char('\t') + message);
  m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
}
