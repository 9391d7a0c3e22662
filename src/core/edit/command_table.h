// Every command of the program, each listed once and in menu order: its id,
// the menu and submenu it sits in, its text, keys and status-bar prompt, the
// rule that enables it, the operation of the core that carries it out, and
// flags that tell the window what else the command needs (a clip, a dialog,
// the wait cursor). The window builds its actions, menus and accelerators
// from this table, and runs every command through one runner that reads it.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/edit/command_id.h"
#include "core/edit/document_editor.h"

// What the enable rules look at, gathered by the window before a menu opens.
struct CommandState {
  bool hasActiveChild = false;  // a document window is active
  bool selectionNonEmpty = false;
  bool clipAvailable = false;   // the clipboard manager has a selected clip
  bool canUndo = false;
  bool canRedo = false;
};

// What a handler takes in and gives back beyond the document: the clip
// (Paste and Mix read it; Cut and Copy fill it), the generator's parameters
// and the layer name for Generate Layer.
struct CommandContext {
  DocumentEditor& editor;
  ClipBytes clip;
  GeneratorParameters parameters;
  std::string layerName;
  ProgressReport* progress = nullptr;
};

// What a command needs from the window around its operation.
namespace command_flags {
constexpr unsigned kSeparatorBefore = 1u << 0;  // a separator before it (or before its submenu) in the menu
constexpr unsigned kNeedsDocument = 1u << 1;    // acts on the active document window, only with one
constexpr unsigned kWaitCursor = 1u << 2;       // shown while it runs
constexpr unsigned kTakesClip = 1u << 3;        // reads the clipboard manager's selected clip first
constexpr unsigned kGivesClip = 1u << 4;        // hands its clip to the clipboard manager after
constexpr unsigned kAsksNewLayer = 1u << 5;     // asks the New Layer Generation dialog first
constexpr unsigned kKeepsSound = 1u << 6;       // changes nothing the views show
constexpr unsigned kCheckable = 1u << 7;        // a bar's show/hide item with a check mark
constexpr unsigned kRecentFiles = 1u << 8;      // the submenu of recent files, filled by the window
}  // namespace command_flags

struct CommandInfo {
  CommandId id;
  const char* menu;      // the top menu ("&Edit"), "" for a command on no menu
  const char* submenu;   // "" or the submenu it sits in ("&Add Layer", "Envelope")
  const char* menuText;  // Undo and Redo are relabelled from the history
  std::vector<std::string> keys;  // "Ctrl+X", "Delete" ...
  const char* prompt;    // status text, then after a line break the tool tip; "" for none
  bool (*enabled)(const CommandState& state);
  // The operation of the core; null for a command the window carries out
  // itself (files, dialogs, bars, zoom, playback).
  EditResult (*handler)(CommandContext& context);
  unsigned flags;

  bool has(unsigned flag) const { return (flags & flag) != 0; }
};

// The top menus in their order on the menu bar; those that need a document
// are hidden while no document window is open. The window menu has no rows:
// the window fills it with its document windows.
struct MenuInfo {
  const char* title;
  bool documentOnly;
};
std::span<const MenuInfo> MenuBarMenus();

// The commands in menu order.
std::span<const CommandInfo> CommandTable();
// The row of `id`, or null when the table has none.
const CommandInfo* FindCommand(CommandId id);
