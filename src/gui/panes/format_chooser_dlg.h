// "Select Format": the chooser shown when a sound is saved as a wave file
// and quick save is off. It lists what the converter can encode, a format
// tag first and then its attributes (rate, depth or bit rate, channels), and
// hands back the complete format record the file will carry. Cancel aborts
// the save.
#pragma once

#include <QDialog>

#include "core/model/wave_format.h"

class QComboBox;

class CFormatChooserDlg : public QDialog {
  Q_OBJECT

 public:
  // Starts at the catalogue entry whose format equals `initial`, else at
  // the working format.
  explicit CFormatChooserDlg(const FormatRecord& initial, QWidget* parent = nullptr);

  // The record of the entry the attribute list shows.
  FormatRecord chosenRecord() const;

  // Runs the chooser modally. On OK replaces `*record` and returns true; on
  // Cancel leaves it alone and returns false.
  static bool ChooseFormat(QWidget* parent, FormatRecord* record);

 private:
  void FillAttributes(int formatTagIndex, int selectEntry);

  QComboBox* m_formatTag;
  QComboBox* m_attributes;
};
