// CLEDPRogressCtrl: the level bar of the audio meter, "Recording Studio" and
// the recording remote. A progress bar painted as a run of colour bands from
// the low colour to the high colour, so a louder level reaches further into
// the warm end; it keeps its own range, step, position and colours.
#pragma once

#include <QColor>
#include <QWidget>

class CLEDPRogressCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit CLEDPRogressCtrl(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

  void SetRange(int lower, int upper);
  void SetPos(int position);
  void SetStep(int step) { m_step = step; }
  // Advances by the step, starting again from the lower bound past the
  // upper one, as a progress bar does.
  void StepIt();
  void SetColors(const QColor& low, const QColor& high, const QColor& background);

  int lower() const { return m_lower; }
  int upper() const { return m_upper; }
  int step() const { return m_step; }
  int GetPos() const { return m_position; }
  QColor lowColor() const { return m_low; }
  QColor highColor() const { return m_high; }
  QColor backgroundColor() const { return m_background; }
  Qt::Orientation orientation() const { return m_orientation; }

  // Band i of `bands` from the low colour to the high colour.
  static QColor BandColor(const QColor& low, const QColor& high, int i, int bands);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Qt::Orientation m_orientation;
  int m_lower = 0;
  int m_upper = 100;
  int m_step = 10;
  int m_position = 0;
  QColor m_low{0, 255, 0};
  QColor m_high{255, 255, 0};
  QColor m_background;
};
