// The progress window: the percentage in its title, Cancel, the layout of
// its three controls, and the position it keeps in the settings.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

#include "gui/base/progress_popup.h"
#include "gui/base/resource_ids.h"

namespace {

class ProgressPopupTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_settingsDir = std::make_unique<QTemporaryDir>();
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvo Labs"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarvo Wavedesk 2.0"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, s_settingsDir->path());
  }
  static void TearDownTestSuite() { s_settingsDir.reset(); }
  void SetUp() override { QSettings().clear(); }

  static std::unique_ptr<QTemporaryDir> s_settingsDir;
};
std::unique_ptr<QTemporaryDir> ProgressPopupTest::s_settingsDir;

struct TitleCase {
  const char* name;
  int lower;
  int upper;
  std::vector<int> positions;
  const char* title;
};

class ProgressTitleTest : public ProgressPopupTest, public testing::WithParamInterface<TitleCase> {};

TEST_P(ProgressTitleTest, TitleCarriesTheRoundedPercentageOnceItLeavesZero) {
  // Given a window titled "Converting File" over a range
  CProgressPopup popup(nullptr, QStringLiteral("Converting File"));
  popup.SetRange(GetParam().lower, GetParam().upper);
  // When the positions are set in turn
  for (int position : GetParam().positions) popup.SetPos(position);
  // Then the title shows the percentage of the last change
  EXPECT_EQ(popup.windowTitle(), QString::fromLatin1(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(
    Progress, ProgressTitleTest,
    testing::Values(TitleCase{"ZeroKeepsTheBareTitle", 0, 100, {0}, "Converting File"},
                    TitleCase{"OnePercent", 0, 100, {1}, "Converting File [1%]"},
                    TitleCase{"BelowHalfAPercentRoundsDown", 0, 1000, {4}, "Converting File"},
                    TitleCase{"HalfAPercentRoundsUp", 0, 1000, {5}, "Converting File [1%]"},
                    TitleCase{"OffsetRange", 200, 300, {250}, "Converting File [50%]"},
                    TitleCase{"Done", 0, 7, {7}, "Converting File [100%]"},
                    TitleCase{"BackToZeroShowsZero", 0, 100, {50, 0}, "Converting File [0%]"},
                    TitleCase{"EmptyRangeNeverShowsAPercentage", 50, 50, {0, 50, 100}, "Converting File"},
                    TitleCase{"RangeBeyond21MillionDoesNotOverflow", 0, 2000000000, {1000000000},
                              "Converting File [50%]"}),
    [](const testing::TestParamInfo<TitleCase>& info) { return std::string(info.param.name); });

TEST_F(ProgressPopupTest, GrowingPositionChangesTheTitleAtMostAHundredTimes) {
  CProgressPopup popup(nullptr, QStringLiteral("Converting File"));
  popup.SetRange(0, 100000);
  QSignalSpy titles(&popup, &QWidget::windowTitleChanged);
  for (int position = 0; position <= 100000; ++position) popup.SetPos(position);
  EXPECT_EQ(titles.count(), 100);
  EXPECT_EQ(popup.windowTitle(), QStringLiteral("Converting File [100%]"));
}

TEST_F(ProgressPopupTest, LaysOutTextBarAndCancelFromTheFont) {
  CProgressPopup popup(nullptr, QStringLiteral("Converting File"));
  popup.SetText(QStringLiteral("Converting..."));
  const QRect text = popup.findChild<QLabel*>(ControlName(IDC_PROGRESS_TEXT))->geometry();
  const QRect bar = popup.findChild<QProgressBar*>(ControlName(IDC_PROGRESS_BAR))->geometry();
  auto* cancel = popup.findChild<QPushButton*>(ControlName(IDC_PROGRESS_CANCEL));
  EXPECT_EQ(cancel->text(), QStringLiteral(" Cancel "));
  EXPECT_EQ(text, QRect(10, 10, 200, text.height()));
  EXPECT_EQ(cancel->geometry().right(), text.right());
  EXPECT_EQ(cancel->geometry().top(), text.bottom() + 1 + 10);
  EXPECT_EQ(bar.left(), 10);
  EXPECT_EQ(bar.right() + 1 + 10, cancel->geometry().left());
  EXPECT_EQ(bar.top(), cancel->geometry().top() + 2);
  EXPECT_EQ(bar.bottom(), cancel->geometry().bottom() - 2);
  EXPECT_TRUE(QRect(QPoint(0, 0), popup.size()).contains(cancel->geometry().adjusted(-10, -10, 10, 10)));
}

TEST_F(ProgressPopupTest, CancelHidesAndFlagsUntilTheNextPosition) {
  // Given a visible window
  CProgressPopup popup(nullptr, QStringLiteral("Converting File"));
  popup.move(70, 80);
  QSignalSpy cancelled(&popup, &CProgressPopup::cancelled);
  ASSERT_TRUE(popup.isVisible());
  // When Cancel is pressed
  popup.findChild<QPushButton*>(ControlName(IDC_PROGRESS_CANCEL))->click();
  // Then the window hides, the caller's loop sees the flag and the position is kept
  EXPECT_TRUE(popup.IsCancelled());
  EXPECT_EQ(cancelled.count(), 1);
  EXPECT_FALSE(popup.isVisible());
  EXPECT_EQ(QSettings().value("Settings/X").toInt(), 70);
  EXPECT_EQ(QSettings().value("Settings/Y").toInt(), 80);
  // And a later position shows it again
  popup.SetPos(10);
  EXPECT_TRUE(popup.isVisible());
  EXPECT_TRUE(popup.IsCancelled());
}

TEST_F(ProgressPopupTest, DestructionRemembersThePosition) {
  {
    CProgressPopup popup(nullptr, QStringLiteral("Progress"));
    popup.move(123, 45);
  }
  EXPECT_EQ(QSettings().value("Settings/X").toInt(), 123);
  EXPECT_EQ(QSettings().value("Settings/Y").toInt(), 45);
}

struct PlacementCase {
  const char* name;
  std::optional<int> x;
  std::optional<int> y;
  bool centred;
};

class ProgressPlacementTest : public ProgressPopupTest, public testing::WithParamInterface<PlacementCase> {};

TEST_P(ProgressPlacementTest, OpensAtTheRememberedPlaceOnlyWhenItIsOnTheScreen) {
  // Given a remembered position (or none)
  {
    QSettings settings;
    if (GetParam().x) settings.setValue("Settings/X", *GetParam().x);
    if (GetParam().y) settings.setValue("Settings/Y", *GetParam().y);
  }
  // When a window is created
  CProgressPopup popup(nullptr, QStringLiteral("Converting File"));
  popup.SetRememberPosition(false);
  // Then it stands there, or in the middle of the screen
  QPoint expected(GetParam().x.value_or(0), GetParam().y.value_or(0));
  if (GetParam().centred) {
    QRect frame(QPoint(0, 0), popup.size());
    frame.moveCenter(QGuiApplication::primaryScreen()->geometry().center());
    expected = frame.topLeft();
  }
  EXPECT_EQ(popup.pos(), expected);
}

INSTANTIATE_TEST_SUITE_P(Progress, ProgressPlacementTest,
                         testing::Values(PlacementCase{"Remembered", 30, 40, false},
                                         PlacementCase{"NothingRemembered", std::nullopt, std::nullopt, true},
                                         PlacementCase{"NegativeX", -1, 40, true},
                                         PlacementCase{"NegativeY", 30, -5, true},
                                         PlacementCase{"OffTheScreen", 5000, 40, true}),
                         [](const testing::TestParamInfo<PlacementCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
