// Ruler drawing. The ticks are single black pixels; the labels are written
// with their top left at the tick's column.
#include "gui/panes/ruler_painter.h"

#include "core/model/wave_format.h"

#include <QFont>
#include <QPainter>
#include <QPalette>

namespace {

void SetBlack(QPainter& painter, int x, int y) { painter.fillRect(x, y, 1, 1, Qt::black); }

}  // namespace

QString RulerPainter::TimeText(int64_t milliseconds) {
  const int64_t minutes = milliseconds / 60000;
  const int64_t seconds = milliseconds / 1000 % 60;
  const int64_t millis = milliseconds % 1000;
  return QString::asprintf("%02lld:%02lld:%04lld", static_cast<long long>(minutes), static_cast<long long>(seconds),
                           static_cast<long long>(millis));
}

void RulerPainter::DrawLabel(QPainter& painter, int x, int y, const QString& text) {
  painter.drawText(QRect(x, y, 200, 12), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

void RulerPainter::Draw(QPainter& painter, const ViewGeometry& geometry, const QPalette& palette, const QFont& font) {
  const int width = geometry.width;
  const int height = geometry.height;
  const int band = ViewGeometry::kRulerHeight;
  painter.fillRect(0, 0, width, band, palette.color(QPalette::Button));
  painter.fillRect(0, height - band, width, band, palette.color(QPalette::Button));
  painter.fillRect(0, 14, width, 1, palette.color(QPalette::Dark));
  painter.fillRect(0, height - 14, width, 1, palette.color(QPalette::Light));
  painter.fillRect(0, 1, width, 1, palette.color(QPalette::Light));
  painter.fillRect(0, height - 1, width, 1, palette.color(QPalette::Dark));

  painter.setFont(font);
  painter.setPen(palette.color(QPalette::WindowText));
  painter.setBackgroundMode(Qt::TransparentMode);
  DrawFrameRuler(painter, geometry);
  DrawTimeRuler(painter, geometry);
}

void RulerPainter::DrawFrameRuler(QPainter& painter, const ViewGeometry& geometry) {
  const int height = geometry.height;
  for (int x = 0; x < geometry.width; ++x) {
    const int64_t column = static_cast<int64_t>(geometry.scroll) + x - ViewGeometry::kHeaderWidth;
    if (column % 10 != 0) continue;
    SetBlack(painter, x, height - 15);
    SetBlack(painter, x, height - 14);
    if (column % 50 != 0) continue;
    SetBlack(painter, x, height - 13);
    SetBlack(painter, x, height - 12);
    if (column % 200 != 0) continue;
    DrawLabel(painter, x, height - 12, QString::number(column * geometry.zoom));
    x += 9;
  }
}

void RulerPainter::DrawTimeRuler(QPainter& painter, const ViewGeometry& geometry) {
  const int64_t interval = 5 * static_cast<int64_t>(geometry.zoom);  // milliseconds between labels
  int64_t nextLabel = 0;
  for (int i = 0; i <= geometry.width + 9; ++i) {
    const int64_t frame = (static_cast<int64_t>(i) + geometry.scroll - ViewGeometry::kHeaderWidth) * geometry.zoom;
    if (frame < 0) continue;
    const auto time = static_cast<int64_t>(static_cast<double>(frame) * (1.0 / kWorkingSampleRate) * 1000);
    if (i == 0) {
      // No label on the first column: the sequence starts at the next
      // multiple of the interval.
      nextLabel = interval * ((time + interval) / interval);
      continue;
    }
    if (time < nextLabel) continue;
    nextLabel += interval;
    SetBlack(painter, i, 14);
    SetBlack(painter, i, 13);
    SetBlack(painter, i, 12);
    DrawLabel(painter, i, 2, TimeText(time));
  }
}
