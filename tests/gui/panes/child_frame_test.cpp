// The document window: the two panes of its splitter, the four zoom buttons
// over the view's bottom right corner, and the side panel keeping up with
// the layer that playback makes active.
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "core/audio/sound_device.h"
#include "core/audio/sound_playback.h"
#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/sound_form_view.h"
#include "gui/base/wavedesk_list_ctrl.h"
#include "gui/panes/child_frame.h"
#include "gui/panes/wavedesk_view.h"

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

TEST_F(ChildFrameTest, TheZoomButtonsSitAboveTheBottomRulerAtTheRightEdge) {
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
      // Then each button keeps its distance from the right edge and stands
      // wholly above the frame-number ruler (the bottom 15 pixels of the
      // view's client area), and stays visible over the view
      EXPECT_EQ(button->x(), size.width() - p.fromRight) << p.id << " at " << size.width();
      EXPECT_LE(button->geometry().bottom(), ViewClientBottom() - 15 - 1) << p.id << " at " << size.height();
      EXPECT_GE(button->y(), ViewClientBottom() - 15 - 15 - 20) << p.id << " at " << size.height();
      EXPECT_EQ(button->size(), QSize(16, 15));
      EXPECT_TRUE(button->isVisible());
      EXPECT_FALSE(button->icon().isNull());
    }
  }
}

TEST_F(ChildFrameTest, TheZoomButtonsStayPutWhenTheScrollBarComesAndGoes) {
  // Given a sound far wider than the window, so that the horizontal scroll
  // bar shows at zoom 1
  frame.document()->sound().AppendLayer("", std::make_unique<uint8_t[]>(400000), 400000);
  frame.document()->UpdateAllViews();
  frame.view()->ZoomInMax();
  QCoreApplication::processEvents();
  QScrollBar* bar = frame.view()->horizontalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  QToolButton* zoomOutMax = Button(IDC_ZOOM_OUT_MAX_BUTTON);
  const QPoint withBar = zoomOutMax->pos();
  const int bottomWithBar = ViewClientBottom();
  // When Zoom Out Max fits the sound and the bar goes
  zoomOutMax->click();
  QCoreApplication::processEvents();
  ASSERT_FALSE(bar->isVisible());
  ASSERT_GT(ViewClientBottom(), bottomWithBar);  // the client area did grow
  // Then the buttons have not moved, so a second click lands on them again
  EXPECT_EQ(zoomOutMax->pos(), withBar);
  EXPECT_EQ(frame.childAt(withBar + QPoint(8, 7)), zoomOutMax);
  // And they stay clear of the scroll bar when it is back
  Button(IDC_ZOOM_IN_MAX_BUTTON)->click();
  QCoreApplication::processEvents();
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(zoomOutMax->pos(), withBar);
  const QRect barInFrame(bar->mapTo(&frame, QPoint(0, 0)), bar->size());
  EXPECT_FALSE(zoomOutMax->geometry().intersects(barInFrame));
}

// A document window whose sound plays on the null back-end.
class PlayingChildFrameTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenSoundOutputDevice(SoundBackend::Null, &device).Succeeded());
    settings.autoCreateEnvelope = 0;
    settings.zoomToFitOnOpen = 0;
    auto* document = new CWavedeskDoc(settings);
    document->AttachPlayback(*device);
    frame = std::make_unique<CChildFrame>(document);
    frame->resize(600, 420);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
  }
  void TearDown() override {
    if (frame) frame->document()->sound().Stop();
    frame.reset();
  }

  QPushButton* DeleteLayerButton() {
    return frame->formView()->findChild<QPushButton*>(ControlName(IDC_DELETE_LAYER));
  }
  int HighlightedLayerRow() {
    auto* list = frame->formView()->findChild<CWavedeskListCtrl*>(ControlName(IDC_LAYER_LIST));
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.size() == 1 ? list->indexOfTopLevelItem(selected.front()) : -1;
  }

  std::unique_ptr<SoundOutputDevice> device;
  SettingsRecord settings;
  std::unique_ptr<CChildFrame> frame;
};

TEST_F(PlayingChildFrameTest, TheSidePanelFollowsTheLayerPlaybackMakesActive) {
  // Given two layers, the second starting a second into the sound and active
  CSound& sound = frame->document()->sound();
  sound.AppendLayer("first", std::make_unique<uint8_t[]>(176400 * 3), 176400 * 3);
  sound.AppendLayer("second", std::make_unique<uint8_t[]>(176400), 176400).offset = 176400;
  sound.activeLayerIndex = 1;
  sound.selectionStart = sound.selectionEnd = 176400;
  frame->OnInitialUpdate();
  ASSERT_EQ(HighlightedLayerRow(), 1);
  ASSERT_TRUE(DeleteLayerButton()->isEnabled());
  // When the whole sound plays from its start, which lies in the first layer only
  sound.selectionStart = sound.selectionEnd = 0;
  frame->document()->UpdateAllViews(UpdateHint::kSelection);
  ASSERT_TRUE(frame->document()->playback()->Play());
  // Then as soon as the play cursor has made the first layer active, the
  // panel highlights it and Delete Layer is off
  ASSERT_TRUE(QTest::qWaitFor([&] { return sound.activeLayerIndex == 0; }, 5000));
  EXPECT_EQ(HighlightedLayerRow(), 0);
  EXPECT_FALSE(DeleteLayerButton()->isEnabled());
  // And after Stop, which puts the selection back and picks its layer, the
  // panel shows that layer too
  sound.activeLayerIndex = 1;
  frame->document()->UpdateAllViews(UpdateHint::kSelection);
  ASSERT_EQ(HighlightedLayerRow(), 1);
  frame->document()->playback()->Stop();
  EXPECT_EQ(sound.activeLayerIndex, 0);
  EXPECT_EQ(HighlightedLayerRow(), 0);
  EXPECT_FALSE(DeleteLayerButton()->isEnabled());
}

}  // namespace
