// Band, trace and selection drawing. Rectangles are given as left, top,
// right, bottom with the right and bottom edges excluded, the way the band
// rules are written.
#include "gui/panes/layer_painter.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
#include <QPoint>
#include <QPolygon>

#include <algorithm>

#include "core/model/sound.h"
#include "gui/panes/peak_column_cache.h"

namespace {

const QColor kOutline(17, 17, 17);

QRect Edges(int64_t left, int top, int64_t right, int bottom) {
  return QRect(QPoint(static_cast<int>(left), top), QPoint(static_cast<int>(right) - 1, bottom - 1));
}

// The band gradient's colour: each component of the wave colour mapped to a
// percentage of a 16-bit intensity of 65,000 (not 65,535, so even 100 % stays
// a shade off white).
QColor GradientColor(uint32_t colorValue, int scale, int base) {
  auto channel = [&](int shift) {
    const int component = static_cast<int>((colorValue >> shift) & 0xFF);
    const int percent = component * scale / 256 + base;
    return static_cast<quint16>(percent * 65000 / 100);
  };
  return QColor::fromRgba64(channel(0), channel(8), channel(16), 65535);
}

void FillEdges(QPainter& painter, int64_t left, int top, int64_t right, int bottom, const QColor& color) {
  if (left < right && top < bottom) painter.fillRect(Edges(left, top, right, bottom), color);
}

void FillVerticalGradient(QPainter& painter, const QRect& rect, const QColor& top, const QColor& bottom) {
  if (rect.isEmpty()) return;
  QLinearGradient gradient(QPointF(0, rect.top()), QPointF(0, rect.bottom() + 1));
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  painter.fillRect(rect, gradient);
}

}  // namespace

void LayerPainter::DrawBands(QPainter& painter, const ViewGeometry& geometry, const QPalette& palette,
                             const CSound& sound) {
  const int count = static_cast<int>(sound.layers.size());
  if (count == 0 || geometry.BandHeight() <= 0) return;
  const QColor shadow = palette.color(QPalette::Dark);
  const int bottomRuler = geometry.height - ViewGeometry::kRulerHeight;
  // The rows the integer band height leaves over below the last band.
  FillEdges(painter, 0, bottomRuler - (geometry.height - 2 * ViewGeometry::kRulerHeight) % count, geometry.width,
            bottomRuler, shadow);
  painter.fillRect(0, ViewGeometry::kRulerHeight, geometry.width, 1, shadow);
  for (int i = 0; i < count; ++i) DrawBand(painter, geometry, palette, sound, i);
}

void LayerPainter::DrawBand(QPainter& painter, const ViewGeometry& geometry, const QPalette& palette,
                            const CSound& sound, int i) {
  const CSoundLayer& layer = *sound.layers[static_cast<size_t>(i)];
  const int count = static_cast<int>(sound.layers.size());
  const int band = geometry.BandHeight();
  const int top = geometry.BandTop(i);
  const int bottom = geometry.BandBottom(i);
  const int width = geometry.width;
  const QColor shadow = palette.color(QPalette::Dark);
  if (i + 1 < count) painter.fillRect(0, bottom, width, 1, shadow);

  const int64_t start = geometry.ClientX(layer.offset);
  const int64_t end = geometry.ClientX(layer.end());
  if (end < 0 || start - ViewGeometry::kHeaderWidth > width) return;

  const bool active = i == sound.activeLayerIndex;
  const QColor topColor = active ? GradientColor(layer.waveColor, 20, 80) : GradientColor(layer.waveColor, 5, 95);
  const QColor bottomColor = active ? GradientColor(layer.waveColor, 40, 60) : GradientColor(layer.waveColor, 25, 75);
  const QColor white = QColor::fromRgba64(65535, 65535, 65535, 65535);
  const int third = top + band / 3;
  if (end > 0 && start < width) {
    const int64_t left = std::max<int64_t>(0, start);
    const int64_t right = std::min<int64_t>(end, width);
    FillVerticalGradient(painter, Edges(left, i * band + 17, right, third), topColor, white);
    FillVerticalGradient(painter, Edges(left, third, right, bottom), white, bottomColor);
  }
  if (end < width) FillEdges(painter, std::max<int64_t>(end, 0), top, width, bottom, shadow);
  if (start > 0) FillEdges(painter, 0, top, std::min<int64_t>(start, width), bottom, shadow);

  // The header: a 40-pixel handle left of the layer's first sample.
  if (std::abs(start - ViewGeometry::kHeaderWidth) < width) {
    const QRect header = Edges(start - ViewGeometry::kHeaderWidth, i * band + 17, start, bottom);
    if (!header.isEmpty()) {
      QLinearGradient gradient(QPointF(header.left(), 0), QPointF(header.right() + 1, 0));
      gradient.setColorAt(0, palette.color(QPalette::Light));
      gradient.setColorAt(1, palette.color(QPalette::Button));
      painter.fillRect(header, gradient);
    }
  }

  // The frame, clamped so that far-off layers keep to coordinates the
  // painter handles exactly; then a raised edge on its right and bottom.
  const QRect frame = Edges(std::max<int64_t>(start - ViewGeometry::kHeaderWidth, -2000), i * band + 16,
                            std::min<int64_t>(end, 2000), bottom);
  if (frame.width() > 0 && frame.height() > 0) {
    painter.fillRect(frame.left(), frame.top(), frame.width(), 1, kOutline);
    painter.fillRect(frame.left(), frame.bottom(), frame.width(), 1, kOutline);
    painter.fillRect(frame.left(), frame.top(), 1, frame.height(), kOutline);
    painter.fillRect(frame.right(), frame.top(), 1, frame.height(), kOutline);
    const QColor darkShadow = palette.color(QPalette::Shadow);
    painter.fillRect(frame.right(), frame.top(), 1, frame.height(), darkShadow);
    painter.fillRect(frame.left(), frame.bottom(), frame.width(), 1, darkShadow);
    if (frame.width() > 1 && frame.height() > 1) {
      painter.fillRect(frame.right() - 1, frame.top(), 1, frame.height() - 1, shadow);
      painter.fillRect(frame.left(), frame.bottom() - 1, frame.width() - 1, 1, shadow);
    }
  }

  // The corner mark in the header's top left corner.
  if (start + ViewGeometry::kHeaderWidth >= 0) {
    const int x = static_cast<int>(start);
    const QPoint first(x - 40, i * band + std::min(band / 3 + 17, 29));
    const QPoint second(x - 27, i * band + 16);
    const QPoint third(x - 40, i * band + 16);
    painter.setPen(QPen(kOutline, 0));
    painter.setBrush(shadow);
    painter.drawPolygon(QPolygon({first, second, third}));
    painter.drawLine(first, second);
    painter.setBrush(Qt::NoBrush);
  }
}

