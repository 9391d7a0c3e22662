// The rows of the command table (see the header).
#include "core/edit/command_table.h"

namespace {

using namespace command_flags;

bool Always(const CommandState&) { return true; }
bool HasDocument(const CommandState& state) { return state.hasActiveChild; }
bool HasSelection(const CommandState& state) { return state.hasActiveChild && state.selectionNonEmpty; }
bool HasClip(const CommandState& state) { return state.hasActiveChild && state.clipAvailable; }
bool CanUndo(const CommandState& state) { return state.hasActiveChild && state.canUndo; }
bool CanRedo(const CommandState& state) { return state.hasActiveChild && state.canRedo; }

EditResult RunUndo(CommandContext& c) { return c.editor.Undo(); }
EditResult RunRedo(CommandContext& c) { return c.editor.Redo(); }
EditResult RunCut(CommandContext& c) { return c.editor.Cut(&c.clip); }
EditResult RunCopy(CommandContext& c) { return c.editor.Copy(&c.clip); }
EditResult RunPaste(CommandContext& c) { return c.editor.Paste(c.clip.data.get(), c.clip.length); }
EditResult RunMix(CommandContext& c) { return c.editor.Mix(std::move(c.clip)); }
EditResult RunCrop(CommandContext& c) { return c.editor.Crop(); }
EditResult RunSelectAll(CommandContext& c) { return c.editor.SelectAll(); }
EditResult RunAddBlankLayer(CommandContext& c) { return c.editor.AddBlankLayer(); }
EditResult RunGenerateLayer(CommandContext& c) { return c.editor.GenerateLayer(c.parameters, c.layerName, c.progress); }
EditResult RunDeleteLayer(CommandContext& c) { return c.editor.DeleteLayer(); }
EditResult RunMergeLayers(CommandContext& c) { return c.editor.MergeLayers(); }
EditResult RunInsertNode(CommandContext& c) { return c.editor.InsertNode(); }
EditResult RunRemoveAllNodes(CommandContext& c) { return c.editor.RemoveAllNodes(); }

constexpr MenuInfo kMenus[] = {
    {"&File", false}, {"&Edit", true}, {"&Layer", true}, {"&Controls", true},
    {"&View", false}, {"&Tools", false}, {"&Window", true}, {"&Help", false},
};

// The prompts are the program's own texts, "selectedion" and the blank
// after "Crop" included.
const std::vector<CommandInfo>& Table() {
  using enum CommandId;
  static const std::vector<CommandInfo> table = {
      // File
      {kFileNew, "&File", "&New", "&New Blank File", {"Ctrl+N"}, "Create a new document\nNew", Always, nullptr, 0},
      {kNewGeneratedWave, "&File", "&New", "New &Generated Wave...", {}, "Generate a new wave", Always, nullptr, 0},
      {kFileOpen, "&File", "", "&Open...", {"Ctrl+O"}, "Open an existing document\nOpen", Always, nullptr, 0},
      {kFileClose, "&File", "", "&Close", {}, "Close the active document\nClose", HasDocument, nullptr, kNeedsDocument},
      {kFileSave, "&File", "", "&Save", {"Ctrl+S"}, "Save the active document\nSave", HasDocument, nullptr,
       kNeedsDocument | kSeparatorBefore},
      {kFileSaveAs, "&File", "", "Save &As...", {}, "Save the active document with a new name\nSave As", HasDocument,
       nullptr, kNeedsDocument},
      {kFileRecentFirst, "&File", "", "Recent &Files", {}, "", Always, nullptr, kRecentFiles | kSeparatorBefore},
      {kAppExit, "&File", "", "E&xit", {}, "Quit the application; prompts to save documents\nExit", Always, nullptr,
       kSeparatorBefore},
      // Edit
      {kUndo, "&Edit", "", "&Undo\tCtrl+Z", {"Ctrl+Z", "Alt+Backspace"}, "Undo the last action\nUndo", CanUndo, RunUndo,
       kNeedsDocument},
      {kRedo, "&Edit", "", "&Redo\tCtrl+Y", {"Ctrl+Y"}, "Redo the last action\nRedo", CanRedo, RunRedo, kNeedsDocument},
      {kZoomIn, "&Edit", "Zoom", "Zoom &In", {}, "Zoom in\nZoom In", HasDocument, nullptr,
       kNeedsDocument | kSeparatorBefore},
      {kZoomOut, "&Edit", "Zoom", "Zoom &Out", {}, "Zoom out\nZoom Out", HasDocument, nullptr, kNeedsDocument},
      {kZoomInMax, "&Edit", "Zoom", "Zoom In &Max", {}, "Zoom In to the maximum level", HasDocument, nullptr,
       kNeedsDocument},
      {kZoomOutMax, "&Edit", "Zoom", "Zoom Out Ma&x", {}, "Zoom out to the maximum level", HasDocument, nullptr,
       kNeedsDocument},
      {kInsertNode, "&Edit", "Envelope", "Insert Node", {}, "", HasDocument, RunInsertNode, kNeedsDocument},
      {kRemoveAllNodes, "&Edit", "Envelope", "Remove All Nodes", {}, "", HasDocument, RunRemoveAllNodes,
       kNeedsDocument},
      {kCut, "&Edit", "", "Cu&t\tCtrl+X", {"Ctrl+X", "Delete", "Shift+Delete"},
       "Cut the selection and put it on the Clipboard\nCut", HasSelection, RunCut,
       kNeedsDocument | kSeparatorBefore | kWaitCursor | kGivesClip},
      {kCopy, "&Edit", "", "&Copy\tCtrl+C", {"Ctrl+C", "Ctrl+Insert"},
       "Copy the selection and put it on the Clipboard\nCopy", HasSelection, RunCopy,
       kNeedsDocument | kWaitCursor | kGivesClip | kKeepsSound},
      {kPaste, "&Edit", "", "&Paste\tCtrl+V", {"Ctrl+V", "Shift+Insert"}, "Insert Clipboard contents\nPaste", HasClip,
       RunPaste, kNeedsDocument | kWaitCursor | kTakesClip},
      {kMix, "&Edit", "", "&Mix\tCtrl+M", {"Ctrl+M"}, "Paste as a new layer\nMix", HasClip, RunMix,
       kNeedsDocument | kTakesClip},
      {kCrop, "&Edit", "", "Cr&op", {}, "Trim/Crop the selectedion.\nCrop ", HasSelection, RunCrop,
       kNeedsDocument | kWaitCursor},
      {kSelectAll, "&Edit", "", "Select &All\tCtrl+A", {"Ctrl+A"}, "Selects the entire layer\nSelect All",
       HasDocument, RunSelectAll, kNeedsDocument | kSeparatorBefore},
      // Layer
      {kAddBlankLayer, "&Layer", "&Add Layer", "&Add Blank Layer", {}, "Add a blank layer", HasDocument,
       RunAddBlankLayer, kNeedsDocument | kWaitCursor},
      {kGenerateLayer, "&Layer", "&Add Layer", "&Generate Layer...", {}, "Generate a Layer", HasDocument,
       RunGenerateLayer, kNeedsDocument | kWaitCursor | kAsksNewLayer},
      {kDeleteLayer, "&Layer", "", "&Delete Layer", {}, "Delete selected layer", HasDocument, RunDeleteLayer,
       kNeedsDocument | kWaitCursor},
      {kLayerProperties, "&Layer", "", "Layer &Properties...", {}, "Edit Layer properties", HasDocument, nullptr,
       kNeedsDocument},
      {kMergeLayers, "&Layer", "", "&Merge Layers", {}, "Merges layers into one layer\nMerge", HasDocument,
       RunMergeLayers, kNeedsDocument | kWaitCursor},
      // Controls
      {kPlay, "&Controls", "", "&Play", {}, "Play the active wave file\nPlay", HasDocument, nullptr, kNeedsDocument},
      {kPlayAll, "&Controls", "", "Play &All", {}, "Play the entire wave\nPlay All", HasDocument, nullptr,
       kNeedsDocument},
      {kStop, "&Controls", "", "&Stop", {}, "Stop playback\nStop", HasDocument, nullptr, kNeedsDocument},
      {kPause, "&Controls", "", "Pause", {}, "Pause playback\nPause", HasDocument, nullptr, kNeedsDocument},
      {kJumpToStart, "&Controls", "", "Jump to Start", {"Home"}, "Move the cursor to the beginning\nJump to Start",
       HasDocument, nullptr, kNeedsDocument | kSeparatorBefore},
      {kJumpToEnd, "&Controls", "", "Jump to End", {"End"}, "Move the cursor to the end\nJump to End", HasDocument,
       nullptr, kNeedsDocument},
      {kRecord, "&Controls", "", "&Record...", {}, "Bring up the record dialog\nRecord", Always, nullptr,
       kSeparatorBefore},
      // View
      {kViewToolbar, "&View", "", "&Toolbar", {}, "Show or hide the toolbar\nToggle ToolBar", Always, nullptr,
       kCheckable},
      {kViewPlayControls, "&View", "", "&Play Controls", {}, "Show or hide the play controls\nToggle Play Controls",
       Always, nullptr, kCheckable},
      {kViewStatusBar, "&View", "", "&Status Bar", {}, "Show or hide the status bar\nToggle StatusBar", Always,
       nullptr, kCheckable},
      {kViewExplorer, "&View", "", "&Explorer", {}, "Show or hide the file explorer\nToggle Explorer", Always, nullptr,
       kCheckable | kSeparatorBefore},
      {kViewClipboard, "&View", "", "&Clipboard Manager", {},
       "Show or hide the clipboard manager\nToggle Clipboard Manager", Always, nullptr, kCheckable},
      {kViewAudioMeter, "&View", "", "&Audio Meter", {}, "Show or hide the audio meter\nToggle Audio Meter", Always,
       nullptr, kCheckable},
      // Tools
      {kPreferences, "&Tools", "", "&Preferences...", {}, "Change the application preferences\nPreferences", Always,
       nullptr, 0},
      {kCommonTasks, "&Tools", "", "&Common Tasks...", {}, "Bring up the common tasks dialog\nCommon Tasks", Always,
       nullptr, 0},
      // Help
      {kHelpContents, "&Help", "", "&Help Contents...", {"F1"}, "Open the help\nHelp", Always, nullptr, 0},
      {kPrintableGuide, "&Help", "", "Printable &Guide", {}, "Open the guide to read or print it\nPrintable Guide",
       Always, nullptr, 0},
      {kAppAbout, "&Help", "", "&About Tarvo Wavedesk...",
       {}, "Display program information, version number and copyright\nAbout", Always, nullptr, kSeparatorBefore},
      // On no menu: the view's node menu
      {kDeleteNode, "", "", "Delete Node", {}, "", HasDocument, nullptr, kNeedsDocument},
  };
  return table;
}

}  // namespace

std::span<const MenuInfo> MenuBarMenus() { return kMenus; }

std::span<const CommandInfo> CommandTable() { return Table(); }

const CommandInfo* FindCommand(CommandId id) {
  for (const CommandInfo& command : Table()) {
    if (command.id == id) return &command;
  }
  return nullptr;
}
