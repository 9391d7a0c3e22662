// The main window as it starts, with documents in it, and the command line
// it is started with.
#include <QAction>
#include <functional>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "gui/app/command_line.h"
#include "gui/app/main_frame.h"
#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/sound_form_view.h"
#include "gui/panes/child_frame.h"
#include "gui/panes/wavedesk_view.h"

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

class MainFrameWithDocuments : public testing::Test {
 protected:
  MainFrameWithDocuments() {
    frame.resize(1000, 700);
    frame.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
  }

  // A new document of `seconds` of sine, in its own window.
  CChildFrame* AddDocument(const QString& title, int seconds) {
    auto* document = new CWavedeskDoc(settings);
    GeneratorParameters sine;
    sine.length = seconds * 44100;
    EXPECT_TRUE(document->OnNewDocument(sine));
    document->SetTitle(title);
    return frame.AddDocumentWindow(document);
  }

  QMenu* Menu(const QString& title) {
    for (QAction* action : frame.menuBar()->actions())
      if (action->text() == title) return action->menu();
    ADD_FAILURE() << "no menu " << title.toStdString();
    return nullptr;
  }

  SettingsRecord settings;
  CMainFrame frame;
};

TEST_F(MainFrameWithDocuments, AnIdleDocumentWindowDoesNotRepaint) {
  // Given a ten-second document open in the main window, left alone until
  // its first paints are done
  CChildFrame* child = AddDocument(QStringLiteral("idle.wav"), 10);
  QWidget* client = child->view()->viewport();
  PaintCounter paints(client);
  QTest::qWait(300);
  ASSERT_GT(paints.count, 0);  // it was drawn
  // When nothing happens for a second
  paints.count = 0;
  QTest::qWait(1000);
  // Then the view is painted a handful of times at most (a busy loop of
  // repaints shows as hundreds)
  EXPECT_LE(paints.count, 3);
}

TEST_F(MainFrameWithDocuments, WindowMenuListsTheOpenDocuments) {
  CChildFrame* first = AddDocument(QStringLiteral("first.wav"), 1);
  AddDocument(QStringLiteral("second.wav"), 1);
  QMenu* window = Menu(QStringLiteral("&Window"));
  ASSERT_NE(window, nullptr);
  // When the menu opens
  emit window->aboutToShow();
  // Then it ends with one numbered, checkable entry per document, the active one checked
  QStringList entries;
  QAction* firstEntry = nullptr;
  for (QAction* action : window->actions()) {
    if (!action->isCheckable()) continue;
    entries << action->text() + (action->isChecked() ? QStringLiteral(" (active)") : QString());
    if (action->text().endsWith(QStringLiteral("first.wav"))) firstEntry = action;
  }
  EXPECT_EQ(entries, (QStringList{QStringLiteral("&1 first.wav"), QStringLiteral("&2 second.wav (active)")}));
  // And choosing an entry activates its window
  ASSERT_NE(firstEntry, nullptr);
  firstEntry->trigger();
  EXPECT_EQ(frame.activeChild(), first);
  // A modified document's entry carries its star; a closed one leaves the list
  first->document()->SetModifiedFlag(true);
  frame.mdiArea()->subWindowList().back()->close();
  QCoreApplication::processEvents();
  emit window->aboutToShow();
  entries.clear();
  for (QAction* action : window->actions())
    if (action->isCheckable()) entries << action->text();
  EXPECT_EQ(entries, QStringList{QStringLiteral("&1 first.wav*")});
}

// The Edit menu is also the view's right-click menu, so its texts, access
// keys and order are what the user sees there.
TEST_F(MainFrameWithDocuments, EditMenuHoldsTheCommandsWithTheirAccessKeys) {
  AddDocument(QStringLiteral("first.wav"), 1);
  QMenu* edit = Menu(QStringLiteral("&Edit"));
  ASSERT_NE(edit, nullptr);
  emit edit->aboutToShow();
  QStringList entries;
  std::function<void(const QMenu&, const QString&)> list = [&](const QMenu& menu, const QString& indent) {
    for (const QAction* action : menu.actions()) {
      if (action->isSeparator()) {
        entries << indent + QStringLiteral("-");
        continue;
      }
      entries << indent + action->text();
      if (action->menu() != nullptr) list(*action->menu(), indent + QStringLiteral("  "));
    }
  };
  list(*edit, {});
  emit edit->aboutToHide();
  EXPECT_EQ(entries.join(QLatin1Char('|')).toStdString(),
            QStringList({"&Undo\tCtrl+Z", "&Redo\tCtrl+Y", "-", "Zoom", "  Zoom &In", "  Zoom &Out",
                                  "  Zoom In &Max", "  Zoom Out Ma&x", "Envelope", "  Insert Node",
                                  "  Remove All Nodes", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V",
                                  "&Mix\tCtrl+M", "Cr&op", "-", "Select &All\tCtrl+A"})
                .join(QLatin1Char('|'))
                .toStdString());
}

