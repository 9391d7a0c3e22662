// A document window: the waveform view above the side panel in a two-row
// splitter, with the four zoom buttons laid over the view's bottom right
// corner. It lives inside a QMdiSubWindow of the main frame.
#pragma once

#include <QWidget>

#include "gui/base/pane_hooks.h"

class CSoundFormView;
class CWavedeskDoc;
class CWavedeskView;
class QSplitter;
class QToolButton;

class CChildFrame : public QWidget {
  Q_OBJECT

 public:
  // The frame takes ownership of the document.
  explicit CChildFrame(CWavedeskDoc* document, QWidget* parent = nullptr);
  ~CChildFrame() override;

  CWavedeskDoc* document() const { return m_document; }
  CWavedeskView* view() const { return m_view; }
  CSoundFormView* formView() const { return m_formView; }
  QSplitter* splitter() const { return m_splitter; }

  // What the main window hands down to the view and the side panel.
  void SetHooks(const PaneHooks& hooks);

  // Runs the first update of both panes once the document has its sound.
  void OnInitialUpdate();

  // Puts the zoom buttons at 66, 50, 34 and 18 pixels left of the frame's
  // right edge, just above the view's bottom ruler as it stands while the
  // horizontal scroll bar shows, whether the bar shows or not. Every resize
  // of the frame or the view does this; nothing else moves them, so an idle
  // window stays idle.
  void PlaceZoomButtons();

  // The panes' heights as the frame starts and the least each keeps.
  static constexpr int kViewHeight = 200;
  static constexpr int kViewMinimumHeight = 60;
  static constexpr int kFormHeight = 200;
  static constexpr int kFormMinimumHeight = 70;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QToolButton* MakeZoomButton(int id, int bitmapId, const QString& tip);
  void PaintZoomBitmaps();

  CWavedeskDoc* m_document;
  QSplitter* m_splitter;
  CWavedeskView* m_view;
  CSoundFormView* m_formView;
  QToolButton* m_zoomIn = nullptr;
  QToolButton* m_zoomOut = nullptr;
  QToolButton* m_zoomInMax = nullptr;
  QToolButton* m_zoomOutMax = nullptr;
  // Set once the panes and the buttons exist; resizes before that have
  // nothing to place.
  bool m_clientCreated = false;
};
