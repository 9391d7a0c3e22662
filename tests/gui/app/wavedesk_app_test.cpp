// The application as a user drives it: the splash during start-up, documents
// opened by extension, created blank, saved in both formats, the "*" of a
// modified document in the titles, the preferences kept in the profile
// between runs, Exit's questions about unsaved documents, and the clips of a
// killed run cleaned up by a start that finds no other instance.
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QSettings>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/model/raw_file.h"
#include "core/model/wave_file.h"
#include "gui/app/main_frame.h"
#include "gui/base/resource_ids.h"
#include "gui/panes/splash_wnd.h"
#include "gui/app/wavedesk_app.h"
#include "gui/document/wavedesk_doc.h"
#include "modal_dialog.h"
#include "gui/panes/clipboard_dlg.h"
#include "gui/panes/child_frame.h"
#include "test_app.h"
#include "test_support.h"

namespace {

class WavedeskAppTest : public testing::Test {
 protected:
  void SetUp() override {
    gui_test::UseProfile(m_profile.path());
    QSettings::setDefaultFormat(QSettings::NativeFormat);
  }

  std::unique_ptr<CWavedeskApp> Start() { return gui_test::StartApp(); }

  // A short working-format wave file with a title tag.
  std::string WriteWave(const std::string& name) {
    const std::string path = m_files.File(name);
    std::vector<int16_t> samples(4000, 1234);
    TagSet tags;
    tags.fill("(empty)");
    tags[kTagTitle] = "Tone";
    EXPECT_EQ(WriteWaveFile(MakeFormatRecord(WorkingFormat()), reinterpret_cast<const uint8_t*>(samples.data()),
                            samples.size() * 2, path, &tags),
              WriteResult::kOk);
    return path;
  }

  test_support::TemporaryFolder m_profile;
  test_support::TemporaryFolder m_files;
};

TEST_F(WavedeskAppTest, TheSplashShowsEveryStartUpStepInOrder) {
  // Given a start with the splash window
  CWavedeskApp app;
  QStringList shown;
  QObject::connect(&app, &CWavedeskApp::startupStatus, [&shown](const QString& text) {
    // What the splash's own status line says as the step is announced
    QString onSplash = QStringLiteral("<no splash>");
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* splash = qobject_cast<CSplashWnd*>(window);
      if (splash != nullptr && splash->isVisible()) onSplash = splash->statusText();
    }
    shown << (onSplash == text ? text : text + QStringLiteral(" (splash: ") + onSplash + QStringLiteral(")"));
  });
  QObject::connect(&app, &CWavedeskApp::startupPause,
                   [&shown](int milliseconds) { shown << QStringLiteral("(wait %1 ms)").arg(milliseconds); });
  CWavedeskApp::Options options;
  options.backend = SoundBackend::Null;
  options.singleInstance = false;
  options.showCommonTasks = false;
  // When the program starts
  ASSERT_TRUE(app.InitInstance(options));
  // Then the splash has shown each step, with the two waits, in this order
  EXPECT_EQ(shown, (QStringList{"Lauching application..", "Initializing...", "(wait 200 ms)", "Preparing Clipboard...",
                                "Initializing Common Controls...", "Enabling HTML Help...", "Initializing OLE libraries",
                                "Reading from Registry...", "Creating Template...", "Parsing Shell command",
                                "Initializing DirectX", "Welcome", "(wait 500 ms)"}));
  EXPECT_TRUE(app.mainFrame()->isVisible());
}

TEST_F(WavedeskAppTest, OpensAWaveFileIntoANewWindow) {
  auto app = Start();
  const std::string path = WriteWave("tone.wav");
  ASSERT_TRUE(app->OpenDocumentFile(QString::fromStdString(path)));
  CMainFrame* frame = app->mainFrame();
  ASSERT_EQ(frame->mdiArea()->subWindowList().size(), 1);
  CChildFrame* child = frame->activeChild();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(frame->windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - tone.wav"));
  EXPECT_EQ(child->document()->sound().layers.size(), 1u);
  EXPECT_EQ(child->document()->sound().tags[kTagTitle], "Tone");
  // Opening the same file again brings its window forward.
  EXPECT_TRUE(app->OpenDocumentFile(QString::fromStdString(path)));
  EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 1);
  EXPECT_EQ(frame->recentFiles().value(0), QString::fromStdString(path));
}

