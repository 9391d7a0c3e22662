// The recording windows' parts on their own: the level bar's pixels, the
// skin's region, the remote's snapping to the work area, the record
// dialog's texts and pan snap, and the meter bar's size handling and timer.
#include <QFileInfo>
#include <QImage>
#include <QMainWindow>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/model/settings_record.h"
#include "gui/base/resource_ids.h"
#include "gui/base/led_progress_ctrl.h"
#include "gui/panes/monitor_bar.h"
#include "gui/panes/record_dlg.h"
#include "gui/panes/remote_dlg.h"
#include "gui/base/skin_region.h"

namespace {

QImage Grab(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// True when `pixel` is `colour` give or take `tolerance` on each channel
// (with more bands than pixels, a pixel shows the last band drawn on it).
bool Near(QRgb pixel, const QColor& colour, int tolerance = 0) {
  return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
         std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

TEST(LEDProgressCtrlTest, DrawsBandsFromTheLowEndUpToThePosition) {
  // Given a 210 x 14 bar from green to yellow at 50 of 100
  CLEDPRogressCtrl bar(Qt::Horizontal);
  bar.resize(210, 14);
  bar.SetRange(0, 100);
  bar.SetPos(50);
  const QImage image = Grab(bar);
  const QColor face = bar.palette().color(QPalette::Button);
  // Then a black frame surrounds it, shadow at the top left inside, light at the bottom right
  EXPECT_TRUE(Near(image.pixel(0, 0), Qt::black));
  EXPECT_TRUE(Near(image.pixel(209, 13), Qt::black));
  EXPECT_TRUE(Near(image.pixel(5, 1), bar.palette().color(QPalette::Dark)));
  EXPECT_TRUE(Near(image.pixel(5, 12), bar.palette().color(QPalette::Light)));
  // The bands run from the low colour to half way to the high one, over
  // half of the 206 inner pixels, and the rest is the background colour
  EXPECT_TRUE(Near(image.pixel(2, 7), QColor(0, 255, 0), 2));
  EXPECT_TRUE(Near(image.pixel(2 + 102, 7), QColor(127, 255, 0), 2));
  EXPECT_TRUE(Near(image.pixel(2 + 103, 7), face));
  EXPECT_TRUE(Near(image.pixel(200, 7), face));
}

TEST(LEDProgressCtrlTest, AVerticalBarFillsFromTheBottom) {
  CLEDPRogressCtrl bar(Qt::Vertical);
  bar.resize(16, 104);
  bar.SetRange(0, 100);
  bar.SetColors(QColor(255, 0, 0), QColor(255, 227, 0), QColor(221, 221, 221));
  bar.SetPos(100);
  QImage image = Grab(bar);
  EXPECT_TRUE(Near(image.pixel(8, 101), QColor(255, 0, 0), 3));
  EXPECT_TRUE(Near(image.pixel(8, 2), QColor(255, 227, 0), 3));
  bar.SetPos(25);
  image = Grab(bar);
  EXPECT_TRUE(Near(image.pixel(8, 101), QColor(255, 0, 0), 3));
  EXPECT_TRUE(Near(image.pixel(8, 50), QColor(221, 221, 221)));
}

TEST(LEDProgressCtrlTest, APositionAtTheLowerBoundShowsOnlyTheButtonFace) {
  CLEDPRogressCtrl bar(Qt::Horizontal);
  bar.resize(60, 14);
  bar.SetRange(0, 100);
  for (int position : {0, 101}) {
    bar.SetPos(position);
    const QImage image = Grab(bar);
    const QColor face = bar.palette().color(QPalette::Button);
    EXPECT_TRUE(Near(image.pixel(0, 0), face)) << position;
    EXPECT_TRUE(Near(image.pixel(30, 7), face)) << position;
  }
}

TEST(LEDProgressCtrlTest, StepItWrapsPastTheUpperBound) {
  CLEDPRogressCtrl bar;
  bar.SetRange(0, 100);
  bar.SetPos(95);
  bar.StepIt();
  EXPECT_EQ(bar.GetPos(), 5);
  bar.StepIt();
  EXPECT_EQ(bar.GetPos(), 15);
}

TEST(CreateSkinRegionTest, KeepsThePixelsOutsideTheGreenBoxAsRowRuns) {
  // Given a 6 x 3 bitmap: row 0 all green, row 1 green with two runs of
  // colour, row 2 near-green (within 16 of every channel) but one pixel just
  // outside the box
  QImage bitmap(6, 3, QImage::Format_RGB32);
  bitmap.fill(qRgb(0, 255, 0));
  bitmap.setPixel(1, 1, qRgb(200, 10, 10));
  bitmap.setPixel(2, 1, qRgb(0, 0, 0));
  bitmap.setPixel(4, 1, qRgb(0, 238, 0));
  for (int x = 0; x < 6; ++x) bitmap.setPixel(x, 2, qRgb(16, 239, 16));
  bitmap.setPixel(5, 2, qRgb(17, 255, 0));
  // When the region is made with pure green as the transparent colour
  const QRegion region = CreateSkinRegion(bitmap, qRgb(0, 255, 0));
  // Then it is exactly the kept runs
  QRegion expected;
  expected += QRect(1, 1, 2, 1);
  expected += QRect(4, 1, 1, 1);
  expected += QRect(5, 2, 1, 1);
  EXPECT_TRUE(region.xored(expected).isEmpty());
  // And inverted it is the rest of the bitmap
  EXPECT_TRUE(CreateSkinRegion(bitmap, qRgb(0, 255, 0), true).xored(QRegion(0, 0, 6, 3) - expected).isEmpty());
  EXPECT_TRUE(CreateSkinRegion(QImage(), qRgb(0, 255, 0)).isEmpty());
}

TEST(CreateSkinRegionTest, ManyRunsComeOutWhole) {
  // Given more runs than one batch holds: every other pixel of 7,000 rows
  QImage bitmap(5, 7000, QImage::Format_RGB32);
  bitmap.fill(qRgb(0, 255, 0));
  QRegion expected;
  for (int y = 0; y < bitmap.height(); ++y) {
    bitmap.setPixel(1, y, qRgb(1, 2, 3));
    bitmap.setPixel(3, y, qRgb(1, 2, 3));
  }
  expected += QRect(1, 0, 1, 7000);
  expected += QRect(3, 0, 1, 7000);
  EXPECT_TRUE(CreateSkinRegion(bitmap, qRgb(0, 255, 0)).xored(expected).isEmpty());
}

struct SnapCase {
  const char* name;
  QRect window;
  QPoint snapped;
};

class RemoteSnapTest : public testing::TestWithParam<SnapCase> {};

TEST_P(RemoteSnapTest, EdgesWithin15PixelsStickToTheWorkArea) {
  // Work area 0,30 .. 1280,870 (a panel above); the window is 200 x 100
  const QRect work(0, 30, 1280, 840);
  EXPECT_EQ(CRemoteDlg::SnapToWorkArea(GetParam().window, work).topLeft(), GetParam().snapped);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteSnapTest,
    testing::Values(SnapCase{"LeftAt15", QRect(15, 400, 200, 100), QPoint(0, 400)},
                    SnapCase{"LeftAt16", QRect(16, 400, 200, 100), QPoint(16, 400)},
                    SnapCase{"LeftOutsideBy15", QRect(-15, 400, 200, 100), QPoint(0, 400)},
                    SnapCase{"RightAt15", QRect(1280 - 15 - 200, 400, 200, 100), QPoint(1080, 400)},
                    SnapCase{"RightAt16", QRect(1280 - 16 - 200, 400, 200, 100), QPoint(1064, 400)},
                    SnapCase{"TopAt15", QRect(500, 45, 200, 100), QPoint(500, 30)},
                    SnapCase{"TopAt16", QRect(500, 46, 200, 100), QPoint(500, 46)},
                    SnapCase{"BottomAt15", QRect(500, 870 - 15 - 100, 200, 100), QPoint(500, 770)},
                    SnapCase{"BottomAt16", QRect(500, 870 - 16 - 100, 200, 100), QPoint(500, 754)},
                    SnapCase{"Corner", QRect(1275, 860, 200, 100), QPoint(1275, 860)},
                    SnapCase{"IntoTheCorner", QRect(1090, 765, 200, 100), QPoint(1080, 770)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordDlgTextTest, ElapsedTimeAndLogStamps) {
  struct {
    uint64_t seconds;
    const char* text;
  } elapsed[] = {{0, "0:00:00"}, {187, "0:03:07"}, {3600, "1:00:00"}, {36005, "10:00:05"}};
  for (const auto& c : elapsed) EXPECT_EQ(CRecordDlg::ElapsedText(c.seconds), QString::fromLatin1(c.text));
  struct {
    QTime time;
    const char* text;
  } stamps[] = {{QTime(9, 7, 5), "9:07:05 AM"},
                {QTime(0, 5, 0), "0:05:00 AM"},
                {QTime(12, 30, 0), "12:30:00 PM"},
                {QTime(13, 0, 9), "1:00:09 PM"},
                {QTime(23, 59, 59), "11:59:59 PM"}};
  for (const auto& c : stamps) EXPECT_EQ(CRecordDlg::TimeStamp(c.time), QString::fromLatin1(c.text));
}

TEST(RecordDlgTextTest, PanSnapsToTheCentreWithinNine) {
  struct {
    int released, pan;
  } cases[] = {{-100, -100}, {-10, -10}, {-9, 0}, {-1, 0}, {0, 0}, {9, 0}, {10, 10}, {100, 100}};
  for (const auto& c : cases) EXPECT_EQ(CRecordDlg::SnapPan(c.released), c.pan) << c.released;
}

class MonitorBarTest : public testing::Test {
 protected:
  MonitorBarTest() {
    bar = new CMonitorBar(&settings, {}, &frame);
    frame.addDockWidget(Qt::BottomDockWidgetArea, bar);
    frame.setCentralWidget(new QWidget(&frame));
    frame.resize(800, 400);
    frame.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
  }
  SettingsRecord settings;
  QMainWindow frame;
  CMonitorBar* bar;
};

TEST_F(MonitorBarTest, LevelBarsFollowTheWidthAndTheLabelsSitAtTheRight) {
  auto* client = bar->widget();
  auto* left = bar->findChild<CLEDPRogressCtrl*>(ControlName(IDC_MONITOR_LEFT));
  auto* right = bar->findChild<CLEDPRogressCtrl*>(ControlName(IDC_MONITOR_RIGHT));
  auto* leftLabel = bar->findChild<QLabel*>(ControlName(IDC_MONITOR_LEFT_LABEL));
  auto* rightLabel = bar->findChild<QLabel*>(ControlName(IDC_MONITOR_RIGHT_LABEL));
  ASSERT_TRUE(left && right && leftLabel && rightLabel);
  EXPECT_EQ(bar->objectName(), QStringLiteral("Monitor"));
  EXPECT_EQ(leftLabel->text(), QStringLiteral("L - Channel Output"));
  EXPECT_EQ(rightLabel->text(), QStringLiteral("R - Channel Output"));
  for (int width : {800, 1000, 640}) {
    frame.resize(width, 400);
    QTest::qWait(20);
    EXPECT_EQ(left->width(), client->width() - 130) << width;
    EXPECT_EQ(right->width(), client->width() - 130) << width;
    EXPECT_EQ(left->height(), 14);
    EXPECT_EQ(leftLabel->pos(), QPoint(client->width() - 120, 1));
    EXPECT_EQ(rightLabel->pos(), QPoint(client->width() - 120, 20));
  }
  EXPECT_EQ(left->lower(), 0);
  EXPECT_EQ(left->upper(), 100);
}

TEST_F(MonitorBarTest, TheTickRunsOnlyWhileTheBarIsShown) {
  EXPECT_FALSE(bar->IsMeterTimerRunning());
  bar->StartMeterTimer();
  EXPECT_TRUE(bar->IsMeterTimerRunning());
  bar->hide();
  EXPECT_FALSE(bar->IsMeterTimerRunning());
  // The record dialog needs the tick whatever the bar shows
  bar->SetRecordDialogOpen(true);
  EXPECT_TRUE(bar->IsMeterTimerRunning());
  bar->SetRecordDialogOpen(false);
  EXPECT_FALSE(bar->IsMeterTimerRunning());
  bar->show();
  EXPECT_TRUE(bar->IsMeterTimerRunning());
  bar->KillMeterTimer();
  EXPECT_FALSE(bar->IsMeterTimerRunning());
}

TEST_F(MonitorBarTest, TheRecordingFileLivesAsLongAsTheBar) {
  ASSERT_NE(bar->recordingFile(), nullptr);
  const std::string path = bar->recordingFile()->path();
  EXPECT_EQ(QFileInfo(QString::fromStdString(path)).fileName().left(3), QStringLiteral("REC"));
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(path)));
  delete bar;
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
}

}  // namespace
