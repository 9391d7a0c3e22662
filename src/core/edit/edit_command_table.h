// The document window's edit, layer and envelope commands, each listed once:
// its command id, menu text, keys, status-bar prompt, the rule that enables
// it and the operation that carries it out. The GUI builds its menus,
// accelerators and update handlers from this table; the ids are the
// resource numbers the rest of the program uses for the same commands.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/edit/document_editor.h"

// What the enable rules look at, gathered by the GUI before a menu opens.
struct EditCommandState {
  bool hasActiveChild = false;  // a document window is active
  bool selectionNonEmpty = false;
  bool clipAvailable = false;   // the clipboard manager has a selected clip
  bool canUndo = false;
  bool canRedo = false;
};

// What a handler takes in and gives back beyond the document: the clip
// (Paste and Mix read it; Cut and Copy fill it), the generator's parameters
// and the layer name for Generate Layer.
struct EditCommandContext {
  DocumentEditor& editor;
  std::vector<uint8_t> clip;
  GeneratorParameters parameters;
  std::string layerName;
  ProgressReport* progress = nullptr;
};

struct EditCommandInfo {
  int id;
  const char* menuText;  // Undo and Redo are relabelled from the history
  const char* submenu;   // "" or the submenu it sits in ("&Add Layer", "Envelope")
  std::vector<std::string> keys;  // "Ctrl+X", "Delete" ...; the first is shown in the menu
  const char* prompt;    // status-bar text, "" for none
  bool (*enabled)(const EditCommandState& state);
  // Null for Layer Properties: a dialog of the GUI, no operation of the core.
  EditResult (*handler)(EditCommandContext& context);
  bool waitCursor;       // shown while the command runs
};

// The commands in menu order.
std::span<const EditCommandInfo> EditCommandTable();
// The row of `id`, or null when the table has none.
const EditCommandInfo* FindEditCommand(int id);
