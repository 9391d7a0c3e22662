#include "gui/app/wavedesk_app.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QUrl>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include "core/edit/clip_store.h"
#include "core/model/media_writer.h"
#include "core/model/sound_file_types.h"
#include "core/model/stream_shape.h"
#include "gui/base/media_save_profile.h"
#include "gui/panes/media_options_dlg.h"
#include "gui/panes/format_chooser_dlg.h"
#include "gui/base/help_files.h"
#include "gui/app/main_frame.h"
#include "gui/panes/preferences_dlg.h"
#include "gui/panes/quick_start_dlg.h"
#include "gui/panes/raw_pcm_dlg.h"
#include "gui/document/recovery_store.h"
#include "gui/panes/splash_wnd.h"
#include "gui/base/type_file_dialog.h"
#include "gui/panes/dialog_new.h"
#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/monitor_bar.h"
#include "gui/panes/child_frame.h"
#include "gui/panes/help_window.h"

namespace {

constexpr int kHandOverTimeoutMs = 2000;

const char* const kAudioFailureText =
    "DirectX failed to initialize. \n\nThis could be because you have no appropriate sound device installed "
    "or perhaps because your sound device does not support 16-bit 44.1kHz Stereo recording. Please check "
    "your system to see if it matches the minimum requirements.";

}  // namespace

QString SingleInstanceName() {
  // The socket lives in the user's runtime folder, so that each user (and
  // each login session) has its own running instance.
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  const QString name = QStringLiteral("TheOneAndOnlySoundApplication!");
  if (!runtime.isEmpty()) return runtime + QLatin1Char('/') + name;
  return name + QLatin1Char('-') + qEnvironmentVariable("USER", QStringLiteral("user"));
}

CWavedeskApp::CWavedeskApp() = default;

CWavedeskApp::~CWavedeskApp() {
  m_dialogNew.reset();
  // The help window is the frame's child: it goes before the frame would
  // take it along.
  m_helpWindow.reset();
  m_frame.reset();
  // After the frame: the documents it closed have asked for their entries
  // to go, and the store waits for that.
  m_recovery.reset();
  ExitInstance();
}

bool CWavedeskApp::HandOverToRunningInstance(const QString& file) {
  QLocalSocket socket;
  socket.connectToServer(SingleInstanceName());
  if (!socket.waitForConnected(kHandOverTimeoutMs)) return false;
  // The running instance opens the file (if any) and comes to the front.
  const QString absolute = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
  socket.write(absolute.toUtf8() + '\n');
  socket.waitForBytesWritten(kHandOverTimeoutMs);
  socket.waitForReadyRead(kHandOverTimeoutMs);
  return true;
}

void CWavedeskApp::ListenForOtherInstances() {
  m_server = new QLocalServer(this);
  QLocalServer::removeServer(SingleInstanceName());  // a name left by a crashed instance
  if (!m_server->listen(SingleInstanceName())) return;
  connect(m_server, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) return;
        const QString file = QString::fromUtf8(socket->readLine()).trimmed();
        socket->write("ok\n");
        socket->flush();
        socket->disconnectFromServer();
        if (m_frame) {
          if (m_frame->isMinimized()) m_frame->showNormal();
          m_frame->raise();
          m_frame->activateWindow();
        }
        if (!file.isEmpty()) OpenDocumentFile(file);
      });
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

