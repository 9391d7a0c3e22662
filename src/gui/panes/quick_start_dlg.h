// "Common Tasks": four large task buttons and the "Show this at startup"
// box, offered at start-up and from the Help menu. A task button ends the
// dialog with OK and the caller carries the task out; "Close" ends it with
// Cancel. The caller reads the box in either case.
#pragma once

#include <QDialog>

class QCheckBox;

// The chosen task, numbered as the caller's switch expects them.
enum CommonTask : int {
  kNoCommonTask = -1,
  kTaskBeginRecording = 0,
  kTaskOpenExistingFile = 1,
  kTaskCreateBlankFile = 2,
  kTaskGenerateTone = 3,
};

class CQuickStartDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CQuickStartDlg(bool showAtStartup, QWidget* parent = nullptr);

  // kNoCommonTask unless a task button ended the dialog.
  int task() const { return m_task; }
  bool showAtStartup() const;

 private:
  QCheckBox* m_showAtStartup;
  int m_task = kNoCommonTask;
};
