// The play controls' buttons and tips.
#include "gui/ui/control_tool_bar.h"

#include "gui/app/resource_ids.h"

namespace {

// In button order; 0 stands for the separator.
constexpr int kButtons[] = {
    ID_RECORD, 0, ID_PLAY, ID_PLAY_ALL, ID_JUMP_TO_START, ID_JUMP_TO_END, ID_PAUSE, ID_STOP,
};

}  // namespace

CControlToolBar::CControlToolBar(const std::function<QAction*(int)>& commands, QWidget* parent)
    : CCommandToolBar(tr("Play Controls"), QStringLiteral("Controls"), parent) {
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (int id : kButtons) {
    if (id == 0)
      addSeparator();
    else
      AddButton(id, {}, commands(id));  // icons only: the tool tip names the button
  }
}