bool CWavedeskApp::InitInstance(const Options& options) {
  if (options.singleInstance) {
    if (HandOverToRunningInstance(options.fileToOpen)) return false;
    ListenForOtherInstances();
    // Clip files of a run that was killed are nobody's once this instance
    // holds the name every instance listens on: no other one answered it, so
    // none runs. Without the name (or without the check) they stay: a
    // running instance's clips look just the same.
    if (m_server != nullptr && m_server->isListening())
      CClipStore::RemoveLeftoverClipFiles(QDir::tempPath().toStdString());
  }
  // The folder is this instance's only once no other instance runs; one
  // that cannot be had (another program holds it) keeps nothing.
  if (!options.recoveryFolder.isEmpty()) {
    auto store = std::make_unique<CRecoveryStore>();
    if (store->Open(options.recoveryFolder)) m_recovery = std::move(store);
  }

  // The splash's status line names each step of start-up while it runs.
  QPointer<CSplashWnd> splash;
  if (options.showSplash) {
    splash = new CSplashWnd;
    splash->ShowSplash();
  }
  auto status = [this, &splash](const char* text) {
    const QString line = QString::fromLatin1(text);
    if (splash) splash->SetStatusText(line);
    emit startupStatus(line);
  };
  // Two pauses let the splash be read: after its first line, and with the
  // main window up before it goes. They keep the splash's fade running but
  // take no input and no hand-over from another instance meanwhile. Without
  // a splash there is nothing to read and no reason to wait.
  auto pause = [this, &splash](int milliseconds) {
    emit startupPause(milliseconds);
    if (!splash) return;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
  };
  status("Lauching application..");
  status("Initializing...");
  pause(200);
  SeedRuntimeRandom(static_cast<uint32_t>(QDateTime::currentSecsSinceEpoch()));
  status("Preparing Clipboard...");
  status("Initializing Common Controls...");
  status("Enabling HTML Help...");
  status("Initializing OLE libraries");
  status("Reading from Registry...");
  status("Creating Template...");
  m_frame = std::make_unique<CMainFrame>(this, &m_settings);
  m_dialogNew = std::make_unique<CDialogNew>(m_frame.get());
  connect(m_frame.get(), &CMainFrame::openFileRequested, this, &CWavedeskApp::OpenDocumentFile);
  status("Parsing Shell command");

  status("Initializing DirectX");
  const DeviceResult opened = m_devices.Open(options.backend);
  if (!opened.Succeeded()) {
    if (splash) splash->CloseSplash();
    QMessageBox::critical(nullptr, QString::fromLatin1(kApplicationTitle),
                          QString::fromLatin1(kAudioFailureText) + QStringLiteral("\n\n(%1: %2)").arg(
                              QString::fromStdString(opened.name), QString::fromStdString(opened.description)));
    return false;
  }

  // The meter starts once there is a capture ring to read; a finished
  // recording is handed to a new, empty document: nothing is generated only
  // to be replaced.
  m_frame->monitorBar()->SetNewDocumentHandler([this] {
    auto document = NewDocument();
    document->SetNew(true);
    return ShowDocument(std::move(document));
  });
  m_frame->monitorBar()->StartMeterTimer();

  status("Welcome");
  m_frame->show();
  m_frame->repaint();
  pause(500);
  if (splash) splash->CloseSplash();
  // Work a crash left behind comes first; whoever takes it back needs no
  // Common Tasks.
  const bool recovered = OfferRecovery();
  // The file named on the command line opens once the sound devices are up,
  // so that its document can play at once.
  if (!options.fileToOpen.isEmpty()) {
    OpenDocumentFile(options.fileToOpen);
  } else if (!recovered && options.showCommonTasks && m_settings.showCommonTasksAtStart) {
    // Offered once the main window is up and the event loop runs.
    QTimer::singleShot(0, this, &CWavedeskApp::RunCommonTasks);
  }
  return true;
}

void CWavedeskApp::RunCommonTasks() {
  CQuickStartDlg dialog(m_settings.showCommonTasksAtStart != 0, m_frame.get());
  dialog.exec();
  m_settings.showCommonTasksAtStart = dialog.showAtStartup() ? 1 : 0;
  switch (dialog.task()) {
    case kTaskOpenExistingFile:
      OnFileOpen();
      break;
    case kTaskCreateBlankFile:
      OnCommand(CommandId::kFileNew);
      break;
    case kTaskGenerateTone:
      OnCommand(CommandId::kNewGeneratedWave);
      break;
    case kTaskBeginRecording:
      m_frame->monitorBar()->RunRecordDialog();
      break;
    default:  // closed without a task
      break;
  }
}

void CWavedeskApp::ExitInstance() { m_devices.Close(); }

void CWavedeskApp::OnMainWindowClosing() {
  m_frame->monitorBar()->KillMeterTimer();
  if (SoundCaptureBuffer* ring = m_devices.captureRing()) ring->Stop();
}

