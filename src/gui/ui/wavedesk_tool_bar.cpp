// The main tool bar's buttons, labels and tips.
#include "gui/ui/wavedesk_tool_bar.h"

#include "gui/app/resource_ids.h"

namespace {

struct MainButton {
  int id;
  const char* label;  // the trailing blanks even out the buttons' widths
};

constexpr MainButton kButtons[] = {
    {ID_FILE_NEW, "New  "},
    {ID_FILE_OPEN, "Open "},
    {ID_FILE_SAVE, "Save "},
    {ID_VIEW_EXPLORER, "Explorer"},
    {0, nullptr},
    {ID_EDIT_CUT, "Cut  "},
    {ID_EDIT_COPY, "Copy "},
    {ID_EDIT_PASTE, "Paste"},
    {ID_EDIT_MIX, "Mix  "},
    {ID_EDIT_CROP, "Crop "},
    {ID_VIEW_CLIPBOARD, "Clip Manager"},
};

}  // namespace

CWavedeskToolBar::CWavedeskToolBar(const std::function<QAction*(int)>& commands, QWidget* parent)
    : CCommandToolBar(tr("Toolbar"), QStringLiteral("Toolbar"), parent) {
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  for (const MainButton& entry : kButtons) {
    if (entry.id == 0) {
      addSeparator();
      continue;
    }
    AddButton(entry.id, QString::fromLatin1(entry.label), commands(entry.id));
  }
}
