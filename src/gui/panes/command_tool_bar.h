// CCommandToolBar: a tool bar of command buttons, the common ground of the
// main tool bar and the play controls. Each button carries a command id; a
// click asks the frame to carry the command out (commandClicked), and the
// frame decides which buttons are enabled. A button may have a drop-down
// menu: its main part still sends the command, its arrow opens the menu.
//
// The bars stay at the top of the window: they neither float nor move.
#pragma once

#include <QHash>
#include <QToolBar>

#include "core/edit/command_id.h"

class QAction;
class QMenu;
class QToolButton;

class CCommandToolBar : public QToolBar {
  Q_OBJECT

 public:
  // `name` is the object name the bar's placement is stored under.
  CCommandToolBar(const QString& title, const QString& name, QWidget* parent);

  // The button of command `id`, or null when the bar has none.
  QToolButton* button(CommandId id) const { return m_buttons.value(ToInt(id)); }
  // The command ids in button order.
  const QList<CommandId>& commands() const { return m_order; }
  void SetButtonEnabled(CommandId id, bool enabled);
  // Gives button `id` a drop-down arrow that opens `menu` below it.
  void SetDropDownMenu(CommandId id, QMenu* menu);

 signals:
  void commandClicked(CommandId id);

 protected:
  // Adds the button of command `id`. `label` is the text shown beside the
  // icon (if the bar shows text); the status text and the tool tip are the
  // command's own, taken from `command` (the frame's action, if any).
  QToolButton* AddButton(CommandId id, const QString& label, const QAction* command);

 private:
  QHash<int, QToolButton*> m_buttons;
  QList<CommandId> m_order;
};
