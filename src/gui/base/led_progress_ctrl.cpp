// Painting of the level bar: the frame and bevel, then the colour bands up
// to the level, inside a 2-pixel margin. A position outside the range shows
// only the button face, without the frame.
#include "gui/base/led_progress_ctrl.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

CLEDPRogressCtrl::CLEDPRogressCtrl(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), m_orientation(orientation), m_background(palette().color(QPalette::Button)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CLEDPRogressCtrl::SetRange(int lower, int upper) {
  m_lower = lower;
  m_upper = upper;
  update();
}

void CLEDPRogressCtrl::SetPos(int position) {
  if (position == m_position) return;
  m_position = position;
  update();
}

void CLEDPRogressCtrl::StepIt() {
  int next = m_position + m_step;
  if (next > m_upper) next = m_lower + (next - m_upper);
  m_position = next;
  update();
}

void CLEDPRogressCtrl::SetColors(const QColor& low, const QColor& high, const QColor& background) {
  m_low = low;
  m_high = high;
  m_background = background;
  update();
}

QColor CLEDPRogressCtrl::BandColor(const QColor& low, const QColor& high, int i, int bands) {
  if (bands <= 0) return low;
  auto channel = [&](int a, int b) { return a + (b - a) * i / bands; };
  return QColor(channel(low.red(), high.red()), channel(low.green(), high.green()),
                channel(low.blue(), high.blue()));
}

void CLEDPRogressCtrl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect all = rect();
  if (!(m_lower < m_position && m_position <= m_upper) || m_upper <= 0) {
    p.fillRect(all, palette().color(QPalette::Button));
    return;
  }
  p.fillRect(all, m_background);
  // Black frame, shadow along the top and left inside it, light along the
  // bottom and right.
  p.setPen(Qt::black);
  p.drawRect(all.adjusted(0, 0, -1, -1));
  p.setPen(palette().color(QPalette::Dark));
  p.drawLine(1, 1, all.width() - 2, 1);
  p.drawLine(1, 1, 1, all.height() - 2);
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(1, all.height() - 2, all.width() - 2, all.height() - 2);
  p.drawLine(all.width() - 2, 1, all.width() - 2, all.height() - 2);

  const QRect inner = all.adjusted(2, 2, -2, -2);
  if (inner.isEmpty()) return;
  const bool vertical = m_orientation == Qt::Vertical;
  const int length = vertical ? inner.height() : inner.width();
  const int filled = static_cast<int>(static_cast<qint64>(length) * m_position / m_upper);
  const int bands = std::max({std::abs(m_high.red() - m_low.red()), std::abs(m_high.green() - m_low.green()),
                              std::abs(m_high.blue() - m_low.blue()), 1});
  for (int i = 0; i < bands; ++i) {
    const int from = static_cast<int>(static_cast<qint64>(length) * i / bands);
    if (from >= filled) break;
    const int to = std::min(filled, static_cast<int>(static_cast<qint64>(length) * (i + 1) / bands));
    if (to <= from) continue;
    const QColor colour = BandColor(m_low, m_high, i, bands);
    if (vertical)
      p.fillRect(QRect(inner.left(), inner.bottom() + 1 - to, inner.width(), to - from), colour);
    else
      p.fillRect(QRect(inner.left() + from, inner.top(), to - from, inner.height()), colour);
  }
}
