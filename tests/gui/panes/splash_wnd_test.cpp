// The splash window: its shape follows the bitmap's non-green pixels, the
// status line is drawn in its rectangle, and closing fades it out and ends it.
#include <QImage>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "gui/base/artwork.h"
#include "gui/base/resource_ids.h"
#include "gui/panes/splash_wnd.h"

namespace {

TEST(SplashWnd, RegionIsTheRunsOfNonGreenPixels) {
  // Given a 5 × 2 picture: row 0 green, X, X, green, X; row 1 X, green, almost green, green, green
  QImage image(5, 2, QImage::Format_RGB32);
  const QRgb g = kPureGreen;
  const QRgb x = qRgb(10, 20, 30);
  const QRgb almost = qRgb(0, 254, 0);
  const QRgb pixels[2][5] = {{g, x, x, g, x}, {x, g, almost, g, g}};
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 5; ++col) image.setPixel(col, row, pixels[row][col]);
  }
  // When the region is built
  const QRegion region = RegionOutsideColour(image, kPureGreen);
  // Then exactly the non-green pixels are in it; only pure green is left out
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 5; ++col) {
      EXPECT_EQ(region.contains(QPoint(col, row)), pixels[row][col] != g) << col << "," << row;
    }
  }
}

TEST(SplashWnd, WindowIsCutToTheBitmap) {
  const QImage bitmap = ArtworkBitmap(IDB_SPLASH);
  ASSERT_FALSE(bitmap.isNull());
  CSplashWnd splash;
  EXPECT_EQ(splash.size(), bitmap.size());
  const QRegion mask = splash.mask();
  // A pure green corner above the body is outside the window, the middle of
  // the status line inside.
  ASSERT_EQ(bitmap.pixel(470, 5), kPureGreen);
  EXPECT_FALSE(mask.contains(QPoint(470, 5)));
  EXPECT_NE(bitmap.pixel(CSplashWnd::StatusRect().center()), kPureGreen);
  EXPECT_TRUE(mask.contains(CSplashWnd::StatusRect().center()));
  // The whole status rectangle is part of the window.
  EXPECT_EQ(mask.intersected(CSplashWnd::StatusRect()), QRegion(CSplashWnd::StatusRect()));
}

int DarkPixels(const QImage& image, const QRect& area) {
  int dark = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 64) ++dark;
    }
  }
  return dark;
}

TEST(SplashWnd, StatusTextIsDrawnInItsRectangle) {
  // Given a splash with an empty status line
  CSplashWnd splash;
  splash.SetStatusText(QString());
  const int blank = DarkPixels(splash.grab().toImage(), CSplashWnd::StatusRect());
  // When a status is set
  splash.SetStatusText(QStringLiteral("Reading from Registry..."));
  // Then black text appears inside the status rectangle
  EXPECT_EQ(splash.statusText(), QStringLiteral("Reading from Registry..."));
  EXPECT_GT(DarkPixels(splash.grab().toImage(), CSplashWnd::StatusRect()), blank + 20);
}

TEST(SplashWnd, StartsWithTheLaunchStatusAndEndsAfterClosing) {
  auto* splash = new CSplashWnd;  // deletes itself once faded out
  EXPECT_EQ(splash->statusText(), QStringLiteral("Lauching application.."));
  splash->ShowSplash();
  EXPECT_TRUE(splash->isVisible());
  QSignalSpy destroyed(splash, &QObject::destroyed);
  splash->CloseSplash();
  EXPECT_TRUE(destroyed.wait(3000));
}

}  // namespace
