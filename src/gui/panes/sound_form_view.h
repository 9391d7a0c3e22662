// The side panel below the waveform view: file properties, audio layers,
// information tags and the action history, in four tabs. It shows rows: the
// changes it offers (picking the active layer, renaming layers in place,
// their properties, the tags) are operations of the document's editor, and
// its buttons run the same commands as the menus, through the route the
// main window hands it. The history it shows is the document's.
#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "gui/base/pane_hooks.h"

class CWavedeskDoc;
enum class UpdateHint;
class CWavedeskListCtrl;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidgetItem;

class CSoundFormView : public QWidget {
  Q_OBJECT

 public:
  explicit CSoundFormView(CWavedeskDoc* document, QWidget* parent = nullptr);
  ~CSoundFormView() override;

  CWavedeskDoc* document() const { return m_document; }

  // First showing for the document: the labels, the first history row, the
  // first tab, then a refresh.
  void OnInitialUpdate();
  // The document changed; `hint` is an UpdateHint. Every hint refreshes.
  void OnUpdate(UpdateHint hint);
  // Rewrites the properties values, the tag values and the layers list, and
  // selects the active layer's row.
  void Refresh();

  // The route of its buttons' commands and the Layer menu its list shows.
  void SetHooks(PaneHooks hooks) { m_hooks = std::move(hooks); }

  // Layer Properties for the active layer. On OK the layer takes the new
  // values, the document is marked modified and all views update; returns
  // whether the dialog ended with OK.
  bool EditLayerProperties();

  // The history row in effect; -1 before the first row.
  int currentHistoryIndex() const { return m_currentHistoryIndex; }

  // The eight images of the layers and history lists; a history row's kind
  // is its index here, a layer row shows image 0.
  const QList<QIcon>& images() const { return m_images; }

  // The "Format Tag" row's text for a format tag.
  static QString FormatTagName(uint16_t formatTag);
  // The "Approx. Length" row's text for a playing time: whole seconds from
  // one second on, milliseconds below.
  static QString ApproximateLengthText(uint64_t milliseconds);

  // Rewrites the history rows, the current row and the Undo and Redo
  // buttons from the document's history.
  void WriteHistoryRows();

 private:
  void CreatePages();
  void WritePropertiesLabels();
  void WriteTagsLabels();
  void RefreshProperties();
  // The rows of a wave, MP3, raw or layered file (by its format record) and
  // of a sound file FFmpeg read (by its stream).
  void RefreshWaveProperties();
  void RefreshMediaProperties();
  // "1 (Mono)", "2 (Stereo)", "6 (6 channels)".
  static QString ChannelsText(uint32_t channels);
  void RefreshTags();
  void RefreshLayers();
  void SelectActiveLayerRow();

  // The rule every click in the layers list follows: the clicked row (if
  // any) becomes the active layer, and the selection is kept inside it.
  void SelectLayer(int row);
  void ShowLayerMenu(const QPoint& globalPos);
  void RunCommand(CommandId id);

  void OnTagSelectionChanged();
  void OnTagUpdate();
  void OnTagRevert();
  int MarkedTagRow() const;
  // The text of tag row `row` as it is edited in the box.
  QString TagText(int row) const;
  void OnLayerItemChanged(QTreeWidgetItem* item, int column);
  void OnHistorySelectionChanged();

  CWavedeskDoc* m_document;
  CWavedeskListCtrl* m_propertiesList = nullptr;
  CWavedeskListCtrl* m_tagsList = nullptr;
  CWavedeskListCtrl* m_layersList = nullptr;
  CWavedeskListCtrl* m_historyList = nullptr;
  QTabWidget* m_tab = nullptr;
  QList<QIcon> m_images;
  int m_currentHistoryIndex = -1;
  PaneHooks m_hooks;

  QPlainTextEdit* m_tagValue = nullptr;
  QPushButton* m_tagUpdate = nullptr;
  QPushButton* m_tagRevert = nullptr;
  QPushButton* m_addLayer = nullptr;
  QPushButton* m_deleteLayer = nullptr;
  QPushButton* m_mergeLayers = nullptr;
  QPushButton* m_undo = nullptr;
  QPushButton* m_redo = nullptr;

  bool m_initialised = false;
  // Set while the panel writes its own rows, so that item-changed signals
  // are not taken for the user's edits.
  bool m_writingRows = false;
};
