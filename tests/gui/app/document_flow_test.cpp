// The document flows as the user meets them, with every dialog answered the
// way a user would: raw PCM described in its dialog (after a refused rate),
// MP3 opened at its own rate, Save As choosing the layered type, a wave save
// through the format chooser, the save prompt on closing, and an open that
// fails with its reason.
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/model/wave_file.h"
#include "gui/panes/format_chooser_dlg.h"
#include "gui/app/main_frame.h"
#include "gui/base/progress_popup.h"
#include "gui/base/resource_ids.h"
#include "gui/base/type_file_dialog.h"
#include "gui/app/wavedesk_app.h"
#include "gui/document/wavedesk_doc.h"
#include "modal_dialog.h"
#include "test_app.h"
#include "gui/panes/child_frame.h"
#include "gui/panes/help_window.h"
#include <QTextBrowser>
#include "test_support.h"

namespace {

using gui_test::WhenModalShows;

using gui_test::WhenMessageBoxShows;

// Presses the message box's `button`, or its default button.
void Answer(QWidget* modal, QMessageBox::StandardButton button) {
  auto* box = qobject_cast<QMessageBox*>(modal);
  ASSERT_NE(box, nullptr);
  QAbstractButton* target = box->button(button);
  if (target == nullptr) target = box->defaultButton();
  ASSERT_NE(target, nullptr);
  target->click();
}

class DocumentFlowTest : public testing::Test {
 protected:
  void SetUp() override {
    gui_test::UseProfile(m_profile.path());
    m_app = gui_test::StartApp();
    ASSERT_NE(m_app->mainFrame(), nullptr);
  }

  CMainFrame* frame() { return m_app->mainFrame(); }
  CWavedeskDoc* activeDocument() {
    CChildFrame* child = frame()->activeChild();
    return child != nullptr ? child->document() : nullptr;
  }
  QString File(const std::string& name) { return QString::fromStdString(m_files.File(name)); }
  // Makes `name`, an MP3 of a 440 Hz tone `seconds` long, and opens it.
  void OpenMp3(const std::string& name, const char* seconds) {
    const std::string path = m_files.File(name);
    ASSERT_EQ(test_support::RunCommand(std::string("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=") +
                                       seconds + " '" + path + "' 2>&1"),
              0);
    ASSERT_TRUE(m_app->OpenDocumentFile(QString::fromStdString(path)));
  }

