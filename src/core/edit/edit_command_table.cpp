// The rows of the edit command table (see the header).
#include "core/edit/edit_command_table.h"

namespace {

bool Always(const EditCommandState&) { return true; }
bool HasSelection(const EditCommandState& state) { return state.hasActiveChild && state.selectionNonEmpty; }
bool HasClip(const EditCommandState& state) { return state.hasActiveChild && state.clipAvailable; }
bool CanUndo(const EditCommandState& state) { return state.hasActiveChild && state.canUndo; }
bool CanRedo(const EditCommandState& state) { return state.hasActiveChild && state.canRedo; }

EditResult RunUndo(EditCommandContext& c) { return c.editor.Undo(); }
EditResult RunRedo(EditCommandContext& c) { return c.editor.Redo(); }
EditResult RunCut(EditCommandContext& c) { return c.editor.Cut(&c.clip); }
EditResult RunCopy(EditCommandContext& c) { return c.editor.Copy(&c.clip); }
EditResult RunPaste(EditCommandContext& c) { return c.editor.Paste(c.clip); }
EditResult RunMix(EditCommandContext& c) { return c.editor.Mix(c.clip); }
EditResult RunCrop(EditCommandContext& c) { return c.editor.Crop(); }
EditResult RunSelectAll(EditCommandContext& c) { return c.editor.SelectAll(); }
EditResult RunAddBlankLayer(EditCommandContext& c) { return c.editor.AddBlankLayer(); }
EditResult RunGenerateLayer(EditCommandContext& c) {
  return c.editor.GenerateLayer(c.parameters, c.layerName, c.progress);
}
EditResult RunDeleteLayer(EditCommandContext& c) { return c.editor.DeleteLayer(); }
EditResult RunMergeLayers(EditCommandContext& c) { return c.editor.MergeLayers(); }
EditResult RunInsertNode(EditCommandContext& c) { return c.editor.InsertNode(); }
EditResult RunRemoveAllNodes(EditCommandContext& c) { return c.editor.RemoveAllNodes(); }

// The prompts are the program's own texts, "selectedion" and the blank
// after "Crop" included.
const std::vector<EditCommandInfo>& Table() {
  static const std::vector<EditCommandInfo> table = {
      {57643, "&Undo\tCtrl+Z", "", {"Ctrl+Z", "Alt+Backspace"}, "Undo the last action\nUndo", CanUndo, RunUndo, false},
      {212, "&Redo\tCtrl+Y", "", {"Ctrl+Y"}, "Redo the last action\nRedo", CanRedo, RunRedo, false},
      {57635, "Cu&t\tCtrl+X", "", {"Ctrl+X", "Delete", "Shift+Delete"},
       "Cut the selection and put it on the Clipboard\nCut", HasSelection, RunCut, true},
      {57634, "&Copy\tCtrl+C", "", {"Ctrl+C", "Ctrl+Insert"}, "Copy the selection and put it on the Clipboard\nCopy",
       HasSelection, RunCopy, true},
      {57637, "&Paste\tCtrl+V", "", {"Ctrl+V", "Shift+Insert"}, "Insert Clipboard contents\nPaste", HasClip, RunPaste,
       true},
      {214, "&Mix\tCtrl+M", "", {"Ctrl+M"}, "Paste as a new layer\nMix", HasClip, RunMix, false},
      {254, "Cr&op", "", {}, "Trim/Crop the selectedion.\nCrop ", HasSelection, RunCrop, true},
      {255, "Select &All\tCtrl+A", "", {"Ctrl+A"}, "Selects the entire layer\nSelect All", Always, RunSelectAll, false},
      {264, "&Add Blank Layer", "&Add Layer", {}, "Add a blank layer", Always, RunAddBlankLayer, true},
      {265, "&Generate Layer...", "&Add Layer", {}, "Generate a Layer", Always, RunGenerateLayer, true},
      {261, "&Delete Layer", "", {}, "Delete selected layer", Always, RunDeleteLayer, true},
      {263, "Layer &Properties...", "", {}, "Edit Layer properties", Always, nullptr, false},
      {262, "&Merge Layers", "", {}, "Merges layers into one layer\nMerge", Always, RunMergeLayers, true},
      {280, "Insert Node", "Envelope", {}, "", Always, RunInsertNode, false},
      {283, "Remove All Nodes", "Envelope", {}, "", Always, RunRemoveAllNodes, false},
  };
  return table;
}

}  // namespace

std::span<const EditCommandInfo> EditCommandTable() { return Table(); }

const EditCommandInfo* FindEditCommand(int id) {
  for (const EditCommandInfo& command : Table()) {
    if (command.id == id) return &command;
  }
  return nullptr;
}