TEST_F(MainFrameWithDocuments, SpaceHomeAndEndBelongToAFocusedListAndToTheViewOtherwise) {
  // Given a document with its cursor in the middle and the side panel's
  // tags list holding the focus on its second row
  CChildFrame* child = AddDocument(QStringLiteral("keys.wav"), 1);
  CSound& sound = child->document()->sound();
  sound.selectionStart = sound.selectionEnd = 40000;
  auto* tags = child->formView()->findChild<QTreeWidget*>(ControlName(IDC_TAGS_LIST));
  ASSERT_NE(tags, nullptr);
  tags->setCurrentItem(tags->topLevelItem(1));
  tags->setFocus();
  QApplication::processEvents();
  // When End, Home and Space are pressed there
  QTest::keyClick(tags, Qt::Key_End);
  EXPECT_EQ(tags->currentItem(), tags->topLevelItem(tags->topLevelItemCount() - 1));
  QTest::keyClick(tags, Qt::Key_Home);
  EXPECT_EQ(tags->currentItem(), tags->topLevelItem(0));
  QTest::keyClick(tags, Qt::Key_Space);
  // Then the list moved and the document's cursor stayed where it was
  EXPECT_EQ(sound.selectionStart, 40000);
  EXPECT_EQ(sound.selectionEnd, 40000);
  EXPECT_FALSE(sound.IsPlaying());
  // And in the view the same key is the program's again
  child->view()->setFocus();
  QApplication::processEvents();
  QTest::keyClick(child->view(), Qt::Key_End);
  EXPECT_EQ(sound.selectionStart, static_cast<int32_t>(sound.GetLength()) - 1);
}

TEST_F(MainFrameWithDocuments, AMaximisedDocumentNamesItselfOnceInTheTitle) {
  AddDocument(QStringLiteral("env.tvf"), 1);
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - env.tvf"));
  // When the document window is maximised
  frame.mdiArea()->activeSubWindow()->showMaximized();
  QCoreApplication::processEvents();
  // Then the main title names it once, in brackets
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - [env.tvf]"));
  // And a second maximised document takes its place there
  AddDocument(QStringLiteral("two.wav"), 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - [two.wav]"));
  qobject_cast<CChildFrame*>(frame.mdiArea()->activeSubWindow()->widget())->document()->SetModifiedFlag(true);
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - [two.wav*]"));
  // When it is restored the plain form comes back
  frame.mdiArea()->activeSubWindow()->showNormal();
  QCoreApplication::processEvents();
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0 - two.wav*"));
}

TEST(MainFrame, CommandPromptsInTheStatusBar) {
  CMainFrame frame;
  EXPECT_EQ(frame.action(CommandId::kCommonTasks)->statusTip(), QStringLiteral("Bring up the common tasks dialog"));
  EXPECT_EQ(frame.action(CommandId::kCommonTasks)->toolTip(), QStringLiteral("Common Tasks"));
  EXPECT_EQ(frame.action(CommandId::kPreferences)->statusTip(), QStringLiteral("Change the application preferences"));
}

TEST(MainFrame, StartsWithTheTitleAndAnEmptyDocumentArea) {
  CMainFrame frame;
  frame.show();
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0"));
  auto* area = frame.findChild<QMdiArea*>(QStringLiteral("MDIClient"));
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(frame.centralWidget(), area);
  EXPECT_TRUE(area->subWindowList().isEmpty());
}

struct ArgumentsCase {
  const char* name;
  QStringList arguments;
  SoundBackend backend;
  QString file;
  bool error;
  bool help = false;
  bool version = false;
};

class CommandLineTest : public testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandLineTest, ChoosesTheBackEndAndTheFile) {
  const CommandLine line = ParseCommandLine(QStringList{QStringLiteral("wavedesk")} + GetParam().arguments);
  EXPECT_EQ(line.backend, GetParam().backend);
  EXPECT_EQ(line.fileToOpen, GetParam().file);
  EXPECT_EQ(!line.error.isEmpty(), GetParam().error);
  EXPECT_EQ(line.showHelp, GetParam().help);
  EXPECT_EQ(line.showVersion, GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(
    App, CommandLineTest,
    testing::Values(ArgumentsCase{"Nothing", {}, SoundBackend::PulseAudio, {}, false},
                    ArgumentsCase{"NullBackEnd", {"--audio=null"}, SoundBackend::Null, {}, false},
                    ArgumentsCase{"SeparateValue", {"--audio", "null", "a.wav"}, SoundBackend::Null, "a.wav", false},
                    ArgumentsCase{"PulseAndFile", {"b.tvf", "--audio=pulse"}, SoundBackend::PulseAudio, "b.tvf", false},
                    ArgumentsCase{"UnknownBackEnd", {"--audio=alsa"}, SoundBackend::PulseAudio, {}, true},
                    ArgumentsCase{"UnknownOption", {"--loud"}, SoundBackend::PulseAudio, {}, true},
                    ArgumentsCase{"UnknownShortOption", {"-x", "a.wav"}, SoundBackend::PulseAudio, "a.wav", true},
                    ArgumentsCase{"Help", {"--help"}, SoundBackend::PulseAudio, {}, false, true},
                    ArgumentsCase{"ShortHelp", {"-h"}, SoundBackend::PulseAudio, {}, false, true},
                    ArgumentsCase{"Version", {"--version"}, SoundBackend::PulseAudio, {}, false, false, true},
                    ArgumentsCase{"FileLikeAnOption", {"--", "--loud.wav"}, SoundBackend::PulseAudio, "--loud.wav",
                                  false},
                    ArgumentsCase{"StandardInputName", {"-"}, SoundBackend::PulseAudio, "-", false}),
    [](const testing::TestParamInfo<ArgumentsCase>& info) { return std::string(info.param.name); });

}  // namespace
