// The lock states come from the X server's keyboard indicators (XKB), the
// only place that knows them whichever program toggled them.
#include "gui/base/lock_indicators.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

namespace {

struct Lock {
  const char* text;       // the pane's text while the lock is on
  const char* indicator;  // the X server's name of its keyboard light
};
constexpr Lock kLocks[] = {{"CAP", "Caps Lock"}, {"NUM", "Num Lock"}, {"SCRL", "Scroll Lock"}};

// Whether the keyboard light named `indicator` is on; false where there is
// no X11 display to ask. Defined at the end of the file, after X11's header,
// whose macros (KeyPress, None, Bool) must not reach the code above.
bool IsLightOn(const char* indicator);

bool IsLockKey(int key) { return key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock; }

}  // namespace

CLockIndicators::CLockIndicators(QStatusBar* statusBar) : QObject(statusBar) {
  for (int i = 0; i < 3; ++i) {
    auto* pane = new QLabel(statusBar);
    pane->setObjectName(QString::fromLatin1(kLocks[i].text));
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setAlignment(Qt::AlignCenter);
    // As wide as its text, shown or not, so that the panes never jump.
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QString::fromLatin1(kLocks[i].text)) + 8);
    statusBar->addPermanentWidget(pane);
    m_panes[i] = pane;
  }
  if (qApp != nullptr) qApp->installEventFilter(this);
  Update();
}

CLockIndicators::~CLockIndicators() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
}

void CLockIndicators::Update() {
  for (int i = 0; i < 3; ++i) m_panes[i]->setText(IsLightOn(kLocks[i].indicator) ? QString::fromLatin1(kLocks[i].text) : QString());
}

bool CLockIndicators::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      // A key event passes the window and then the widgets; the window
      // sees each one once.
      if (watched->isWindowType() && IsLockKey(static_cast<QKeyEvent*>(event)->key())) Update();
      break;
    case QEvent::ApplicationActivate:
      Update();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

#include <X11/XKBlib.h>

namespace {

bool IsLightOn(const char* indicator) {
  auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  if (display == nullptr) return false;
  const Atom name = XInternAtom(display, indicator, True);
  Bool on = False;
  return name != 0 && XkbGetNamedIndicator(display, name, nullptr, &on, nullptr, nullptr) && on;
}

}  // namespace
