// CRemoteDlg: the recording remote. A small always-on-top window cut to the
// shape of its skin, with Record, Stop and Preview buttons that drive the
// record dialog and two level bars the meter tick keeps up to date. It has
// no title bar: it is dragged from anywhere that is not a button, and its
// edges stick to the screen's work area when they come within 15 pixels.
#pragma once

#include <functional>

#include <QDialog>
#include <QImage>
#include <QPoint>

class CLEDPRogressCtrl;
class CSkinButton;

class CRemoteDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kSnapDistance = 15;

  // What the remote's buttons do, and whether a recording runs: handed in
  // by the dialog that opens the remote, which the remote knows no more of.
  struct Controls {
    std::function<void()> record;
    std::function<void()> stop;
    std::function<void()> preview;
    std::function<bool()> isRecording;
  };

  explicit CRemoteDlg(Controls controls);

  // Shows the remote modally; returns when it is closed.
  int Run();
  // The level bars, while the window exists.
  void SetLevels(int left, int right);
  // The bars' colours: red to amber while recording, blue to azure idle.
  void SetScheme(bool recording);

  CLEDPRogressCtrl* leftBar() const { return m_left; }
  CLEDPRogressCtrl* rightBar() const { return m_right; }

  // `window` moved so that each edge within `distance` pixels of the same
  // edge of `workArea` lies on it, in the order left, right, top, bottom.
  static QRect SnapToWorkArea(const QRect& window, const QRect& workArea, int distance = kSnapDistance);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnInitDialog();
  // Moves the window to `topLeft`, snapped to its screen's work area.
  void MoveSnapped(const QPoint& topLeft);

  Controls m_controls;
  QImage m_skin;
  CLEDPRogressCtrl* m_left;
  CLEDPRogressCtrl* m_right;
  CSkinButton* m_record;
  CSkinButton* m_stop;
  CSkinButton* m_preview;
  CSkinButton* m_close;
  bool m_dragging = false;
  QPoint m_dragOffset;
};
