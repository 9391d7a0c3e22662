// The waveform view's state: zoom, scrolling, the back buffer and the peak
// caches, and its side of playback (the play timer). The pixels themselves
// are drawn by the ruler, layer and envelope painters; the mouse is handled
// by ViewMouse.
#include "gui/panes/wavedesk_view.h"

#include "core/model/wave_format.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimerEvent>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

#include "core/audio/sound_playback.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/envelope_painter.h"
#include "gui/panes/layer_painter.h"
#include "gui/panes/peak_column_cache.h"
#include "gui/panes/ruler_painter.h"
#include "gui/panes/view_mouse.h"

namespace {

constexpr int kLineStep = 8;           // pixels per scroll-bar arrow click
constexpr int kLargestZoom = 1 << 30;  // 2^30 frames per column spans any 32-bit sound

int ClampToInt(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

CWavedeskView::CWavedeskView(CWavedeskDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document), m_mouse(new ViewMouse(*this)) {
  setObjectName(QStringLiteral("CWavedeskView"));
  setFrameShape(QFrame::NoFrame);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // Every pixel is drawn from the back buffer; there is no background to erase.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  // Moves without a button pressed choose the cursor shape.
  viewport()->setMouseTracking(true);
  horizontalScrollBar()->setSingleStep(kLineStep);
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, &CWavedeskView::OnScrollAction);
}

CWavedeskView::~CWavedeskView() {
  // The engine pauses when its window goes: nothing plays on unseen.
  if (CSoundPlayback* playback = m_document->playback()) playback->SetView(nullptr);
  m_playTimer.stop();
}

// ---------------------------------------------------------------------------
// Updates from the document

void CWavedeskView::OnInitialUpdate() {
  m_rulerFont = QFont(QStringLiteral("DejaVu Sans"));
  m_rulerFont.setPixelSize(10);
  m_rulerFont.setStyleStrategy(QFont::NoAntialias);
  m_initialised = true;
  m_announcedActiveLayer = m_document->sound().activeLayerIndex;
  if (CSoundPlayback* playback = m_document->playback()) playback->SetView(this);
  UpdateScrollRange();
  if (m_document->settings().zoomToFitOnOpen) {
    // Fitting needs the window's real width; a view not yet shown fits when
    // it first appears.
    if (isVisible()) {
      ZoomOutMax();
      return;
    }
    m_zoomToFitPending = true;
  }
  RepaintFully();
}

void CWavedeskView::OnUpdate(UpdateHint hint) {
  // Whoever updated all views has told them of the active layer as it is.
  m_announcedActiveLayer = m_document->sound().activeLayerIndex;
  if (m_notifying) return;
  if (hint == UpdateHint::kAll || hint == UpdateHint::kLayers) {
    CSound& sound = m_document->sound();
    InvalidatePeaks(sound.activeLayer());
    UpdateScrollRange();
  }
  RepaintFully();
}

void CWavedeskView::NotifyOtherViews(UpdateHint hint) {
  m_announcedActiveLayer = m_document->sound().activeLayerIndex;
  const bool wasNotifying = m_notifying;
  m_notifying = true;
  m_document->UpdateAllViews(hint);
  m_notifying = wasNotifying;
}

// ---------------------------------------------------------------------------
// Geometry

ViewGeometry CWavedeskView::viewGeometry() const {
  ViewGeometry g;
  g.zoom = m_zoom;
  g.scroll = scrollPosition();
  g.width = clientWidth();
  g.height = clientHeight();
  g.layerCount = static_cast<int>(m_document->sound().layers.size());
  return g;
}

int CWavedeskView::scrollPosition() const { return horizontalScrollBar()->value(); }
int CWavedeskView::clientWidth() const { return viewport()->width(); }
int CWavedeskView::clientHeight() const { return viewport()->height(); }

QString CWavedeskView::TimeText(int64_t milliseconds) { return RulerPainter::TimeText(milliseconds); }

int64_t CWavedeskView::NodeContentX(const CSoundLayer& layer, const EnvelopeNode& node) const {
  return viewGeometry().NodeContentX(layer.offset, node.position);
}

// ---------------------------------------------------------------------------
// Zoom

bool CWavedeskView::CanZoomOut() const {
  const int64_t length = m_document->sound().GetLength();
  return m_zoom < kLargestZoom &&
         (static_cast<int64_t>(clientWidth()) - ViewGeometry::kHeaderWidth) * m_zoom < length / kWorkingBlockAlign;
}

void CWavedeskView::ZoomIn() {
  if (!CanZoomIn()) return;
  m_zoom /= 2;
  UpdateScrollRange();
  ScrollAfterZoomStep();
}

void CWavedeskView::ZoomOut() {
  if (!CanZoomOut()) return;
  m_zoom *= 2;
  UpdateScrollRange();
  ScrollAfterZoomStep();
}

void CWavedeskView::ZoomOutMax() {
  const int64_t frames = m_document->sound().GetLength() / kWorkingBlockAlign;
  const int64_t columns = static_cast<int64_t>(clientWidth()) - ViewGeometry::kHeaderWidth;
  m_zoom = 1;
  while (columns * m_zoom < frames && m_zoom < kLargestZoom) m_zoom *= 2;
  UpdateScrollRange();
  RepaintFully();
}

void CWavedeskView::ZoomInMax() {
  const int oldZoom = m_zoom;
  m_zoom = 1;
  UpdateScrollRange();
  // The position is scaled as a whole, header included, as it always was.
  ScrollTo(static_cast<int64_t>(oldZoom) * scrollPosition());
}

void CWavedeskView::ScrollAfterZoomStep() {
  // Keep the selection in sight: a range a little in from the left edge, a
  // cursor in the middle.
  const CSound& sound = m_document->sound();
  const int64_t start = ContentXOfPosition(sound.selectionStart);
  const int64_t span = std::llabs(static_cast<int64_t>(sound.selectionStart) - sound.selectionEnd);
  const int width = clientWidth();
  if (m_busy) {
    RepaintFully();
    return;
  }
  ScrollTo(span > 5 ? start - width / 8 : start - width / 2);
}

// ---------------------------------------------------------------------------
// Scrolling

int64_t CWavedeskView::ScrollRangeWidth() const {
  return static_cast<int64_t>(m_document->sound().GetLength()) / 2 / 2 / m_zoom + ViewGeometry::kHeaderWidth;
}

void CWavedeskView::UpdateScrollRange() {
  if (m_document->sound().workingFormat.channels == 0) return;
  // The bar scrolls the content's last column to the right edge, no further.
  QScrollBar* bar = horizontalScrollBar();
  const int width = clientWidth();
  bar->setPageStep(std::max(width, 1));
  bar->setRange(0, ClampToInt(std::max<int64_t>(0, ScrollRangeWidth() - width)));
}

void CWavedeskView::OnScrollAction(int action) {
  QScrollBar* bar = horizontalScrollBar();
  // While the sound plays the view follows the play cursor instead.
  if (m_document->sound().IsPlaying()) {
    bar->setSliderPosition(bar->value());
    return;
  }
  // Pages are a 25th of a tenth of the whole width: fine steps through a
  // long sound rather than a window at a time.
  const int64_t page = ScrollRangeWidth() / 10 / 25;
  int64_t position = bar->value();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: position += kLineStep; break;
    case QAbstractSlider::SliderSingleStepSub: position -= kLineStep; break;
    case QAbstractSlider::SliderPageStepAdd: position += page; break;
    case QAbstractSlider::SliderPageStepSub: position -= page; break;
    case QAbstractSlider::SliderToMinimum: position = 0; break;
    case QAbstractSlider::SliderToMaximum: position = bar->maximum(); break;
    case QAbstractSlider::SliderMove: position = bar->sliderPosition(); break;
    default: break;
  }
  bar->setSliderPosition(ClampToInt(std::clamp<int64_t>(position, bar->minimum(), bar->maximum())));
}

