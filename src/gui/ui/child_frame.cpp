#include "gui/ui/child_frame.h"

#include <QSplitter>
#include <QVBoxLayout>

#include "gui/app/wavedesk_doc.h"
#include "gui/edit/sound_form_view.h"
#include "gui/ui/wavedesk_view.h"

CChildFrame::CChildFrame(CWavedeskDoc* document, QWidget* parent)
    : QWidget(parent), m_document(document), m_splitter(new QSplitter(Qt::Vertical, this)) {
  setObjectName(QStringLiteral("CChildFrame"));
  m_document->setParent(this);
  m_view = new CWavedeskView(document, m_splitter);
  m_formView = new CSoundFormView(document, m_splitter);
  m_document->SetViews(m_view, m_formView);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_splitter);
  connect(m_document, &CWavedeskDoc::updateAllViews, m_view, &CWavedeskView::OnUpdate);
  connect(m_document, &CWavedeskDoc::updateAllViews, m_formView, &CSoundFormView::OnUpdate);
}

CChildFrame::~CChildFrame() { m_document->SetViews(nullptr, nullptr); }

void CChildFrame::OnInitialUpdate() {
  m_view->OnInitialUpdate();
  m_formView->OnInitialUpdate();
}
