// The two generator dialogs: "New Wave Generation..." (CDialogNew) and "New
// Layer Generation" (CNewLayerDlg) — their defaults, the length and name
// validation, and which values survive OK, Cancel and a blank file.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "gui/base/resource_ids.h"
#include "modal_dialog.h"
#include "gui/panes/dialog_new.h"
#include "gui/panes/new_layer_dlg.h"

namespace {

using gui_test::AnswerMessageBox;
using gui_test::Control;

int Slider(const QWidget& dialog, int id) { return Control<QSlider>(dialog, id)->value(); }

TEST(DialogNew, StartsWithATwoSecondSine) {
  CDialogNew dialog;
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New Wave Generation..."));
  auto* function = Control<QComboBox>(dialog, IDC_GEN_FUNCTION_NEW);
  QStringList functions;
  for (int i = 0; i < function->count(); ++i) functions << function->itemText(i);
  EXPECT_EQ(functions, QStringList({"Silence", "Sine/Cosine Wave", "Ramp Wave", "Saw Wave", "Square Wave",
                                    "Triangle Wave", "Noise"}));
  EXPECT_EQ(function->currentIndex(), 1);
  EXPECT_EQ(Control<QLineEdit>(dialog, IDC_GEN_LENGTH_NEW)->text(), QStringLiteral("40000"));
  EXPECT_EQ(Control<QLineEdit>(dialog, IDC_GEN_NAME)->text(), QStringLiteral("Untitled.wav"));
  EXPECT_EQ(Slider(dialog, IDC_GEN_INTENSITY), 80);
  EXPECT_EQ(Slider(dialog, IDC_GEN_DECAY), 0);
  EXPECT_EQ(Slider(dialog, IDC_GEN_MODULATION), 0);
  EXPECT_EQ(Slider(dialog, IDC_GEN_PERIOD), 5);
  EXPECT_EQ(Slider(dialog, IDC_GEN_SHIFT), 0);
  EXPECT_EQ(Slider(dialog, IDC_GEN_DISTORTION), 0);
  const GeneratorParameters p = dialog.Parameters();
  EXPECT_EQ(p.functionType, kGenerateSine);
  EXPECT_EQ(p.length, 40000);
  EXPECT_EQ(p.intensity, 80);
  EXPECT_EQ(p.period, 5);
}

TEST(NewLayerDlg, StartsWithASineAtThreeQuartersAndNoName) {
  CNewLayerDlg dialog;
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New Layer Generation"));
  EXPECT_EQ(Control<QComboBox>(dialog, IDC_GEN_FUNCTION_LAYER)->currentText(), QStringLiteral("Sine/Cosine Wave"));
  EXPECT_EQ(Control<QLineEdit>(dialog, IDC_GEN_LENGTH_LAYER)->text(), QStringLiteral("40000"));
  EXPECT_EQ(Control<QLineEdit>(dialog, IDC_GEN_NAME)->text(), QString());
  EXPECT_EQ(Slider(dialog, IDC_GEN_INTENSITY), 75);
  EXPECT_EQ(Slider(dialog, IDC_GEN_PERIOD), 5);
  EXPECT_EQ(dialog.Parameters().intensity, 75);
}

struct ValidationCase {
  const char* name;
  bool layerDialog;
  int field;            // the box the text goes into
  const char* text;
  const char* message;  // empty when OK is taken
  int32_t length;       // the length handed to the generator after OK
};

class GeneratorValidationTest : public testing::TestWithParam<ValidationCase> {};

TEST_P(GeneratorValidationTest, OkTakesOnlyWhatTheBoxesAllow) {
  const ValidationCase& c = GetParam();
  // Given one of the dialogs with a text typed into one box
  std::unique_ptr<QDialog> dialog;
  if (c.layerDialog) {
    dialog = std::make_unique<CNewLayerDlg>();
  } else {
    dialog = std::make_unique<CDialogNew>();
  }
  dialog->show();
  Control<QLineEdit>(*dialog, c.field)->setText(QString::fromUtf8(c.text));
  // When OK is pressed
  const QString message = AnswerMessageBox([&] { Control<QPushButton>(*dialog, IDOK)->click(); });
  // Then a refusal shows its message and leaves the dialog open; otherwise
  // the dialog closes with the length the generator will use
  EXPECT_EQ(message, QString::fromUtf8(c.message));
  EXPECT_EQ(dialog->isVisible(), *c.message != '\0');
  if (*c.message == '\0') {
    const GeneratorParameters p = c.layerDialog ? static_cast<CNewLayerDlg&>(*dialog).Parameters()
                                                : static_cast<CDialogNew&>(*dialog).Parameters();
    EXPECT_EQ(p.length, c.length);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Generator, GeneratorValidationTest,
    testing::Values(
        ValidationCase{"NewWaveLengthNotANumber", false, IDC_GEN_LENGTH_NEW, "long", "Please enter a number.", 0},
        ValidationCase{"NewWaveLengthWithGroupSeparator", false, IDC_GEN_LENGTH_NEW, "40,000",
                       "Please enter a number.", 0},
        ValidationCase{"NewWaveLengthEmpty", false, IDC_GEN_LENGTH_NEW, "", "Please enter a number.", 0},
        ValidationCase{"NewWaveFractionTruncated", false, IDC_GEN_LENGTH_NEW, " 1234.9 ", "", 1234},
        ValidationCase{"NewWaveExponent", false, IDC_GEN_LENGTH_NEW, "1e3", "", 1000},
        ValidationCase{"NewWaveNegativeLengthIsEmpty", false, IDC_GEN_LENGTH_NEW, "-500", "", 0},
        ValidationCase{"NewWaveHugeLengthHeldToInt32", false, IDC_GEN_LENGTH_NEW, "1e30", "", INT32_MAX},
        // The name box holds 20 characters at most: a longer text is cut
        // there, and OK takes it.
        ValidationCase{"NewWaveName21Characters", false, IDC_GEN_NAME, "abcdefghijklmnopq.wav", "", 40000},
        ValidationCase{"NewWaveName20Characters", false, IDC_GEN_NAME, "abcdefghijklmnop.wav", "", 40000},
        ValidationCase{"LayerLengthFraction", true, IDC_GEN_LENGTH_LAYER, "12.5", "Please enter an integer.", 0},
        ValidationCase{"LayerLengthNotANumber", true, IDC_GEN_LENGTH_LAYER, "x", "Please enter an integer.", 0},
        ValidationCase{"LayerLengthBeyondInt32", true, IDC_GEN_LENGTH_LAYER, "2147483648",
                       "Please enter an integer.", 0},
        ValidationCase{"LayerLengthWithBlanks", true, IDC_GEN_LENGTH_LAYER, " 300 ", "", 300},
        ValidationCase{"LayerNegativeLengthIsEmpty", true, IDC_GEN_LENGTH_LAYER, "-3", "", 0},
        ValidationCase{"LayerNameUnlimited", true, IDC_GEN_NAME, "a layer name far longer than twenty", "",
                       40000}),
    [](const testing::TestParamInfo<ValidationCase>& info) { return std::string(info.param.name); });

TEST(GeneratorDialogs, OnlyTheNewWaveNameStopsAtTwentyCharactersWhileTyping) {
  const QString typed = QStringLiteral("a name of twenty-five chr");
  // Given the new-wave dialog with its name box emptied
  CDialogNew newWave;
  newWave.show();
  auto* name = Control<QLineEdit>(newWave, IDC_GEN_NAME);
  name->clear();
  // When 25 characters are typed, then the box holds the first 20
  QTest::keyClicks(name, typed);
  EXPECT_EQ(name->text(), typed.left(20));
  // And OK takes them without a word
  EXPECT_EQ(AnswerMessageBox([&] { Control<QPushButton>(newWave, IDOK)->click(); }), QString());
  EXPECT_EQ(newWave.name(), typed.left(20));
  // The layer dialog's name has no limit
  CNewLayerDlg layer;
  layer.show();
  auto* layerName = Control<QLineEdit>(layer, IDC_GEN_NAME);
  layerName->clear();
  QTest::keyClicks(layerName, typed);
  EXPECT_EQ(layerName->text(), typed);
}

TEST(DialogNew, OkKeepsTheValuesCancelPutsThemBack) {
  // Given a dialog accepted once with a square wave of period 9
  CDialogNew dialog;
  dialog.show();
  Control<QComboBox>(dialog, IDC_GEN_FUNCTION_NEW)->setCurrentIndex(kGenerateSquare);
  Control<QSlider>(dialog, IDC_GEN_PERIOD)->setValue(9);
  Control<QPushButton>(dialog, IDOK)->click();
  // When it is opened again, changed and cancelled
  dialog.show();
  Control<QSlider>(dialog, IDC_GEN_PERIOD)->setValue(3);
  Control<QLineEdit>(dialog, IDC_GEN_LENGTH_NEW)->setText(QStringLiteral("7"));
  Control<QPushButton>(dialog, IDCANCEL)->click();
  // Then the values of the last OK remain, in the members and the controls
  EXPECT_EQ(dialog.Parameters().functionType, kGenerateSquare);
  EXPECT_EQ(dialog.Parameters().period, 9);
  EXPECT_EQ(dialog.Parameters().length, 40000);
  EXPECT_EQ(Slider(dialog, IDC_GEN_PERIOD), 9);
  EXPECT_EQ(Control<QLineEdit>(dialog, IDC_GEN_LENGTH_NEW)->text(), QStringLiteral("40000"));
}

TEST(DialogNew, BlankFileDefaultsSelectSilence) {
  // Given a dialog whose last OK chose noise at intensity 30
  CDialogNew dialog;
  dialog.show();
  Control<QComboBox>(dialog, IDC_GEN_FUNCTION_NEW)->setCurrentIndex(kGenerateNoise);
  Control<QSlider>(dialog, IDC_GEN_INTENSITY)->setValue(30);
  Control<QPushButton>(dialog, IDOK)->click();
  // When a blank file resets it
  dialog.SetBlankDefaults();
  // Then the next opening offers silence with the construction values
  const GeneratorParameters p = dialog.Parameters();
  EXPECT_EQ(p.functionType, kGenerateSilence);
  EXPECT_EQ(p.length, 40000);
  EXPECT_EQ(p.intensity, 80);
  EXPECT_EQ(p.period, 5);
  dialog.show();
  EXPECT_EQ(Control<QComboBox>(dialog, IDC_GEN_FUNCTION_NEW)->currentText(), QStringLiteral("Silence"));
}

TEST(NewLayerDlg, OpensWithTheFirstEightCharactersOfTheNameSelected) {
  CNewLayerDlg dialog;
  dialog.SetLayerName(QStringLiteral("Layer 12 (tone)"));
  dialog.show();
  dialog.activateWindow();
  QApplication::processEvents();
  auto* name = Control<QLineEdit>(dialog, IDC_GEN_NAME);
  EXPECT_EQ(name->selectedText(), QStringLiteral("Layer 12"));
  EXPECT_EQ(dialog.focusWidget(), name);
  Control<QPushButton>(dialog, IDOK)->click();
  EXPECT_EQ(dialog.layerName(), QStringLiteral("Layer 12 (tone)"));
}

}  // namespace
