// The pictures are turned into pixmaps with the transparent colour made
// clear once, at construction; painting only blits.
#include "gui/base/skin_button.h"

#include <QBitmap>
#include <QPainter>

#include "gui/base/skin_region.h"

namespace {

QPixmap WithoutColour(const QImage& picture, QRgb transparent) {
  QPixmap pixmap = QPixmap::fromImage(picture);
  const QRegion kept = CreateSkinRegion(picture, transparent);
  QBitmap mask(picture.size());
  mask.fill(Qt::color0);
  QPainter p(&mask);
  p.setClipRegion(kept);
  p.fillRect(mask.rect(), Qt::color1);
  p.end();
  pixmap.setMask(mask);
  return pixmap;
}

}  // namespace

CSkinButton::CSkinButton(const QImage& over, const QImage& away, QRgb transparent, QWidget* parent)
    : QAbstractButton(parent), m_over(WithoutColour(over, transparent)), m_away(WithoutColour(away, transparent)) {
  setFixedSize(away.size());
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::NoFocus);
}

void CSkinButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // A pressed button sinks by one pixel.
  const QPoint at = isDown() ? QPoint(1, 1) : QPoint(0, 0);
  p.drawPixmap(at, m_hovered && isEnabled() ? m_over : m_away);
}

void CSkinButton::enterEvent(QEnterEvent* event) {
  m_hovered = true;
  update();
  QAbstractButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
  m_hovered = false;
  update();
  QAbstractButton::leaveEvent(event);
}
