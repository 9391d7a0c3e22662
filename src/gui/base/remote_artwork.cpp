// The remote's skin is a dark console with rounded ends: a title plate, two
// level-bar wells and three round buttons. Its outline is a hard edge on
// pure green (no anti-aliasing at the border), so the cut-out has no fringe.
#include "gui/base/remote_artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "gui/base/resource_ids.h"
#include "gui/base/palette.h"

namespace remote_artwork {

namespace {

constexpr int kSkinWidth = 380;
constexpr int kSkinHeight = 150;
constexpr int kButtonSize = 44;
constexpr int kCloseSize = 20;

using namespace palette;

QImage GreenCanvas(int width, int height, QRgb background = kPureGreen) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(background);
  return image;
}

QPainterPath ConsoleOutline() {
  QPainterPath path;
  path.addRoundedRect(QRectF(2, 2, kSkinWidth - 4, kSkinHeight - 4), 40, 40);
  return path;
}

QImage Skin() {
  QImage image = GreenCanvas(kSkinWidth, kSkinHeight);
  QPainter p(&image);
  // The outline without smoothing: its pixels are console or green, nothing between.
  p.setRenderHint(QPainter::Antialiasing, false);
  QLinearGradient body(0, 0, 0, kSkinHeight);
  body.setColorAt(0, kConsoleTop);
  body.setColorAt(1, kConsoleBottom);
  p.setPen(QPen(kConsoleEdge, 2));
  p.setBrush(body);
  p.drawPath(ConsoleOutline());
  p.setRenderHint(QPainter::Antialiasing, true);
  // Title plate.
  p.setPen(Qt::NoPen);
  p.setBrush(kSteel);
  p.drawRoundedRect(QRectF(52, 12, 260, 22), 6, 6);
  QFont font = p.font();
  font.setPixelSize(13);
  font.setBold(true);
  p.setFont(font);
  p.setPen(kConsoleBottom);
  p.drawText(QRectF(52, 12, 260, 22), Qt::AlignCenter, QStringLiteral("RECORDING REMOTE"));
  // Wells for the level bars, with their channel letters.
  for (bool right : {false, true}) {
    const QRect bar = LevelBarRect(right);
    p.setBrush(kWell);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(bar).adjusted(-4, -3, 4, 3), 4, 4);
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(kSteel);
    p.drawText(QRectF(bar.left() - 22, bar.top() - 2, 16, bar.height() + 4), Qt::AlignCenter,
               right ? QStringLiteral("R") : QStringLiteral("L"));
  }
  // Sockets under the buttons.
  for (int id : {IDC_REMOTE_RECORD, IDC_REMOTE_STOP, IDC_REMOTE_PREVIEW}) {
    const QRectF socket = QRectF(ButtonRect(id)).adjusted(-4, -4, 4, 4);
    QRadialGradient shade(socket.center(), socket.width() / 2);
    shade.setColorAt(0.8, kConsoleEdge);
    shade.setColorAt(1, kConsoleTop);
    p.setBrush(shade);
    p.setPen(Qt::NoPen);
    p.drawEllipse(socket);
  }
  return image;
}

// A round button face: `symbol` draws the sign in the middle.
template <typename Symbol>
QImage RoundButton(bool over, Symbol symbol) {
  QImage canvas(kButtonSize, kButtonSize, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing, true);
  QRadialGradient face(QPointF(kButtonSize * 0.35, kButtonSize * 0.3), kButtonSize * 0.8);
  face.setColorAt(0, over ? kKnobLight : kKnobFace);
  face.setColorAt(1, over ? kSteel : kKnobShade);
  p.setBrush(face);
  p.setPen(QPen(kConsoleEdge, 1.5));
  p.drawEllipse(QRectF(1.5, 1.5, kButtonSize - 3, kButtonSize - 3));
  symbol(p, QRectF(0, 0, kButtonSize, kButtonSize), over);
  p.end();
  // Flattened onto green with a hard edge: a pixel is the button or green.
  QImage image = GreenCanvas(kButtonSize, kButtonSize);
  for (int y = 0; y < kButtonSize; ++y)
    for (int x = 0; x < kButtonSize; ++x) {
      const QColor c = QColor::fromRgba(canvas.pixel(x, y));
      if (c.alpha() >= 128) image.setPixel(x, y, qRgb(c.red(), c.green(), c.blue()));
    }
  return image;
}

