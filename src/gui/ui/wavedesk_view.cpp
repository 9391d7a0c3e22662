#include "gui/ui/wavedesk_view.h"

#include <QPainter>

#include "gui/app/wavedesk_doc.h"

CWavedeskView::CWavedeskView(CWavedeskDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document) {
  setObjectName(QStringLiteral("CWavedeskView"));
}

CWavedeskView::~CWavedeskView() = default;

void CWavedeskView::OnInitialUpdate() { viewport()->update(); }
void CWavedeskView::OnUpdate(int) { viewport()->update(); }
void CWavedeskView::ZoomIn() {}
void CWavedeskView::ZoomOut() {}
void CWavedeskView::ZoomOutMax() {}
void CWavedeskView::ZoomInMax() {}

void CWavedeskView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().base());
  emit repainted();
}