TEST_F(WavedeskAppTest, ExtensionIsComparedWithoutRegardToCase) {
  auto app = Start();
  const std::string path = WriteWave("LOUD.WAV");
  EXPECT_TRUE(app->OpenDocumentFile(QString::fromStdString(path)));
  EXPECT_EQ(app->mainFrame()->mdiArea()->subWindowList().size(), 1);
}

TEST_F(WavedeskAppTest, NewBlankFileIsFortyThousandFramesOfSilence) {
  auto app = Start();
  ASSERT_TRUE(app->mainFrame()->ExecuteCommand(CommandId::kFileNew));
  CChildFrame* child = app->mainFrame()->activeChild();
  ASSERT_NE(child, nullptr);
  const CSound& sound = child->document()->sound();
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers[0]->length(), 160000u);
  EXPECT_EQ(sound.path, "(no name)");
  EXPECT_TRUE(child->document()->isNew());
  EXPECT_EQ(app->mainFrame()->windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - Untitled"));
}

TEST_F(WavedeskAppTest, ModifiedDocumentShowsAStarInBothTitles) {
  auto app = Start();
  ASSERT_TRUE(app->mainFrame()->ExecuteCommand(CommandId::kFileNew));
  CChildFrame* child = app->mainFrame()->activeChild();
  child->document()->SetModifiedFlag(true);
  EXPECT_EQ(app->mainFrame()->windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - Untitled*"));
  EXPECT_EQ(app->mainFrame()->mdiArea()->activeSubWindow()->windowTitle(), QStringLiteral("Untitled*"));
  EXPECT_EQ(child->document()->title(), QStringLiteral("Untitled"));  // the prompt names the plain title
  child->document()->SetModifiedFlag(false);
  EXPECT_EQ(app->mainFrame()->windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - Untitled"));
}

TEST_F(WavedeskAppTest, SavesAsWaveAndAsLayeredDocument) {
  auto app = Start();
  ASSERT_TRUE(app->OpenDocumentFile(QString::fromStdString(WriteWave("in.wav"))));
  CWavedeskDoc* document = app->mainFrame()->activeChild()->document();
  document->sound().AppendLayer("second", std::make_unique<uint8_t[]>(400), 400).offset = 4000;
  document->SetModifiedFlag(true);

  // Quick save writes the mix-down as 16-bit stereo PCM with the tags.
  QStringList notices;
  QObject::connect(document, &CWavedeskDoc::notice, [&notices](const QString& text) { notices << text; });
  const std::string wave = m_files.File("out.wav");
  ASSERT_TRUE(document->OnSaveDocument(QString::fromStdString(wave), {}));
  // The layers exist only in the window now: the document stays modified,
  // the status bar says why once, and closing would ask, naming them.
  EXPECT_TRUE(document->IsModified());
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices.front().contains(QStringLiteral("Tarvo document"))) << notices.front().toStdString();
  ASSERT_TRUE(document->OnSaveDocument(QString::fromStdString(wave), {}));
  EXPECT_EQ(notices.size(), 1);
  document->SetPathName(QString::fromStdString(wave));
  QString question;
  gui_test::WhenMessageBoxShows([&question](QMessageBox* box) {
    question = box->text();
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_FALSE(document->SaveModified([] { return true; }));
  EXPECT_TRUE(question.contains(QStringLiteral("\"second\""))) << question.toStdString();
  CSound reread;
  reread.path = wave;
  ASSERT_EQ(reread.ReadWaveFile(), ReadResult::kOk);
  EXPECT_EQ(reread.formatSize, 16u);
  EXPECT_EQ(reread.layers[0]->length(), 8000u);
  EXPECT_EQ(reread.tags[kTagTitle], "Tone");

  // A layered document keeps both layers.
  const std::string layered = m_files.File("out.tvf");
  ASSERT_TRUE(document->OnSaveDocument(QString::fromStdString(layered), {}));
  EXPECT_FALSE(document->IsModified());
  CSound layers;
  ASSERT_EQ(layers.ReadDocumentFile(layered), ReadResult::kOk);
  ASSERT_EQ(layers.layers.size(), 2u);
  EXPECT_EQ(layers.layers[1]->offset, 4000);

  // Any other extension is not a format to save in.
  EXPECT_FALSE(CWavedeskDoc::IsSavableExtension(QStringLiteral("x.mp3")));
  EXPECT_FALSE(document->OnSaveDocument(QString::fromStdString(m_files.File("x.raw")), {}));
}

TEST_F(WavedeskAppTest, OpenFailureNamesTheReason) {
  auto app = Start();
  CWavedeskDoc document(app->settings());
  const std::string bad = m_files.File("bad.tvf");
  test_support::WriteFileBytes(bad, "RIFF....");
  class NoQuestions : public RawPCMQuestions {
    bool Ask(RawPCMAnswers*) override { return false; }
  } cancel;
  const auto outcome = document.OnOpenDocument(QString::fromStdString(bad), cancel);
  EXPECT_FALSE(outcome.ok);
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_TRUE(outcome.message.contains(QStringLiteral("damaged")));
  // A raw file whose questions are cancelled fails without a message.
  const std::string raw = m_files.File("x.pcm");
  test_support::WriteFileBytes(raw, "1234");
  CWavedeskDoc other(app->settings());
  const auto cancelled = other.OnOpenDocument(QString::fromStdString(raw), cancel);
  EXPECT_FALSE(cancelled.ok);
  EXPECT_TRUE(cancelled.cancelled);
}

TEST_F(WavedeskAppTest, PreferencesAreKeptInTheProfile) {
  {
    // Given no stored preferences, the defaults apply
    auto app = Start();
    EXPECT_EQ(app->settings(), SettingsRecord{});
    app->settings().showCommonTasksAtStart = 0;
    app->settings().showClipboardOnCopy = 1;
    app->mainFrame()->AddRecentFile(QStringLiteral("/tmp/a.wav"));
    app->mainFrame()->close();
  }
  {
    // When the program starts again, they are read back
    auto app = Start();
    EXPECT_EQ(app->settings().showCommonTasksAtStart, 0);
    EXPECT_EQ(app->settings().showClipboardOnCopy, 1);
    EXPECT_EQ(app->mainFrame()->recentFiles(), QStringList{QStringLiteral("/tmp/a.wav")});
  }
  {
    // A shorter stored value replaces only the leading flags; a longer one fills the six
    QSettings().setValue(QStringLiteral("Settings/Preferences"), QByteArray("\x00\x00", 2));
    auto app = Start();
    EXPECT_EQ(app->settings().autoCreateEnvelope, 0);
    EXPECT_EQ(app->settings().zoomToFitOnOpen, 1);
    app.reset();
    QSettings().setValue(QStringLiteral("Settings/Preferences"), QByteArray("\x01\x01\x00\x00\x00\x00\x01\x01", 8));
    auto again = Start();
    EXPECT_EQ(again->settings().quickSaveAsWave, 0);
    EXPECT_EQ(again->settings().zoomToFitOnOpen, 0);
  }
}

TEST_F(WavedeskAppTest, PreferencesChosenInTheDialogAreKeptBeforeTheProgramEnds) {
  auto app = Start();
  ASSERT_EQ(app->settings().quickSaveAsWave, 1);
  // The user switches quick save off and presses OK
  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QCheckBox*>(ControlName(IDC_PREF_QUICK_SAVE))->click();
    dialog->findChild<QPushButton*>(ControlName(IDOK))->click();
  });
  app->OnCommand(CommandId::kPreferences);
  // The profile holds the choice while the program still runs, as a crash
  // would leave it
  SettingsRecord stored;
  const QByteArray bytes = QSettings().value(QStringLiteral("Settings/Preferences")).toByteArray();
  stored.ReadBytes(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
  EXPECT_EQ(stored.quickSaveAsWave, 0);
  EXPECT_EQ(app->settings().quickSaveAsWave, 0);
}

TEST_F(WavedeskAppTest, PlayControlsDriveTheDocumentsSound) {
  auto app = Start();
  ASSERT_TRUE(app->OpenDocumentFile(QString::fromStdString(WriteWave("play.wav"))));
  CMainFrame* frame = app->mainFrame();
  CSound& sound = frame->activeChild()->document()->sound();
  const int32_t end = static_cast<int32_t>(sound.GetLength()) - 1;
  // Jump to End puts the cursor on the last byte, Jump to Start back on 0.
  ASSERT_TRUE(frame->ExecuteCommand(CommandId::kJumpToEnd));
  EXPECT_EQ(sound.selectionStart, end);
  EXPECT_EQ(sound.selectionEnd, end);
  ASSERT_TRUE(frame->ExecuteCommand(CommandId::kJumpToStart));
  EXPECT_EQ(sound.selectionStart, 0);
  // Play starts the sound on the null device; Stop ends it with the
  // selection it started from.
  sound.selectionStart = sound.selectionEnd = 400;
  ASSERT_TRUE(frame->ExecuteCommand(CommandId::kPlay));
  EXPECT_TRUE(sound.IsPlaying());
  // Jumps are ignored while playing.
  ASSERT_TRUE(frame->ExecuteCommand(CommandId::kJumpToEnd));
  EXPECT_NE(sound.selectionStart, end);
  ASSERT_TRUE(frame->ExecuteCommand(CommandId::kStop));
  EXPECT_FALSE(sound.IsPlaying());
  EXPECT_EQ(sound.selectionStart, 400);
  // Play All starts from 0 whatever the selection.
  ASSERT_TRUE(frame->ExecuteCommand(CommandId::kPlayAll));
  EXPECT_TRUE(sound.IsPlaying());
  ASSERT_TRUE(frame->ExecuteCommand(CommandId::kPause));
  EXPECT_FALSE(sound.IsPlaying());
}

TEST_F(WavedeskAppTest, DroppedFilesAreOpened) {
  auto app = Start();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(WriteWave("one.wav"))),
                QUrl::fromLocalFile(QString::fromStdString(WriteWave("two.wav")))});
  // A drop reaches the widget that accepted the drag's entry.
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(app->mainFrame(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(app->mainFrame(), &drop);
  EXPECT_EQ(app->mainFrame()->mdiArea()->subWindowList().size(), 2);
}

// Answers the save questions as they come, one answer each, and keeps their
// texts; a question beyond the answers is cancelled.
class SaveQuestions {
 public:
  explicit SaveQuestions(QList<QMessageBox::StandardButton> answers) : m_answers(std::move(answers)) {
    m_poll.setInterval(10);
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      asked << box->text();
      const QMessageBox::StandardButton answer = m_answers.isEmpty() ? QMessageBox::Cancel : m_answers.takeFirst();
      box->button(answer)->click();
    });
    m_poll.start();
  }
  QStringList asked;

 private:
  QList<QMessageBox::StandardButton> m_answers;
  QTimer m_poll;
};

