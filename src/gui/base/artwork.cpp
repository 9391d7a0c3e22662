// Every picture is first painted with anti-aliasing on a transparent
// canvas. Pictures that windows cut out by colour are then flattened onto
// pure green with a hard edge (a pixel is either the picture or green), so
// that no half-green fringe survives the cut.
#include "gui/base/artwork.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "gui/base/resource_ids.h"
#include "gui/base/palette.h"

namespace {

using namespace palette;

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A decaying sine across `box`, centred vertically.
QPainterPath WavePath(const QRectF& box, double cycles, double decay) {
  QPainterPath path;
  const int steps = std::max(2, static_cast<int>(box.width()));
  for (int i = 0; i <= steps; ++i) {
    const double f = static_cast<double>(i) / steps;
    const double y = box.center().y() -
                     std::sin(f * cycles * 2.0 * M_PI) * std::exp(-f * decay) * box.height() / 2.0;
    const QPointF point(box.left() + f * box.width(), y);
    if (i == 0) {
      path.moveTo(point);
    } else {
      path.lineTo(point);
    }
  }
  return path;
}

// The emblem: a round badge with a waveform across it.
void DrawEmblem(QPainter& p, const QPointF& centre, double radius) {
  QRadialGradient fill(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
  fill.setColorAt(0, kTeal.lighter(130));
  fill.setColorAt(1, kBlue);
  p.setPen(QPen(kAmber, radius / 12));
  p.setBrush(fill);
  p.drawEllipse(centre, radius, radius);
  p.setPen(QPen(Qt::white, radius / 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  const QRectF waveBox(centre.x() - radius * 0.7, centre.y() - radius * 0.45, radius * 1.4, radius * 0.9);
  p.drawPath(WavePath(waveBox, 2.5, 1.2));
}

QImage PaintSplash() {
  // 480 × 250; the status line is drawn by the window into (220, 140)-(440, 185),
  // which lies on the light lower band.
  QImage image = Canvas(480, 250);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF body(0.5, 50.5, 479, 199);
  QPainterPath outline;
  outline.addRoundedRect(body, 22, 22);
  p.setPen(Qt::NoPen);
  QLinearGradient band(0, 50, 0, 130);
  band.setColorAt(0, kBlue);
  band.setColorAt(1, kNavy);
  p.setClipPath(outline);
  p.fillRect(QRectF(0, 50, 480, 80), band);
  QLinearGradient lower(0, 130, 0, 250);
  lower.setColorAt(0, kPaper);
  lower.setColorAt(1, kPaperShade);
  p.fillRect(QRectF(0, 130, 480, 120), lower);
  p.fillRect(QRectF(0, 128, 480, 3), kAmber);
  // A faint wave along the light band, behind the status line.
  p.setPen(QPen(kFaintWave, 2));
  p.drawPath(WavePath(QRectF(180, 190, 290, 40), 7, 1.5));
  p.setClipping(false);

  DrawEmblem(p, QPointF(100, 110), 78);

  // The title keeps to its band whatever font stands in for the one asked for.
  const QString name = QStringLiteral("Tarvo Wavedesk 2.0");
  QFont title(QStringLiteral("Sans Serif"));
  title.setBold(true);
  for (int size = 30; size > 12; --size) {
    title.setPixelSize(size);
    if (QFontMetrics(title).horizontalAdvance(name) <= 264) break;
  }
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(200, 56, 270, 44), Qt::AlignLeft | Qt::AlignVCenter, name);
  QFont subtitle(QStringLiteral("Sans Serif"));
  subtitle.setPixelSize(13);
  p.setFont(subtitle);
  p.setPen(kSubtitle);
  p.drawText(QRectF(202, 96, 270, 24), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Record, edit and layer sound"));
  return image;
}

QImage PaintCommonTasksHeader() {
  QImage image = Canvas(460, 64);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, 460, 0);
  band.setColorAt(0, kNavy);
  band.setColorAt(1, kBlue);
  p.fillRect(image.rect(), band);
  p.fillRect(QRectF(0, 61, 460, 3), kAmber);
  p.setPen(QPen(QColor(255, 255, 255, 70), 2));
  p.drawPath(WavePath(QRectF(150, 8, 300, 46), 6, 1.0));
  p.setPen(QPen(QColor(255, 255, 255, 40), 2));
  p.drawPath(WavePath(QRectF(120, 14, 330, 34), 9, 0.5));
  DrawEmblem(p, QPointF(34, 31), 22);
  QFont title(QStringLiteral("Sans Serif"));
  title.setPixelSize(20);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(68, 8, 300, 46), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tarvo Wavedesk 2.0"));
  return image;
}

// The four task pictures share a 48 × 48 tile: a rounded badge in the
// task's colour with a white glyph.
void DrawTaskBadge(QPainter& p, const QColor& colour) {
  QLinearGradient fill(0, 2, 0, 46);
  fill.setColorAt(0, colour.lighter(125));
  fill.setColorAt(1, colour);
  p.setPen(QPen(colour.darker(140), 1.5));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(2.5, 2.5, 43, 43), 10, 10);
}

QImage PaintTaskOpen() {
  QImage image = Canvas(48, 48);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawTaskBadge(p, kBlue);
  // A folder with a wave on its front.
  p.setPen(Qt::NoPen);
  p.setBrush(kAmber.lighter(115));
  p.drawRoundedRect(QRectF(10, 13, 14, 8), 2, 2);
  p.setBrush(kAmber);
  p.drawRoundedRect(QRectF(10, 17, 28, 19), 2, 2);
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(WavePath(QRectF(14, 21, 20, 11), 2, 0.5));
  return image;
}

QImage PaintTaskRecord() {
  QImage image = Canvas(48, 48);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawTaskBadge(p, kNavy);
  p.setPen(QPen(Qt::white, 2.5));
  p.setBrush(kRecordRed);
  p.drawEllipse(QPointF(24, 24), 11, 11);
  return image;
}

QImage PaintTaskBlank() {
  QImage image = Canvas(48, 48);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawTaskBadge(p, kTeal);
  // A blank sheet with a folded corner.
  QPainterPath sheet;
  sheet.moveTo(14, 9);
  sheet.lineTo(28, 9);
  sheet.lineTo(35, 16);
  sheet.lineTo(35, 39);
  sheet.lineTo(14, 39);
  sheet.closeSubpath();
  p.setPen(QPen(kSteel, 1));
  p.setBrush(Qt::white);
  p.drawPath(sheet);
  QPainterPath corner;
  corner.moveTo(28, 9);
  corner.lineTo(28, 16);
  corner.lineTo(35, 16);
  corner.closeSubpath();
  p.setBrush(kPaper.darker(110));
  p.drawPath(corner);
  return image;
}

QImage PaintTaskTone() {
  QImage image = Canvas(48, 48);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawTaskBadge(p, kAmber.darker(115));
  p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(WavePath(QRectF(9, 12, 30, 24), 2, 0.0));
  return image;
}

QImage PaintPreferencesIcon() {
  // A panel of three sliders.
  QImage image = Canvas(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kNavy, 1));
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);
  const double knobs[] = {10, 21, 14};
  for (int i = 0; i < 3; ++i) {
    const double x = 8.5 + i * 7.5;
    p.setPen(QPen(kSteel, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x, 6), QPointF(x, 26));
    p.setPen(QPen(kNavy, 1));
    p.setBrush(i == 1 ? kAmber : kTeal);
    p.drawRoundedRect(QRectF(x - 3.5, knobs[i] - 2.5, 7, 5), 1.5, 1.5);
  }
  return image;
}

