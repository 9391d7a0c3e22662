// "Raw PCM Selections:": its defaults, the Default button, the sample-rate
// rule with its message, and the answers handed to the raw import.
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "core/model/raw_file.h"
#include "gui/panes/raw_pcm_dlg.h"
#include "gui/base/resource_ids.h"
#include "modal_dialog.h"

namespace {

using gui_test::AnswerMessageBox;
using gui_test::Control;

bool Checked(const QWidget& dialog, int id) { return Control<QRadioButton>(dialog, id)->isChecked(); }

TEST(RawPCMDlg, StartsAt44100Hz16BitStereoWithTheTenRates) {
  CRawPCMDlg dialog;
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Raw PCM Selections:"));
  auto* rate = Control<QComboBox>(dialog, IDC_RAW_RATE);
  QStringList items;
  for (int i = 0; i < rate->count(); ++i) items << rate->itemText(i);
  EXPECT_EQ(items, QStringList({"8,000", "11,025", "22,050", "32,000", "44,100", "48,000", "88,200", "96,000",
                                "176,400", "192,000"}));
  EXPECT_EQ(rate->currentText(), QStringLiteral("44,100"));
  EXPECT_TRUE(rate->isEditable());
  EXPECT_TRUE(Checked(dialog, IDC_RAW_16BIT));
  EXPECT_TRUE(Checked(dialog, IDC_RAW_STEREO));
  EXPECT_EQ(Control<QPushButton>(dialog, IDC_RAW_DEFAULT)->text(), QStringLiteral("Default"));
}

TEST(RawPCMDlg, DefaultButtonBringsBackTheWorkingFormat) {
  // Given a dialog with every answer changed
  CRawPCMDlg dialog;
  dialog.show();
  Control<QComboBox>(dialog, IDC_RAW_RATE)->setEditText(QStringLiteral("12,345"));
  Control<QRadioButton>(dialog, IDC_RAW_8BIT)->setChecked(true);
  Control<QRadioButton>(dialog, IDC_RAW_MONO)->setChecked(true);
  // When Default is pressed
  Control<QPushButton>(dialog, IDC_RAW_DEFAULT)->click();
  // Then the answers are 44,100 Hz, 16-bit, stereo again and the dialog stays open
  EXPECT_EQ(Control<QComboBox>(dialog, IDC_RAW_RATE)->currentText(), QStringLiteral("44,100"));
  EXPECT_TRUE(Checked(dialog, IDC_RAW_16BIT));
  EXPECT_TRUE(Checked(dialog, IDC_RAW_STEREO));
  EXPECT_TRUE(dialog.isVisible());
}

struct RateCase {
  const char* name;
  const char* typed;
  bool accepted;
};

class RawRateTest : public testing::TestWithParam<RateCase> {};

TEST_P(RawRateTest, OkAcceptsOnlyRatesFrom2000To192000) {
  // Given the dialog with a typed rate
  CRawPCMDlg dialog;
  dialog.show();
  Control<QComboBox>(dialog, IDC_RAW_RATE)->setEditText(QString::fromUtf8(GetParam().typed));
  // When OK is pressed
  const QString message = AnswerMessageBox([&] { Control<QPushButton>(dialog, IDOK)->click(); });
  // Then a refused rate shows the message and keeps the dialog open
  if (GetParam().accepted) {
    EXPECT_EQ(message, QString());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
  } else {
    EXPECT_EQ(message, QStringLiteral("Allowed sample rates range from 2,000 to 192,000 Hz"));
    EXPECT_TRUE(dialog.isVisible());
  }
}

INSTANTIATE_TEST_SUITE_P(RawPCMDlg, RawRateTest,
                         testing::Values(RateCase{"KiloNotationLeaves441", "44.1k", false},
                                         RateCase{"Highest", "192,000", true},
                                         RateCase{"Lowest", "2,000", true},
                                         RateCase{"AboveHighest", "192,001", false},
                                         RateCase{"BelowLowest", "1,999", false},
                                         RateCase{"Empty", "", false},
                                         RateCase{"BeyondThirtyTwoBits", "4,294,967,296,000", false},
                                         RateCase{"DigitsAmongLetters", "4a8b0c0d0", true}),
                         [](const testing::TestParamInfo<RateCase>& info) { return std::string(info.param.name); });

TEST(RawPCMDlg, AskHandsTheAnswersToTheImport) {
  // Given the dialog run by the raw import, answered with 48,000 Hz, 24-bit, stereo
  CRawPCMDlg dialog;
  QTimer::singleShot(0, &dialog, [&] {
    Control<QComboBox>(dialog, IDC_RAW_RATE)->setCurrentIndex(5);
    Control<QRadioButton>(dialog, IDC_RAW_24BIT)->setChecked(true);
    Control<QPushButton>(dialog, IDOK)->click();
  });
  RawPCMQuestions& questions = dialog;
  RawPCMAnswers answers;
  // When the import asks
  ASSERT_TRUE(questions.Ask(&answers));
  // Then it gets the digits of the rate and the chosen depth and channels
  EXPECT_EQ(answers.rateText, "48000");
  EXPECT_EQ(answers.bits, 24);
  EXPECT_EQ(answers.channels, 2);
  const WaveFormat format = ParseWaveFormat(RawFormatRecord(answers));
  EXPECT_EQ(format.blockAlign, 6);
  EXPECT_EQ(format.avgBytesPerSec, 288000u);
}

TEST(RawPCMDlg, CancelTellsTheImportTheUserCancelled) {
  CRawPCMDlg dialog;
  QTimer::singleShot(0, &dialog, [&] {
    Control<QRadioButton>(dialog, IDC_RAW_MONO)->setChecked(true);
    Control<QPushButton>(dialog, IDCANCEL)->click();
  });
  RawPCMAnswers answers;
  answers.channels = 7;
  EXPECT_FALSE(dialog.Ask(&answers));
  EXPECT_EQ(answers.channels, 7);
}

}  // namespace
