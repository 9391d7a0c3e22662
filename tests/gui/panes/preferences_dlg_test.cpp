// "Preferences": the six boxes show the settings record, OK writes them
// back, Cancel changes nothing.
#include <QCheckBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "core/model/settings_record.h"
#include "gui/panes/preferences_dlg.h"
#include "gui/base/resource_ids.h"
#include "gui/base/banner_widget.h"

namespace {

// The boxes in the record's byte order.
const int kBoxIds[SettingsRecord::kSize] = {IDC_PREF_COMMON_TASKS,      IDC_PREF_AUTO_ENVELOPE,
                                            IDC_PREF_FLASH_RECORD,      IDC_PREF_CLIPBOARD_ON_COPY,
                                            IDC_PREF_QUICK_SAVE,        IDC_PREF_ZOOM_TO_FIT};

QCheckBox* Box(const QWidget& dialog, int id) {
  QCheckBox* box = dialog.findChild<QCheckBox*>(ControlName(id));
  EXPECT_NE(box, nullptr) << "no box " << id;
  return box;
}

TEST(PreferencesDlg, ShowsTheTitleBannerAndBoxTexts) {
  SettingsRecord settings;
  CPreferencesDlg dialog(settings);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Preferences"));
  auto* banner = dialog.findChild<CBannerWidget*>();
  ASSERT_NE(banner, nullptr);
  EXPECT_EQ(banner->title(), QStringLiteral("Preferences"));
  EXPECT_EQ(banner->text(), QStringLiteral("You may change the functionality of the application here"));
  EXPECT_EQ(Box(dialog, IDC_PREF_QUICK_SAVE)->text(),
            QStringLiteral("Quick save in .wav format (use 44.1 kHz 16-bit Stereo when saving .wav files)"));
  EXPECT_EQ(Box(dialog, IDC_PREF_FLASH_RECORD)->text(),
            QStringLiteral("Flash Recording Studio window while recording"));
}

TEST(PreferencesDlg, OkWritesEveryBoxBackCancelWritesNothing) {
  // Given the default record (1, 1, 1, 0, 1, 1)
  SettingsRecord settings;
  const uint8_t defaults[] = {1, 1, 1, 0, 1, 1};
  {
    CPreferencesDlg dialog(settings);
    dialog.show();
    for (int i = 0; i < SettingsRecord::kSize; ++i) EXPECT_EQ(Box(dialog, kBoxIds[i])->isChecked(), defaults[i] != 0);
    // When every box is flipped and the dialog cancelled
    for (int id : kBoxIds) Box(dialog, id)->toggle();
    dialog.findChild<QPushButton*>(ControlName(IDCANCEL))->click();
  }
  // Then the record is untouched
  EXPECT_EQ(settings, SettingsRecord{});
  {
    // When every box is flipped and the dialog accepted
    CPreferencesDlg dialog(settings);
    dialog.show();
    for (int id : kBoxIds) Box(dialog, id)->toggle();
    dialog.findChild<QPushButton*>(ControlName(IDOK))->click();
  }
  // Then each flag is the other value, in its own byte
  const SettingsRecord flipped{0, 0, 0, 1, 0, 0};
  EXPECT_EQ(settings, flipped);
  {
    // And a dialog opened on that record shows it
    CPreferencesDlg dialog(settings);
    for (int i = 0; i < SettingsRecord::kSize; ++i) EXPECT_EQ(Box(dialog, kBoxIds[i])->isChecked(), defaults[i] == 0);
  }
}

}  // namespace