TEST_F(WavedeskAppTest, CancelAtTheFirstSaveQuestionEndsTheWholeExit) {
  // Given three documents, the first and the last modified
  auto app = Start();
  CMainFrame* frame = app->mainFrame();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(frame->ExecuteCommand(CommandId::kFileNew));
  const QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
  ASSERT_EQ(windows.size(), 3);
  auto documentOf = [&](int i) { return qobject_cast<CChildFrame*>(windows[i]->widget())->document(); };
  documentOf(0)->SetTitle(QStringLiteral("one.wav"));
  documentOf(1)->SetTitle(QStringLiteral("two.wav"));
  documentOf(2)->SetTitle(QStringLiteral("three.wav"));
  documentOf(0)->SetModifiedFlag(true);
  documentOf(2)->SetModifiedFlag(true);
  {
    // When Exit is chosen and the first question is answered Cancel
    SaveQuestions questions({QMessageBox::Cancel});
    ASSERT_TRUE(frame->ExecuteCommand(CommandId::kAppExit));
    QCoreApplication::processEvents();
    // Then nothing else is asked, and every window stays as it was
    EXPECT_EQ(questions.asked, QStringList{QStringLiteral("Save changes to one.wav?")});
  }
  EXPECT_TRUE(frame->isVisible());
  ASSERT_EQ(frame->mdiArea()->subWindowList().size(), 3);
  for (QMdiSubWindow* window : windows) EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(documentOf(0)->IsModified());
  EXPECT_TRUE(documentOf(2)->IsModified());
  {
    // When Exit is chosen again and the second question is cancelled after
    // the first was answered No
    SaveQuestions questions({QMessageBox::No, QMessageBox::Cancel});
    ASSERT_TRUE(frame->ExecuteCommand(CommandId::kAppExit));
    QCoreApplication::processEvents();
    // Then both were asked in order, and still no window has closed
    EXPECT_EQ(questions.asked,
              (QStringList{QStringLiteral("Save changes to one.wav?"), QStringLiteral("Save changes to three.wav?")}));
  }
  EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 3);
  EXPECT_TRUE(frame->isVisible());
  {
    // When both are answered No, each is asked once and everything closes
    SaveQuestions questions({QMessageBox::No, QMessageBox::No});
    ASSERT_TRUE(frame->ExecuteCommand(CommandId::kAppExit));
    QCoreApplication::processEvents();
    EXPECT_EQ(questions.asked.size(), 2);
  }
  EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty());
  EXPECT_FALSE(frame->isVisible());
}

