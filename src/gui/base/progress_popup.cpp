// The progress window. Its layout is measured from its font the way the
// window has always been laid out (a 200-pixel text line, the Cancel button
// under its right end, the bar filling the rest of that row), so it keeps
// its compact shape with any font.
#include "gui/base/progress_popup.h"

#include <algorithm>
#include <climits>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>

#include "gui/base/resource_ids.h"

namespace {

// The width and height of a sunken window edge, the unit the layout is
// measured in.
constexpr int kEdge = 2;
constexpr int kMargin = 10;
constexpr int kTextWidth = 200;

const char* const kXKey = "Settings/X";
const char* const kYKey = "Settings/Y";

QWidget* MainWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMainWindow*>(widget)) return widget;
  }
  return nullptr;
}

}  // namespace

CProgressPopup::CProgressPopup(QWidget* owner, const QString& title, bool smooth)
    : QWidget(owner ? owner : MainWindow(),
              Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_title(title),
      m_text(new QLabel(this)),
      m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral(" Cancel "), this)) {
  setObjectName(QStringLiteral("ProgressPopup"));
  setWindowTitle(m_title);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setCursor(Qt::BusyCursor);
  m_text->setObjectName(ControlName(IDC_PROGRESS_TEXT));
  m_text->setTextFormat(Qt::PlainText);
  m_text->setWordWrap(false);
  m_bar->setObjectName(ControlName(IDC_PROGRESS_BAR));
  m_bar->setRange(m_lower, m_upper);
  m_bar->setValue(m_position);
  m_bar->setTextVisible(false);
  // Qt's bar has no segmented look of its own; a smooth bar is all it draws.
  Q_UNUSED(smooth);
  m_cancel->setObjectName(ControlName(IDC_PROGRESS_CANCEL));
  m_cancel->setAutoDefault(false);
  connect(m_cancel, &QPushButton::clicked, this, &CProgressPopup::OnCancel);
  LayOut();
  PlaceWindow();
  show();
  repaint();
}

CProgressPopup::~CProgressPopup() {
  if (m_rememberPosition) RememberPosition();
}

void CProgressPopup::LayOut() {
  const QFontMetrics metrics(font());
  const int line = metrics.height();
  const QRect text(kMargin, kMargin, kTextWidth, line);
  const int buttonWidth = metrics.horizontalAdvance(m_cancel->text() + QStringLiteral("  ")) + 4 * kEdge;
  const int buttonHeight = line + 3 * kEdge;
  const QRect button(text.right() + 1 - buttonWidth, text.bottom() + 1 + kMargin, buttonWidth, buttonHeight);
  const QRect bar(QPoint(text.left(), button.top() + kEdge),
                  QPoint(button.left() - kMargin - 1, button.bottom() - kEdge));
  m_text->setGeometry(text);
  m_cancel->setGeometry(button);
  m_bar->setGeometry(bar);
  setFixedSize(text.right() + 1 + kMargin, button.bottom() + 1 + kMargin);
}

void CProgressPopup::PlaceWindow() {
  QSettings settings;
  const int x = settings.value(kXKey, -1).toInt();
  const int y = settings.value(kYKey, -1).toInt();
  if (x >= 0 && y >= 0) {
    const QRect wanted(QPoint(x, y), size());
    if (QGuiApplication::screenAt(wanted.topLeft()) && QGuiApplication::screenAt(wanted.bottomRight())) {
      move(wanted.topLeft());
      return;
    }
  }
  const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = rect();
  frame.moveCenter(screen->geometry().center());
  move(frame.topLeft());
}

void CProgressPopup::RememberPosition() {
  QSettings settings;
  settings.setValue(kXKey, pos().x());
  settings.setValue(kYKey, pos().y());
}

void CProgressPopup::SetRange(int lower, int upper, int step) {
  m_lower = lower;
  m_upper = upper;
  m_step = step;
  m_bar->setRange(lower, std::max(lower, upper));
}

void CProgressPopup::SetText(const QString& text) {
  m_text->setText(text);
  m_text->repaint();
}

int CProgressPopup::Percentage(int position, int lower, int upper) {
  if (upper <= lower) return 0;
  // In double: position − lower and its hundredfold overflow 32 bits for
  // ranges over about 21 million.
  const double done = (static_cast<double>(position) - lower) * 100.0 / (static_cast<double>(upper) - lower);
  return static_cast<int>(std::clamp(done + 0.5, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

void CProgressPopup::SetPos(int position) {
  if (isHidden()) show();
  m_position = position;
  const int percentage = Percentage(position, m_lower, m_upper);
  if (percentage != m_shownPercentage) {
    m_shownPercentage = percentage;
    setWindowTitle(QStringLiteral("%1 [%2%]").arg(m_title, QString::number(percentage)));
  }
  m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
}

void CProgressPopup::OnCancel() {
  if (m_rememberPosition) RememberPosition();
  m_cancelled = true;
  hide();
  emit cancelled();
  if (QWidget* owner = parentWidget()) {
    owner->window()->raise();
    owner->window()->activateWindow();
  }
}

void CProgressPopup::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!m_cancelled || isVisible()) OnCancel();
}
