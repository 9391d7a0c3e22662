// The striped report list: stripes painted under the rows, grid lines over
// them, clicks reported with the row under the pointer.
#include "gui/base/wavedesk_list_ctrl.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

CWavedeskListCtrl::CWavedeskListCtrl(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setIconSize(QSize(16, 16));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The stripes are painted under the rows; the rows themselves stay clear.
  QPalette stripes = viewport()->palette();
  stripes.setColor(QPalette::Base, SecondStripeColor());
  viewport()->setPalette(stripes);
}

void CWavedeskListCtrl::SetColumns(std::initializer_list<Column> columns) {
  QStringList titles;
  for (const Column& column : columns) titles << QString::fromLatin1(column.title);
  setColumnCount(static_cast<int>(titles.size()));
  setHeaderLabels(titles);
  int index = 0;
  for (const Column& column : columns) setColumnWidth(index++, column.width);
}

void CWavedeskListCtrl::MeasureStripes() {
  // A row with an icon is as tall as the tallest row any of our lists shows.
  auto* probe = new QTreeWidgetItem(this, QStringList(QStringLiteral("Test")));
  QPixmap blank(iconSize());
  blank.fill(Qt::transparent);
  probe->setIcon(0, QIcon(blank));
  const int height = sizeHintForRow(indexOfTopLevelItem(probe));
  delete takeTopLevelItem(indexOfTopLevelItem(probe));
  m_stripeHeight = height > 0 ? height : 14;
}

void CWavedeskListCtrl::SetGridLines(bool on) {
  m_gridLines = on;
  viewport()->update();
}

void CWavedeskListCtrl::RowPitch(int* top, int* rowHeight) const {
  // Stripes and grid follow the rows as they scroll: the first row's top
  // decides where they start; without rows they start at the top.
  *rowHeight = m_stripeHeight;
  *top = 0;
  if (topLevelItemCount() > 0) {
    const QRect first = visualItemRect(topLevelItem(0));
    if (first.height() > 0) *rowHeight = first.height();
    *top = first.top();
  }
}

void CWavedeskListCtrl::paintEvent(QPaintEvent* event) {
  int rowHeight = 0;
  int top = 0;
  RowPitch(&top, &rowHeight);
  const int height = viewport()->height();
  const int width = viewport()->width();
  // The first row boundary at or above the viewport's top, and its index.
  int firstRow = 0;
  int firstY = std::min(top, 0);
  if (firstY < 0) {
    firstRow = (-firstY) / rowHeight;
    firstY += firstRow * rowHeight;
  }
  {
    QPainter p(viewport());
    int row = firstRow;
    for (int y = firstY; y < height; y += rowHeight, ++row)
      p.fillRect(0, y, width, rowHeight, row % 2 == 0 ? FirstStripeColor() : SecondStripeColor());
  }
  QTreeWidget::paintEvent(event);
  if (!m_gridLines) return;
  // Over the rows: each row's last pixel line and each column's last pixel
  // column, as far as the columns reach.
  QPainter p(viewport());
  p.setPen(GridLineColor());
  int right = 0;
  for (int column = 0; column < columnCount(); ++column) {
    if (header()->isSectionHidden(column)) continue;
    const int edge = header()->sectionViewportPosition(column) + header()->sectionSize(column) - 1;
    p.drawLine(edge, 0, edge, height - 1);
    right = std::max(right, edge);
  }
  for (int y = firstY + rowHeight - 1; y < height; y += rowHeight) p.drawLine(0, y, right, y);
}

int CWavedeskListCtrl::RowAt(const QPoint& viewportPos) const {
  QTreeWidgetItem* item = itemAt(viewportPos);
  return item != nullptr ? indexOfTopLevelItem(item) : -1;
}

void CWavedeskListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) emit clickedAt(RowAt(event->position().toPoint()));
}

void CWavedeskListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit doubleClickedAt(RowAt(event->position().toPoint()));
}

void CWavedeskListCtrl::contextMenuEvent(QContextMenuEvent* event) {
  // The scroll area hands the viewport's events on in viewport coordinates.
  emit rightClickedAt(RowAt(event->pos()), event->globalPos());
  event->accept();
}
