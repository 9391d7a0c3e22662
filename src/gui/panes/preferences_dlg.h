// "Preferences": six check boxes over the settings record. OK writes every
// box back into the record; Cancel leaves it as it was. The record is stored
// when the main window closes, not here.
#pragma once

#include <QDialog>

#include "core/model/settings_record.h"

class QCheckBox;

class CPreferencesDlg : public QDialog {
  Q_OBJECT

 public:
  // The boxes start from `settings`, which must outlive the dialog.
  explicit CPreferencesDlg(SettingsRecord& settings, QWidget* parent = nullptr);

  void accept() override;

 private:
  SettingsRecord& m_settings;
  QCheckBox* m_boxes[SettingsRecord::kSize];
};
