// The GUI's side of long work in the core: a ProgressReport that opens the
// progress window on the first poll, or once the work has run for
// `showAfterMs` (so that work which ends at once shows nothing), keeps the program's events flowing while the core waits for its
// workers, and reports the window's Cancel. While it is open, user input
// reaches only the progress window: nothing may close or change the document
// whose data the workers hold.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <memory>

#include "core/model/progress_report.h"

class CProgressPopup;
class QObject;

class CPopupProgress final : public ProgressReport {
 public:
  CPopupProgress(QString title, QString text, int showAfterMs = 0);
  ~CPopupProgress() override;

  bool Poll(int percent) override;

  // The window, once the first poll opened it; null before.
  CProgressPopup* popup() const { return m_popup.get(); }

 private:
  QString m_title;
  QString m_text;
  int m_showAfterMs;
  QElapsedTimer m_clock;
  std::unique_ptr<CProgressPopup> m_popup;
  std::unique_ptr<QObject> m_inputFilter;
};
