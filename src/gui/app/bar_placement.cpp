// The record is 20 bytes, little-endian: its own length, a flags word (0),
// the show state (5 shown, 0 hidden, the values the desktop's placement
// records use), then the width and the height.
#include "gui/app/bar_placement.h"

#include <QDataStream>
#include <QDockWidget>
#include <QIODevice>
#include <QMainWindow>

#include "gui/base/restorable_bar.h"

namespace {

constexpr quint32 kRecordLength = 20;
constexpr quint32 kShown = 5;
constexpr quint32 kHidden = 0;
// Sizes outside this range are not a bar's.
constexpr qint32 kLargestSide = 100000;

}  // namespace

QByteArray BarPlacementBytes(const QWidget& bar) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setByteOrder(QDataStream::LittleEndian);
  QSize size = bar.size();
  // A bar that has not been on screen yet keeps the size it was given
  // (0 x 0 when none, which reads back as unknown).
  if (const auto* restorable = dynamic_cast<const RestorableBar*>(&bar)) size = restorable->RememberedSize();
  if (!size.isValid()) size = QSize(0, 0);
  out << kRecordLength << quint32{0} << (bar.isHidden() ? kHidden : kShown) << qint32(size.width())
      << qint32(size.height());
  return bytes;
}

std::optional<BarPlacement> ReadBarPlacement(const QByteArray& bytes) {
  if (bytes.size() != static_cast<qsizetype>(kRecordLength)) return std::nullopt;
  QDataStream in(bytes);
  in.setByteOrder(QDataStream::LittleEndian);
  quint32 length = 0;
  quint32 flags = 0;
  quint32 show = 0;
  qint32 width = 0;
  qint32 height = 0;
  in >> length >> flags >> show >> width >> height;
  if (in.status() != QDataStream::Ok || length != kRecordLength || (show != kShown && show != kHidden))
    return std::nullopt;
  BarPlacement placement;
  placement.shown = show == kShown;
  if (width > 0 && height > 0 && width < kLargestSide && height < kLargestSide) placement.size = QSize(width, height);
  return placement;
}

void ApplyBarPlacement(QMainWindow& frame, QWidget& bar, const BarPlacement& placement) {
  bar.setVisible(placement.shown);
  if (auto* restorable = dynamic_cast<RestorableBar*>(&bar)) {
    if (placement.size.isValid()) restorable->RestoreSize(placement.size);
    return;
  }
  auto* dock = qobject_cast<QDockWidget*>(&bar);
  if (dock == nullptr || !placement.size.isValid()) return;
  const Qt::DockWidgetArea area = frame.dockWidgetArea(dock);
  if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
    frame.resizeDocks({dock}, {placement.size.width()}, Qt::Horizontal);
  else
    frame.resizeDocks({dock}, {placement.size.height()}, Qt::Vertical);
}