void CWavedeskView::scrollContentsBy(int, int) {
  // A programmatic scroll repaints by itself, at once.
  if (!m_busy) viewport()->update();
}

void CWavedeskView::ScrollTo(int64_t position) {
  if (m_busy) return;
  m_busy = true;
  QScrollBar* bar = horizontalScrollBar();
  bar->setValue(ClampToInt(std::clamp<int64_t>(position, bar->minimum(), bar->maximum())));
  RepaintFully();
  m_busy = false;
}

// ---------------------------------------------------------------------------
// Drawing

void CWavedeskView::RepaintFully() {
  m_copyOnly = false;
  viewport()->repaint();
}

void CWavedeskView::UpdateSelectionByInversion(int32_t previousStart, int32_t previousEnd, int previousLayer) {
  if (!m_initialised) return;
  if (m_backBuffer.size() != viewport()->size()) {
    RepaintFully();
    return;
  }
  const ViewGeometry g = viewGeometry();
  const CSound& sound = m_document->sound();
  QPainter painter(&m_backBuffer);
  QRegion inverted;
  auto invert = [&](int32_t start, int32_t end, int layer) {
    if (layer < 0 || layer >= g.layerCount) return;
    const int64_t left = g.ClientX(start);
    const int64_t right = g.ClientX(end) + 1;
    if (left >= g.width || right <= 0) return;
    const int64_t from = std::max<int64_t>(left, -10);
    const int64_t to = std::min<int64_t>(right, static_cast<int64_t>(g.width) + 10);
    LayerPainter::InvertColumns(painter, g, layer, from, to);
    inverted += QRect(static_cast<int>(from), g.BandTop(layer), static_cast<int>(to - from),
                      g.BandBottom(layer) - g.BandTop(layer));
  };
  invert(previousStart, previousEnd, previousLayer);
  invert(sound.selectionStart, sound.selectionEnd, sound.activeLayerIndex);
  // A full repaint draws the envelopes over the inverted selection; inverting
  // them along with it would leave them in the wrong colours, so they are
  // drawn again where the inversion passed.
  if (!inverted.isEmpty()) {
    painter.setClipRegion(inverted);
    EnvelopePainter::Draw(painter, g, sound);
  }
  painter.end();
  m_copyOnly = true;
  viewport()->repaint();
  m_copyOnly = false;
}

