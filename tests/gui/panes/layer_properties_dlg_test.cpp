// The layer properties dialog on its own: its banner, the values it hands
// back after OK, and its two colour pickers with their "Default" entry and
// the colour dialog whose sixteen custom colours live in the settings
// section "ColorPicker".
#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "core/model/sound_layer.h"
#include "gui/base/resource_ids.h"
#include "gui/panes/layer_properties_dlg.h"
#include "modal_dialog.h"
#include "gui/base/banner_widget.h"
#include "gui/base/color_picker_button.h"
#include "test_support.h"

namespace {

constexpr uint32_t kGreyish = 0x00405060;   // RGB(0x60, 0x50, 0x40)
constexpr uint32_t kPurplish = 0x00802040;  // RGB(0x40, 0x20, 0x80)

class LayerPropertiesDlgTest : public testing::Test {
 protected:
  // A profile of each test's own: the tests run in parallel processes, and
  // one test's clean-up must not wipe the colours another has just stored.
  test_support::TemporaryFolder m_profile;

  LayerPropertiesDlgTest() : dialog(QStringLiteral("Layer 3"), kGreyish, kPurplish, 1) {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvo Labs"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarvo Wavedesk 2.0 tests"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(m_profile.path().string()));
    QSettings().remove(QStringLiteral("ColorPicker"));
  }
  ~LayerPropertiesDlgTest() override { QSettings().remove(QStringLiteral("ColorPicker")); }

