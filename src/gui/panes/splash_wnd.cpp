// The splash window. Its shape comes from the bitmap alone, so a redrawn
// bitmap needs no change here: whatever is pure green is not part of the
// window.
#include "gui/panes/splash_wnd.h"

#include <QFont>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>

#include "gui/base/artwork.h"
#include "gui/base/resource_ids.h"

QRegion RegionOutsideColour(const QImage& image, QRgb transparent) {
  const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
  const QRgb key = transparent | 0xff000000;
  QRegion region;
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    int x = 0;
    while (x < pixels.width()) {
      while (x < pixels.width() && row[x] == key) ++x;
      const int start = x;
      while (x < pixels.width() && row[x] != key) ++x;
      if (x > start) region += QRect(start, y, x - start, 1);
    }
  }
  return region;
}

CSplashWnd::CSplashWnd(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_bitmap(ArtworkBitmap(IDB_SPLASH)) {
  setObjectName(QStringLiteral("SplashWindow"));
  setFixedSize(m_bitmap.size());
  setMask(RegionOutsideColour(m_bitmap, kPureGreen));
}

void CSplashWnd::ShowSplash() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = rect();
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
  }
  setWindowOpacity(0.0);
  show();
  m_fade = new QPropertyAnimation(this, "windowOpacity", this);
  m_fade->setDuration(500);
  m_fade->setStartValue(0.0);
  m_fade->setEndValue(1.0);
  m_fade->start(QAbstractAnimation::DeleteWhenStopped);
  repaint();
}

void CSplashWnd::SetStatusText(const QString& text) {
  m_status = text;
  if (isVisible()) repaint(StatusRect());
}

void CSplashWnd::CloseSplash() {
  if (m_closing) return;
  m_closing = true;
  if (m_fade) m_fade->stop();
  auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
  fade->setDuration(200);
  fade->setStartValue(windowOpacity());
  fade->setEndValue(0.0);
  connect(fade, &QPropertyAnimation::finished, this, [this] {
    hide();
    deleteLater();
  });
  fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, m_bitmap);
  QFont font(QStringLiteral("Verdana"));
  font.setPointSize(10);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(StatusRect(), Qt::AlignCenter | Qt::TextSingleLine, m_status);
}

void CSplashWnd::mousePressEvent(QMouseEvent* event) { event->accept(); }
