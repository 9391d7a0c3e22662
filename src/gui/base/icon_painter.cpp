// Every image is drawn on a 16-unit grid and scaled to the size asked for;
// half-pixel coordinates keep one-pixel outlines sharp at 16 pixels.
#include "gui/base/icon_painter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <iterator>

#include "gui/base/resource_ids.h"
#include "gui/base/palette.h"

namespace {

using namespace palette;

QPen Outline(double width = 1.0) { return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// A layer: a sheet carrying a short waveform.
void DrawLayer(QPainter& p, const QRectF& sheet) {
  p.setPen(Outline());
  p.setBrush(kLayerFill);
  p.drawRoundedRect(sheet, 1.5, 1.5);
  QPainterPath wave;
  const double left = sheet.left() + 2.0;
  const double width = sheet.width() - 4.0;
  const double middle = sheet.center().y();
  const double amplitude = sheet.height() / 2.0 - 2.0;
  static constexpr double kShape[] = {0.0, 0.6, -0.9, 1.0, -0.5, 0.8, -1.0, 0.4, 0.0};
  constexpr int kPoints = static_cast<int>(std::size(kShape));
  for (int i = 0; i < kPoints; ++i) {
    const QPointF point(left + width * i / (kPoints - 1), middle - amplitude * kShape[i]);
    if (i == 0)
      wave.moveTo(point);
    else
      wave.lineTo(point);
  }
  p.setPen(QPen(kWave, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);
}

// A round badge in the bottom right corner with a plus or a minus.
void DrawBadge(QPainter& p, const QColor& colour, bool plus) {
  p.setPen(QPen(Qt::white, 1.0));
  p.setBrush(colour);
  p.drawEllipse(QPointF(11.5, 11.5), 4.0, 4.0);
  p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(9.5, 11.5), QPointF(13.5, 11.5));
  if (plus) p.drawLine(QPointF(11.5, 9.5), QPointF(11.5, 13.5));
}

void DrawNewPage(QPainter& p) {
  const QPolygonF page({{3.5, 1.5}, {10.5, 1.5}, {13.5, 4.5}, {13.5, 14.5}, {3.5, 14.5}});
  p.setPen(Outline());
  p.setBrush(kSheet);
  p.drawPolygon(page);
  p.setBrush(kLayerFill);
  p.drawPolygon(QPolygonF({{10.5, 1.5}, {10.5, 4.5}, {13.5, 4.5}}));
}

void DrawOpenFolder(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(kFolderBack);
  p.drawPolygon(QPolygonF({{1.5, 3.5}, {6.0, 3.5}, {7.5, 5.0}, {13.5, 5.0}, {13.5, 13.5}, {1.5, 13.5}}));
  p.setBrush(kFolderFront);
  p.drawPolygon(QPolygonF({{4.0, 7.5}, {15.0, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
}

void DrawScissors(QPainter& p) {
  p.setPen(QPen(kMetal.darker(140), 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(6.0, 10.0), QPointF(11.0, 1.5));
  p.drawLine(QPointF(10.0, 10.0), QPointF(5.0, 1.5));
  p.setPen(QPen(kRed, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(5.0, 12.5), 2.2, 2.2);
  p.drawEllipse(QPointF(11.0, 12.5), 2.2, 2.2);
}

void DrawClipboard(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(kBoard);
  p.drawRoundedRect(QRectF(1.5, 2.5, 10.0, 12.0), 1.0, 1.0);
  p.setBrush(kMetal);
  p.drawRect(QRectF(4.5, 1.5, 4.0, 2.5));
  p.setBrush(kSheet);
  p.drawRect(QRectF(6.5, 6.5, 8.0, 8.0));
  p.setPen(QPen(kWave, 1.0));
  for (double y : {9.0, 11.0, 13.0}) p.drawLine(QPointF(8.0, y), QPointF(13.0, y));
}

void DrawMerge(QPainter& p) {
  DrawLayer(p, QRectF(0.5, 0.5, 6.5, 5.0));
  DrawLayer(p, QRectF(9.0, 0.5, 6.5, 5.0));
  p.setPen(QPen(kGreen, 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(4.0, 6.5), QPointF(7.0, 9.0));
  p.drawLine(QPointF(12.0, 6.5), QPointF(9.0, 9.0));
  DrawLayer(p, QRectF(2.5, 9.5, 11.0, 6.0));
}

void DrawLayerProperties(QPainter& p) {
  DrawLayer(p, QRectF(0.5, 2.5, 13.0, 9.0));
  // A pencil across the bottom right corner.
  p.setPen(QPen(kOutline, 0.8));
  p.setBrush(kFolderFront);
  p.drawPolygon(QPolygonF({{15.5, 8.5}, {13.0, 6.0}, {7.0, 12.0}, {9.5, 14.5}}));
  p.setBrush(kOutline);
  p.drawPolygon(QPolygonF({{7.0, 12.0}, {9.5, 14.5}, {6.0, 15.5}}));
}

// Draws the icon `resourceId` on a 16-unit grid; false for an unknown number.
bool DrawIcon(QPainter& p, int resourceId) {
  switch (resourceId) {
    case IDI_LAYER:
      DrawLayer(p, QRectF(1.5, 3.5, 13.0, 9.0));
      return true;
    case IDI_HISTORY_OPEN:
      DrawOpenFolder(p);
      return true;
    case IDI_HISTORY_NEW:
      DrawNewPage(p);
      return true;
    case IDI_HISTORY_CUT:
      DrawScissors(p);
      return true;
    case IDI_HISTORY_PASTE:
      DrawClipboard(p);
      return true;
    case IDI_HISTORY_NEW_LAYER:
      DrawLayer(p, QRectF(0.5, 1.5, 12.0, 8.5));
      DrawBadge(p, kGreen, true);
      return true;
    case IDI_HISTORY_REMOVE_LAYER:
      DrawLayer(p, QRectF(0.5, 1.5, 12.0, 8.5));
      DrawBadge(p, kRed, false);
      return true;
    case IDI_HISTORY_MERGE:
      DrawMerge(p);
      return true;
    case IDI_LAYER_PROPERTIES:
      DrawLayerProperties(p);
      return true;
    default:
      return false;
  }
}

// A magnifying glass with a plus or a minus; the "Max" forms add a stop bar
// in the top right corner: as far as zooming goes.
void DrawZoom(QPainter& p, bool zoomIn, bool toTheLimit) {
  p.setPen(QPen(kOutline, 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(9.8, 9.8), QPointF(13.8, 13.3));
  p.setPen(Outline());
  p.setBrush(kLens);
  p.drawEllipse(QPointF(6.5, 6.5), 5.0, 5.0);
  p.setPen(QPen(kWave, 1.6, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(4.0, 6.5), QPointF(9.0, 6.5));
  if (zoomIn) p.drawLine(QPointF(6.5, 4.0), QPointF(6.5, 9.0));
  if (toTheLimit) {
    p.setPen(Qt::NoPen);
    p.setBrush(zoomIn ? kGreen : kRed);
    p.drawRect(QRectF(13.0, 0.0, 2.5, 6.5));
  }
}

// ---- The commands' icons: the tool bars and the menus show the same set.

void DrawFloppy(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(kFloppy);
  p.drawPolygon(QPolygonF({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}));
  p.setBrush(kSheet);
  p.drawRect(QRectF(4.0, 1.5, 7.5, 5.0));
  p.setBrush(kMetal);
  p.drawRect(QRectF(3.5, 9.0, 9.0, 5.5));
  p.setPen(Qt::NoPen);
  p.setBrush(kOutline);
  p.drawRect(QRectF(8.5, 2.5, 2.0, 3.0));
}

// A folder tree: a root folder with two branches, for the explorer.
void DrawExplorer(QPainter& p) {
  p.setPen(QPen(kOutline, 1.0));
  p.drawLine(QPointF(3.5, 6.0), QPointF(3.5, 12.5));
  p.drawLine(QPointF(3.5, 8.5), QPointF(7.0, 8.5));
  p.drawLine(QPointF(3.5, 12.5), QPointF(7.0, 12.5));
  p.setPen(Outline(0.8));
  p.setBrush(kFolderFront);
  p.drawRect(QRectF(1.0, 1.5, 6.5, 4.5));
  p.drawRect(QRectF(7.5, 6.5, 7.0, 4.0));
  p.setBrush(kLayerFill);
  p.drawRect(QRectF(7.5, 11.0, 7.0, 4.0));
}

void DrawCopy(QPainter& p) {
  for (const QPointF& at : {QPointF(0.0, 0.0), QPointF(4.0, 4.0)}) {
    p.setPen(Outline());
    p.setBrush(kSheet);
    p.drawRect(QRectF(at.x() + 1.5, at.y() + 1.5, 8.0, 10.0));
    p.setPen(QPen(kWave, 1.0));
    for (double y : {4.5, 6.5, 8.5}) p.drawLine(QPointF(at.x() + 3.0, at.y() + y), QPointF(at.x() + 8.0, at.y() + y));
  }
}

// Mix: a layer with a second wave laid over it and a plus badge.
void DrawMix(QPainter& p) {
  DrawLayer(p, QRectF(0.5, 1.5, 12.0, 8.5));
  QPainterPath wave;
  wave.moveTo(2.0, 6.0);
  wave.cubicTo(4.0, 2.0, 6.0, 10.0, 8.0, 6.0);
  wave.cubicTo(9.0, 4.0, 10.0, 4.0, 11.0, 6.0);
  p.setPen(QPen(kGreen, 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);
  DrawBadge(p, kGreen, true);
}

// Crop: the two crop marks around a kept piece of wave.
void DrawCrop(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(kLayerFill);
  p.drawRect(QRectF(4.5, 4.5, 7.0, 7.0));
  p.setPen(QPen(kOutline, 1.6, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF({{4.0, 0.5}, {4.0, 12.0}, {15.5, 12.0}}));
  p.drawPolyline(QPolygonF({{0.5, 4.0}, {12.0, 4.0}, {12.0, 15.5}}));
  p.setPen(QPen(kWave, 1.0));
  p.drawPolyline(QPolygonF({{5.0, 8.0}, {6.5, 5.5}, {8.0, 10.5}, {9.5, 6.0}, {11.0, 8.0}}));
}

// The clipboard manager: a clipboard holding a short list of clips.
void DrawClipManager(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(kBoard);
  p.drawRoundedRect(QRectF(1.5, 2.5, 13.0, 12.5), 1.0, 1.0);
  p.setBrush(kMetal);
  p.drawRect(QRectF(5.5, 1.0, 5.0, 3.0));
  p.setBrush(kSheet);
  p.drawRect(QRectF(3.5, 5.0, 9.0, 8.5));
  for (double y : {7.0, 9.25, 11.5}) {
    p.setPen(Qt::NoPen);
    p.setBrush(kWave);
    p.drawRect(QRectF(4.5, y - 0.5, 1.5, 1.5));
    p.setPen(QPen(kOutline, 0.8));
    p.drawLine(QPointF(7.0, y + 0.25), QPointF(11.5, y + 0.25));
  }
}

void DrawRecordDot(QPainter& p) {
  p.setPen(QPen(kRecord.darker(140), 1.0));
  p.setBrush(kRecord);
  p.drawEllipse(QPointF(8.0, 8.0), 5.5, 5.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 110));
  p.drawEllipse(QPointF(6.5, 6.0), 1.8, 1.4);
}

void DrawPlayTriangle(QPainter& p, double left, double right) {
  p.setPen(QPen(kGreen.darker(140), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(kGreen);
  p.drawPolygon(QPolygonF({{left, 2.5}, {right, 8.0}, {left, 13.5}}));
}

void DrawTransportBar(QPainter& p, double left) {
  p.setPen(Qt::NoPen);
  p.setBrush(kOutline);
  p.drawRect(QRectF(left, 2.5, 2.0, 11.0));
}

// Draws command `commandId`'s icon on a 16-unit grid; false for a command
// without one.
bool DrawCommandIcon(QPainter& p, CommandId commandId) {
  switch (commandId) {
    case CommandId::kFileNew:
      DrawNewPage(p);
      return true;
    case CommandId::kFileOpen:
      DrawOpenFolder(p);
      return true;
    case CommandId::kFileSave:
      DrawFloppy(p);
      return true;
    case CommandId::kViewExplorer:
      DrawExplorer(p);
      return true;
    case CommandId::kCut:
      DrawScissors(p);
      return true;
    case CommandId::kCopy:
      DrawCopy(p);
      return true;
    case CommandId::kPaste:
      DrawClipboard(p);
      return true;
    case CommandId::kMix:
      DrawMix(p);
      return true;
    case CommandId::kCrop:
      DrawCrop(p);
      return true;
    case CommandId::kViewClipboard:
      DrawClipManager(p);
      return true;
    case CommandId::kRecord:
      DrawRecordDot(p);
      return true;
    case CommandId::kPlay:
      DrawPlayTriangle(p, 4.0, 13.0);
      return true;
    case CommandId::kPlayAll:
      // From the very start: a bar, then the triangle.
      DrawTransportBar(p, 2.0);
      DrawPlayTriangle(p, 6.0, 14.5);
      return true;
    case CommandId::kJumpToStart:
      DrawTransportBar(p, 2.0);
      p.setPen(Qt::NoPen);
      p.setBrush(kOutline);
      p.drawPolygon(QPolygonF({{14.0, 2.5}, {4.5, 8.0}, {14.0, 13.5}}));
      return true;
    case CommandId::kJumpToEnd:
      DrawTransportBar(p, 12.0);
      p.setPen(Qt::NoPen);
      p.setBrush(kOutline);
      p.drawPolygon(QPolygonF({{2.0, 2.5}, {11.5, 8.0}, {2.0, 13.5}}));
      return true;
    case CommandId::kPause:
      DrawTransportBar(p, 4.0);
      DrawTransportBar(p, 10.0);
      return true;
    case CommandId::kStop:
      p.setPen(Qt::NoPen);
      p.setBrush(kOutline);
      p.drawRoundedRect(QRectF(3.0, 3.0, 10.0, 10.0), 1.0, 1.0);
      return true;
    default:
      return false;
  }
}

// `draw` on a transparent square of `size` pixels, scaled from the 16-unit
// grid; null when it draws nothing.
QPixmap DrawingPixmap(const std::function<bool(QPainter&)>& draw, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  if (!draw(p)) return {};
  return pixmap;
}

}  // namespace

QIcon IconFromDrawing(const std::function<bool(QPainter&)>& draw) {
  const QPixmap small = DrawingPixmap(draw, 16);
  if (small.isNull()) return {};
  QIcon icon(small);
  icon.addPixmap(DrawingPixmap(draw, 32));
  return icon;
}

QIcon PaintedIcon(int resourceId) {
  return IconFromDrawing([resourceId](QPainter& p) { return DrawIcon(p, resourceId); });
}

QPixmap PaintedZoomBitmap(int resourceId, const QColor& buttonFace) {
  bool zoomIn = false;
  bool toTheLimit = false;
  switch (resourceId) {
    case IDB_ZOOM_IN: zoomIn = true; break;
    case IDB_ZOOM_OUT: break;
    case IDB_ZOOM_IN_MAX: zoomIn = toTheLimit = true; break;
    case IDB_ZOOM_OUT_MAX: toTheLimit = true; break;
    default: return {};
  }
  QPixmap pixmap(16, 15);
  pixmap.fill(buttonFace);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  DrawZoom(p, zoomIn, toTheLimit);
  return pixmap;
}

QIcon PaintedCommandIcon(CommandId commandId) {
  return IconFromDrawing([commandId](QPainter& p) { return DrawCommandIcon(p, commandId); });
}
