// The one route every command of the core's table takes, whoever starts it:
// the menus, the keys, the tool bars, the side panel's buttons and the
// view's popup. It gathers the state the enable rules read, asks what a
// command needs from the user (the New Layer Generation dialog), hands clips
// to and from the clipboard manager as the row's flags say, shows the
// refusals the core reports, and tells the document's windows what changed.
#pragma once

#include "core/edit/command_table.h"

class CClipboardDlg;
class CWavedeskDoc;
class QWidget;

class CCommandRunner {
 public:
  // `owner` parents the dialogs and message boxes; `clipboard` is the
  // program's clipboard manager (null: no clips come or go).
  CCommandRunner(QWidget* owner, CClipboardDlg* clipboard) : m_owner(owner), m_clipboard(clipboard) {}

  // What the enable rules see for `document` (null: no document window).
  CommandState StateFor(const CWavedeskDoc* document) const;
  // Runs `command`'s operation on `document` if its enable rule allows;
  // true when it did something. A refusal is shown with its text.
  bool Run(const CommandInfo& command, CWavedeskDoc* document);
  // The message of a refusal, for every route the same.
  void ShowRefusal(EditResult result) const;

 private:
  QWidget* m_owner;
  CClipboardDlg* m_clipboard;
};
