// CClipboardDlg: the clipboard manager, a bar docked at the bottom of the main
// window. It shows the clips of its CClipStore (which it owns, and with it
// the clip files), lets the user pick one for Paste, remove one or all of
// them, and preview one through the application's sound output; and it
// trades clips with other programs through the system clipboard: a copied
// clip is put there as a complete wave file, and a wave file that another
// program puts there becomes a clip.
//
// The window holds no clip state of its own: every list refresh is drawn
// from the store, so the list, the selection that Paste uses and the files
// on disk cannot drift apart.
#pragma once

#include <QDockWidget>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/audio/preview_player.h"
#include "core/edit/clip_store.h"
#include "gui/base/restorable_bar.h"

struct SettingsRecord;
class CWavedeskListCtrl;
class QMimeData;
class QPushButton;
class SoundOutputDevice;

class CClipboardDlg : public QDockWidget, public RestorableBar {
  Q_OBJECT

 public:
  // The sound output the preview plays on; it may come and go (the devices
  // open after the window is made and close before it goes), so it is asked
  // for each time a preview starts. Null means there is none.
  using OutputDeviceSource = std::function<SoundOutputDevice*()>;

  // Clip files go to `folder` (the system's temporary folder when empty).
  // `settings` (the application's, or the defaults when null) says whether
  // a copy shows the bar.
  explicit CClipboardDlg(const SettingsRecord* settings = nullptr, std::string folder = {},
                         QWidget* parent = nullptr);
  // Stops any preview; the store then deletes every clip file.
  ~CClipboardDlg() override;

  CClipStore& store() { return m_store; }
  const CClipStore& store() const { return m_store; }
  void SetOutputDeviceSource(OutputDeviceSource source) { m_outputSource = std::move(source); }

  // Copy and Cut hand their working-format bytes here: the clip is listed
  // on top and selected, the bar shows itself when the preference asks for
  // it, and the clip goes onto the system clipboard as a complete wave file.
  // False, with nothing listed and the system clipboard untouched, when the
  // clip file cannot be written.
  [[nodiscard]] bool AddCopiedClip(const uint8_t* bytes, uint64_t length);

  // Makes row `index` the selected clip (an index naming no row leaves the
  // selection as it was) and asks for it to be pasted: the Paste drop-down.
  void PasteClip(int index);

  // Ends a playing preview and releases its sound buffer.
  void StopPreview();
  bool IsPreviewing() const { return m_preview.IsActive(); }
  // Runs only while a preview plays; an idle bar has no timer running.
  const QTimer& previewTimer() const { return m_previewTimer; }

  // Hiding and showing from any side (the View command, a copy, the frame)
  // is announced, so that the View command's check mark can follow.
  void setVisible(bool visible) override;

  // The height kept between runs replaces the first-start height.
  void RestoreSize(const QSize& size) override;
  QSize RememberedSize() const override;

 protected:
  void showEvent(QShowEvent* event) override;

 signals:
  // Paste was chosen for clip `clipIndex` (-1 when none is selected, which
  // pastes nothing).
  void pasteRequested(int clipIndex);
  void shownChanged(bool shown);
  // The list of clips changed (a clip came, went or was selected).
  void clipsChanged();

 private:
  void OnClearAll();
  void OnRemove();
  void OnPaste();
  void OnPreview();
  void OnPreviewTimer();
  void OnListClicked(int row);
  void OnSystemClipboardChanged();
  // Puts clip row 0's file on the system clipboard.
  void OfferNewestClip();
  // True when `wave` is byte for byte the file we last offered.
  bool IsOurOfferedClip(const QByteArray& wave) const;
  // Rebuilds the rows from the store and selects the store's selection.
  void RefreshList();
  void ShowSelection();
  void SetPreviewButton(bool playing);
  // Paste and Preview need a selected clip; a playing preview can always be
  // stopped.
  void UpdateButtons();

  const SettingsRecord* m_settings;
  CClipStore m_store;
  OutputDeviceSource m_outputSource;
  CWavedeskListCtrl* m_list;
  QPushButton* m_pasteButton;
  QPushButton* m_previewButton;
  PreviewPlayer m_preview;
  QTimer m_previewTimer;
  // What we last put on the system clipboard, while it is still there (the
  // clipboard deletes it when another owner takes over): its change notice
  // is our own and must not list the clip a second time.
  QPointer<QMimeData> m_offered;
  // The file we last offered. A clipboard keeper (a desktop's clipboard
  // manager) may take our data over and offer it again as its own; the same
  // bytes coming back are still our clip.
  std::string m_offeredPath;
  qint64 m_offeredSize = -1;
  // Set while the list is being rebuilt, so that the rebuild's own
  // selection changes do not reach the store.
  bool m_refreshing = false;
  void TakeHeight(int height);

  bool m_sized = false;
  QSize m_restoredSize;
};
