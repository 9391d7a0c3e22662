// The layers of the waveform view: each layer's band with its gradient,
// header, frame and corner mark; the waveform traces drawn from the peak
// caches; and the inverted selection of the active layer. Kept apart from the
// view so that the view holds state and the painters hold pixels.
#pragma once

#include <QRect>

#include <vector>

#include "gui/panes/view_geometry.h"

class CSound;
class PeakColumnCache;
class QPainter;
class QPalette;

class LayerPainter {
 public:
  // Bands, headers, frames and corner marks of every layer.
  static void DrawBands(QPainter& painter, const ViewGeometry& geometry, const QPalette& palette, const CSound& sound);
  // One trace per layer, both channels summed; `caches` holds one cache per
  // layer in list order.
  static void DrawTraces(QPainter& painter, const ViewGeometry& geometry, const CSound& sound,
                         const std::vector<PeakColumnCache*>& caches);
  // The active layer's selection, inverted; a cursor is a one-pixel column.
  static void DrawSelection(QPainter& painter, const ViewGeometry& geometry, const CSound& sound);

  // Inverts the columns [left, right) over a layer's band, clipped to the
  // surface by the painter.
  static void InvertColumns(QPainter& painter, const ViewGeometry& geometry, int layerIndex, int64_t left,
                            int64_t right);

 private:
  static void DrawBand(QPainter& painter, const ViewGeometry& geometry, const QPalette& palette, const CSound& sound,
                       int layerIndex);
};
