// Envelope drawing, node by node from the left; the walk stops at the first
// node right of the window once a node has been drawn.
#include "gui/panes/envelope_painter.h"

#include <QColor>
#include <QPainter>
#include <QPen>

#include <algorithm>

#include "core/model/sound.h"

namespace {

QColor ColorOf(uint32_t value, double factor) {
  auto channel = [&](int shift) {
    return static_cast<int>(std::min(255.0, static_cast<double>((value >> shift) & 0xFF) * factor));
  };
  return QColor(channel(0), channel(8), channel(16));
}

// The y where the segment from (x0, y0) to (x1, y1) crosses the column x.
int CrossingY(int64_t x0, int y0, int64_t x1, int y1, int64_t x) {
  if (x1 == x0) return y0;
  return static_cast<int>(y0 + static_cast<double>(y1 - y0) * static_cast<double>(x - x0) /
                                   static_cast<double>(x1 - x0));
}

}  // namespace

void EnvelopePainter::Draw(QPainter& painter, const ViewGeometry& geometry, const CSound& sound) {
  if (geometry.BandHeight() <= 0) return;
  for (size_t i = 0; i < sound.layers.size(); ++i) {
    const CSoundLayer& layer = *sound.layers[i];
    if (layer.EnvelopeActive()) DrawLayer(painter, geometry, layer, static_cast<int>(i));
  }
}

void EnvelopePainter::DrawLayer(QPainter& painter, const ViewGeometry& geometry, const CSoundLayer& layer,
                                int layerIndex) {
  const QColor color = ColorOf(layer.envelopeColor, 1.0);
  const QColor light = ColorOf(layer.envelopeColor, 1.2);
  const QColor dark = ColorOf(layer.envelopeColor, 0.8);
  const QPen solid(color, 2);
  const QPen dotted(color, 0, Qt::DotLine);
  const int width = geometry.width;
  auto clientX = [&](const EnvelopeNode& node) {
    return geometry.NodeContentX(layer.offset, node.position) - geometry.scroll;
  };
  auto line = [&](const QPen& pen, int64_t x0, int y0, int64_t x1, int y1) {
    painter.setPen(pen);
    painter.drawLine(static_cast<int>(x0), y0, static_cast<int>(x1), y1);
  };

  const auto& nodes = layer.nodes;
  const size_t count = nodes.size();
  bool drawnOne = false;
  int64_t previousX = 0;
  int previousY = 0;
  for (size_t k = 0; k < count; ++k) {
    const int64_t x = clientX(nodes[k]);
    const int y = geometry.NodeY(layerIndex, nodes[k].level);
    const bool last = k + 1 == count;
    if (x < 0) {
      if (last) line(dotted, 0, y, width, y);
      continue;
    }
    if (x > width) {
      if (drawnOne) break;
      if (k > 0) {
        const int64_t x0 = clientX(nodes[k - 1]);
        const int y0 = geometry.NodeY(layerIndex, nodes[k - 1].level);
        line(solid, 0, CrossingY(x0, y0, x, y, 0), width, CrossingY(x0, y0, x, y, width));
      } else {
        line(dotted, 0, y, width, y);
      }
      break;
    }
    if (drawnOne) {
      line(solid, previousX, previousY, x, y);
    } else if (k == 0) {
      line(dotted, 0, y, x, y);
    } else {
      const int64_t x0 = clientX(nodes[k - 1]);
      const int y0 = geometry.NodeY(layerIndex, nodes[k - 1].level);
      line(solid, 0, CrossingY(x0, y0, x, y, 0), x, y);
    }
    const int hx = static_cast<int>(x);
    painter.fillRect(hx - 4, y - 4, 8, 8, light);
    painter.fillRect(hx - 3, y - 3, 8, 8, dark);
    painter.fillRect(hx - 3, y - 3, 7, 7, color);
    if (last) {
      line(dotted, x, y, width, y);
    } else {
      const int64_t nextX = clientX(nodes[k + 1]);
      if (nextX > width) {
        const int nextY = geometry.NodeY(layerIndex, nodes[k + 1].level);
        line(solid, x, y, width, CrossingY(x, y, nextX, nextY, width));
      }
    }
    drawnOne = true;
    previousX = x;
    previousY = y;
  }
}