std::unique_ptr<CWavedeskDoc> CWavedeskApp::NewDocument() {
  auto document = std::make_unique<CWavedeskDoc>(m_settings);
  if (m_devices.output() != nullptr) document->AttachPlayback(*m_devices.output());
  return document;
}

bool CWavedeskApp::OpenDocumentFile(const QString& path) {
  // A document already open in a window is brought forward instead.
  const QString absolute = QFileInfo(path).absoluteFilePath();
  for (QMdiSubWindow* window : m_frame->mdiArea()->subWindowList()) {
    auto* child = qobject_cast<CChildFrame*>(window->widget());
    if (child != nullptr && QFileInfo(child->document()->pathName()).absoluteFilePath() == absolute) {
      m_frame->mdiArea()->setActiveSubWindow(window);
      return true;
    }
  }
  auto document = NewDocument();
  CRawPCMDlg rawDialog(m_frame.get());
  const CWavedeskDoc::OpenOutcome outcome = document->OnOpenDocument(absolute, rawDialog);
  if (!outcome.ok) {
    if (!outcome.cancelled) {
      QMessageBox::warning(m_frame.get(), QString::fromLatin1(kApplicationTitle),
                           tr("Cannot open %1.\n\n%2").arg(QFileInfo(path).fileName(), outcome.message));
    }
    return false;
  }
  m_frame->AddRecentFile(absolute);
  ShowDocument(std::move(document));
  if (!outcome.statusNote.isEmpty()) m_frame->statusBar()->showMessage(outcome.statusNote);
  if (!outcome.notice.isEmpty())
    QMessageBox::information(m_frame.get(), QString::fromLatin1(kApplicationTitle),
                             tr("%1\n\n%2").arg(QFileInfo(path).fileName(), outcome.notice));
  return true;
}

CChildFrame* CWavedeskApp::NewGeneratedDocument(const GeneratorParameters& parameters) {
  auto document = NewDocument();
  bool cancelled = false;
  if (!document->OnNewDocument(parameters, &cancelled)) {
    if (cancelled) return nullptr;
    QMessageBox::warning(m_frame.get(), QString::fromLatin1(kApplicationTitle),
                         tr("There is not enough memory for a sound of that length."));
    return nullptr;
  }
  return ShowDocument(std::move(document));
}

CChildFrame* CWavedeskApp::ShowDocument(std::unique_ptr<CWavedeskDoc> document, const std::string& recoveryEntry) {
  CWavedeskDoc* shown = document.get();
  CChildFrame* child = m_frame->AddDocumentWindow(document.release());
  if (m_recovery) m_recovery->Watch(shown, recoveryEntry);
  return child;
}

