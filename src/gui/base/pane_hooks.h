// What the main window hands down to the panes of a document window (the
// view and the side panel): the one route every command takes, and the
// menus their context menus show. A pane never searches the main window for
// these; without them (a pane on its own) it offers what it can itself.
#pragma once

#include <functional>

#include "core/edit/command_id.h"

class QMenu;

struct PaneHooks {
  std::function<void(CommandId)> runCommand;  // runs a command on this pane's document
  std::function<QMenu*()> editMenu;           // the view's popup: the main window's Edit menu
  std::function<QMenu*()> layerMenu;          // the layer list's popup: the main window's Layer menu
};
