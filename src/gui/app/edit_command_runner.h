// Carries out the edit, layer and envelope commands of the core's command
// table on a document window: gathers the state their enable rules read,
// asks what a command needs from the user (the New Layer Generation
// dialog), exchanges clips with the clipboard manager, shows the refusals
// the core reports, and tells the document's windows what changed.
#pragma once

#include <QObject>

#include "core/edit/edit_command_table.h"

class CChildFrame;
class CClipboardDlg;
class QWidget;

class CEditCommandRunner {
 public:
  // `owner` parents the dialogs and message boxes; `clipboard` is the
  // program's clipboard manager.
  CEditCommandRunner(QWidget* owner, CClipboardDlg* clipboard) : m_owner(owner), m_clipboard(clipboard) {}

  // What the enable rules see for `child` (null: no document window).
  EditCommandState StateFor(CChildFrame* child) const;
  // Runs `command` on `child` if its enable rule allows; true when it did
  // something.
  bool Run(const EditCommandInfo& command, CChildFrame* child);

 private:
  void ShowRefusal(EditResult result) const;

  QWidget* m_owner;
  CClipboardDlg* m_clipboard;
};