bool CWavedeskApp::OfferRecovery() {
  if (!m_recovery) return false;
  const std::vector<RecoveryEntry> entries = m_recovery->Entries();
  if (entries.empty()) return false;
  auto nameOf = [](const RecoveryEntry& entry) {
    if (!entry.originalPath.empty())
      return QFileInfo(QFile::decodeName(QByteArray::fromStdString(entry.originalPath))).fileName();
    return entry.title.empty() ? QStringLiteral("Untitled") : QString::fromUtf8(entry.title.c_str());
  };
  QString list;
  for (const RecoveryEntry& entry : entries) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(entry.time);
    list += tr("    %1  (changed %2)\n").arg(nameOf(entry), QLocale().toString(when, QLocale::ShortFormat));
  }
  QMessageBox question(QMessageBox::Question, tr("Recover Unsaved Work"),
                       tr("%1 ended without closing these documents, and their last changes were not "
                          "saved:\n\n%2\nDo you want to recover them? If you answer No, these changes are lost.")
                           .arg(QString::fromLatin1(kApplicationTitle), list),
                       QMessageBox::Yes | QMessageBox::No, m_frame.get());
  question.setObjectName(QStringLiteral("RecoveryQuestion"));
  question.setDefaultButton(QMessageBox::Yes);
  // Only an explicit No throws the work away: Escape or closing the
  // question takes it back, and the user can still close what they do not
  // want.
  question.setEscapeButton(QMessageBox::Yes);
  if (question.exec() != QMessageBox::Yes) {
    for (const RecoveryEntry& entry : entries) m_recovery->Discard(entry.file);
    return false;
  }

  bool any = false;
  QStringList failures;
  for (const RecoveryEntry& entry : entries) {
    auto document = NewDocument();
    const ReadResult code = m_recovery->recoveryFolder().Load(entry.file, document->sound());
    if (code != ReadResult::kOk) {
      if (code == ReadResult::kOutOfMemory) {
        failures << tr("%1: there is not enough memory for it now; it is offered again at the next start.")
                        .arg(nameOf(entry));
      } else {
        // A damaged entry would only be offered again and again.
        failures << tr("%1: its recovery file is damaged.").arg(nameOf(entry));
        m_recovery->Discard(entry.file);
      }
      continue;
    }
    const QString original = QFile::decodeName(QByteArray::fromStdString(entry.originalPath));
    document->sound().path = entry.originalPath;
    if (!original.isEmpty())
      document->SetPathName(original);  // Save writes there again
    else
      document->SetTitle(nameOf(entry));  // Save asks for a name
    document->SetModifiedFlag(true);
    // The entry holds this state already; it stays until the document is
    // saved or closed.
    ShowDocument(std::move(document), entry.file);
    any = true;
  }
  if (!failures.isEmpty())
    QMessageBox::warning(m_frame.get(), QString::fromLatin1(kApplicationTitle),
                         tr("These documents could not be recovered:\n\n%1").arg(failures.join(QLatin1Char('\n'))));
  return any;
}

void CWavedeskApp::OnFileOpen() {
  // Every file the program opens first (and chosen), then the classic
  // filters, the video files whose sound it takes, and everything.
  QStringList video;
  for (std::string_view extension : VideoFileExtensions())
    video << QStringLiteral("*.") + QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size()));
  const QString filter = AllSoundFilesFilter() + QStringLiteral(
      ";;Compatible Audio Files (*.wav *.tvf);;Microsoft ACM Waveform (*.wav);;"
      "Tarvo Document File (*.tvf);;") + tr("Video files (%1)").arg(video.join(QLatin1Char(' '))) +
      QStringLiteral(";;All Files (*)");
  QFileDialog dialog(m_frame.get(), tr("Open"), QString(), filter);
  dialog.setFileMode(QFileDialog::ExistingFile);
  GiveFileDialogRoom(dialog);
  if (dialog.exec() != QDialog::Accepted) return;
  const QString path = dialog.selectedFiles().value(0);
  if (path.isEmpty()) return;
  m_frame->repaint();
  OpenDocumentFile(path);
}

void CWavedeskApp::OnCommand(CommandId id) {
  switch (id) {
    case CommandId::kFileNew:
      // A blank file: the generator's blank defaults, which the next
      // "New Generated Wave..." then offers too.
      m_dialogNew->SetBlankDefaults();
      NewGeneratedDocument(m_dialogNew->Parameters());
      break;
    case CommandId::kNewGeneratedWave:
      if (m_dialogNew->exec() == QDialog::Accepted) NewGeneratedDocument(m_dialogNew->Parameters());
      break;
    case CommandId::kFileOpen:
      OnFileOpen();
      break;
    case CommandId::kPreferences: {
      CPreferencesDlg dialog(m_settings, m_frame.get());
      // Chosen preferences are kept at once, not only at a normal exit: a
      // crash must not take them back.
      if (dialog.exec() == QDialog::Accepted) m_frame->SaveSettings();
      break;
    }
    case CommandId::kCommonTasks:
      RunCommonTasks();
      break;
    case CommandId::kRecord:
      m_frame->monitorBar()->RunRecordDialog();
      break;
    case CommandId::kHelpContents:
      ShowHelp();
      break;
    case CommandId::kPrintableGuide:
      OpenGuide();
      break;
    case CommandId::kAppAbout:
      QMessageBox::about(m_frame.get(), tr("About Tarvo Wavedesk"),
                         tr("<b>Tarvo Wavedesk 2.0</b><p>A layered sound editor.</p>"
                            "<p>Built with Qt %1, FFmpeg and PulseAudio.</p>").arg(QString::fromLatin1(qVersion())));
      break;
    default:
      break;
  }
}