  test_support::TemporaryFolder m_profile;
  test_support::TemporaryFolder m_files;
  std::unique_ptr<CWavedeskApp> m_app;
};

TEST_F(DocumentFlowTest, RawFileIsDescribedInItsDialog) {
  // Given one second of 8-bit mono samples at 22,050 Hz without a header
  test_support::WriteFileBytes(m_files.File("voice.pcm"), std::string(22050, '\x80'));
  bool refused = false;
  WhenModalShows([&](QWidget* dialog) {
    // The user first types a rate that spells 441...
    auto* rate = dialog->findChild<QComboBox*>(ControlName(IDC_RAW_RATE));
    ASSERT_NE(rate, nullptr);
    rate->setEditText(QStringLiteral("44.1k"));
    WhenMessageBoxShows([&refused, rate, dialog](QMessageBox* message) {
      refused = message->text() == QStringLiteral("Allowed sample rates range from 2,000 to 192,000 Hz");
      Answer(message, QMessageBox::Ok);
      // ...then the real one, 8-bit mono.
      rate->setEditText(QStringLiteral("22,050"));
      dialog->findChild<QRadioButton*>(ControlName(IDC_RAW_8BIT))->setChecked(true);
      dialog->findChild<QRadioButton*>(ControlName(IDC_RAW_MONO))->setChecked(true);
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  // When it is opened
  ASSERT_TRUE(m_app->OpenDocumentFile(File("voice.pcm")));
  // Then the rate was refused once and the sound is one second long
  EXPECT_TRUE(refused);
  CWavedeskDoc* document = activeDocument();
  ASSERT_NE(document, nullptr);
  EXPECT_NEAR(static_cast<double>(document->sound().GetLength()), 176400.0, 8.0);
  EXPECT_EQ(ParseWaveFormat(document->sound().fileFormat).samplesPerSec, 22050u);
}

TEST_F(DocumentFlowTest, CancelledRawDialogOpensNothingAndSaysNothing) {
  test_support::WriteFileBytes(m_files.File("data.bin"), "1234");
  WhenModalShows([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection); });
  EXPECT_FALSE(m_app->OpenDocumentFile(File("data.bin")));
  EXPECT_TRUE(frame()->mdiArea()->subWindowList().isEmpty());
}

TEST_F(DocumentFlowTest, Mp3OpensAtItsOwnRate) {
  const std::string path = m_files.File("tone.mp3");
  ASSERT_EQ(test_support::RunCommand("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=2:sample_rate=48000 "
                                     "-ac 1 -b:a 64k '" + path + "' 2>&1"),
            0);
  ASSERT_TRUE(m_app->OpenDocumentFile(QString::fromStdString(path)));
  EXPECT_NEAR(static_cast<double>(activeDocument()->sound().GetLength()) / 176400.0, 2.0, 0.03);
  EXPECT_EQ(frame()->windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - tone.mp3"));
}

TEST_F(DocumentFlowTest, SaveOfAnMp3DocumentGoesToSaveAsAndTheTypeFollowsTheFilter) {
  ASSERT_NO_FATAL_FAILURE(OpenMp3("tone.mp3", "0.5"));
  QString offered;
  WhenModalShows([&](QWidget* modal) {
    auto* dialog = qobject_cast<CTypeFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    // Choosing the layered type turns the name's extension into .tvf.
    dialog->fileNameEdit()->setText(QStringLiteral("kept.wav"));
    dialog->selectNameFilter(dialog->nameFilters().value(1));
    emit dialog->filterSelected(dialog->nameFilters().value(1));
    offered = dialog->fileNameEdit()->text();
    dialog->selectFile(File("kept.tvf"));
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kFileSave));
  EXPECT_EQ(offered, QStringLiteral("kept.tvf"));
  CSound saved;
  EXPECT_EQ(saved.ReadDocumentFile(m_files.File("kept.tvf")), ReadResult::kOk);
  EXPECT_EQ(activeDocument()->pathName(), File("kept.tvf"));
  EXPECT_EQ(frame()->windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - kept.tvf"));
}

TEST_F(DocumentFlowTest, WaveSaveWithoutQuickSaveUsesTheChosenFormat) {
  // Given a document and "quick save in .wav format" switched off
  m_app->settings().quickSaveAsWave = 0;
  WhenModalShows([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection); });
  m_app->OnCommand(CommandId::kNewGeneratedWave);
  CWavedeskDoc* document = activeDocument();
  ASSERT_NE(document, nullptr);
  // When the user picks IMA ADPCM in the chooser
  WhenModalShows([](QWidget* chooser) {
    auto* tags = chooser->findChild<QComboBox*>(ControlName(IDC_FORMAT_TAG));
    ASSERT_NE(tags, nullptr);
    tags->setCurrentIndex(tags->findText(QStringLiteral("IMA ADPCM")));
    chooser->findChild<QPushButton*>(ControlName(IDOK))->click();
  });
  const QString path = File("chosen.wav");
  ASSERT_TRUE(document->OnSaveDocument(path, [this](FormatRecord* format) {
    return CFormatChooserDlg::ChooseFormat(frame(), format);
  }));
  // Then the file holds IMA ADPCM and the sound remembers the format
  CSound reread;
  reread.path = path.toStdString();
  ASSERT_EQ(reread.ReadWaveFile(), ReadResult::kOk);
  EXPECT_EQ(ParseWaveFormat(reread.fileFormat).formatTag, kFormatIMAADPCM);
  EXPECT_EQ(ParseWaveFormat(document->sound().fileFormat).formatTag, kFormatIMAADPCM);
  // And its fact chunk counts the sound's frames, not the codec's last
  // block padded with silence
  const std::string bytes = test_support::ReadFileBytes(path.toStdString());
  const size_t fact = bytes.find("fact");
  ASSERT_NE(fact, std::string::npos);
  EXPECT_EQ(ReadLE32(reinterpret_cast<const uint8_t*>(bytes.data()) + fact + 8),
            FramesAtRate(document->sound().GetLength() / 4, 44100, ParseWaveFormat(reread.fileFormat).samplesPerSec));
  // And a cancelled chooser saves nothing
  WhenModalShows([](QWidget* chooser) { chooser->findChild<QPushButton*>(ControlName(IDCANCEL))->click(); });
  EXPECT_FALSE(document->OnSaveDocument(File("never.wav"), [this](FormatRecord* format) {
    return CFormatChooserDlg::ChooseFormat(frame(), format);
  }));
  EXPECT_FALSE(std::filesystem::exists(m_files.File("never.wav")));
}

TEST_F(DocumentFlowTest, ClosingAModifiedDocumentAsksWithThePlainTitle) {
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kFileNew));
  activeDocument()->SetModifiedFlag(true);
  QString question;
  // Cancel keeps the window
  WhenModalShows([&](QWidget* modal) {
    question = qobject_cast<QMessageBox*>(modal)->text();
    Answer(modal, QMessageBox::Cancel);
  });
  frame()->mdiArea()->activeSubWindow()->close();
  EXPECT_EQ(question, QStringLiteral("Save changes to Untitled?"));
  EXPECT_TRUE(frame()->mdiArea()->activeSubWindow()->isVisible());
  // No closes it without saving
  WhenModalShows([](QWidget* modal) { Answer(modal, QMessageBox::No); });
  frame()->mdiArea()->activeSubWindow()->close();
  QCoreApplication::processEvents();
  EXPECT_EQ(frame()->activeChild(), nullptr);
}

// Answers the message boxes that come up, one after another, with the given
// buttons, and keeps their texts.
class ScriptedAnswers {
 public:
  explicit ScriptedAnswers(std::vector<QMessageBox::StandardButton> answers) : m_answers(std::move(answers)) {
    m_poll.setInterval(10);
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || box == m_last || static_cast<size_t>(texts.size()) >= m_answers.size()) return;
      m_last = box;
      texts.push_back(box->text());
      Answer(box, m_answers[static_cast<size_t>(texts.size()) - 1]);
    });
    m_poll.start();
  }
  QStringList texts;