void CWavedeskView::paintEvent(QPaintEvent*) {
  const bool copyOnly = m_copyOnly && m_backBuffer.size() == viewport()->size();
  if (!copyOnly) Render();
  QPainter painter(viewport());
  painter.drawImage(0, 0, m_backBuffer);
  painter.end();
  if (!copyOnly) emit repainted();
}

void CWavedeskView::Render() {
  const ViewGeometry g = viewGeometry();
  if (m_backBuffer.size() != QSize(g.width, g.height)) m_backBuffer = QImage(g.width, g.height, QImage::Format_RGB32);
  if (m_backBuffer.isNull()) return;
  QPainter painter(&m_backBuffer);
  const QPalette& colors = palette();
  painter.fillRect(0, 0, g.width, g.height, colors.color(QPalette::Dark));
  if (!m_initialised) return;

  RulerPainter::Draw(painter, g, colors, m_rulerFont);
  const CSound& sound = m_document->sound();
  if (sound.layers.empty()) return;
  LayerPainter::DrawBands(painter, g, colors, sound);
  PruneCaches();
  std::vector<PeakColumnCache*> caches;
  caches.reserve(sound.layers.size());
  for (const auto& layer : sound.layers) caches.push_back(&CacheFor(layer.get()));
  LayerPainter::DrawTraces(painter, g, sound, caches);
  LayerPainter::DrawSelection(painter, g, sound);
  EnvelopePainter::Draw(painter, g, sound);
}

