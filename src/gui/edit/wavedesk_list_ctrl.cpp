// The striped report list: stripes painted under the rows, clicks reported
// with the row under the pointer.
#include "gui/edit/wavedesk_list_ctrl.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

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

void CWavedeskListCtrl::paintEvent(QPaintEvent* event) {
  {
    // Stripes follow the rows as they scroll: the first row's top decides
    // where they start; without rows they start at the top.
    int rowHeight = m_stripeHeight;
    int top = 0;
    if (topLevelItemCount() > 0) {
      const QRect first = visualItemRect(topLevelItem(0));
      if (first.height() > 0) rowHeight = first.height();
      top = first.top();
    }
    QPainter p(viewport());
    const int height = viewport()->height();
    const int width = viewport()->width();
    int row = 0;
    int y = qMin(top, 0);
    if (y < 0) {
      row = (-y) / rowHeight;
      y += row * rowHeight;
    }
    for (; y < height; y += rowHeight, ++row)
      p.fillRect(0, y, width, rowHeight, row % 2 == 0 ? FirstStripeColor() : SecondStripeColor());
  }
  QTreeWidget::paintEvent(event);
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
