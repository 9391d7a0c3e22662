// The report-style list of the side panel's four tabs: a tree widget without
// a tree, columns from a table, whole-row selection, and a background of
// alternating stripes (a grey row, a white row, ...) that carries on below
// the last row, with grid lines over it where a list asks for them. Mouse
// clicks are reported with the row under the pointer, -1 below the last row,
// because the side panel acts on clicks in empty space too.
#pragma once

#include <QTreeWidget>

class CWavedeskListCtrl : public QTreeWidget {
  Q_OBJECT

 public:
  struct Column {
    const char* title;
    int width;
  };

  explicit CWavedeskListCtrl(QWidget* parent = nullptr);

  void SetColumns(std::initializer_list<Column> columns);
  // Measures the row height that the stripes follow. Call it once the
  // columns, the font and the icon size are set.
  void MeasureStripes();
  int stripeHeight() const { return m_stripeHeight; }
  // Lines between the rows and between the columns, over the whole list,
  // rows that are not there yet included (like the stripes).
  void SetGridLines(bool on);

  // The colours of the first and the second stripe.
  static QColor FirstStripeColor() { return QColor(238, 238, 238); }
  static QColor SecondStripeColor() { return QColor(255, 255, 255); }
  static QColor GridLineColor() { return QColor(208, 208, 208); }

 signals:
  // A left click that ended on `row` (-1: below the last row).
  void clickedAt(int row);
  void rightClickedAt(int row, const QPoint& globalPos);
  void doubleClickedAt(int row);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  int RowAt(const QPoint& viewportPos) const;
  // Where the row pitch starts and how tall a row is, as painted now.
  void RowPitch(int* top, int* rowHeight) const;

  int m_stripeHeight = 14;
  bool m_gridLines = false;
};