 private:
  std::vector<QMessageBox::StandardButton> m_answers;
  QTimer m_poll;
  QMessageBox* m_last = nullptr;
};

TEST_F(DocumentFlowTest, FailedFileSaveSaysWhyAndClosingAsksAgain) {
  // Given a modified document whose file name is now taken by a folder
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kFileNew));
  CWavedeskDoc* document = activeDocument();
  ASSERT_TRUE(std::filesystem::create_directory(m_files.File("blocked.wav")));
  document->SetPathName(File("blocked.wav"));
  document->SetModifiedFlag(true);
  {
    // When the user saves
    ScriptedAnswers answers({QMessageBox::Ok});
    frame()->ExecuteCommand(CommandId::kFileSave);
    // Then the failure is shown with its reason, and the document stays modified
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].startsWith(QStringLiteral("Failed to Save.\n\n"))) << answers.texts[0].toStdString();
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("blocked.wav")));
    EXPECT_TRUE(document->IsModified());
  }
  {
    // When the window is closed and the user answers Yes, the save fails
    // again; the question comes back, and Cancel keeps the window
    ScriptedAnswers answers({QMessageBox::Yes, QMessageBox::Ok, QMessageBox::Cancel});
    frame()->mdiArea()->activeSubWindow()->close();
    QCoreApplication::processEvents();
    ASSERT_EQ(answers.texts.size(), 3);
    EXPECT_EQ(answers.texts[0], QStringLiteral("Save changes to blocked.wav?"));
    EXPECT_TRUE(answers.texts[1].startsWith(QStringLiteral("Failed to Save.")));
    EXPECT_EQ(answers.texts[2], QStringLiteral("Save changes to blocked.wav?"));
    ASSERT_NE(frame()->activeChild(), nullptr);
    EXPECT_TRUE(document->IsModified());
  }
}