QImage RecordFace(bool over) {
  return RoundButton(over, [](QPainter& p, const QRectF& box, bool hot) {
    p.setPen(Qt::NoPen);
    p.setBrush(hot ? kRecordRed.lighter(120) : kRecordRed);
    p.drawEllipse(box.center(), box.width() * 0.2, box.width() * 0.2);
  });
}

QImage StopFace(bool over) {
  return RoundButton(over, [](QPainter& p, const QRectF& box, bool hot) {
    p.setPen(Qt::NoPen);
    p.setBrush(hot ? kConsoleTop.lighter(130) : kConsoleBottom);
    const double side = box.width() * 0.34;
    p.drawRect(QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side));
  });
}

QImage PreviewFace(bool over) {
  return RoundButton(over, [](QPainter& p, const QRectF& box, bool hot) {
    p.setPen(Qt::NoPen);
    p.setBrush(hot ? kTeal.lighter(120) : kTeal.darker(110));
    const QPointF c = box.center();
    const double s = box.width() * 0.2;
    p.drawPolygon(QPolygonF({QPointF(c.x() - s * 0.8, c.y() - s), QPointF(c.x() - s * 0.8, c.y() + s),
                             QPointF(c.x() + s * 1.1, c.y())}));
  });
}

// Close: a small amber disc with a cross, on black (its transparent colour).
QImage CloseFace(bool over) {
  QImage canvas(kCloseSize, kCloseSize, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(over ? kAmber.lighter(115) : kAmber.darker(115));
  p.drawEllipse(QRectF(1, 1, kCloseSize - 2, kCloseSize - 2));
  p.setPen(QPen(kCloseCross, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(6.5, 6.5), QPointF(kCloseSize - 6.5, kCloseSize - 6.5));
  p.drawLine(QPointF(kCloseSize - 6.5, 6.5), QPointF(6.5, kCloseSize - 6.5));
  p.end();
  QImage image = GreenCanvas(kCloseSize, kCloseSize, qRgb(0, 0, 0));
  for (int y = 0; y < kCloseSize; ++y)
    for (int x = 0; x < kCloseSize; ++x) {
      const QColor c = QColor::fromRgba(canvas.pixel(x, y));
      if (c.alpha() >= 128) image.setPixel(x, y, qRgb(c.red(), c.green(), c.blue()));
    }
  return image;
}

// The dialog's icon: a red recording dot on a grey disc.
QImage RecordIcon() {
  QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(kConsoleBottom, 2));
  p.setBrush(kSteel);
  p.drawEllipse(QRectF(2, 2, 28, 28));
  p.setPen(Qt::NoPen);
  p.setBrush(kRecordRed);
  p.drawEllipse(QRectF(9, 9, 14, 14));
  return image;
}

}  // namespace

QRect LevelBarRect(bool right) { return QRect(52, right ? 62 : 44, 260, 12); }

QRect ButtonRect(int controlId) {
  switch (controlId) {
    case IDC_REMOTE_RECORD:
      return QRect(70, 88, kButtonSize, kButtonSize);
    case IDC_REMOTE_STOP:
      return QRect(160, 88, kButtonSize, kButtonSize);
    case IDC_REMOTE_PREVIEW:
      return QRect(250, 88, kButtonSize, kButtonSize);
    case IDC_REMOTE_CLOSE:
      return QRect(kSkinWidth - 50, 13, kCloseSize, kCloseSize);
    default:
      return {};
  }
}

QImage Picture(int resourceId) {
  switch (resourceId) {
    case IDB_REMOTE_SKIN:
      return Skin();
    case IDB_REMOTE_RECORD_OVER:
    case IDB_REMOTE_RECORD_AWAY:
      return RecordFace(resourceId == IDB_REMOTE_RECORD_OVER);
    case IDB_REMOTE_STOP_OVER:
    case IDB_REMOTE_STOP_AWAY:
      return StopFace(resourceId == IDB_REMOTE_STOP_OVER);
    case IDB_REMOTE_PREVIEW_OVER:
    case IDB_REMOTE_PREVIEW_AWAY:
      return PreviewFace(resourceId == IDB_REMOTE_PREVIEW_OVER);
    case IDB_REMOTE_CLOSE_OVER:
    case IDB_REMOTE_CLOSE_AWAY:
      return CloseFace(resourceId == IDB_REMOTE_CLOSE_OVER);
    case IDI_RECORD:
      return RecordIcon();
    default:
      return {};
  }
}

}  // namespace remote_artwork
