// The play controls' buttons and tips.
#include "gui/panes/control_tool_bar.h"

#include <optional>

#include "gui/base/resource_ids.h"

namespace {

// In button order; an empty entry stands for the separator.
constexpr std::optional<CommandId> kButtons[] = {
    CommandId::kRecord,      std::nullopt,          CommandId::kPlay,  CommandId::kPlayAll,
    CommandId::kJumpToStart, CommandId::kJumpToEnd, CommandId::kPause, CommandId::kStop,
};

}  // namespace

CControlToolBar::CControlToolBar(const std::function<QAction*(CommandId)>& commands, QWidget* parent)
    : CCommandToolBar(tr("Play Controls"), QStringLiteral("Controls"), parent) {
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (const std::optional<CommandId>& id : kButtons) {
    if (!id)
      addSeparator();
    else
      AddButton(*id, {}, commands(*id));  // icons only: the tool tip names the button
  }
}
