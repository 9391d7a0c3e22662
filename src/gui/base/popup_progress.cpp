#include "gui/base/popup_progress.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "gui/base/progress_popup.h"

namespace {

// Swallows user input meant for any window but the progress window.
class ProgressOnlyInput : public QObject {
 public:
  explicit ProgressOnlyInput(QWidget* progress) : m_progress(progress) { qApp->installEventFilter(this); }
  ~ProgressOnlyInput() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::Wheel:
      case QEvent::Close:
      case QEvent::Drop: {
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget != nullptr && widget->window() != m_progress;
      }
      default:
        return false;
    }
  }

 private:
  QWidget* m_progress;
};

}  // namespace

CPopupProgress::CPopupProgress(QString title, QString text, int showAfterMs)
    : m_title(std::move(title)), m_text(std::move(text)), m_showAfterMs(showAfterMs) {}

CPopupProgress::~CPopupProgress() {
  m_inputFilter.reset();
  if (m_popup) m_popup->hide();
}

bool CPopupProgress::Poll(int percent) {
  if (!m_clock.isValid()) {
    m_clock.start();
    // Input is held back from the first poll on, window or not.
    m_inputFilter = std::make_unique<ProgressOnlyInput>(nullptr);
  }
  if (!m_popup && m_clock.elapsed() >= m_showAfterMs) {
    m_popup = std::make_unique<CProgressPopup>(QApplication::activeWindow(), m_title);
    m_popup->SetRange(0, 100);
    m_popup->SetText(m_text);
    m_popup->show();
    m_inputFilter = std::make_unique<ProgressOnlyInput>(m_popup.get());
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  if (!m_popup) return true;
  if (m_popup->IsCancelled()) return false;
  m_popup->SetPos(percent);
  return true;
}
