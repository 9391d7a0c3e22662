// The main window's bars: what a first start shows, how the View commands
// hide and show them, how their placements and sizes survive a restart (and
// a damaged one does not break the start), the tool bar buttons following
// the active document, and the Paste drop-down listing and pasting the
// manager's clips.
#include <QCoreApplication>
#include <QDockWidget>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "gui/app/main_frame.h"
#include "gui/base/resource_ids.h"
#include "gui/app/wavedesk_app.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/clipboard_dlg.h"
#include "gui/panes/child_frame.h"
#include "gui/panes/control_tool_bar.h"
#include "gui/panes/wavedesk_tool_bar.h"
#include "test_app.h"
#include "test_support.h"

namespace {

class FrameLayoutTest : public testing::Test {
 protected:
  void SetUp() override {
    gui_test::UseProfile(m_profile.path());
    Start();
  }
  void Start() {
    m_app = gui_test::StartApp();
    ASSERT_NE(frame(), nullptr);
  }
  // Closes the main window as the user would, which stores the placements,
  // and starts the program again on the same profile.
  void Restart() {
    ASSERT_TRUE(frame()->close());
    m_app.reset();
    Start();
  }
  CMainFrame* frame() { return m_app->mainFrame(); }
  bool Shown(const QString& bar) { return frame()->bar(bar) != nullptr && !frame()->bar(bar)->isHidden(); }
  QToolButton* Button(CommandId id) { return frame()->toolBar()->button(id); }

  test_support::TemporaryFolder m_profile;
  std::unique_ptr<CWavedeskApp> m_app;
};

TEST_F(FrameLayoutTest, FirstStartShowsTheToolBarsStatusBarAndMeterAndHidesTheExplorerAndClipboardManager) {
  EXPECT_TRUE(Shown(QStringLiteral("Toolbar")));
  EXPECT_TRUE(Shown(QStringLiteral("Controls")));
  EXPECT_TRUE(Shown(QStringLiteral("Monitor")));
  EXPECT_FALSE(frame()->statusBar()->isHidden());
  EXPECT_FALSE(Shown(QStringLiteral("Clipboard")));
  EXPECT_FALSE(Shown(QStringLiteral("Explorer")));
  // The main bar's buttons in their order, with their labels beside the
  // icons; the play controls without labels.
  QStringList labels;
  for (CommandId id : frame()->toolBar()->commands()) labels << Button(id)->text();
  EXPECT_EQ(labels, QStringList({"New  ", "Open ", "Save ", "Explorer", "Cut  ", "Copy ", "Paste", "Mix  ", "Crop ",
                                 "Clip Manager"}));
  EXPECT_EQ(Button(CommandId::kFileNew)->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  EXPECT_EQ(frame()->controlBar()->commands(),
            QList<CommandId>({CommandId::kRecord, CommandId::kPlay, CommandId::kPlayAll, CommandId::kJumpToStart, CommandId::kJumpToEnd, CommandId::kPause, CommandId::kStop}));
  EXPECT_EQ(frame()->controlBar()->button(CommandId::kPlay)->toolTip(), QStringLiteral("Play"));
  EXPECT_EQ(frame()->controlBar()->button(CommandId::kPlay)->statusTip(), QStringLiteral("Play the active wave file"));
}

TEST_F(FrameLayoutTest, EachBarIsWhereTheUserLeftItAfterARestart) {
  struct Case {
    CommandId command;
    const char* bar;
    bool shownAtStart;
    // For the bars the user can make deeper: the depth dragged to, which
    // differs from the first-start depth (the explorer's 250-pixel width,
    // the clipboard manager's 170-pixel height); 0 for the others.
    int depth;
    Qt::Orientation across;
  };
  const Case cases[] = {
      {CommandId::kViewToolbar, "Toolbar", true, 0, Qt::Vertical},
      {CommandId::kViewPlayControls, "Controls", true, 0, Qt::Vertical},
      {CommandId::kViewAudioMeter, "Monitor", true, 0, Qt::Vertical},
      {CommandId::kViewClipboard, "Clipboard", false, 230, Qt::Vertical},
      {CommandId::kViewExplorer, "Explorer", false, 320, Qt::Horizontal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bar);
    const QString bar = QString::fromLatin1(c.bar);
    auto depth = [&] {
      QWidget* widget = frame()->bar(bar);
      return c.across == Qt::Horizontal ? widget->width() : widget->height();
    };
    ASSERT_EQ(Shown(bar), c.shownAtStart);
    // The View command turns the bar over and its check mark follows.
    ASSERT_TRUE(frame()->ExecuteCommand(c.command));
    EXPECT_EQ(Shown(bar), !c.shownAtStart);
    EXPECT_EQ(frame()->action(c.command)->isChecked(), !c.shownAtStart);
    if (c.depth != 0) {
      // The user drags the shown bar to another depth.
      QCoreApplication::processEvents();
      frame()->resizeDocks({qobject_cast<QDockWidget*>(frame()->bar(bar))}, {c.depth}, c.across);
      QCoreApplication::processEvents();
      ASSERT_EQ(depth(), c.depth);
    }
    Restart();
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(bar), !c.shownAtStart);
    // The bar comes back as deep as it was left.
    if (c.depth != 0) {
      EXPECT_EQ(depth(), c.depth);
    }
    // And back again, which also survives; a bar hidden at the close keeps
    // its depth for when it is shown again.
    ASSERT_TRUE(frame()->ExecuteCommand(c.command));
    Restart();
    EXPECT_EQ(Shown(bar), c.shownAtStart);
    if (c.depth != 0) {
      ASSERT_TRUE(frame()->ExecuteCommand(c.command));
      QCoreApplication::processEvents();
      EXPECT_EQ(depth(), c.depth);
      ASSERT_TRUE(frame()->ExecuteCommand(c.command));
    }
  }
}

TEST_F(FrameLayoutTest, ADamagedPlacementLeavesTheBarAsItStarts) {
  ASSERT_TRUE(frame()->close());
  m_app.reset();
  {
    QSettings profile;
    profile.setValue(QStringLiteral("Settings/Toolbar"), QByteArray("\x14\0\0\0garbage", 11));
    profile.setValue(QStringLiteral("Settings/Clipboard"), QByteArray(20, '\xff'));
  }
  Start();
  EXPECT_TRUE(Shown(QStringLiteral("Toolbar")));
  EXPECT_FALSE(Shown(QStringLiteral("Clipboard")));
}

TEST_F(FrameLayoutTest, ButtonsFollowTheActiveDocumentAndItsSelection) {
  // Without a document only the commands that need none are enabled.
  EXPECT_TRUE(Button(CommandId::kFileOpen)->isEnabled());
  EXPECT_FALSE(Button(CommandId::kFileSave)->isEnabled());
  EXPECT_FALSE(Button(CommandId::kCut)->isEnabled());
  EXPECT_FALSE(frame()->controlBar()->button(CommandId::kPlay)->isEnabled());
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kFileNew));
  EXPECT_TRUE(Button(CommandId::kFileSave)->isEnabled());
  EXPECT_TRUE(frame()->controlBar()->button(CommandId::kPlay)->isEnabled());
  // Cut needs a selection, Paste a clip.
  EXPECT_FALSE(Button(CommandId::kCut)->isEnabled());
  EXPECT_FALSE(Button(CommandId::kPaste)->isEnabled());
  CWavedeskDoc* document = frame()->activeChild()->document();
  document->sound().selectionStart = 400;
  document->sound().selectionEnd = 800;
  document->UpdateAllViews(UpdateHint::kSelection);
  EXPECT_TRUE(Button(CommandId::kCut)->isEnabled());
  // The button runs the command: the cut clip enables Paste.
  Button(CommandId::kCut)->click();
  EXPECT_EQ(frame()->clipboardDlg()->store().size(), 1u);
  EXPECT_FALSE(Button(CommandId::kCut)->isEnabled());
  EXPECT_TRUE(Button(CommandId::kPaste)->isEnabled());
}

