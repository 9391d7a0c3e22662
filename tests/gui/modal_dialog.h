// Answering modal dialogs and message boxes in GUI tests: the handlers run
// inside the dialog's own event loop as soon as it is up, and must close it.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "gui/base/resource_ids.h"

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

// Like WhenModalShows, for the next message box (a dialog may still be the
// active modal widget while its message box is on its way).
inline void WhenMessageBoxShows(std::function<void(QMessageBox*)> handler) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, handler] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    timer->stop();
    timer->deleteLater();
    handler(box);
  });
  timer->start();
}

// Runs `action`, answers the message box it raises with OK and returns the
// box's text; empty when no box came up.
inline QString AnswerMessageBox(const std::function<void()>& action) {
  QString text;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    text = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  poll.start();
  action();
  return text;
}

// The control with id `id` in `dialog`.
template <typename T>
T* Control(const QWidget& dialog, int id) {
  T* control = dialog.findChild<T*>(ControlName(id));
  EXPECT_NE(control, nullptr) << "no control " << id;
  return control;
}

}  // namespace gui_test