TEST_F(WavedeskAppTest, DocumentCommandsDoNothingWithoutADocument) {
  auto app = Start();
  EXPECT_FALSE(app->mainFrame()->ExecuteCommand(CommandId::kFileSave));
  EXPECT_FALSE(app->mainFrame()->ExecuteCommand(CommandId::kZoomIn));
  EXPECT_TRUE(app->mainFrame()->ExecuteCommand(CommandId::kFileNew));
  EXPECT_TRUE(app->mainFrame()->action(CommandId::kZoomIn)->isEnabled());
}

// Points the temporary folder and the single-instance name at folders of
// the test's own, so that no editor running on the machine takes part.
class PrivateRunFolders {
 public:
  PrivateRunFolders()
      : m_savedTemp(qgetenv("TMPDIR")), m_savedRuntime(qgetenv("XDG_RUNTIME_DIR")) {
    std::filesystem::permissions(m_runtime.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    qputenv("TMPDIR", QByteArray::fromStdString(m_temp.path().string()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_runtime.path().string()));
  }
  ~PrivateRunFolders() {
    Restore("TMPDIR", m_savedTemp);
    Restore("XDG_RUNTIME_DIR", m_savedRuntime);
  }
  const test_support::TemporaryFolder& temp() const { return m_temp; }

 private:
  static void Restore(const char* name, const QByteArray& value) {
    if (value.isNull())
      qunsetenv(name);
    else
      qputenv(name, value);
  }
  test_support::TemporaryFolder m_temp;
  test_support::TemporaryFolder m_runtime;
  QByteArray m_savedTemp;
  QByteArray m_savedRuntime;
};

TEST_F(WavedeskAppTest, AStartAloneCleansUpTheClipsOfAKilledRunButNeverThoseOfARunningInstance) {
  PrivateRunFolders folders;
  ASSERT_EQ(QDir::tempPath().toStdString(), folders.temp().path().string());
  // Given a clip file a killed run left behind, and another file in the
  // temporary folder
  const std::string leftover = folders.temp().File("SDFk1lled");
  const std::string other = folders.temp().File("notes.txt");
  test_support::WriteFileBytes(leftover, std::string("RIFF\4\0\0\0WAVE", 12));
  test_support::WriteFileBytes(other, "notes");
  CWavedeskApp::Options options;
  options.backend = SoundBackend::Null;
  options.showCommonTasks = false;
  options.showSplash = false;
  options.singleInstance = true;

  // When the program starts while another instance answers, the start is
  // handed over and the clip stays: it may be the other instance's
  {
    QLocalServer running;
    ASSERT_TRUE(running.listen(SingleInstanceName()));
    CWavedeskApp second;
    EXPECT_FALSE(second.InitInstance(options));
    EXPECT_TRUE(std::filesystem::exists(leftover));
  }

  // When it starts with no other instance running, the clip is nobody's and goes
  CWavedeskApp first;
  ASSERT_TRUE(first.InitInstance(options));
  EXPECT_FALSE(std::filesystem::exists(leftover));
  EXPECT_TRUE(std::filesystem::exists(other));

  // and a second start while it runs leaves its clips alone
  const std::vector<uint8_t> bytes(400, 7);
  ASSERT_TRUE(first.mainFrame()->clipboardDlg()->AddCopiedClip(bytes.data(), bytes.size()));
  const std::string clip = first.mainFrame()->clipboardDlg()->store().rows().front().path;
  ASSERT_EQ(std::filesystem::path(clip).parent_path(), folders.temp().path());
  CWavedeskApp second;
  EXPECT_FALSE(second.InitInstance(options));
  EXPECT_TRUE(std::filesystem::exists(clip));
}

}  // namespace
