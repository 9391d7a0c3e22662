// The splash window shown while the program starts: a frameless, top-most
// window cut to the shape of the splash bitmap (every pixel that is not pure
// green), fading in when shown and out when closed, with one status line
// that start-up rewrites at each step.
#pragma once

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QWidget>

class QPropertyAnimation;

// The union of the runs of pixels, row by row, whose colour is not exactly
// `transparent`.
QRegion RegionOutsideColour(const QImage& image, QRgb transparent);

class CSplashWnd : public QWidget {
  Q_OBJECT

 public:
  explicit CSplashWnd(QWidget* parent = nullptr);

  // Centres the window on the screen and fades it in over 500 ms.
  void ShowSplash();
  // Shows `text` on the status line and repaints at once, so that the line
  // shows each start-up step while the step runs.
  void SetStatusText(const QString& text);
  const QString& statusText() const { return m_status; }
  // Fades out over 200 ms, then the window deletes itself.
  void CloseSplash();

  // The rectangle of the bitmap the status line is centred in.
  static QRect StatusRect() { return QRect(QPoint(220, 140), QPoint(440, 185)); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Clicks on the splash do nothing.
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage m_bitmap;
  QString m_status = QStringLiteral("Lauching application..");
  QPointer<QPropertyAnimation> m_fade;  // the fade-in while it runs
  bool m_closing = false;
};
