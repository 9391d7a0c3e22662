// The edit commands as the main window carries them out: Cut hands its clip
// to the clipboard manager and the history, Undo's label names the action,
// Undo puts the bytes back, Paste takes the manager's clip, and the
// refusals of the core come up with their texts.
#include <QCoreApplication>
#include <QMenu>
#include <QPushButton>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/edit/clip_store.h"
#include "gui/app/main_frame.h"
#include "gui/base/resource_ids.h"
#include "gui/app/wavedesk_app.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/clipboard_dlg.h"
#include "gui/panes/child_frame.h"
#include "modal_dialog.h"
#include "test_app.h"
#include "test_support.h"

namespace {

constexpr CommandId kUndo = CommandId::kUndo;
constexpr CommandId kCut = CommandId::kCut;
constexpr CommandId kPaste = CommandId::kPaste;
constexpr CommandId kAddBlankLayer = CommandId::kAddBlankLayer;

class EditCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    gui_test::UseProfile(m_profile.path());
    m_app = gui_test::StartApp();
    ASSERT_NE(frame(), nullptr);
    ASSERT_TRUE(frame()->ExecuteCommand(CommandId::kFileNew));
    ASSERT_NE(document(), nullptr);
  }
  CMainFrame* frame() { return m_app->mainFrame(); }
  CWavedeskDoc* document() {
    CChildFrame* child = frame()->activeChild();
    return child != nullptr ? child->document() : nullptr;
  }
  // Opens and closes the Edit menu, as a user would before reading it.
  QString UndoText() {
    for (QMenu* menu : frame()->findChildren<QMenu*>()) {
      if (menu->title() == QStringLiteral("&Edit")) {
        emit menu->aboutToShow();
        const QString text = frame()->action(kUndo)->text();
        const bool enabled = frame()->action(kUndo)->isEnabled();
        emit menu->aboutToHide();
        return enabled ? text : QString();
      }
    }
    return QStringLiteral("no Edit menu");
  }

  test_support::TemporaryFolder m_profile;
  std::unique_ptr<CWavedeskApp> m_app;
};

TEST_F(EditCommandsTest, CutGoesToTheClipboardManagerAndUndoPutsItBack) {
  // Given a blank document with a selection of 400 bytes holding a pattern
  CSound& sound = document()->sound();
  CSoundLayer& layer = *sound.layers[0];
  for (uint64_t i = 0; i < layer.length(); ++i) layer.data()[i] = static_cast<uint8_t>(i * 7);
  layer.MarkDataChanged();
  const std::string before(reinterpret_cast<const char*>(layer.data()), layer.length());
  sound.selectionStart = 800;
  sound.selectionEnd = 1200;
  EXPECT_TRUE(UndoText().isEmpty());
  // When the user cuts
  ASSERT_TRUE(frame()->ExecuteCommand(kCut));
  // Then the layer is 400 bytes shorter, the manager holds the clip, and
  // Undo names the cut
  EXPECT_EQ(layer.length(), before.size() - 400);
  ASSERT_EQ(frame()->clipboardDlg()->store().size(), 1u);
  EXPECT_EQ(frame()->clipboardDlg()->store().rows()[0].byteCount, 400u);
  EXPECT_EQ(UndoText(), QStringLiteral("&Undo - Cut\tCtrl+Z"));
  EXPECT_TRUE(document()->IsModified());
  // When the user undoes it, the bytes are back
  ASSERT_TRUE(frame()->ExecuteCommand(kUndo));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(layer.data()), layer.length()), before);
  // And Paste at the start puts the clip in front
  sound.selectionStart = sound.selectionEnd = 0;
  ASSERT_TRUE(frame()->ExecuteCommand(kPaste));
  EXPECT_EQ(layer.length(), before.size() + 400);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(layer.data()), 400), before.substr(800, 400));
}

TEST_F(EditCommandsTest, TheManagersPasteButtonPastesItsSelectedClip) {
  CSound& sound = document()->sound();
  const uint64_t length = sound.layers[0]->length();
  const std::vector<uint8_t> clip(40, 9);
  ASSERT_TRUE(frame()->clipboardDlg()->AddCopiedClip(clip.data(), clip.size()));
  sound.selectionStart = sound.selectionEnd = 0;
  frame()->clipboardDlg()->findChild<QPushButton*>(ControlName(IDC_CLIP_PASTE))->click();
  EXPECT_EQ(sound.layers[0]->length(), length + 40);
  EXPECT_EQ(sound.layers[0]->data()[0], 9);
}

// The address space the process may use from now on is what it uses plus
// `headroom`; the limit goes when the object does.
class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(uint64_t headroom) {
    getrlimit(RLIMIT_AS, &m_before);
    std::ifstream status("/proc/self/status");
    std::string line;
    uint64_t kilobytes = 0;
    while (std::getline(status, line))
      if (line.rfind("VmSize:", 0) == 0) kilobytes = std::stoull(line.substr(7));
    rlimit limited = m_before;
    limited.rlim_cur = kilobytes * 1024 + headroom;
    setrlimit(RLIMIT_AS, &limited);
  }
  ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &m_before); }

 private:
  rlimit m_before{};
};

TEST_F(EditCommandsTest, AClipLargerThanTheMemoryLeftIsRefusedWithTheMessage) {
  // Given a clip of 48 MiB in the clipboard manager
  constexpr uint64_t kClip = uint64_t{48} << 20;
  {
    const std::vector<uint8_t> clip(kClip, 5);
    ASSERT_TRUE(frame()->clipboardDlg()->AddCopiedClip(clip.data(), clip.size()));
  }
  CSound& sound = document()->sound();
  const uint64_t length = sound.layers[0]->length();
  sound.selectionStart = sound.selectionEnd = 0;
  QString text;
  {
    // When there is less memory left than the clip needs, Paste says so
    AddressSpaceLimit limit(kClip / 16);
    text = gui_test::AnswerMessageBox([this] { frame()->ExecuteCommand(kPaste); });
  }
  EXPECT_EQ(text, QStringLiteral("Your System doesn't have the resources necessary to perform this operation"));
  EXPECT_EQ(sound.layers[0]->length(), length);
  {
    // And when there is room for the clip once, Mix makes it a layer
    // without a second copy
    AddressSpaceLimit limit(kClip + kClip / 2);
    text = gui_test::AnswerMessageBox([this] { frame()->ExecuteCommand(CommandId::kMix); });
  }
  EXPECT_TRUE(text.isEmpty()) << text.toStdString();
  ASSERT_EQ(sound.layers.size(), 2u);
  EXPECT_EQ(sound.layers[1]->length(), kClip);
  EXPECT_EQ(sound.layers[1]->data()[kClip - 1], 5);
}

TEST_F(EditCommandsTest, TheEleventhLayerIsRefusedWithTheMessage) {
  for (int i = 1; i < 10; ++i) ASSERT_TRUE(frame()->ExecuteCommand(kAddBlankLayer));
  ASSERT_EQ(document()->sound().layers.size(), 10u);
  const QString text = gui_test::AnswerMessageBox([this] { frame()->ExecuteCommand(kAddBlankLayer); });
  EXPECT_EQ(text, QStringLiteral("You cannot have more than ten layers"));
  EXPECT_EQ(document()->sound().layers.size(), 10u);
}

}  // namespace
