#include "gui/panes/help_window.h"

#include <QAction>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

CHelpWindow::CHelpWindow(const QString& helpFile, QWidget* parent)
    : QMainWindow(parent), m_browser(new QTextBrowser(this)) {
  setWindowTitle(tr("Tarvo Wavedesk 2.0 Help"));
  setObjectName(QStringLiteral("HelpWindow"));
  // A window of its own beside the editor, not a child drawn inside it.
  setWindowFlag(Qt::Window);
  setAttribute(Qt::WA_DeleteOnClose, false);
  m_browser->setOpenExternalLinks(true);
  m_browser->setSource(QUrl::fromLocalFile(helpFile));
  setCentralWidget(m_browser);

  QToolBar* bar = addToolBar(tr("Navigation"));
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("&Back"), m_browser,
                                 &QTextBrowser::backward);
  QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("&Forward"), m_browser,
                                    &QTextBrowser::forward);
  bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), tr("&Contents"), m_browser, &QTextBrowser::home);
  back->setShortcut(QKeySequence::Back);
  forward->setShortcut(QKeySequence::Forward);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  resize(760, 640);
}
