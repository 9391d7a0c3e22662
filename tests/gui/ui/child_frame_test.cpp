// The document window: the two panes of its splitter and the four zoom
// buttons over the view's bottom right corner.
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "gui/app/resource_ids.h"
#include "gui/app/wavedesk_doc.h"
#include "gui/edit/sound_form_view.h"
#include "gui/ui/child_frame.h"
#include "gui/ui/wavedesk_view.h"

namespace {

class ChildFrameTest : public testing::Test {
 protected:
  ChildFrameTest() : frame(new CWavedeskDoc(settings)) {
    frame.resize(500, 420);
    frame.OnInitialUpdate();
    frame.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
  }
  QToolButton* Button(int id) { return frame.findChild<QToolButton*>(ControlName(id)); }
  // The bottom of the view's client area in the frame's coordinates.
  int ViewClientBottom() {
    QWidget* client = frame.view()->viewport();
    return client->mapTo(&frame, QPoint(0, client->height())).y();
  }

  SettingsRecord settings;
  CChildFrame frame;
};

TEST_F(ChildFrameTest, TheViewIsAboveThePanelAndBothKeepTheirMinimumHeights) {
  QSplitter* splitter = frame.splitter();
  ASSERT_EQ(splitter->count(), 2);
  EXPECT_EQ(splitter->widget(0), frame.view());
  EXPECT_EQ(splitter->widget(1), frame.formView());
  // Equal ideal heights share the frame evenly
  EXPECT_LE(std::abs(splitter->sizes()[0] - splitter->sizes()[1]), splitter->handleWidth() + 1);
  // Dragging the bar to either end stops at the pane's minimum
  splitter->setSizes({0, 1000});
  EXPECT_EQ(splitter->sizes()[0], CChildFrame::kViewMinimumHeight);
  splitter->setSizes({1000, 0});
  EXPECT_EQ(splitter->sizes()[1], CChildFrame::kFormMinimumHeight);
}

TEST_F(ChildFrameTest, TheZoomButtonsFollowTheViewsBottomRightCorner) {
  struct Placement {
    int id;
    int fromRight;
  };
  // Left to right: Zoom In Max, Zoom In, Zoom Out, Zoom Out Max
  const Placement placements[] = {{IDC_ZOOM_IN_MAX_BUTTON, 66},
                                  {IDC_ZOOM_IN_BUTTON, 50},
                                  {IDC_ZOOM_OUT_BUTTON, 34},
                                  {IDC_ZOOM_OUT_MAX_BUTTON, 18}};
  for (const QSize size : {QSize(500, 420), QSize(731, 377), QSize(420, 600)}) {
    // When the frame is resized, and the splitter bar moved
    frame.resize(size);
    frame.splitter()->setSizes({size.height() / 3, size.height()});
    QCoreApplication::processEvents();
    for (const Placement& p : placements) {
      QToolButton* button = Button(p.id);
      ASSERT_NE(button, nullptr) << p.id;
      // Then each button sits 13 pixels above the view's client bottom, its
      // fixed distance from the right edge, and stays visible over the view
      EXPECT_EQ(button->x(), size.width() - p.fromRight) << p.id << " at " << size.width();
      EXPECT_EQ(button->y(), ViewClientBottom() - 13) << p.id << " at " << size.height();
      EXPECT_EQ(button->size(), QSize(16, 15));
      EXPECT_TRUE(button->isVisible());
      EXPECT_FALSE(button->icon().isNull());
    }
  }
}

}  // namespace
