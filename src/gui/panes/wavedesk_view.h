// The waveform view: every layer of the document's sound in its own band,
// with the rulers, the selection and the envelopes, at any zoom. It owns the
// zoom factor and the horizontal scroll position.
//
// Every repaint draws the whole client area into an off-screen image and
// copies it to the window in one go, so the window never shows a half-drawn
// state. Waveform columns come from a per-layer peak cache filled from the
// layer's peak summary, so a repaint costs in proportion to the window's
// width whatever the sound's length.
//
// The mouse handling lives in ViewMouse, to which the view hands its mouse
// events; the public coordinate helpers, ScrollTo, UpdateSelectionByInversion
// and the busy flag are what it works with. The view is also the playback
// engine's window: it runs the 40 ms play timer and shows the play position.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>
#include <QImage>

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "core/audio/playback_view.h"
#include "gui/base/pane_hooks.h"
#include "gui/panes/view_geometry.h"

class CSoundLayer;
class CWavedeskDoc;
enum class UpdateHint;
class PeakColumnCache;
class ViewMouse;
struct EnvelopeNode;

class CWavedeskView : public QAbstractScrollArea, public PlaybackView {
  Q_OBJECT

 public:
  explicit CWavedeskView(CWavedeskDoc* document, QWidget* parent = nullptr);
  ~CWavedeskView() override;

  CWavedeskDoc* document() const { return m_document; }
  // What the main window hands down: its Edit menu for the popup.
  void SetHooks(PaneHooks hooks) { m_hooks = std::move(hooks); }
  const PaneHooks& hooks() const { return m_hooks; }

  // First update after the document was read: the scroll range, and zoom to
  // fit when the preference says so (once the window has its real width, if
  // it has none yet). The view becomes the window of the document's
  // playback; closing the view while the sound plays ends the playback.
  void OnInitialUpdate();
  // The document changed; `hint` is an UpdateHint. Repaints fully; after a
  // change of the sound (UpdateHint::kAll, UpdateHint::kLayers) the scroll range follows
  // the sound's length and the active layer's peaks are read afresh, since
  // edits change its samples in place.
  void OnUpdate(UpdateHint hint);
  // Tells the document's other views (the side panel) about a change made
  // here; this view, the sender, is not updated again.
  void NotifyOtherViews(UpdateHint hint);

  // Frames per pixel column: a power of two, at least 1.
  int zoom() const { return m_zoom; }
  void ZoomIn();
  void ZoomOut();
  void ZoomOutMax();
  void ZoomInMax();
  // Whether Zoom In and Zoom Out would change anything (for greying them).
  bool CanZoomIn() const { return m_zoom > 1; }
  bool CanZoomOut() const;

  // The coordinate rules at the current zoom, scroll position and size.
  ViewGeometry viewGeometry() const;
  int scrollPosition() const;
  int clientWidth() const;
  int clientHeight() const;
  // Content x of a byte position of the sound, and the byte position of a
  // content x. Client x = content x - scrollPosition().
  int64_t ContentXOfPosition(int64_t bytePosition) const { return viewGeometry().ContentX(bytePosition); }
  int64_t PositionOfContentX(int64_t contentX) const { return viewGeometry().Position(contentX); }
  // Height of one layer's band, and the layer under a client y (-1: none).
  int BandHeight() const { return viewGeometry().BandHeight(); }
  int LayerAtY(int clientY) const { return viewGeometry().LayerAt(clientY); }
  // Content x and client y of an envelope node of layer `layerIndex`.
  int64_t NodeContentX(const CSoundLayer& layer, const EnvelopeNode& node) const;
  int NodeY(int layerIndex, double level) const { return viewGeometry().NodeY(layerIndex, level); }

  // Scroll range from the sound's length at the current zoom. Call after the
  // sound's length changed (paste, a finished recording, a layer dragged).
  void UpdateScrollRange();
  // Scrolls to a content x (clamped to the range) and repaints at once;
  // nothing while busy.
  void ScrollTo(int64_t position);
  void ScrollTo(int32_t scrollPosition) override;
  // Draws the whole view now.
  void RepaintFully();
  // Moves the selection mark without a full repaint: inverts the previous
  // selection's columns (when previousLayer >= 0) and then the current one.
  // Playback moves its cursor this way on every tick.
  void UpdateSelectionByInversion(int32_t previousStart, int32_t previousEnd, int previousLayer);

  // Re-entrancy guard: set while a programmatic scroll repaints and while the
  // view's popup menu is open.
  bool isBusy() const { return m_busy; }
  void SetBusy(bool busy) { m_busy = busy; }
  bool isInitialised() const { return m_initialised; }

  // The samples of `layer` changed in place (same block, same length): its
  // peaks are read afresh at the next repaint.
  void InvalidatePeaks(const CSoundLayer* layer);
  // Forgets the per-column peak tables but keeps the layers' summaries; the
  // next repaint rebuilds the columns. For measuring repaint cost.
  void DropPeakColumns();

  // A time in milliseconds as the time ruler writes it: "01:01:0500".
  static QString TimeText(int64_t milliseconds);

  // The view's last drawn image (the client area).
  const QImage& backBuffer() const { return m_backBuffer; }

  // What the playback engine asks of its window: the play timer (40 ms,
  // each tick one playback step), the numbers it scrolls by, a full repaint
  // and the cursor moved by inversion.
  static constexpr int kPlayTimerInterval = 40;  // ms
  void SetPlayTimer(bool running) override;
  bool isPlayTimerRunning() const { return m_playTimer.isActive(); }
  PlaybackViewport Viewport() const override;
  void Repaint() override;
  void InvertSelectionChange(int32_t oldStart, int32_t oldEnd, int32_t oldLayer) override;

  ViewMouse& mouse() const { return *m_mouse; }

 signals:
  // After every full repaint (the repaint benchmark counts them). Nothing
  // that a repaint changes may answer it by repainting again.
  void repainted();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void timerEvent(QTimerEvent* event) override;
  // Mouse events of the viewport go to ViewMouse.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void OnScrollAction(int action);
  // Playback moves the active layer on its own (the cursor running into
  // another layer, Stop putting the selection back); the other views hear
  // of it here, once per change.
  void AnnounceActiveLayerChange();
  void ScrollAfterZoomStep();
  void Render();
  int64_t ScrollRangeWidth() const;
  PeakColumnCache& CacheFor(const CSoundLayer* layer);
  void PruneCaches();

  CWavedeskDoc* m_document;
  PaneHooks m_hooks;
  int m_zoom = 4;
  bool m_initialised = false;
  bool m_busy = false;
  bool m_zoomToFitPending = false;
  // Set while NotifyOtherViews runs: the update is for the other views.
  bool m_notifying = false;
  // The active layer the document's views were last told about.
  int m_announcedActiveLayer = -1;
  // Set by UpdateSelectionByInversion: the next paint only copies the image.
  bool m_copyOnly = false;
  QFont m_rulerFont;
  QImage m_backBuffer;
  std::unordered_map<const CSoundLayer*, std::unique_ptr<PeakColumnCache>> m_peakCaches;
  QBasicTimer m_playTimer;
  ViewMouse* m_mouse;  // a child of the view
};