TEST_F(FrameLayoutTest, PasteDropDownListsTheClipsAndPastesTheOneChosen) {
  ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kFileNew));
  CSound& sound = frame()->activeChild()->document()->sound();
  QMenu* popup = frame()->pasteMenu();
  EXPECT_EQ(Button(CommandId::kPaste)->menu(), popup);
  // An empty manager gives an empty popup, and nothing is pasted.
  emit popup->aboutToShow();
  EXPECT_TRUE(popup->actions().isEmpty());
  const uint64_t length = sound.layers[0]->length();
  // Two clips, the newest listed first.
  const std::vector<uint8_t> small(400, 1);
  const std::vector<uint8_t> large(1200, 2);
  ASSERT_TRUE(frame()->clipboardDlg()->AddCopiedClip(small.data(), small.size()));
  ASSERT_TRUE(frame()->clipboardDlg()->AddCopiedClip(large.data(), large.size()));
  emit popup->aboutToShow();
  ASSERT_EQ(popup->actions().size(), 2);
  EXPECT_TRUE(popup->actions()[0]->text().endsWith(QStringLiteral(" (1200 bytes)"))) << popup->actions()[0]->text().toStdString();
  EXPECT_TRUE(popup->actions()[1]->text().endsWith(QStringLiteral(" (400 bytes)"))) << popup->actions()[1]->text().toStdString();
  // Choosing the second pastes the older clip and makes it the selected one.
  sound.selectionStart = sound.selectionEnd = 0;
  popup->actions()[1]->trigger();
  EXPECT_EQ(frame()->clipboardDlg()->store().selected(), 1);
  EXPECT_EQ(sound.layers[0]->length(), length + small.size());
}

}  // namespace
