// The command table: each command once, with the texts and keys the menus
// show, enable rules that follow the document state, and handlers that run
// the document's operations.
#include "core/edit/edit_command_table.h"

#include <gtest/gtest.h>

#include <set>

#include "edit_fixture.h"

using namespace edit_test;

namespace {

TEST(EditCommandTable, EachCommandOnceWithItsTexts) {
  std::set<int> ids;
  for (const EditCommandInfo& command : EditCommandTable()) {
    EXPECT_TRUE(ids.insert(command.id).second) << command.id;
  }
  struct Case {
    int id;
    const char* text;
    const char* firstKey;
    const char* prompt;
  };
  const Case cases[] = {
      {57643, "&Undo\tCtrl+Z", "Ctrl+Z", "Undo the last action\nUndo"},
      {57635, "Cu&t\tCtrl+X", "Ctrl+X", "Cut the selection and put it on the Clipboard\nCut"},
      {254, "Cr&op", "", "Trim/Crop the selectedion.\nCrop "},
      {264, "&Add Blank Layer", "", "Add a blank layer"},
      {283, "Remove All Nodes", "", ""},
  };
  for (const Case& c : cases) {
    const EditCommandInfo* command = FindEditCommand(c.id);
    ASSERT_NE(command, nullptr) << c.id;
    EXPECT_STREQ(command->menuText, c.text);
    EXPECT_EQ(command->keys.empty() ? std::string() : command->keys.front(), c.firstKey);
    EXPECT_STREQ(command->prompt, c.prompt);
  }
  EXPECT_EQ(FindEditCommand(57635)->keys, (std::vector<std::string>{"Ctrl+X", "Delete", "Shift+Delete"}));
  EXPECT_EQ(FindEditCommand(1), nullptr);
}

TEST(EditCommandTable, EnableRulesFollowTheDocumentState) {
  struct Case {
    int id;
    EditCommandState state;
    bool enabled;
  };
  const EditCommandState none{};
  const EditCommandState selection{true, true, false, false, false};
  const EditCommandState cursor{true, false, false, false, false};
  const EditCommandState clip{true, false, true, false, false};
  const EditCommandState undo{true, false, false, true, false};
  const Case cases[] = {
      {57635, selection, true}, {57635, cursor, false}, {57634, none, false}, {254, selection, true},
      {57637, clip, true},      {57637, cursor, false}, {214, clip, true},    {214, selection, false},
      {57643, undo, true},      {57643, cursor, false}, {212, undo, false},   {264, none, true},
      {261, none, true},        {255, none, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindEditCommand(c.id)->enabled(c.state), c.enabled) << c.id;
  }
}

TEST(EditCommandTable, HandlersRunTheOperations) {
  EditDocument doc;
  doc.AddLayer(40);
  doc.sound().selectionStart = 8;
  doc.sound().selectionEnd = 16;
  EditCommandContext context{doc.editor, {}, {}, {}, nullptr};
  ASSERT_EQ(FindEditCommand(57635)->handler(context), EditResult::kDone);  // Cut
  EXPECT_EQ(context.clip, Bytes(8, 16));
  ASSERT_EQ(FindEditCommand(57637)->handler(context), EditResult::kDone);  // Paste
  EXPECT_EQ(LayerBytes(doc.layer(0)), Bytes(0, 40));
  ASSERT_EQ(FindEditCommand(57643)->handler(context), EditResult::kDone);  // Undo
  EXPECT_EQ(doc.editor.history().RedoLabel(), "&Redo - Paste\tCtrl+Y");
  EXPECT_EQ(FindEditCommand(263)->handler, nullptr);  // a dialog of the window
}

}  // namespace
