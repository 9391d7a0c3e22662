// The command table: each command once, with the texts and keys the menus
// show, laid out in the order the menus show them, enable rules that follow
// the document state, and handlers that run the document's operations.
#include "core/edit/command_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "edit_fixture.h"

using namespace edit_test;

namespace {

TEST(CommandTable, EachCommandOnceWithItsTexts) {
  std::set<int> ids;
  for (const CommandInfo& command : CommandTable()) {
    EXPECT_TRUE(ids.insert(ToInt(command.id)).second) << ToInt(command.id);
  }
  struct Case {
    CommandId id;
    const char* text;
    const char* firstKey;
    const char* prompt;
  };
  const Case cases[] = {
      {CommandId::kUndo, "&Undo\tCtrl+Z", "Ctrl+Z", "Undo the last action\nUndo"},
      {CommandId::kCut, "Cu&t\tCtrl+X", "Ctrl+X", "Cut the selection and put it on the Clipboard\nCut"},
      {CommandId::kCrop, "Cr&op", "", "Trim/Crop the selectedion.\nCrop "},
      {CommandId::kAddBlankLayer, "&Add Blank Layer", "", "Add a blank layer"},
      {CommandId::kRemoveAllNodes, "Remove All Nodes", "", ""},
      {CommandId::kFileNew, "&New Blank File", "Ctrl+N", "Create a new document\nNew"},
      {CommandId::kJumpToEnd, "Jump to End", "End", "Move the cursor to the end\nJump to End"},
  };
  for (const Case& c : cases) {
    const CommandInfo* command = FindCommand(c.id);
    ASSERT_NE(command, nullptr) << ToInt(c.id);
    EXPECT_STREQ(command->menuText, c.text);
    EXPECT_EQ(command->keys.empty() ? std::string() : command->keys.front(), c.firstKey);
    EXPECT_STREQ(command->prompt, c.prompt);
  }
  EXPECT_EQ(FindCommand(CommandId::kCut)->keys, (std::vector<std::string>{"Ctrl+X", "Delete", "Shift+Delete"}));
  EXPECT_EQ(FindCommand(static_cast<CommandId>(1)), nullptr);
}

// True when every value of `sequence` but the empty one appears in one run.
bool InRuns(const std::vector<std::string>& sequence) {
  std::set<std::string> left;
  std::string current;
  for (const std::string& value : sequence) {
    if (value == current) continue;
    if (!current.empty()) left.insert(current);
    if (!value.empty() && left.count(value) != 0) return false;
    current = value;
  }
  return true;
}

TEST(CommandTable, RowsOfAMenuAndOfASubmenuLieTogether) {
  // The menus are built by walking the table: a menu or submenu whose rows
  // were split would appear twice.
  std::vector<std::string> menus, submenus;
  for (const CommandInfo& command : CommandTable()) {
    menus.push_back(command.menu);
    // A menu's own items may lie on both sides of a submenu.
    submenus.push_back(std::strlen(command.submenu) == 0 ? std::string() : std::string(command.menu) + "/" + command.submenu);
    // Every row sits in a menu of the menu bar, or in none.
    bool known = std::strlen(command.menu) == 0;
    for (const MenuInfo& bar : MenuBarMenus()) known = known || std::strcmp(command.menu, bar.title) == 0;
    EXPECT_TRUE(known) << command.menu;
  }
  EXPECT_TRUE(InRuns(menus));
  EXPECT_TRUE(InRuns(submenus));
}

TEST(CommandTable, EnableRulesFollowTheDocumentState) {
  struct Case {
    CommandId id;
    CommandState state;
    bool enabled;
  };
  const CommandState none{};
  const CommandState selection{true, true, false, false, false};
  const CommandState cursor{true, false, false, false, false};
  const CommandState clip{true, false, true, false, false};
  const CommandState undo{true, false, false, true, false};
  using enum CommandId;
  const Case cases[] = {
      {kCut, selection, true},   {kCut, cursor, false},        {kCopy, none, false},      {kCrop, selection, true},
      {kPaste, clip, true},      {kPaste, cursor, false},      {kMix, clip, true},        {kMix, selection, false},
      {kUndo, undo, true},       {kUndo, cursor, false},       {kRedo, undo, false},      {kAddBlankLayer, cursor, true},
      {kDeleteLayer, cursor, true}, {kSelectAll, cursor, true}, {kFileSave, none, false}, {kFileOpen, none, true},
      {kPlay, none, false},      {kRecord, none, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindCommand(c.id)->enabled(c.state), c.enabled) << ToInt(c.id);
  }
}

TEST(CommandTable, HandlersRunTheOperations) {
  EditDocument doc;
  doc.AddLayer(40);
  doc.sound().selectionStart = 8;
  doc.sound().selectionEnd = 16;
  CommandContext context{doc.editor, {}, {}, {}, nullptr};
  ASSERT_EQ(FindCommand(CommandId::kCut)->handler(context), EditResult::kDone);
  EXPECT_EQ(ClipContents(context.clip), Bytes(8, 16));
  ASSERT_EQ(FindCommand(CommandId::kPaste)->handler(context), EditResult::kDone);
  EXPECT_EQ(LayerBytes(doc.layer(0)), Bytes(0, 40));
  ASSERT_EQ(FindCommand(CommandId::kUndo)->handler(context), EditResult::kDone);
  EXPECT_EQ(doc.editor.history().RedoLabel(), "&Redo - Paste\tCtrl+Y");
  EXPECT_EQ(FindCommand(CommandId::kLayerProperties)->handler, nullptr);  // a dialog of the window
}

}  // namespace
