// The region is collected as runs, which are handed to QRegion a few
// thousand at a time: uniting rectangles one by one costs time quadratic in
// their number.
#include "gui/base/skin_region.h"

#include <QVector>
#include <cstdlib>

namespace {

constexpr int kRectanglesPerBatch = 3000;
// A channel within this distance of the transparent colour's counts as it:
// black is 0..16 and white 239..255 on every channel.
constexpr int kTolerance = 16;

bool InsideBox(QRgb pixel, QRgb key) {
  return std::abs(qRed(pixel) - qRed(key)) <= kTolerance && std::abs(qGreen(pixel) - qGreen(key)) <= kTolerance &&
         std::abs(qBlue(pixel) - qBlue(key)) <= kTolerance;
}

}  // namespace

QRegion CreateSkinRegion(const QImage& bitmap, QRgb transparent, bool inverted) {
  QRegion result;
  if (bitmap.isNull()) return result;
  const QImage pixels = bitmap.convertToFormat(QImage::Format_RGB32);
  QVector<QRect> batch;
  batch.reserve(kRectanglesPerBatch);
  auto flush = [&] {
    if (batch.isEmpty()) return;
    QRegion part;
    part.setRects(batch.constData(), static_cast<int>(batch.size()));
    result = result.united(part);
    batch.clear();
  };
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    int x = 0;
    while (x < pixels.width()) {
      // Kept pixels are those outside the box, or inside it when inverted.
      while (x < pixels.width() && InsideBox(row[x], transparent) != inverted) ++x;
      const int start = x;
      while (x < pixels.width() && InsideBox(row[x], transparent) == inverted) ++x;
      if (x > start) {
        batch.append(QRect(start, y, x - start, 1));
        if (batch.size() == kRectanglesPerBatch) flush();
      }
    }
  }
  flush();
  return result;
}