TEST_F(DocumentFlowTest, ALongGeneratedSoundRunsUnderTheProgressWindowAndCancels) {
  // Given a sine far too long to make in the blink of an eye
  GeneratorParameters tone;
  tone.functionType = kGenerateSine;
  tone.length = 50'000'000;
  // When the progress window comes up and the user presses its Cancel
  bool sawWindow = false;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<CProgressPopup*>(widget);
      if (progress == nullptr || !progress->isVisible()) continue;
      sawWindow = progress->windowTitle().startsWith(QStringLiteral("Generating Wave"));
      progress->findChild<QPushButton*>(ControlName(IDC_PROGRESS_CANCEL))->click();
    }
  });
  poll.start();
  CWavedeskDoc document(m_app->settings());
  bool cancelled = false;
  // Then nothing is made, and the document knows it was a cancel
  EXPECT_FALSE(document.OnNewDocument(tone, &cancelled));
  EXPECT_TRUE(sawWindow);
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(document.sound().layers.empty());
}

TEST_F(DocumentFlowTest, SaveAsOffersAWaveNameForAnMp3Document) {
  ASSERT_NO_FATAL_FAILURE(OpenMp3("take.mp3", "0.3"));
  QString offered;
  WhenModalShows([&](QWidget* modal) {
    auto* dialog = qobject_cast<CTypeFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    offered = dialog->fileNameEdit()->text();
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  // Accepting the offer saves a wave file beside the MP3.
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kFileSaveAs));
  EXPECT_EQ(offered, QStringLiteral("take.wav"));
  EXPECT_EQ(activeDocument()->pathName(), File("take.wav"));
  CSound saved;
  saved.path = m_files.File("take.wav");
  EXPECT_EQ(saved.ReadWaveFile(), ReadResult::kOk);
}

