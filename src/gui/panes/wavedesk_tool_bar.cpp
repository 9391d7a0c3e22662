// The main tool bar's buttons, labels and tips.
#include "gui/panes/wavedesk_tool_bar.h"

#include "gui/base/resource_ids.h"

namespace {

struct MainButton {
  CommandId id;  // with no label: a separator
  const char* label;  // the trailing blanks even out the buttons' widths
};

constexpr MainButton kButtons[] = {
    {CommandId::kFileNew, "New  "},
    {CommandId::kFileOpen, "Open "},
    {CommandId::kFileSave, "Save "},
    {CommandId::kViewExplorer, "Explorer"},
    {CommandId::kFileNew, nullptr},
    {CommandId::kCut, "Cut  "},
    {CommandId::kCopy, "Copy "},
    {CommandId::kPaste, "Paste"},
    {CommandId::kMix, "Mix  "},
    {CommandId::kCrop, "Crop "},
    {CommandId::kViewClipboard, "Clip Manager"},
};

}  // namespace

CWavedeskToolBar::CWavedeskToolBar(const std::function<QAction*(CommandId)>& commands, QWidget* parent)
    : CCommandToolBar(tr("Toolbar"), QStringLiteral("Toolbar"), parent) {
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  for (const MainButton& entry : kButtons) {
    if (entry.label == nullptr) {
      addSeparator();
      continue;
    }
    AddButton(entry.id, QString::fromLatin1(entry.label), commands(entry.id));
  }
}