QImage PaintApplicationIcon(int size = 64) {
  // Two stacked waves on a navy tile: layers of sound. Drawn on a 64-unit
  // grid and scaled, so that every size is painted sharp.
  QImage image = Canvas(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(Qt::NoPen);
  p.setBrush(kNavy);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kTeal, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(WavePath(QRectF(10, 12, 44, 20), 2, 0.0));
  p.setPen(QPen(kAmber, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(WavePath(QRectF(10, 32, 44, 20), 3, 0.0));
  return image;
}

QImage Paint(int resourceId) {
  switch (resourceId) {
    case IDR_MAINFRAME: return PaintApplicationIcon();
    case IDB_SPLASH: return PaintSplash();
    case IDB_COMMON_TASKS: return PaintCommonTasksHeader();
    case IDB_TASK_OPEN: return PaintTaskOpen();
    case IDB_TASK_RECORD: return PaintTaskRecord();
    case IDB_TASK_BLANK: return PaintTaskBlank();
    case IDB_TASK_TONE: return PaintTaskTone();
    case IDI_PREFERENCES: return PaintPreferencesIcon();
    default: return {};
  }
}

// Half-covered pixels become the picture, the rest pure green.
QImage FlattenOnGreen(const QImage& painted) {
  QImage flat = painted.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < flat.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(flat.scanLine(y));
    for (int x = 0; x < flat.width(); ++x) {
      const QRgb pixel = row[x];
      row[x] = qAlpha(pixel) >= 128 ? (pixel | 0xff000000) : kPureGreen;
    }
  }
  return flat.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QImage ArtworkBitmap(int resourceId) {
  const QImage painted = Paint(resourceId);
  if (painted.isNull()) return {};
  return FlattenOnGreen(painted);
}

QPixmap ArtworkPixmap(int resourceId) {
  return QPixmap::fromImage(Paint(resourceId));
}

QIcon ArtworkIcon(int resourceId) {
  if (resourceId == IDR_MAINFRAME) {
    QIcon icon;
    for (int size : kApplicationIconSizes) icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
    return icon;
  }
  return QIcon(ArtworkPixmap(resourceId));
}

QImage ApplicationIconImage(int size) { return PaintApplicationIcon(size); }
