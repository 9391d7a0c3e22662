// The document window's panes, their sizes, and the zoom buttons that sit
// over the view and forward to its zoom operations.
#include "gui/panes/child_frame.h"

#include <QEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/sound_form_view.h"
#include "gui/base/icon_painter.h"
#include "gui/panes/wavedesk_view.h"

namespace {
constexpr int kBitmapWidth = 16;
constexpr int kBitmapHeight = 15;
// The frame-number ruler along the view's bottom, whose labels the buttons
// must leave readable, and the gap kept above it.
constexpr int kBottomRulerHeight = 15;
constexpr int kGapAboveRuler = 2;
}  // namespace

CChildFrame::CChildFrame(CWavedeskDoc* document, QWidget* parent)
    : QWidget(parent), m_document(document), m_splitter(new QSplitter(Qt::Vertical, this)) {
  setObjectName(QStringLiteral("CChildFrame"));
  m_document->setParent(this);
  m_splitter->setObjectName(QStringLiteral("Splitter"));
  m_splitter->setChildrenCollapsible(false);
  m_view = new CWavedeskView(document, m_splitter);
  m_formView = new CSoundFormView(document, m_splitter);
  m_view->setMinimumHeight(kViewMinimumHeight);
  m_formView->setMinimumHeight(kFormMinimumHeight);
  m_view->resize(400, kViewHeight);
  m_formView->resize(400, 150);
  m_splitter->setSizes({kViewHeight, kFormHeight});
  m_document->SetViews(m_view, m_formView);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_splitter);
  connect(m_document, &CWavedeskDoc::updateAllViews, m_view, &CWavedeskView::OnUpdate);
  connect(m_document, &CWavedeskDoc::updateAllViews, m_formView, &CSoundFormView::OnUpdate);

  // Left to right: Zoom In Max, Zoom In, Zoom Out, Zoom Out Max.
  m_zoomIn = MakeZoomButton(IDC_ZOOM_IN_BUTTON, IDB_ZOOM_IN, QStringLiteral("Zoom In"));
  m_zoomOut = MakeZoomButton(IDC_ZOOM_OUT_BUTTON, IDB_ZOOM_OUT, QStringLiteral("Zoom Out"));
  m_zoomInMax = MakeZoomButton(IDC_ZOOM_IN_MAX_BUTTON, IDB_ZOOM_IN_MAX, QStringLiteral("Zoom In Max"));
  m_zoomOutMax = MakeZoomButton(IDC_ZOOM_OUT_MAX_BUTTON, IDB_ZOOM_OUT_MAX, QStringLiteral("Zoom Out Max"));
  connect(m_zoomIn, &QToolButton::clicked, m_view, &CWavedeskView::ZoomIn);
  connect(m_zoomOut, &QToolButton::clicked, m_view, &CWavedeskView::ZoomOut);
  connect(m_zoomInMax, &QToolButton::clicked, m_view, &CWavedeskView::ZoomInMax);
  connect(m_zoomOutMax, &QToolButton::clicked, m_view, &CWavedeskView::ZoomOutMax);
  // Where the buttons go depends only on the view's outer size: a frame
  // resize and a splitter move both reach them as a resize of the view.
  m_view->installEventFilter(this);
  m_clientCreated = true;
  PlaceZoomButtons();
}

CChildFrame::~CChildFrame() { m_document->SetViews(nullptr, nullptr); }

QToolButton* CChildFrame::MakeZoomButton(int id, int bitmapId, const QString& tip) {
  auto* button = new QToolButton(this);
  button->setObjectName(ControlName(id));
  button->setProperty("bitmapId", bitmapId);
  button->setToolTip(tip);
  button->setAccessibleName(tip);
  button->setAutoRaise(false);
  button->setFocusPolicy(Qt::NoFocus);
  button->setIconSize(QSize(kBitmapWidth, kBitmapHeight));
  button->setFixedSize(kBitmapWidth, kBitmapHeight);
  button->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0px; }"));
  button->setIcon(QIcon(PaintedZoomBitmap(bitmapId, palette().color(QPalette::Button))));
  // Made after the splitter, the buttons lie above the view for good; they
  // are never raised again, since each raise repaints what lies under them.
  return button;
}

void CChildFrame::PaintZoomBitmaps() {
  for (QToolButton* button : {m_zoomIn, m_zoomOut, m_zoomInMax, m_zoomOutMax})
    button->setIcon(QIcon(PaintedZoomBitmap(button->property("bitmapId").toInt(), palette().color(QPalette::Button))));
}

void CChildFrame::OnInitialUpdate() {
  m_view->OnInitialUpdate();
  m_formView->OnInitialUpdate();
  PlaceZoomButtons();
}

void CChildFrame::PlaceZoomButtons() {
  if (!m_clientCreated) return;
  // The buttons are placed from the view's outer bottom edge as if the
  // horizontal scroll bar were showing, and clear above the frame-number
  // ruler there. The view's client area shrinks and grows as the bar comes
  // and goes, and buttons tied to it would jump under the pointer onto the
  // bar; tied to the outer edge they stay put and cover no ruler label
  // either way.
  const int viewBottom = m_view->mapTo(this, QPoint(0, m_view->height())).y();
  const int scrollBarHeight = m_view->horizontalScrollBar()->sizeHint().height();
  const int y = viewBottom - scrollBarHeight - kBottomRulerHeight - kGapAboveRuler - kBitmapHeight;
  const int right = width();
  // Moving a widget where it already is does nothing, repaints included.
  m_zoomInMax->move(right - 66, y);
  m_zoomIn->move(right - 50, y);
  m_zoomOut->move(right - 34, y);
  m_zoomOutMax->move(right - 18, y);
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
  // The layout has already given the splitter, and with it the view, their
  // new sizes when this runs.
  QWidget::resizeEvent(event);
  PlaceZoomButtons();
}

bool CChildFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_view && event->type() == QEvent::Resize) PlaceZoomButtons();
  return QWidget::eventFilter(watched, event);
}

void CChildFrame::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (m_clientCreated && (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange))
    PaintZoomBitmaps();
}

void CChildFrame::SetHooks(const PaneHooks& hooks) {
  m_view->SetHooks(hooks);
  m_formView->SetHooks(hooks);
}
