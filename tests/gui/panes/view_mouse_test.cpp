// The mouse on the waveform view, on Qt's offscreen platform with presses,
// moves and releases sent to the view's client area: which layer and
// selection a click or a drag leaves, how far envelope nodes and layers can
// be dragged, what a right click selects and which menu it opens, the cursor
// shapes of the zones, and the selection running on past the window's edge.
//
// Unless a case says otherwise the view is 440 x 130 pixels at zoom 4 (one
// column is 16 bytes; content x = byte position / 16 + 40) with two layers,
// so each band is 50 pixels high: layer 0 from y 15 to 65, layer 1 from 65
// to 115. Layer 0 holds 20,000 frames at offset 0; layer 1 holds 1,000
// frames at offset 1,600 (content x 140 to 390, header from 100 to 140).
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/view_mouse.h"
#include "gui/panes/wavedesk_view.h"

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 130;

struct LayerSpec {
  uint64_t frames;
  int32_t offset;
  std::vector<EnvelopeNode> nodes;
};

const std::vector<LayerSpec> kTwoLayers = {{20000, 0, {}}, {1000, 1600, {}}};

// A document whose view is the central widget of a main window, sized so the
// view's client area is exactly kWidth x kHeight. With `editMenu` the window
// carries an Edit menu like the program's: a Zoom sub-menu with the four
// zoom commands wired to the view.
class MouseHarness {
 public:
  explicit MouseHarness(const std::vector<LayerSpec>& layers, bool editMenu = false) {
    m_settings.autoCreateEnvelope = 0;
    m_settings.zoomToFitOnOpen = 0;
    m_document = std::make_unique<CWavedeskDoc>(m_settings);
    for (const LayerSpec& shape : layers) {
      auto data = std::make_unique<uint8_t[]>(shape.frames * 4);
      CSoundLayer& layer = sound().AppendLayer("", std::move(data), shape.frames * 4);
      layer.offset = shape.offset;
      layer.nodes = shape.nodes;
    }
    m_window = std::make_unique<QMainWindow>();
    m_view = new CWavedeskView(m_document.get());
    m_window->setCentralWidget(m_view);
    if (editMenu) BuildEditMenu();
  }
  ~MouseHarness() { m_window.reset(); }

  CSound& sound() { return m_document->sound(); }
  CWavedeskDoc& document() { return *m_document; }
  CWavedeskView& view() { return *m_view; }
  QWidget* client() { return m_view->viewport(); }
  QMenu* editMenu() { return m_editMenu; }

  void Start() {
    m_window->resize(kWidth + 40, kHeight + 80);
    m_window->show();
    m_view->OnInitialUpdate();
    for (int round = 0; round < 4; ++round) {
      QApplication::processEvents();
      const QSize extra = m_window->size() - client()->size();
      m_window->resize(kWidth + extra.width(), kHeight + extra.height());
    }
    QApplication::processEvents();
    ASSERT_EQ(m_view->clientWidth(), kWidth);
    ASSERT_EQ(m_view->clientHeight(), kHeight);
  }

  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(client()->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(client(), &event);
  }
  void Press(QPoint at) { Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
  void DragTo(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
  void Release(QPoint at) { Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
  void Hover(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton); }
  // A press at `from`, a move to `to` when it differs, and the release there.
  void Drag(QPoint from, QPoint to) {
    Press(from);
    if (to != from) DragTo(to);
    Release(to);
  }
  void RightClick(QPoint at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, client()->mapToGlobal(at));
    QApplication::sendEvent(client(), &event);
  }

 private:
  void BuildEditMenu() {
    QMenuBar* bar = m_window->menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open..."))->setData(static_cast<int>(CommandId::kFileOpen));
    m_editMenu = bar->addMenu(QStringLiteral("&Edit"));
    m_editMenu->addAction(QStringLiteral("&Undo"))->setData(static_cast<int>(CommandId::kUndo));
    QMenu* zoom = m_editMenu->addMenu(QStringLiteral("Zoom"));
    auto add = [&](CommandId id, const QString& text, void (CWavedeskView::*operation)()) {
      QAction* action = zoom->addAction(text);
      action->setData(ToInt(id));
      QObject::connect(action, &QAction::triggered, m_view, operation);
    };
    add(CommandId::kZoomIn, QStringLiteral("Zoom &In"), &CWavedeskView::ZoomIn);
    add(CommandId::kZoomOut, QStringLiteral("Zoom &Out"), &CWavedeskView::ZoomOut);
    add(CommandId::kZoomInMax, QStringLiteral("Zoom In &Max"), &CWavedeskView::ZoomInMax);
    add(CommandId::kZoomOutMax, QStringLiteral("Zoom Out Ma&x"), &CWavedeskView::ZoomOutMax);
    // The main window hands its Edit menu to the view for the popup.
    PaneHooks hooks;
    hooks.editMenu = [this] { return m_editMenu; };
    m_view->SetHooks(hooks);
  }

  SettingsRecord m_settings;
  std::unique_ptr<CWavedeskDoc> m_document;
  std::unique_ptr<QMainWindow> m_window;
  CWavedeskView* m_view = nullptr;  // owned by the window
  QMenu* m_editMenu = nullptr;
};

// Runs `inspect` on the popup menu as soon as it is open; `inspect` closes
// it or chooses from it.
void WhenPopupOpens(std::function<void(QMenu*)> inspect) {
  QTimer::singleShot(0, [inspect] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << "no popup menu opened";
    inspect(menu);
  });
}