void CWavedeskApp::ShowHelp() {
  const QString help = HelpFilePath(QString::fromLatin1(kHelpFileName));
  if (!QFileInfo::exists(help)) {
    QMessageBox::warning(m_frame.get(), QString::fromLatin1(kApplicationTitle),
                         tr("The help could not be found (%1).").arg(QDir::toNativeSeparators(help)));
    return;
  }
  if (!m_helpWindow) m_helpWindow = std::make_unique<CHelpWindow>(help, m_frame.get());
  m_helpWindow->show();
  m_helpWindow->raise();
  m_helpWindow->activateWindow();
}

void CWavedeskApp::OpenGuide() {
  const QString guide = HelpFilePath(QString::fromLatin1(kGuideFileName));
  const QString where = QDir::toNativeSeparators(guide);
  if (!QFileInfo::exists(guide)) {
    QMessageBox::warning(m_frame.get(), QString::fromLatin1(kApplicationTitle),
                         tr("The printable guide could not be found (%1).").arg(where));
    return;
  }
  // The desktop opens the file in the background and would say nothing when
  // no program shows PDF files: ask it first whether one does.
  QProcess query;
  query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                           QStringLiteral("application/pdf")});
  const bool viewer = query.waitForFinished(3000) && query.exitCode() == 0 &&
                      !query.readAllStandardOutput().trimmed().isEmpty();
  if (!viewer || !QDesktopServices::openUrl(QUrl::fromLocalFile(guide)))
    QMessageBox::information(m_frame.get(), QString::fromLatin1(kApplicationTitle),
                             tr("No program to show PDF files was found on this computer.\n\n"
                                "The printable guide is the file %1; open or print it with any PDF viewer.")
                                 .arg(where));
}

void CWavedeskApp::OnDocumentCommand(CommandId id, CChildFrame* child) {
  switch (id) {
    case CommandId::kFileSave:
      SaveDocument(child);
      break;
    case CommandId::kFileSaveAs:
      SaveDocumentAs(child);
      break;
    default:
      break;
  }
}

bool CWavedeskApp::CanCloseDocument(CChildFrame* child) {
  child->document()->sound().Stop();
  return child->document()->SaveModified([this, child] { return SaveDocument(child); });
}

bool CWavedeskApp::SaveDocument(CChildFrame* child) {
  CWavedeskDoc* document = child->document();
  // A document read from a raw file, or from a sound file we cannot write
  // (Wave64, CAF, WMA, a video), has no name it can be saved under: it goes
  // to Save As.
  const QString path = document->pathName();
  if (path.isEmpty() || !CWavedeskDoc::IsSavableExtension(path)) return SaveDocumentAs(child);
  SaveChoices choices;
  choices.chooseFormat = [this](FormatRecord* format) { return CFormatChooserDlg::ChooseFormat(m_frame.get(), format); };
  // A sound file is written again in its own format, with the options last
  // chosen for that format.
  std::optional<MediaSaveOptions> media;
  if (const std::optional<MediaSaveFormat> format = MediaSaveFormatForPath(QFile::encodeName(path).toStdString())) {
    if (!SayWhenEncoderMissing(*format, path)) return false;
    media = LoadMediaSaveOptions(*format);
    if (IsLossyMediaFormat(*format) && !AgreeToReencode(document, *format)) return false;
  }
  switch (AskBeforeLoweringQuality(document, media ? &*media : nullptr)) {
    case QualityAnswer::kCancel:
      return false;
    case QualityAnswer::kKeepFormat:
      if (media)
        media = document->model().KeepingFileShape(*media);
      else
        choices.keepWaveFormat = true;
      break;
    case QualityAnswer::kLower:
      break;
  }
  if (media) choices.chooseMediaOptions = [options = *media](MediaSaveOptions* chosen) {
    *chosen = options;
    return true;
  };
  QString failure;
  if (document->OnSaveDocument(path, choices, &failure)) return true;
  // A cancelled format choice needs no message; anything else does, with
  // its reason, and the document stays modified.
  if (!failure.isEmpty()) ShowSaveFailure(failure);
  return false;
}

