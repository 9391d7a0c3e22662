// CControlToolBar: the play controls at the top of the main window: Record,
// then Play, Play All, Jump to Start, Jump to End, Pause and Stop, as icons
// without labels.
#pragma once

#include <functional>

#include "gui/panes/command_tool_bar.h"

class CControlToolBar : public CCommandToolBar {
  Q_OBJECT

 public:
  // `commands` finds the frame's action of a command id (for its tips).
  explicit CControlToolBar(const std::function<QAction*(CommandId)>& commands, QWidget* parent = nullptr);
};
