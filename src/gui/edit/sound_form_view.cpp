#include "gui/edit/sound_form_view.h"

#include "gui/app/resource_ids.h"
#include "gui/app/wavedesk_doc.h"

CSoundFormView::CSoundFormView(CWavedeskDoc* document, QWidget* parent)
    : QWidget(parent), m_document(document) {
  setObjectName(QStringLiteral("CSoundFormView"));
}

CSoundFormView::~CSoundFormView() = default;

void CSoundFormView::OnInitialUpdate() {}
void CSoundFormView::OnUpdate(int) {}