void Choose(QMenu* menu, QAction* action) {
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
}

// ---------------------------------------------------------------------------
// Left button: clicks and selection drags

struct SelectCase {
  const char* name;
  int activeBefore;
  int32_t startBefore, endBefore;
  QPoint from, to;  // press, move and release; from == to is a click
  int active;
  int32_t start, end;
};

void PrintTo(const SelectCase& c, std::ostream* os) { *os << c.name; }

class SelectWithLeftButton : public testing::TestWithParam<SelectCase> {};

TEST_P(SelectWithLeftButton, LeavesTheLayerAndSelection) {
  const SelectCase& c = GetParam();
  // Given the two layers, a chosen layer and selection
  MouseHarness harness(kTwoLayers);
  harness.sound().activeLayerIndex = c.activeBefore;
  harness.sound().selectionStart = c.startBefore;
  harness.sound().selectionEnd = c.endBefore;
  harness.Start();
  // When the left button is pressed, moved and released
  harness.Drag(c.from, c.to);
  // Then the active layer and the selection are the case's, and the
  // document is not modified by selecting
  EXPECT_EQ(harness.sound().activeLayerIndex, c.active);
  EXPECT_EQ(harness.sound().selectionStart, c.start);
  EXPECT_EQ(harness.sound().selectionEnd, c.end);
  EXPECT_FALSE(harness.document().IsModified());
  EXPECT_FALSE(harness.view().mouse().isDragging());
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, SelectWithLeftButton,
    testing::Values(
        SelectCase{"ClickPlacesTheCursor", 0, 0, 0, {100, 40}, {100, 40}, 0, 960, 960},
        // (3 - 15) / 50 truncates to 0: the ruler rows above the first band
        // belong to layer 0.
        SelectCase{"RulerBandChoosesLayerZero", 1, 1600, 1600, {100, 3}, {100, 3}, 0, 960, 960},
        // (118 - 15) / 50 = 2, one past the last layer: nothing happens.
        SelectCase{"BelowTheLastBandChangesNothing", 1, 2000, 2400, {100, 118}, {100, 118}, 1, 2000, 2400},
        SelectCase{"ClickPastTheLayerEndStopsOneSampleShort", 1, 1600, 1600, {420, 90}, {420, 90}, 1, 5598, 5598},
        SelectCase{"ClickBeforeTheLayerStartsAtItsOffset", 1, 1600, 1600, {60, 90}, {60, 90}, 1, 1600, 1600},
        SelectCase{"DragRightSelects", 0, 0, 0, {100, 40}, {200, 40}, 0, 960, 2560},
        SelectCase{"DragLeftSelects", 0, 0, 0, {200, 40}, {100, 40}, 0, 960, 2560},
        SelectCase{"DragPastTheLayerEndStopsOneSampleShort", 1, 1600, 1600, {300, 90}, {430, 90}, 1, 4160, 5598},
        SelectCase{"DragsTheStartEdge", 0, 960, 2560, {101, 40}, {150, 40}, 0, 1760, 2560},
        SelectCase{"DragsTheEndEdge", 0, 960, 2560, {199, 40}, {250, 40}, 0, 960, 3360},
        SelectCase{"DragsTheStartEdgeBeyondTheEnd", 0, 960, 2560, {99, 40}, {250, 40}, 0, 2560, 3360},
        // The selection at x 140..160 is layer 1's, which was active: in
        // layer 0 its edge is no handle, the press starts afresh.
        SelectCase{"EdgeOfAnotherLayersSelectionStartsAfresh", 1, 1600, 1920, {160, 40}, {200, 40}, 0, 1920, 2560},
        // The selection lies outside layer 1: it first goes to the layer's
        // offset, then the click places the cursor.
        SelectCase{"ClickInAnotherLayerLeavesASelectionOutsideIt", 0, 8000, 9600, {200, 90}, {200, 90}, 1, 2560,
                   2560}),
    [](const testing::TestParamInfo<SelectCase>& info) { return std::string(info.param.name); });