TEST_F(DocumentFlowTest, SaveAsWithTheFormatChoiceCancelledSavesNothingAndSaysNothing) {
  // Given a modified new document and the format chooser switched on
  m_app->settings().quickSaveAsWave = 0;
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kFileNew));
  CWavedeskDoc* document = activeDocument();
  document->SetModifiedFlag(true);
  const QString before = document->pathName();
  // When the user names a wave file, then cancels the chooser
  QStringList shown;
  WhenModalShows([&](QWidget* modal) {
    auto* dialog = qobject_cast<CTypeFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->fileNameEdit()->setText(File("cancelled.wav"));
    WhenModalShows([&](QWidget* chooser) {
      shown << chooser->metaObject()->className();
      // Whatever comes up after the chooser is recorded and dismissed.
      WhenModalShows([&](QWidget* next) {
        shown << next->metaObject()->className();
        if (auto* box = qobject_cast<QMessageBox*>(next)) Answer(box, QMessageBox::Ok);
      });
      chooser->findChild<QPushButton*>(ControlName(IDCANCEL))->click();
    });
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  frame()->ExecuteCommand(CommandId::kFileSaveAs);
  QTest::qWait(100);
  // Then only the chooser showed, nothing was written, and the document
  // keeps its name and its changes
  EXPECT_EQ(shown.join(QStringLiteral(", ")).toStdString(), "CFormatChooserDlg");
  EXPECT_FALSE(std::filesystem::exists(m_files.File("cancelled.wav")));
  EXPECT_EQ(document->pathName(), before);
  EXPECT_TRUE(document->IsModified());
}

TEST_F(DocumentFlowTest, FailedOpenNamesTheFileAndTheReason) {
  test_support::WriteFileBytes(m_files.File("broken.wav"), "RIFF\x04\x00\x00\x00JUNK");
  QString message;
  WhenModalShows([&](QWidget* modal) {
    message = qobject_cast<QMessageBox*>(modal)->text();
    Answer(modal, QMessageBox::Ok);
  });
  EXPECT_FALSE(m_app->OpenDocumentFile(File("broken.wav")));
  EXPECT_TRUE(message.contains(QStringLiteral("broken.wav")));
  EXPECT_TRUE(message.contains(QStringLiteral("not a wave file")));
}

TEST_F(DocumentFlowTest, WaveInAFormatNoCodecReadsIsNotAProperWaveFile) {
  // A wave file whose data claims a format tag nothing decodes.
  std::string fmt = test_support::LE16(0x1234) + test_support::LE16(2) + test_support::LE32(44100) +
                    test_support::LE32(176400) + test_support::LE16(4) + test_support::LE16(16);
  std::string chunks = test_support::Chunk("fmt ", fmt) + test_support::Chunk("data", std::string(4000, 'x'));
  test_support::WriteFileBytes(m_files.File("odd.wav"),
                               "RIFF" + test_support::LE32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks);
  QString message;
  WhenMessageBoxShows([&](QMessageBox* box) {
    message = box->text();
    Answer(box, QMessageBox::Ok);
  });
  EXPECT_FALSE(m_app->OpenDocumentFile(File("odd.wav")));
  EXPECT_TRUE(message.contains(QStringLiteral("odd.wav")));
  EXPECT_TRUE(message.contains(QStringLiteral("This was not a proper wav file")));
}

}  // namespace

namespace {

TEST_F(DocumentFlowTest, HelpContentsShowsTheHelpInAWindowOfTheProgram) {
  frame()->action(CommandId::kHelpContents)->trigger();
  auto* help = frame()->findChild<CHelpWindow*>(QStringLiteral("HelpWindow"));
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("Getting started")));
  // A second request raises the same window.
  frame()->action(CommandId::kHelpContents)->trigger();
  EXPECT_EQ(frame()->findChildren<CHelpWindow*>().size(), 1);
  // The application then ends with the window still open, and must not
  // free it twice.
}

TEST_F(DocumentFlowTest, PrintableGuideWithoutAPdfViewerSaysWhereTheGuideIs) {
  // Given the guide beside the program and a desktop that knows no program
  // for PDF files (no applications, no choices of the user's)
  const QString guide = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Tarvo Wavedesk 2.pdf"));
  const bool placed = !QFileInfo::exists(guide);
  if (placed) test_support::WriteFileBytes(guide.toStdString(), "%PDF-1.4\n");
  const std::string empty = m_files.File("desktop");
  std::filesystem::create_directories(empty);
  const QByteArray saved[] = {qgetenv("XDG_DATA_DIRS"), qgetenv("XDG_DATA_HOME"), qgetenv("XDG_CONFIG_HOME")};
  for (const char* name : {"XDG_DATA_DIRS", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) qputenv(name, empty.c_str());
  // When the user asks for the printable guide
  QString message;
  WhenMessageBoxShows([&](QMessageBox* box) {
    message = box->text();
    Answer(box, QMessageBox::Ok);
  });
  frame()->action(CommandId::kPrintableGuide)->trigger();
  qputenv("XDG_DATA_DIRS", saved[0]);
  qputenv("XDG_DATA_HOME", saved[1]);
  qputenv("XDG_CONFIG_HOME", saved[2]);
  if (placed) QFile::remove(guide);
  // Then a message names the file to open with any viewer
  EXPECT_TRUE(message.contains(QStringLiteral("No program to show PDF files"))) << message.toStdString();
  EXPECT_TRUE(message.contains(QDir::toNativeSeparators(guide))) << message.toStdString();
}

}  // namespace
