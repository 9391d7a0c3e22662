// The command runner (see the header).
#include "gui/app/command_runner.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include "core/edit/clip_store.h"
#include "gui/base/popup_progress.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/clipboard_dlg.h"
#include "gui/panes/new_layer_dlg.h"

using namespace command_flags;

CommandState CCommandRunner::StateFor(const CWavedeskDoc* document) const {
  CommandState state;
  if (document == nullptr) return state;
  state.hasActiveChild = true;
  const CSound& sound = document->sound();
  state.selectionNonEmpty = sound.selectionStart != sound.selectionEnd;
  state.clipAvailable = m_clipboard != nullptr && m_clipboard->store().selected() >= 0;
  state.canUndo = document->history().CanUndo();
  state.canRedo = document->history().CanRedo();
  return state;
}

void CCommandRunner::ShowRefusal(EditResult result) const {
  const char* text = nullptr;
  switch (result) {
    case EditResult::kTooManyLayers:
      text = "You cannot have more than ten layers";
      break;
    case EditResult::kOutOfMemory:
      text = "Your System doesn't have the resources necessary to perform this operation";
      break;
    case EditResult::kCannotDelete:
      text = "You cannot delete this layer";
      break;
    default:
      return;
  }
  QMessageBox::warning(m_owner, QApplication::applicationName(), QString::fromLatin1(text));
}

bool CCommandRunner::Run(const CommandInfo& command, CWavedeskDoc* document) {
  if (document == nullptr || command.handler == nullptr || !command.enabled(StateFor(document))) return false;
  CommandContext context{document->editor(), {}, {}, {}, nullptr};

  if (command.has(kTakesClip)) {
    if (m_clipboard == nullptr) return false;
    // The clip's block goes to the operation as it is: Paste copies from it
    // once, Mix makes it the new layer's.
    const ClipResult read = m_clipboard->store().GetSelectedClip(&context.clip.data, &context.clip.length);
    if (read == ClipResult::kOutOfMemory) {
      ShowRefusal(EditResult::kOutOfMemory);
      return false;
    }
    if (read != ClipResult::kOk) return false;
  }
  CPopupProgress progress(QObject::tr("Generating Wave"), QObject::tr("Generating..."), 300);
  if (command.has(kAsksNewLayer)) {
    // The limit is told before the dialog asks for anything.
    if (!document->sound().CanAddLayer()) {
      ShowRefusal(EditResult::kTooManyLayers);
      return false;
    }
    CNewLayerDlg dialog(m_owner);
    dialog.SetLayerName(QStringLiteral("Layer %1").arg(document->sound().layers.size() + 1));
    if (dialog.exec() != QDialog::Accepted) return false;
    context.parameters = dialog.Parameters();
    context.layerName = dialog.layerName().toStdString();
    context.progress = &progress;
  }

  if (command.has(kWaitCursor)) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const EditResult result = command.handler(context);
  if (command.has(kWaitCursor)) QGuiApplication::restoreOverrideCursor();
  if (result != EditResult::kDone) {
    ShowRefusal(result);
    return false;
  }
  if (command.has(kGivesClip) && m_clipboard != nullptr && !context.clip.empty()) {
    // A clip the manager cannot keep (no room in the temporary folder) is
    // not worth a message of its own: the edit itself is done.
    [[maybe_unused]] const bool kept = m_clipboard->AddCopiedClip(context.clip.data.get(), context.clip.length);
  }
  if (!command.has(kKeepsSound)) document->UpdateAllViews(UpdateHint::kAll);
  return true;
}