bool CWavedeskApp::SayWhenEncoderMissing(MediaSaveFormat format, const QString& path) {
  std::string reason;
  if (MediaEncoderAvailable(format, &reason)) return true;
  ShowSaveFailure(tr("%1 cannot be saved as %2 here: %3.")
                      .arg(QFileInfo(path).fileName(), CMediaOptionsDlg::FormatName(format),
                           QString::fromStdString(reason)));
  return false;
}

bool CWavedeskApp::AgreeToReencode(CWavedeskDoc* document, MediaSaveFormat format) {
  if (document->reencodeAgreed() || !IsSaveQuestionOn(SaveQuestion::kLossyReencode)) return true;
  QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle),
                  tr("%1 is an %2 file: saving it encodes the sound again, which loses a little more of it each "
                     "time.\n\nSave it as %2 anyway? (Save As keeps every sample in a FLAC, AIFF or wave file.)")
                      .arg(document->title(), CMediaOptionsDlg::FormatName(format)),
                  QMessageBox::Save | QMessageBox::Cancel, m_frame.get());
  box.setDefaultButton(QMessageBox::Save);
  auto* dontAsk = new QCheckBox(tr("&Do not ask again"), &box);
  box.setCheckBox(dontAsk);
  if (box.exec() != QMessageBox::Save) return false;
  if (dontAsk->isChecked()) SetSaveQuestionOn(SaveQuestion::kLossyReencode, false);
  document->SetReencodeAgreed();
  return true;
}

namespace {

const QLocale& Numbers() {
  static const QLocale english(QLocale::English, QLocale::UnitedStates);
  return english;
}

// "96,000 Hz 24-bit", "48,000 Hz MP3", with the channels when they count.
QString ShapeWords(const StreamShape& shape, bool withChannels) {
  QString words = QObject::tr("%1 Hz").arg(Numbers().toString(shape.sampleRate));
  if (shape.lossy || shape.bits == 0)
    words += QLatin1Char(' ') + QString::fromStdString(shape.codec);
  else
    words += QObject::tr(" %1-bit").arg(shape.bits);
  if (withChannels)
    words += QLatin1Char(' ') + (shape.channels == 1   ? QObject::tr("mono")
                                 : shape.channels == 2 ? QObject::tr("stereo")
                                                       : QObject::tr("%1 channels").arg(shape.channels));
  return words.simplified();
}

// "44.1 kHz 16-bit", for a button.
QString ShortShapeWords(const StreamShape& shape, bool withChannels) {
  QString words = QObject::tr("%1 kHz").arg(Numbers().toString(shape.sampleRate / 1000.0, 'g', 4));
  if (shape.lossy || shape.bits == 0)
    words += QLatin1Char(' ') + QString::fromStdString(shape.codec);
  else
    words += QObject::tr(" %1-bit").arg(shape.bits);
  if (withChannels) words += QLatin1Char(' ') + (shape.channels == 1 ? QObject::tr("mono") : QObject::tr("stereo"));
  return words.simplified();
}

}  // namespace

CWavedeskApp::QualityAnswer CWavedeskApp::AskBeforeLoweringQuality(CWavedeskDoc* document,
                                                                    const MediaSaveOptions* media) {
  const SoundDocument& model = document->model();
  const std::optional<StreamShape> was = model.FileShape();
  if (!was) return QualityAnswer::kLower;
  const std::optional<StreamShape> saved =
      model.FileSaveShape(QFile::encodeName(document->pathName()).toStdString(), media);
  if (!saved || !LowersQuality(*was, *saved) || !IsSaveQuestionOn(SaveQuestion::kLowerQuality))
    return QualityAnswer::kLower;
  const StreamShape& written = *saved;
  const bool channels = written.channels != was->channels;
  QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle),
                  tr("Save %1 as %2? It was %3.")
                      .arg(document->title(), ShapeWords(written, channels), ShapeWords(*was, channels)),
                  QMessageBox::NoButton, m_frame.get());
  QPushButton* keep = box.addButton(tr("&Keep its format"), QMessageBox::AcceptRole);
  QPushButton* lower = box.addButton(tr("&Save as %1").arg(ShortShapeWords(written, channels)), QMessageBox::DestructiveRole);
  box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(keep);
  auto* dontAsk = new QCheckBox(tr("&Do not ask again"), &box);
  box.setCheckBox(dontAsk);
  box.exec();
  QualityAnswer answer = QualityAnswer::kCancel;
  if (box.clickedButton() == keep)
    answer = QualityAnswer::kKeepFormat;
  else if (box.clickedButton() == lower)
    answer = QualityAnswer::kLower;
  // Turned off, the question's answer is the quick save it asked about.
  if (answer != QualityAnswer::kCancel && dontAsk->isChecked()) SetSaveQuestionOn(SaveQuestion::kLowerQuality, false);
  return answer;
}

