// CLockIndicators: the status bar's caps lock, num lock and scroll lock
// panes ("CAP", "NUM", "SCRL"), each showing its text while its lock is on.
// They are brought up to date when a lock key is pressed or released and
// when the program becomes active again, never on a timer. Where the window
// system cannot be asked (no X11 display), the panes stay empty.
#pragma once

#include <QObject>

class QLabel;
class QStatusBar;

class CLockIndicators : public QObject {
  Q_OBJECT

 public:
  explicit CLockIndicators(QStatusBar* statusBar);
  ~CLockIndicators() override;

  // Reads the three locks and shows them.
  void Update();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* m_panes[3];
};
