// "Raw PCM Selections:": the questions asked before a headerless file is
// read as samples — the sample rate (typed or picked), the resolution and
// the channel count. The raw import asks them through RawPCMQuestions, so
// the model never sees the dialog.
#pragma once

#include <QDialog>

#include "core/model/raw_file.h"

class QButtonGroup;
class QComboBox;

class CRawPCMDlg : public QDialog, public RawPCMQuestions {
  Q_OBJECT

 public:
  explicit CRawPCMDlg(QWidget* parent = nullptr);

  // Runs the dialog modally; on OK fills `answers` and returns true.
  bool Ask(RawPCMAnswers* answers) override;

  // The answers as the controls stand, the rate text reduced to its digits.
  RawPCMAnswers Answers() const;

  // OK: refuses a rate outside 2,000 to 192,000 Hz with a message and stays open.
  void accept() override;

 private:
  void OnDefault();

  QComboBox* m_rate;
  QButtonGroup* m_resolution;
  QButtonGroup* m_channels;
};
