// The button making shared by the two tool bars: icon, label, tips and the
// click that reaches the frame.
#include "gui/panes/command_tool_bar.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "gui/base/resource_ids.h"
#include "gui/base/icon_painter.h"

CCommandToolBar::CCommandToolBar(const QString& title, const QString& name, QWidget* parent)
    : QToolBar(title, parent) {
  setObjectName(name);
  setMovable(false);
  setFloatable(false);
  setAllowedAreas(Qt::TopToolBarArea);
  setIconSize(QSize(16, 16));
}

QToolButton* CCommandToolBar::AddButton(CommandId id, const QString& label, const QAction* command) {
  auto* button = new QToolButton(this);
  button->setObjectName(CommandName(id));
  button->setIcon(PaintedCommandIcon(id));
  button->setText(label);
  button->setToolButtonStyle(toolButtonStyle());
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  if (command != nullptr) button->setStatusTip(command->statusTip());
  const QString tip = command != nullptr ? command->toolTip() : QString();
  button->setToolTip(tip.isEmpty() ? label.trimmed() : tip);
  connect(button, &QToolButton::clicked, this, [this, id] { emit commandClicked(id); });
  // The bar's own style changes reach the buttons it holds as widgets.
  connect(this, &QToolBar::toolButtonStyleChanged, button, &QToolButton::setToolButtonStyle);
  addWidget(button);
  m_buttons.insert(ToInt(id), button);
  m_order.append(id);
  return button;
}

void CCommandToolBar::SetButtonEnabled(CommandId id, bool enabled) {
  if (QToolButton* target = button(id)) target->setEnabled(enabled);
}

void CCommandToolBar::SetDropDownMenu(CommandId id, QMenu* menu) {
  QToolButton* target = button(id);
  if (target == nullptr) return;
  target->setMenu(menu);
  target->setPopupMode(QToolButton::MenuButtonPopup);
}
