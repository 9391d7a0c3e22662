// CWavedeskToolBar: the main tool bar at the top of the main window: New
// (with the New drop-down), Open, Save, Explorer, then Cut, Copy, Paste (with
// the drop-down of the clipboard manager's clips), Mix, Crop and the
// clipboard manager. Labels stand beside the icons.
#pragma once

#include <functional>

#include "gui/panes/command_tool_bar.h"

class CWavedeskToolBar : public CCommandToolBar {
  Q_OBJECT

 public:
  // `commands` finds the frame's action of a command id (for its tips).
  explicit CWavedeskToolBar(const std::function<QAction*(CommandId)>& commands, QWidget* parent = nullptr);
};
