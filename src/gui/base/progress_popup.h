// The progress window: a small top-most window with a text line, a bar and a
// Cancel button, whose title carries the percentage done ("Converting File
// [42%]"). Long operations create it, move it with SetPos while they pump
// events, and read IsCancelled in their loop. Cancel only hides the window;
// the caller ends the operation and destroys it. Its position is remembered
// in the settings under "Settings", "X" and "Y".
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

class CProgressPopup : public QWidget {
  Q_OBJECT

 public:
  // Shows the window at once, without taking the focus. Without an owner it
  // belongs to the program's main window.
  CProgressPopup(QWidget* owner, const QString& title, bool smooth = true);
  ~CProgressPopup() override;

  void SetRange(int lower, int upper, int step = 1);
  void SetText(const QString& text);
  // Moves the bar; shows the window again if Cancel had hidden it.
  void SetPos(int position);

  bool IsCancelled() const { return m_cancelled; }
  int lower() const { return m_lower; }
  int upper() const { return m_upper; }
  int step() const { return m_step; }
  int position() const { return m_position; }

  void SetRememberPosition(bool remember) { m_rememberPosition = remember; }

  // The percentage the title shows for `position` within lower..upper,
  // rounded half up; 0 for an empty range.
  static int Percentage(int position, int lower, int upper);

 signals:
  void cancelled();

 protected:
  // Closing the window from its frame counts as Cancel.
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnCancel();
  void LayOut();
  void PlaceWindow();
  void RememberPosition();

  QString m_title;
  QLabel* m_text;
  QProgressBar* m_bar;
  QPushButton* m_cancel;
  int m_lower = 0;
  int m_upper = 100;
  int m_step = 1;
  int m_position = 0;
  int m_shownPercentage = 0;
  bool m_cancelled = false;
  bool m_rememberPosition = true;
};
