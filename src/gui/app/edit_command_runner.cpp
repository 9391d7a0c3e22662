#include "gui/app/edit_command_runner.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include "core/edit/clip_store.h"
#include "gui/app/popup_progress.h"
#include "gui/app/resource_ids.h"
#include "gui/app/wavedesk_doc.h"
#include "gui/edit/clipboard_dlg.h"
#include "gui/edit/new_layer_dlg.h"
#include "gui/edit/sound_form_view.h"
#include "gui/ui/child_frame.h"

namespace {

// Command ids the runner treats specially.
constexpr int kCut = 57635;
constexpr int kCopy = 57634;
constexpr int kPaste = 57637;
constexpr int kMix = 214;
constexpr int kGenerateLayer = 265;

}  // namespace

EditCommandState CEditCommandRunner::StateFor(CChildFrame* child) const {
  EditCommandState state;
  if (child == nullptr) return state;
  state.hasActiveChild = true;
  const CSound& sound = child->document()->sound();
  state.selectionNonEmpty = sound.selectionStart != sound.selectionEnd;
  state.clipAvailable = m_clipboard != nullptr && m_clipboard->store().selected() >= 0;
  const CActionHistory& history = child->formView()->Editor().history();
  state.canUndo = history.CanUndo();
  state.canRedo = history.CanRedo();
  return state;
}

void CEditCommandRunner::ShowRefusal(EditResult result) const {
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

bool CEditCommandRunner::Run(const EditCommandInfo& command, CChildFrame* child) {
  if (child == nullptr || command.handler == nullptr || !command.enabled(StateFor(child))) return false;
  CSoundFormView* panel = child->formView();
  CWavedeskDoc* document = child->document();
  EditCommandContext context{panel->Editor(), {}, {}, {}, nullptr};

  if (command.id == kPaste || command.id == kMix) {
    std::unique_ptr<uint8_t[]> clip;
    uint64_t length = 0;
    if (m_clipboard == nullptr || m_clipboard->store().GetSelectedClip(&clip, &length) != kClipOk) return false;
    context.clip.assign(clip.get(), clip.get() + length);
  }
  CPopupProgress progress(QObject::tr("Generating Wave"), QObject::tr("Generating..."), 300);
  if (command.id == kGenerateLayer) {
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

  if (command.waitCursor) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const EditResult result = command.handler(context);
  if (command.waitCursor) QGuiApplication::restoreOverrideCursor();
  if (result != EditResult::kDone) {
    ShowRefusal(result);
    return false;
  }
  if ((command.id == kCut || command.id == kCopy) && m_clipboard != nullptr && !context.clip.empty()) {
    // A clip the manager cannot keep (no room in the temporary folder) is
    // not worth a message of its own: the edit itself is done.
    [[maybe_unused]] const bool kept = m_clipboard->AddCopiedClip(context.clip.data(), context.clip.size());
  }
  panel->WriteHistoryRows();
  if (command.id != kCopy) document->UpdateAllViews(kUpdateAll);
  return true;
}