TEST(Mouse, SelectionRunsOnPastTheWindowsEdges) {
  // Given a cursor dragged from x 100 of the long layer 0
  MouseHarness harness(kTwoLayers);
  harness.Start();
  harness.Press({100, 40});
  // When the mouse is held right of the window
  harness.DragTo({kWidth + 20, 40});
  QTest::qWait(20 * ViewMouse::kAutoScrollInterval);
  // Then the view scrolls right in steps of 5 pixels and the selection's end
  // follows the column under the mouse
  const int scrolled = harness.view().scrollPosition();
  EXPECT_GT(scrolled, 0);
  EXPECT_EQ(scrolled % ViewMouse::kAutoScrollStep, 0);
  harness.DragTo({kWidth + 20, 40});
  EXPECT_EQ(harness.sound().selectionStart, 960);
  EXPECT_EQ(harness.sound().selectionEnd, (kWidth + 20 + scrolled - 40) * 16);
  // And when it is held left of the window the view scrolls back
  harness.DragTo({-20, 40});
  QTest::qWait(10 * ViewMouse::kAutoScrollInterval);
  EXPECT_LT(harness.view().scrollPosition(), scrolled);
  // And after the release nothing scrolls any more
  harness.Release({-20, 40});
  const int released = harness.view().scrollPosition();
  QTest::qWait(5 * ViewMouse::kAutoScrollInterval);
  EXPECT_EQ(harness.view().scrollPosition(), released);
  EXPECT_FALSE(harness.view().mouse().isDragging());
}

// ---------------------------------------------------------------------------
// Envelope nodes

// Layer 0's nodes at content x 140, 240 and 340 (positions 1,600, 3,200 and
// 4,800), all at level 0: y 40, the middle of band 0. Level +1 is y 20 and
// level -1 is y 60.
const std::vector<EnvelopeNode> kThreeNodes = {{0.0, 1600}, {0.0, 3200}, {0.0, 4800}};

struct NodeCase {
  const char* name;
  std::vector<EnvelopeNode> nodes;
  QPoint from, to;
  int node;
  int64_t position;
  double level;
  bool modified;
};

void PrintTo(const NodeCase& c, std::ostream* os) { *os << c.name; }

class DragANode : public testing::TestWithParam<NodeCase> {};

