#include "gui/app/main_frame.h"

#include <QMdiArea>

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent), m_mdiArea(new QMdiArea(this)) {
  setObjectName(QStringLiteral("CMainFrame"));
  m_mdiArea->setObjectName(QStringLiteral("MDIClient"));
  setCentralWidget(m_mdiArea);
  setWindowTitle(QString::fromLatin1(kApplicationTitle));
  resize(1024, 720);
}
