// The waveform view's two rulers: the time ruler above the bands, labelled
// every 5 × zoom milliseconds, and the frame-number ruler below them, with a
// tick every 10 columns and a label every 200. Both follow the scroll
// position, so they are drawn afresh on every repaint.
#pragma once

#include <QString>

#include <cstdint>

#include "gui/panes/view_geometry.h"

class QFont;
class QPainter;
class QPalette;

class RulerPainter {
 public:
  // "mm:ss:mmmm": minutes (at least two digits), seconds, and milliseconds
  // padded to four digits, so 61,500 ms reads "01:01:0500".
  static QString TimeText(int64_t milliseconds);

  // Draws both ruler bands across the full width.
  static void Draw(QPainter& painter, const ViewGeometry& geometry, const QPalette& palette, const QFont& font);

 private:
  static void DrawFrameRuler(QPainter& painter, const ViewGeometry& geometry);
  static void DrawTimeRuler(QPainter& painter, const ViewGeometry& geometry);
  static void DrawLabel(QPainter& painter, int x, int y, const QString& text);
};