TEST_P(DragANode, StaysBetweenItsNeighboursAndInTheBand) {
  const NodeCase& c = GetParam();
  // Given layer 0 with the case's nodes
  std::vector<LayerSpec> layers = kTwoLayers;
  layers[0].nodes = c.nodes;
  MouseHarness harness(layers);
  harness.Start();
  // When a node is dragged
  harness.Drag(c.from, c.to);
  // Then it has the case's position and level, its neighbours stay put, and
  // a moved node marks the document modified
  ASSERT_EQ(harness.sound().layers[0]->nodes.size(), c.nodes.size());
  for (size_t k = 0; k < c.nodes.size(); ++k) {
    const EnvelopeNode& node = harness.sound().layers[0]->nodes[k];
    if (static_cast<int>(k) == c.node) {
      EXPECT_EQ(node.position, c.position);
      EXPECT_DOUBLE_EQ(node.level, c.level);
    } else {
      EXPECT_EQ(node.position, c.nodes[k].position) << "node " << k;
      EXPECT_EQ(node.level, c.nodes[k].level) << "node " << k;
    }
  }
  EXPECT_EQ(harness.document().IsModified(), c.modified);
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, DragANode,
    testing::Values(
        // (260 - 40) x 16 = 3,520; level -(30 - 25 - 15) / 20 = 0.5
        NodeCase{"MovesBetweenItsNeighbours", kThreeNodes, {240, 40}, {260, 30}, 1, 3520, 0.5, true},
        NodeCase{"StopsAtThePreviousNode", kThreeNodes, {240, 40}, {100, 40}, 1, 1600, 0.0, true},
        NodeCase{"StopsAtTheNextNode", kThreeNodes, {241, 43}, {400, 40}, 1, 4800, 0.0, true},
        NodeCase{"FirstNodeStopsAtTheLayerStart", kThreeNodes, {140, 40}, {10, 40}, 0, 0, 0.0, true},
        // The last frame of 20,000 is at content x (40,000 - 2) / 2 / 4 + 40
        // = 5,039, far right of the window: column 4,999 starts at 79,984.
        NodeCase{"LastNodeStopsAtTheLayersLastFrame", kThreeNodes, {340, 40}, {6000, 40}, 2, 79984, 0.0, true},
        NodeCase{"LevelStopsAtTheTopMargin", kThreeNodes, {240, 40}, {240, 0}, 1, 3200, 1.0, true},
        NodeCase{"LevelStopsAtTheBottomMargin", kThreeNodes, {240, 40}, {240, 200}, 1, 3200, -1.0, true},
        NodeCase{"ClickWithoutMovingChangesNothing", kThreeNodes, {240, 40}, {240, 40}, 1, 3200, 0.0, false},
        // Node 1 at 3,208 shares column 240 with 3,200: dragging node 2 onto
        // that column stops at node 1's byte position, not the column's
        // first byte, so the nodes stay in order.
        NodeCase{"NeverPassesANeighbourInsideItsColumn", {{0.0, 1600}, {0.0, 3208}, {0.0, 4800}}, {340, 40},
                 {200, 40}, 2, 3208, 0.0, true}),
    [](const testing::TestParamInfo<NodeCase>& info) { return std::string(info.param.name); });

TEST(Mouse, PressOnANodeOfAnotherLayerMakesItActive) {
  // Given layer 0 active with a selection outside layer 1, and a node of
  // layer 1 at content x 200, level 0 (y 90)
  std::vector<LayerSpec> layers = kTwoLayers;
  layers[1].nodes = {{0.0, 960}};
  MouseHarness harness(layers);
  harness.sound().selectionStart = 100;
  harness.sound().selectionEnd = 200;
  harness.Start();
  // When the node is pressed and released without moving
  harness.Drag({200, 90}, {200, 90});
  // Then layer 1 is active with the cursor at its offset, and the node stays
  EXPECT_EQ(harness.sound().activeLayerIndex, 1);
  EXPECT_EQ(harness.sound().selectionStart, 1600);
  EXPECT_EQ(harness.sound().selectionEnd, 1600);
  EXPECT_EQ(harness.sound().layers[1]->nodes[0].position, 960);
  EXPECT_FALSE(harness.document().IsModified());
}

// ---------------------------------------------------------------------------
// Layer moves by the header

struct MoveCase {
  const char* name;
  int32_t offsetBefore;
  int activeBefore;
  int32_t startBefore, endBefore;
  int scroll;
  QPoint from, to;  // client points
  int32_t offset;
  int32_t start, end;
  bool modified;
};

void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.name; }

class MoveALayer : public testing::TestWithParam<MoveCase> {};

