// Answers the next modal dialog of a GUI test: the handler runs as soon as
// the dialog is up, inside its event loop, and must close it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace gui_test {

inline void WhenModalShows(std::function<void(QWidget*)> handler) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, handler] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    timer->stop();
    timer->deleteLater();
    handler(modal);
  });
  timer->start();
}

}  // namespace gui_test