void LayerPainter::DrawTraces(QPainter& painter, const ViewGeometry& geometry, const CSound& sound,
                              const std::vector<PeakColumnCache*>& caches) {
  const int band = geometry.BandHeight();
  if (band <= 0) return;
  std::vector<int> high;
  std::vector<int> low;
  for (size_t i = 0; i < sound.layers.size() && i < caches.size(); ++i) {
    const CSoundLayer& layer = *sound.layers[i];
    const int centre = band / 2 + static_cast<int>(i) * band + ViewGeometry::kRulerHeight;
    const int64_t firstColumn = std::max<int64_t>(geometry.ContentX(layer.offset), geometry.scroll);
    const int64_t endColumn =
        std::min<int64_t>(static_cast<int64_t>(geometry.scroll) + geometry.width, geometry.ContentX(layer.end()));
    if (firstColumn >= endColumn) continue;
    const int64_t unitsPerPixel = 2 * static_cast<int64_t>(geometry.zoom);
    PeakColumnCache& cache = *caches[i];
    cache.Prepare(layer, (firstColumn - ViewGeometry::kHeaderWidth) * unitsPerPixel,
                  (endColumn - ViewGeometry::kHeaderWidth) * unitsPerPixel, geometry.zoom);
    const auto& left = cache.first();
    const auto& right = cache.second();
    const int half = (band - 2) / 2;
    const size_t columns = std::min<size_t>(cache.columnCount(), static_cast<size_t>(endColumn - firstColumn));
    high.resize(columns);
    low.resize(columns);
    for (size_t k = 0; k < columns; ++k) {
      high[k] = centre - half * (left[k].largest + right[k].largest) / 65600;
      low[k] = centre - half * (left[k].smallest + right[k].smallest) / 65600;
    }
    const uint32_t c = layer.waveColor;
    const QColor colour(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                        static_cast<int>((c >> 16) & 0xFF));
    // Each column shows its own extremes and reaches half way towards a
    // neighbour that lies wholly above or below it, so that the trace stays
    // joined where it moves faster than a pixel a column. The same rule on
    // both sides and at both edges draws a signal and its negation as mirror
    // images. The layer's last column is left to the frame's right edge.
    const int64_t frameEdge = geometry.ContentX(layer.end()) - 1;
    for (size_t k = 0; k < columns; ++k) {
      if (firstColumn + static_cast<int64_t>(k) == frameEdge) break;
      int top = high[k];
      int bottom = low[k];
      for (const size_t n : {k - 1, k + 1}) {
        if (n >= columns) continue;  // k - 1 wraps round for the first column
        // Halves rounded down for the top and up for the bottom (a right
        // shift rounds down, negative values included).
        if (low[n] < high[k]) top = std::min(top, (low[n] + high[k]) >> 1);
        if (high[n] > low[k]) bottom = std::max(bottom, -(-(high[n] + low[k]) >> 1));
      }
      const int x = static_cast<int>(firstColumn + static_cast<int64_t>(k) - geometry.scroll);
      painter.fillRect(x, top, 1, bottom - top + 1, colour);
    }
  }
}

void LayerPainter::InvertColumns(QPainter& painter, const ViewGeometry& geometry, int layerIndex, int64_t left,
                                 int64_t right) {
  left = std::max<int64_t>(left, -100);
  right = std::min<int64_t>(right, static_cast<int64_t>(geometry.width) + 100);
  if (left >= right || geometry.BandHeight() <= 0) return;
  const QPainter::CompositionMode mode = painter.compositionMode();
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.fillRect(Edges(left, geometry.BandTop(layerIndex), right, geometry.BandBottom(layerIndex)), Qt::white);
  painter.setCompositionMode(mode);
}

void LayerPainter::DrawSelection(QPainter& painter, const ViewGeometry& geometry, const CSound& sound) {
  const int active = sound.activeLayerIndex;
  if (active < 0 || static_cast<size_t>(active) >= sound.layers.size()) return;
  const int64_t start = geometry.ClientX(sound.selectionStart);
  const int64_t end = geometry.ClientX(sound.selectionEnd);
  if (end < 0 || start >= geometry.width) return;
  InvertColumns(painter, geometry, active, std::max<int64_t>(0, start), std::min<int64_t>(geometry.width, end + 1));
}