void CWavedeskApp::ShowSaveFailure(const QString& reason) {
  QString text = tr("Failed to Save.");
  if (!reason.isEmpty()) text += QStringLiteral("\n\n") + reason;
  QMessageBox::warning(m_frame.get(), QString::fromLatin1(kApplicationTitle), text);
}

QString CWavedeskApp::SaveAsFilter() {
  QString pairs = QStringLiteral("ACM Waveform (*.wav)|*.wav|Audio Document File (*.tvf)|*.tvf|");
  for (MediaSaveFormat format : kAllMediaSaveFormats) {
    const QString extension = QString::fromLatin1(MediaSaveExtension(format).data(),
                                                  static_cast<qsizetype>(MediaSaveExtension(format).size()));
    const QString patterns = format == MediaSaveFormat::kAiff ? QStringLiteral("*.aif;*.aiff")
                                                              : QStringLiteral("*.") + extension;
    const QString shown = QString(patterns).replace(QLatin1Char(';'), QLatin1Char(' '));
    // A format this FFmpeg cannot write stays in the list, saying why; the
    // patterns must stay last for the dialog to read them.
    std::string reason;
    QString description = CMediaOptionsDlg::FormatName(format);
    if (!MediaEncoderAvailable(format, &reason))
      description += tr(", not available: %1").arg(QString::fromStdString(reason));
    pairs += QStringLiteral("%1 (%2)|%3|").arg(description, shown, patterns);
  }
  return pairs + QLatin1Char('|');
}

bool CWavedeskApp::SaveDocumentAs(CChildFrame* child) {
  CWavedeskDoc* document = child->document();
  // A document read from a raw file or a format we cannot write is offered
  // under a name it can be saved as; one read from a format we write, in
  // that format.
  const QString initial = document->ProposedSaveName();
  CTypeFileDialog dialog(true, QStringLiteral("wav"), initial, SaveAsFilter(), m_frame.get());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const QString path = dialog.selectedFiles().first();
  SaveChoices choices;
  choices.chooseFormat = [this](FormatRecord* format) { return CFormatChooserDlg::ChooseFormat(m_frame.get(), format); };
  if (const std::optional<MediaSaveFormat> format = MediaSaveFormatForPath(QFile::encodeName(path).toStdString())) {
    if (!SayWhenEncoderMissing(*format, path)) return false;
    // The options dialog starts at the last choice for the format.
    choices.chooseMediaOptions = [this](MediaSaveOptions* options) {
      MediaSaveOptions chosen = LoadMediaSaveOptions(options->format);
      chosen.sampleRate = options->sampleRate;
      chosen.channels = options->channels;
      if (!CMediaOptionsDlg::Choose(m_frame.get(), &chosen)) return false;
      StoreMediaSaveOptions(chosen);
      *options = chosen;
      return true;
    };
  }
  QString failure;
  const bool saved = document->OnSaveDocument(path, choices, &failure);
  if (!saved) {
    // A cancelled format choice (or progress) is not a failure: nothing
    // was written and nothing needs saying.
    if (!failure.isEmpty()) ShowSaveFailure(failure);
    return false;
  }
  document->SetPathName(path);
  document->sound().path = QFile::encodeName(path).toStdString();
  m_frame->AddRecentFile(path);
  document->UpdateAllViews(UpdateHint::kAll);
  return true;
}