void CWavedeskView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (!m_initialised) return;
  UpdateScrollRange();
  if (m_zoomToFitPending && isVisible() && clientWidth() > ViewGeometry::kHeaderWidth) {
    m_zoomToFitPending = false;
    ZoomOutMax();
  }
}

void CWavedeskView::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  if (m_zoomToFitPending && clientWidth() > ViewGeometry::kHeaderWidth) {
    m_zoomToFitPending = false;
    UpdateScrollRange();
    ZoomOutMax();
  }
}

// ---------------------------------------------------------------------------
// Peak caches

PeakColumnCache& CWavedeskView::CacheFor(const CSoundLayer* layer) {
  auto& slot = m_peakCaches[layer];
  if (!slot) slot = std::make_unique<PeakColumnCache>();
  return *slot;
}

void CWavedeskView::PruneCaches() {
  // A cache outlives its layer only until the next repaint.
  const auto& layers = m_document->sound().layers;
  std::erase_if(m_peakCaches, [&](const auto& entry) {
    return std::none_of(layers.begin(), layers.end(), [&](const auto& layer) { return layer.get() == entry.first; });
  });
}

void CWavedeskView::InvalidatePeaks(const CSoundLayer* layer) {
  auto found = m_peakCaches.find(layer);
  if (found != m_peakCaches.end()) found->second->DropSummary();
}

void CWavedeskView::DropPeakColumns() {
  for (auto& entry : m_peakCaches) entry.second->DropColumns();
}

// ---------------------------------------------------------------------------
// Playback

void CWavedeskView::AnnounceActiveLayerChange() {
  if (m_document->sound().activeLayerIndex != m_announcedActiveLayer) NotifyOtherViews(UpdateHint::kSelection);
}

void CWavedeskView::ScrollTo(int32_t scrollPosition) {
  ScrollTo(static_cast<int64_t>(scrollPosition));
  AnnounceActiveLayerChange();
}

void CWavedeskView::Repaint() {
  RepaintFully();
  AnnounceActiveLayerChange();
}

void CWavedeskView::InvertSelectionChange(int32_t oldStart, int32_t oldEnd, int32_t oldLayer) {
  UpdateSelectionByInversion(oldStart, oldEnd, oldLayer);
  AnnounceActiveLayerChange();
}

void CWavedeskView::SetPlayTimer(bool running) {
  if (running)
    m_playTimer.start(kPlayTimerInterval, this);  // restarts a running one
  else
    m_playTimer.stop();
}

PlaybackViewport CWavedeskView::Viewport() const {
  PlaybackViewport viewport;
  viewport.zoom = m_zoom;
  viewport.clientWidth = clientWidth();
  viewport.scrollPosition = scrollPosition();
  // The bar shows when the sound is wider than the window.
  const QScrollBar* bar = horizontalScrollBar();
  viewport.hasHorizontalScrollBar = bar->maximum() > bar->minimum();
  viewport.busy = m_busy;
  return viewport;
}

void CWavedeskView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_playTimer.timerId()) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  if (CSoundPlayback* playback = m_document->playback()) {
    playback->OnPlayTimer();
    AnnounceActiveLayerChange();
  } else {
    m_playTimer.stop();
  }
}

// ---------------------------------------------------------------------------
// Mouse

void CWavedeskView::mousePressEvent(QMouseEvent* event) { m_mouse->Press(*event); }
void CWavedeskView::mouseMoveEvent(QMouseEvent* event) { m_mouse->Move(*event); }
void CWavedeskView::mouseReleaseEvent(QMouseEvent* event) { m_mouse->Release(*event); }
// The second click of a double click places the cursor like the first.
void CWavedeskView::mouseDoubleClickEvent(QMouseEvent* event) { m_mouse->Press(*event); }
void CWavedeskView::contextMenuEvent(QContextMenuEvent* event) { m_mouse->ContextMenu(*event); }
