// Every image is drawn on a 16-unit grid and scaled to the size asked for;
// half-pixel coordinates keep one-pixel outlines sharp at 16 pixels. The
// colours are the icon set's from the program's palette.
#include "gui/base/tree_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>
#include <iterator>

#include "gui/base/resource_ids.h"
#include "gui/base/icon_painter.h"
#include "gui/base/palette.h"

namespace {

using namespace palette;

QPen Outline(double width = 1.0) { return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void DrawFolder(QPainter& p, bool open) {
  p.setPen(Outline());
  p.setBrush(kFolderBack);
  p.drawPolygon(QPolygonF({{1.5, 3.5}, {6.0, 3.5}, {7.5, 5.0}, {14.5, 5.0}, {14.5, 13.5}, {1.5, 13.5}}));
  p.setBrush(kFolderFront);
  if (open)
    p.drawPolygon(QPolygonF({{4.0, 7.5}, {15.5, 7.5}, {14.0, 13.5}, {1.5, 13.5}}));
  else
    p.drawRect(QRectF(1.5, 6.5, 13.0, 7.0));
}

// A short waveform across `box`.
void DrawWave(QPainter& p, const QRectF& box) {
  static constexpr double kShape[] = {0.0, 0.7, -0.9, 1.0, -0.6, 0.8, -1.0, 0.5, 0.0};
  constexpr int kPoints = static_cast<int>(std::size(kShape));
  QPainterPath wave;
  for (int i = 0; i < kPoints; ++i) {
    const QPointF point(box.left() + box.width() * i / (kPoints - 1), box.center().y() - box.height() / 2 * kShape[i]);
    if (i == 0)
      wave.moveTo(point);
    else
      wave.lineTo(point);
  }
  p.setPen(QPen(kWave, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);
}

void DrawPage(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(kSheet);
  p.drawPolygon(QPolygonF({{3.5, 1.5}, {10.5, 1.5}, {13.5, 4.5}, {13.5, 14.5}, {3.5, 14.5}}));
  p.setBrush(kLayerFill);
  p.drawPolygon(QPolygonF({{10.5, 1.5}, {10.5, 4.5}, {13.5, 4.5}}));
}

void DrawSoundFile(QPainter& p) {
  DrawPage(p);
  DrawWave(p, QRectF(4.5, 6.0, 8.0, 6.0));
}

void DrawDrive(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(kMetal.lighter(125));
  p.drawRoundedRect(QRectF(1.5, 5.5, 13.0, 6.0), 1.5, 1.5);
  p.setPen(QPen(kOutline.lighter(150), 1.0));
  p.drawLine(QPointF(3.0, 9.5), QPointF(9.0, 9.5));
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawEllipse(QPointF(12.0, 8.5), 1.2, 1.2);
}

void DrawOpticalDisc(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(kLens);
  p.drawEllipse(QPointF(8.0, 8.0), 6.5, 6.5);
  p.setBrush(kLayerFill);
  p.drawEllipse(QPointF(8.0, 8.0), 4.0, 4.0);
  p.setBrush(kSheet);
  p.drawEllipse(QPointF(8.0, 8.0), 1.5, 1.5);
}

QPolygonF Star(const QPointF& centre, double outer, double inner) {
  QPolygonF star;
  for (int i = 0; i < 10; ++i) {
    const double radius = i % 2 == 0 ? outer : inner;
    const double angle = -M_PI / 2 + i * M_PI / 5;
    star << QPointF(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
  }
  return star;
}

void DrawStar(QPainter& p, const QPointF& centre, double outer) {
  p.setPen(QPen(kOutline, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(kStar);
  p.drawPolygon(Star(centre, outer, outer * 0.45));
}

void DrawDesktop(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(kScreen);
  p.drawRoundedRect(QRectF(1.5, 2.5, 13.0, 9.0), 1.0, 1.0);
  p.setBrush(kMetal);
  p.drawRect(QRectF(6.5, 11.5, 3.0, 2.0));
  p.drawRect(QRectF(4.5, 13.5, 7.0, 1.0));
}

void DrawDocuments(QPainter& p) {
  DrawFolder(p, false);
  p.setPen(QPen(kOutline, 0.8));
  p.setBrush(kSheet);
  p.drawRect(QRectF(4.5, 1.5, 7.0, 6.0));
  p.setPen(QPen(kWave, 1.0));
  for (double y : {3.5, 5.5}) p.drawLine(QPointF(6.0, y), QPointF(10.0, y));
  p.setPen(Outline());
  p.setBrush(kFolderFront);
  p.drawRect(QRectF(1.5, 6.5, 13.0, 7.0));
}

// A note on a folder: "My Music".
void DrawMusic(QPainter& p) {
  DrawFolder(p, false);
  p.setPen(QPen(kOutline, 1.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(10.0, 12.0), QPointF(10.0, 7.0));
  p.drawLine(QPointF(10.0, 7.0), QPointF(12.5, 8.0));
  p.setPen(Qt::NoPen);
  p.setBrush(kOutline);
  p.drawEllipse(QPointF(8.8, 12.0), 1.4, 1.1);
}

void DrawSearch(QPainter& p) {
  p.setPen(QPen(kOutline, 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(9.8, 9.8), QPointF(13.8, 13.3));
  p.setPen(Outline());
  p.setBrush(kLens);
  p.drawEllipse(QPointF(6.5, 6.5), 5.0, 5.0);
  DrawWave(p, QRectF(3.5, 4.5, 6.0, 4.0));
}

bool DrawSlot(QPainter& p, int slot) {
  switch (slot) {
    case kTreeImageDrive:
      DrawDrive(p);
      return true;
    case kTreeImageFavoritesTab:
      DrawStar(p, QPointF(8.0, 8.5), 7.0);
      return true;
    case kTreeImageDesktop:
      DrawDesktop(p);
      return true;
    case kTreeImageDocuments:
      DrawDocuments(p);
      return true;
    case kTreeImageFolder:
      DrawFolder(p, false);
      return true;
    case kTreeImageFolderOpen:
      DrawFolder(p, true);
      return true;
    case kTreeImageSoundFile:
      DrawSoundFile(p);
      return true;
    case kTreeImageSearchTab:
      DrawSearch(p);
      return true;
    case kTreeImageOpticalDrive:
      DrawOpticalDisc(p);
      return true;
    case kTreeImageFavoriteFolder:
      DrawFolder(p, false);
      DrawStar(p, QPointF(11.5, 11.0), 4.0);
      return true;
    case kTreeImageMusic:
      DrawMusic(p);
      return true;
    default:
      return false;
  }
}

}  // namespace

QIcon TreeIcon(int slot) {
  return IconFromDrawing([slot](QPainter& p) { return DrawSlot(p, slot); });
}