  template <typename T>
  T* Control(int id) {
    T* control = dialog.findChild<T*>(ControlName(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
  }
  CColorPickerButton* Picker(int id) { return Control<CColorPickerButton>(id); }
  QAction* MenuEntry(CColorPickerButton* picker, const char* objectName) {
    return picker->menu()->findChild<QAction*>(QString::fromLatin1(objectName));
  }

  CLayerPropertiesDlg dialog;
};

TEST_F(LayerPropertiesDlgTest, ShowsTheLayerUnderItsBanner) {
  auto* banner = dialog.findChild<CBannerWidget*>();
  ASSERT_NE(banner, nullptr);
  EXPECT_EQ(banner->title(), QStringLiteral("Layer Properties"));
  EXPECT_EQ(banner->text(), QStringLiteral("You may change the functionality and appearance of this layer"));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Layer Properties"));
  EXPECT_EQ(Control<QLineEdit>(IDC_LAYER_NAME)->text(), QStringLiteral("Layer 3"));
  EXPECT_TRUE(Control<QCheckBox>(IDC_LAYER_ENVELOPE_ON)->isChecked());
  EXPECT_EQ(ColorValue(Picker(IDC_LAYER_WAVE_COLOR)->color()), kGreyish);
  EXPECT_EQ(ColorValue(Picker(IDC_LAYER_ENVELOPE_COLOR)->color()), kPurplish);
  for (int id : {IDC_LAYER_WAVE_COLOR, IDC_LAYER_ENVELOPE_COLOR}) {
    EXPECT_EQ(MenuEntry(Picker(id), "DefaultColor")->text(), QStringLiteral("Default"));
    EXPECT_EQ(MenuEntry(Picker(id), "CustomColor")->text(), QStringLiteral("Select Custom Color..."));
    EXPECT_EQ(Picker(id)->pickerName(), QStringLiteral("ColorPicker"));
  }
}

TEST_F(LayerPropertiesDlgTest, OkHandsBackWhatTheUserChose) {
  dialog.show();
  // Given an empty name, the envelope switched off, the wave colour set to
  // its default and the envelope colour picked from the named colours
  Control<QLineEdit>(IDC_LAYER_NAME)->clear();
  Control<QCheckBox>(IDC_LAYER_ENVELOPE_ON)->setChecked(false);
  MenuEntry(Picker(IDC_LAYER_WAVE_COLOR), "DefaultColor")->trigger();
  auto* red = Picker(IDC_LAYER_ENVELOPE_COLOR)->menu()->findChild<QToolButton*>(QStringLiteral("Red"));
  ASSERT_NE(red, nullptr);
  red->click();
  // When OK is clicked
  QTest::mouseClick(Control<QPushButton>(IDOK), Qt::LeftButton);
  // Then
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.layerName(), QString());
  EXPECT_EQ(dialog.envelopeOn(), 0);
  EXPECT_EQ(dialog.waveColor(), kDefaultWaveColor);
  EXPECT_EQ(dialog.envelopeColor(), MakeColorValue(255, 0, 0));
}

TEST_F(LayerPropertiesDlgTest, CancelHandsBackTheValuesItWasGiven) {
  dialog.show();
  Control<QLineEdit>(IDC_LAYER_NAME)->setText(QStringLiteral("Other"));
  MenuEntry(Picker(IDC_LAYER_ENVELOPE_COLOR), "DefaultColor")->trigger();
  QTest::mouseClick(Control<QPushButton>(IDCANCEL), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.layerName(), QStringLiteral("Layer 3"));
  EXPECT_EQ(dialog.envelopeOn(), 1);
  EXPECT_EQ(dialog.waveColor(), kGreyish);
  EXPECT_EQ(dialog.envelopeColor(), kPurplish);
}

TEST_F(LayerPropertiesDlgTest, TheEnvelopePickersDefaultIsTheLayersEnvelopeColour) {
  MenuEntry(Picker(IDC_LAYER_ENVELOPE_COLOR), "DefaultColor")->trigger();
  EXPECT_EQ(ColorValue(Picker(IDC_LAYER_ENVELOPE_COLOR)->color()), kDefaultEnvelopeColor);
}

TEST_F(LayerPropertiesDlgTest, TheColourDialogKeepsItsCustomColoursInTheSettings) {
  // Given custom colour 3 stored as blue (0x00BBGGRR) and the others absent
  QSettings().setValue(QStringLiteral("ColorPicker/CUSTOM_COLOR_3"), 0x00FF0000u);
  QColor seenThree, seenFour;
  // When the custom entry runs the colour dialog, in which the user stores
  // green as custom colour 5 and picks orange
  gui_test::WhenModalShows([&](QWidget* modal) {
    auto* colorDialog = qobject_cast<QColorDialog*>(modal);
    ASSERT_NE(colorDialog, nullptr);
    seenThree = QColorDialog::customColor(3);
    seenFour = QColorDialog::customColor(4);
    QColorDialog::setCustomColor(5, QColor(0, 255, 0));
    colorDialog->setCurrentColor(QColor(255, 128, 0));
    colorDialog->accept();
  });
  MenuEntry(Picker(IDC_LAYER_WAVE_COLOR), "CustomColor")->trigger();
  // Then the dialog started from the stored colours (white where none was),
  // the picker took the chosen colour, and the custom colours were saved
  EXPECT_EQ(seenThree, QColor(0, 0, 255));
  EXPECT_EQ(seenFour, QColor(Qt::white));
  EXPECT_EQ(ColorValue(Picker(IDC_LAYER_WAVE_COLOR)->color()), MakeColorValue(255, 128, 0));
  QSettings settings;
  EXPECT_EQ(settings.value(QStringLiteral("ColorPicker/CUSTOM_COLOR_5")).toUInt(), 0x0000FF00u);
  EXPECT_EQ(settings.value(QStringLiteral("ColorPicker/CUSTOM_COLOR_3")).toUInt(), 0x00FF0000u);
  EXPECT_EQ(settings.value(QStringLiteral("ColorPicker/CUSTOM_COLOR_15")).toUInt(), 0x00FFFFFFu);
}

TEST_F(LayerPropertiesDlgTest, CancellingTheColourDialogKeepsTheColour) {
  gui_test::WhenModalShows([](QWidget* modal) {
    qobject_cast<QColorDialog*>(modal)->setCurrentColor(Qt::yellow);
    qobject_cast<QColorDialog*>(modal)->reject();
  });
  MenuEntry(Picker(IDC_LAYER_ENVELOPE_COLOR), "CustomColor")->trigger();
  EXPECT_EQ(ColorValue(Picker(IDC_LAYER_ENVELOPE_COLOR)->color()), kPurplish);
}

}  // namespace
