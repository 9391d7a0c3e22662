// CSkinButton: the remote's picture button. It shows one picture while the
// mouse is over it and another while it is away, leaves the picture's
// transparent colour unpainted (the skin shows through), carries a tool-tip
// and reports a click like any push button.
#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QRgb>

class CSkinButton : public QAbstractButton {
  Q_OBJECT

 public:
  CSkinButton(const QImage& over, const QImage& away, QRgb transparent, QWidget* parent = nullptr);

  QSize sizeHint() const override { return m_away.size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QPixmap m_over;
  QPixmap m_away;
  bool m_hovered = false;
};