TEST_P(MoveALayer, KeepsItsOffsetInRangeAndTheSelectionWithIt) {
  const MoveCase& c = GetParam();
  // Given layer 1 at the case's offset with a selection
  std::vector<LayerSpec> layers = kTwoLayers;
  layers[1].offset = c.offsetBefore;
  MouseHarness harness(layers);
  harness.sound().activeLayerIndex = c.activeBefore;
  harness.sound().selectionStart = c.startBefore;
  harness.sound().selectionEnd = c.endBefore;
  harness.Start();
  harness.view().ScrollTo(static_cast<int64_t>(c.scroll));
  ASSERT_EQ(harness.view().scrollPosition(), c.scroll);
  // When its header is dragged
  harness.Drag(c.from, c.to);
  // Then the layer and the selection moved together, within the range of
  // offsets, and a real move marks the document modified
  EXPECT_EQ(harness.sound().layers[1]->offset, c.offset);
  EXPECT_EQ(harness.sound().activeLayerIndex, 1);
  EXPECT_EQ(harness.sound().selectionStart, c.start);
  EXPECT_EQ(harness.sound().selectionEnd, c.end);
  EXPECT_EQ(harness.document().IsModified(), c.modified);
}

// The header of layer 1 at offset 1,600 spans content x 100 to 140.
INSTANTIATE_TEST_SUITE_P(
    Mouse, MoveALayer,
    testing::Values(
        // 30 pixels right: 30 x 16 = 480 bytes.
        MoveCase{"MovesByWholeColumns", 1600, 1, 2000, 2400, 0, {120, 90}, {150, 90}, 2080, 2480, 2880, true},
        // 120 pixels left would be offset -320: it stops at 0 and the
        // selection moves by the 1,600 bytes the layer really moved.
        MoveCase{"StopsAtZeroAndTheSelectionFollows", 1600, 1, 2000, 2400, 0, {120, 90}, {0, 90}, 0, 400, 800, true},
        MoveCase{"BackWhereItWasIsNoChange", 1600, 1, 2000, 2400, 0, {120, 90}, {120, 90}, 1600, 2000, 2400, false},
        // The selection lies in layer 0: the press puts the cursor on layer
        // 1's offset first, and it moves with the layer.
        MoveCase{"ASelectionElsewhereBecomesTheLayersStart", 1600, 0, 100, 200, 0, {120, 90}, {150, 90}, 2080, 2080,
                 2080, true},
        // A layer near the largest offset stops there: content x of
        // 2,147,483,000 is 134,217,687 + 40, client x 200 when scrolled
        // 200 short of it; the header lies just left of that.
        MoveCase{"StopsAtTheLargestOffset", 2147483000, 0, 0, 0, 134217727 - 200, {180, 90}, {400, 90}, 2147483647,
                 2147483647, 2147483647, true}),
    [](const testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Right button

struct RightClickCase {
  const char* name;
  int activeBefore;
  int32_t startBefore, endBefore;
  QPoint at;
  int active;
  int32_t start, end;
};

void PrintTo(const RightClickCase& c, std::ostream* os) { *os << c.name; }

class RightClick : public testing::TestWithParam<RightClickCase> {};

TEST_P(RightClick, ChoosesTheLayerAndPosition) {
  const RightClickCase& c = GetParam();
  // Given the two layers in a view without a main window's menu
  MouseHarness harness(kTwoLayers);
  harness.sound().activeLayerIndex = c.activeBefore;
  harness.sound().selectionStart = c.startBefore;
  harness.sound().selectionEnd = c.endBefore;
  harness.Start();
  // When the right button asks for the context menu
  harness.RightClick(c.at);
  // Then the layer and selection are the case's
  EXPECT_EQ(harness.sound().activeLayerIndex, c.active);
  EXPECT_EQ(harness.sound().selectionStart, c.start);
  EXPECT_EQ(harness.sound().selectionEnd, c.end);
  EXPECT_FALSE(harness.view().isBusy());
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, RightClick,
    testing::Values(
        // The left button stops at 5,598; the right one takes the end itself.
        RightClickCase{"PastTheLayerEndPutsTheCursorOnTheEnd", 1, 1600, 1600, {420, 90}, 1, 5600, 5600},
        RightClickCase{"BeforeTheLayerStartPutsTheCursorOnItsOffset", 1, 2000, 2000, {60, 90}, 1, 1600, 1600},
        RightClickCase{"InsideTheSelectionKeepsIt", 0, 960, 2560, {150, 40}, 0, 960, 2560},
        RightClickCase{"OutsideTheSelectionMovesTheCursor", 0, 960, 2560, {300, 40}, 0, 4160, 4160},
        RightClickCase{"InAnotherLayerMovesTheCursorThere", 0, 960, 2560, {150, 90}, 1, 1760, 1760},
        RightClickCase{"BelowTheLastBandChangesNothing", 0, 960, 2560, {150, 118}, 0, 960, 2560}),
    [](const testing::TestParamInfo<RightClickCase>& info) { return std::string(info.param.name); });

struct PopupCase {
  const char* name;
  bool zoomOne;         // Zoom In Max first
  uint64_t frames;      // of the only layer
  bool zoomInEnabled;
  bool zoomOutEnabled;
};

void PrintTo(const PopupCase& c, std::ostream* os) { *os << c.name; }

class EditPopup : public testing::TestWithParam<PopupCase> {};

TEST_P(EditPopup, GreysTheZoomItemsThatWouldDoNothing) {
  const PopupCase& c = GetParam();
  // Given one layer in a main window with an Edit menu
  MouseHarness harness({{c.frames, 0, {}}}, /*editMenu=*/true);
  harness.Start();
  if (c.zoomOne) harness.view().ZoomInMax();
  QAction* zoomIn = ViewMouse::FindCommand(*harness.editMenu(), CommandId::kZoomIn);
  QAction* zoomOut = ViewMouse::FindCommand(*harness.editMenu(), CommandId::kZoomOut);
  ASSERT_NE(zoomIn, nullptr);
  ASSERT_NE(zoomOut, nullptr);
  // When the right button opens the popup in the layer
  QMenu* shown = nullptr;
  bool inEnabled = true, outEnabled = true, busy = false;
  WhenPopupOpens([&](QMenu* menu) {
    shown = menu;
    inEnabled = zoomIn->isEnabled();
    outEnabled = zoomOut->isEnabled();
    busy = harness.view().isBusy();
    menu->close();
  });
  harness.RightClick({100, 60});
  // Then it is the main window's Edit menu, the view is busy while it is
  // open, the zoom items are greyed as the case says, and afterwards both
  // are enabled again and the view is no longer busy
  EXPECT_EQ(shown, harness.editMenu());
  EXPECT_TRUE(busy);
  EXPECT_EQ(inEnabled, c.zoomInEnabled);
  EXPECT_EQ(outEnabled, c.zoomOutEnabled);
  EXPECT_TRUE(zoomIn->isEnabled());
  EXPECT_TRUE(zoomOut->isEnabled());
  EXPECT_FALSE(harness.view().isBusy());
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, EditPopup,
    testing::Values(
        // 400 columns of 4 frames hold 1,600 frames.
        PopupCase{"LongSoundAtZoomFour", false, 20000, true, true},
        PopupCase{"AtZoomOneZoomInIsGreyed", true, 20000, false, true},
        PopupCase{"SoundThatFitsGreysZoomOut", false, 1000, true, false}),
    [](const testing::TestParamInfo<PopupCase>& info) { return std::string(info.param.name); });

TEST(Mouse, ZoomChosenFromThePopupScrollsToTheSelection) {
  // Given a selection from x 140 to 340 in a long layer
  MouseHarness harness({{200000, 0, {}}}, /*editMenu=*/true);
  harness.sound().selectionStart = 1600;
  harness.sound().selectionEnd = 4800;
  harness.Start();
  ASSERT_EQ(harness.view().scrollPosition(), 0);
  // When Zoom In is chosen from the popup
  WhenPopupOpens([&](QMenu* menu) {
    QAction* zoomMenu = nullptr;
    for (QAction* action : menu->actions())
      if (action->menu() != nullptr) zoomMenu = action;
    ASSERT_NE(zoomMenu, nullptr);
    menu->setActiveAction(zoomMenu);
    QTest::keyClick(menu, Qt::Key_Right);
    QMenu* sub = zoomMenu->menu();
    ASSERT_TRUE(sub->isVisible());
    Choose(sub, ViewMouse::FindCommand(*sub, CommandId::kZoomIn));
  });
  harness.RightClick({200, 60});
  // Then the view is at zoom 2, scrolled so the selection's start stands an
  // eighth of the width in from the left: the popup's busy flag was down by
  // the time the command ran
  EXPECT_EQ(harness.view().zoom(), 2);
  EXPECT_EQ(harness.view().scrollPosition(), 1600 / 8 + 40 - kWidth / 8);
}

struct NodeMenuCase {
  const char* name;
  bool choose;
  size_t nodesLeft;
  bool modified;
};

void PrintTo(const NodeMenuCase& c, std::ostream* os) { *os << c.name; }

class NodeMenu : public testing::TestWithParam<NodeMenuCase> {};

TEST_P(NodeMenu, DeletesTheNodeOnlyWhenChosen) {
  const NodeMenuCase& c = GetParam();
  // Given layer 0 with three nodes, in a window with an Edit menu
  std::vector<LayerSpec> layers = kTwoLayers;
  layers[0].nodes = kThreeNodes;
  MouseHarness harness(layers, /*editMenu=*/true);
  harness.Start();
  // When the middle node is right-clicked and its menu chosen from or closed
  QMenu* shown = nullptr;
  WhenPopupOpens([&](QMenu* menu) {
    shown = menu;
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* remove = menu->actions().front();
    EXPECT_EQ(remove->text().toStdString(), "Delete Node");
    EXPECT_EQ(remove->data().toInt(), ToInt(CommandId::kDeleteNode));
    if (c.choose)
      Choose(menu, remove);
    else
      menu->close();
  });
  harness.RightClick({241, 41});
  // Then only the node menu opened, and the node is gone only if chosen
  ASSERT_NE(shown, nullptr);
  EXPECT_NE(shown, harness.editMenu());
  const auto& nodes = harness.sound().layers[0]->nodes;
  ASSERT_EQ(nodes.size(), c.nodesLeft);
  if (c.choose) {
    EXPECT_EQ(nodes[0].position, 1600);
    EXPECT_EQ(nodes[1].position, 4800);
  }
  EXPECT_EQ(harness.document().IsModified(), c.modified);
}

INSTANTIATE_TEST_SUITE_P(Mouse, NodeMenu,
                         testing::Values(NodeMenuCase{"ChosenDeletesIt", true, 2, true},
                                         NodeMenuCase{"ClosedKeepsIt", false, 3, false}),
                         [](const testing::TestParamInfo<NodeMenuCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Cursor shapes

struct ShapeCase {
  const char* name;
  QPoint at;
  Qt::CursorShape shape;
};

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class CursorShape : public testing::TestWithParam<ShapeCase> {};

TEST_P(CursorShape, FollowsTheZoneUnderTheMouse) {
  // Given layer 0 active with a selection from x 100 to 200 and the three
  // nodes, and layer 1 at offset 1,600 (header x 100 to 140)
  std::vector<LayerSpec> layers = kTwoLayers;
  layers[0].nodes = kThreeNodes;
  MouseHarness harness(layers);
  harness.sound().selectionStart = 960;
  harness.sound().selectionEnd = 2560;
  harness.Start();
  // When the mouse moves there without a button
  harness.Hover(GetParam().at);
  // Then the view shows the case's cursor
  EXPECT_EQ(harness.client()->cursor().shape(), GetParam().shape);
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, CursorShape,
    testing::Values(ShapeCase{"NodeOfTheActiveLayer", {243, 37}, Qt::SizeAllCursor},
                    ShapeCase{"LayerHeader", {120, 90}, Qt::SizeAllCursor},
                    ShapeCase{"SelectionStartEdge", {102, 50}, Qt::SizeHorCursor},
                    ShapeCase{"SelectionEndEdge", {198, 50}, Qt::SizeHorCursor},
                    ShapeCase{"InsideALayer", {300, 90}, Qt::IBeamCursor},
                    ShapeCase{"PastTheLayersEnd", {420, 90}, Qt::ArrowCursor},
                    ShapeCase{"TimeRuler", {300, 5}, Qt::ArrowCursor},
                    ShapeCase{"SelectionEdgeSeenFromAnotherLayer", {200, 90}, Qt::IBeamCursor}),
    [](const testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

}  // namespace
