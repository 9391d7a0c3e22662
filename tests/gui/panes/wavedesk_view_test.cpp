// The waveform view on Qt's offscreen platform: the pixels its behaviour
// hangs on (band edges, ruler ticks and labels, the inverted cursor column,
// an envelope's solid and dotted parts), the trace of a one-sample click, and
// what the zoom commands do to the zoom and the scroll range.
#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <ostream>
#include <memory>
#include <utility>
#include <vector>

#include "gui/document/wavedesk_doc.h"
#include "gui/panes/wavedesk_view.h"

namespace {

const QColor kFace(192, 192, 192);      // Button
const QColor kShadow(128, 128, 128);    // Dark
const QColor kHighlight(255, 255, 255); // Light
const QColor kDarkShadow(40, 40, 40);   // Shadow
const QColor kOutline(17, 17, 17);
constexpr uint32_t kEnvelopeColor = 0x00FF0000;  // pure blue: 0x00BBGGRR
const QColor kEnvelope(0, 0, 255);

// A document with its view shown at an exact client size, drawing with a
// palette the test knows.
class ViewHarness {
 public:
  ViewHarness(int width, int height) {
    m_settings.autoCreateEnvelope = 0;  // no envelope lines unless a case adds them
    m_settings.zoomToFitOnOpen = 0;
    m_document = std::make_unique<CWavedeskDoc>(m_settings);
    m_view = std::make_unique<CWavedeskView>(m_document.get());
    QPalette colors = m_view->palette();
    colors.setColor(QPalette::Button, kFace);
    colors.setColor(QPalette::Dark, kShadow);
    colors.setColor(QPalette::Light, kHighlight);
    colors.setColor(QPalette::Shadow, kDarkShadow);
    colors.setColor(QPalette::WindowText, Qt::black);
    m_view->setPalette(colors);
    m_width = width;
    m_height = height;
  }

  CSound& sound() { return m_document->sound(); }
  CWavedeskView& view() { return *m_view; }

  CSoundLayer& AddSilentLayer(uint64_t frames, int32_t offset = 0) {
    auto data = std::make_unique<uint8_t[]>(frames * 4);
    CSoundLayer& layer = sound().AppendLayer("", std::move(data), frames * 4);
    layer.offset = offset;
    return layer;
  }

  // Shows the view and runs its first update, then sizes it so that the
  // client area is exactly the harness's size, scroll bar or not.
  void Start() {
    m_view->resize(m_width, m_height);
    m_view->show();
    m_view->OnInitialUpdate();
    Fit();
  }
  void Fit() {
    for (int round = 0; round < 4; ++round) {
      QApplication::processEvents();
      const int extra = m_view->height() - m_view->viewport()->height();
      m_view->resize(m_width, m_height + extra);
    }
    QApplication::processEvents();
    ASSERT_EQ(m_view->clientWidth(), m_width);
    ASSERT_EQ(m_view->clientHeight(), m_height);
  }

  // What the window shows, drawn through the view's own paint path.
  QImage Grab() { return m_view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

 private:
  SettingsRecord m_settings;
  std::unique_ptr<CWavedeskDoc> m_document;
  std::unique_ptr<CWavedeskView> m_view;
  int m_width = 0;
  int m_height = 0;
};

QColor At(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }
QColor Inverted(const QColor& c) { return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); }

// ---------------------------------------------------------------------------

struct BandRowCase {
  const char* name;
  int y;
  std::function<bool(const QColor&)> expected;
};

void PrintTo(const BandRowCase& c, std::ostream* os) { *os << c.name; }

class ThreeBandsTest : public testing::TestWithParam<BandRowCase> {};

TEST_P(ThreeBandsTest, RowsOfAHundredPixelView) {
  // Given three silent layers of 2,000 frames at zoom 4 (all on screen) in a
  // view 300 pixels wide and 100 high: band height (100 - 30) / 3 = 23
  ViewHarness harness(300, 100);
  for (int i = 0; i < 3; ++i) harness.AddSilentLayer(2000);
  harness.sound().activeLayerIndex = 2;
  harness.Start();
  ASSERT_EQ(harness.view().BandHeight(), 23);
  // When the view is drawn
  const QImage image = harness.Grab();
  // Then at a column inside the layers, clear of ruler ticks (x = 205), the
  // row is what the case says
  EXPECT_TRUE(GetParam().expected(At(image, 205, GetParam().y)))
      << "row " << GetParam().y << " is " << At(image, 205, GetParam().y).name().toStdString();
}

bool IsShadow(const QColor& c) { return c == kShadow; }
bool IsOutline(const QColor& c) { return c == kOutline; }
bool IsDarkShadow(const QColor& c) { return c == kDarkShadow; }
bool IsFace(const QColor& c) { return c == kFace; }
// The band's gradient: light, and neither of the system colours.
bool IsGradient(const QColor& c) { return c != kShadow && c != kFace && c.lightness() > 150; }

INSTANTIATE_TEST_SUITE_P(
    View, ThreeBandsTest,
    testing::Values(BandRowCase{"TopRulerEdge", 14, IsShadow},
                    BandRowCase{"LineAboveFirstBand", 15, IsShadow},
                    BandRowCase{"FirstFrameTop", 16, IsOutline},
                    BandRowCase{"FirstBandGradient", 20, IsGradient},
                    BandRowCase{"FirstFrameBottom", 37, IsDarkShadow},
                    BandRowCase{"FirstSeparator", 38, IsShadow},
                    BandRowCase{"SecondFrameTop", 39, IsOutline},
                    BandRowCase{"SecondFrameBottom", 60, IsDarkShadow},
                    BandRowCase{"SecondSeparator", 61, IsShadow},
                    BandRowCase{"ThirdFrameTop", 62, IsOutline},
                    BandRowCase{"ThirdBandGradient", 70, IsGradient},
                    BandRowCase{"ThirdFrameBottom", 83, IsDarkShadow},
                    BandRowCase{"LeftOverStrip", 84, IsShadow},
                    BandRowCase{"BottomRuler", 85, IsFace}),
    [](const testing::TestParamInfo<BandRowCase>& info) { return std::string(info.param.name); });

TEST(View, LayersEndWhereTheirFramesEnd) {
  // Given a layer of 800 frames at zoom 4: content x 40 to 240
  ViewHarness harness(400, 100);
  harness.AddSilentLayer(800);
  harness.Start();
  const QImage image = harness.Grab();
  // Then the frame's right edge is at x 239 and the shadow begins at 240,
  // and the header's left edge (x 0) carries the corner mark's outline
  EXPECT_EQ(At(image, 239, 50), kDarkShadow);
  EXPECT_EQ(At(image, 240, 50), kShadow);
  EXPECT_EQ(At(image, 0, 16), kOutline);
  EXPECT_TRUE(IsGradient(At(image, 100, 30)));
}

// ---------------------------------------------------------------------------

// Columns of a row that are black, left to right.
std::vector<int> BlackColumns(const QImage& image, int y) {
  std::vector<int> columns;
  for (int x = 0; x < image.width(); ++x)
    if (At(image, x, y) == QColor(Qt::black)) columns.push_back(x);
  return columns;
}

// Whether any pixel of the rectangle is dark enough to be label text.
bool HasText(const QImage& image, int left, int top, int right, int bottom) {
  for (int y = top; y < bottom; ++y)
    for (int x = std::max(left, 0); x < std::min(right, image.width()); ++x)
      if (At(image, x, y).lightness() < 100) return true;
  return false;
}

TEST(View, RulersAtZoomFour) {
  // Given a long layer at zoom 4, scrolled to the start, 1000 pixels wide
  ViewHarness harness(1000, 120);
  harness.AddSilentLayer(100000);
  harness.Start();
  ASSERT_EQ(harness.view().zoom(), 4);
  ASSERT_EQ(harness.view().scrollPosition(), 0);
  const QImage image = harness.Grab();
  const int h = 120;

  // Then the time ruler's ticks fall every 20 ms of sound (882 frames,
  // 220 or 221 pixels), the first at content x 40
  EXPECT_EQ(BlackColumns(image, 13), (std::vector<int>{40, 261, 481, 702, 922}));
  // and each tick carries its label to its right, with nothing just left of it
  for (int x : {40, 261, 481, 702, 922}) {
    EXPECT_TRUE(HasText(image, x + 1, 3, x + 12, 12)) << "time label at " << x;
    EXPECT_FALSE(HasText(image, x - 8, 3, x, 12)) << "left of time label at " << x;
  }
  // And the frame ruler's long ticks fall every 50 pixels from x 40 (with
  // short ones between), labelled 0, 800, 1600 ... every 200 pixels
  const std::vector<int> longTicks = BlackColumns(image, h - 13);
  EXPECT_EQ(longTicks, (std::vector<int>{40, 90, 140, 190, 240, 290, 340, 390, 440, 490, 540, 590, 640, 690, 740,
                                         790, 840, 890, 940, 990}));
  EXPECT_EQ(BlackColumns(image, h - 15).size(), 100u);  // every 10 columns
  for (int x : {40, 240, 440, 640, 840}) {
    EXPECT_TRUE(HasText(image, x + 1, h - 11, x + 8, h - 1)) << "frame label at " << x;
    EXPECT_FALSE(HasText(image, x - 30, h - 11, x - 1, h - 1)) << "left of frame label at " << x;
  }
  // The label at 240 reads "800": three digits, wider than the one at 40 ("0")
  auto rightmostText = [&](int x) {
    int last = x;
    for (int c = x; c < x + 40; ++c)
      if (HasText(image, c, h - 11, c + 1, h - 1)) last = c;
    return last - x;
  };
  EXPECT_GT(rightmostText(240), 2 * rightmostText(40));
}

TEST(View, TimeTextPadsMillisecondsToFourDigits) {
  struct Case {
    int64_t ms;
    const char* text;
  };
  for (const Case& c : {Case{61500, "01:01:0500"}, Case{0, "00:00:0000"}, Case{20, "00:00:0020"},
                        Case{6000000, "100:00:0000"}})
    EXPECT_EQ(CWavedeskView::TimeText(c.ms).toStdString(), c.text);
}

// ---------------------------------------------------------------------------

TEST(View, CursorIsOneInvertedColumnOfTheActiveBand) {
  // Given three layers, layer 1 active, drawn once without a selection mark
  // far off screen and once with a cursor at frame 400 (content x 140)
  ViewHarness harness(300, 100);
  for (int i = 0; i < 3; ++i) harness.AddSilentLayer(2000);
  harness.sound().activeLayerIndex = 1;
  harness.sound().selectionStart = harness.sound().selectionEnd = 4 * 100000;
  harness.Start();
  const QImage plain = harness.Grab();
  harness.sound().selectionStart = harness.sound().selectionEnd = 4 * 400;
  const QImage marked = harness.Grab();
  // Then exactly the pixels of column 140 in band 1 (y 38 to 60) are inverted
  for (int y = 0; y < 100; ++y) {
    for (int x = 130; x < 150; ++x) {
      const bool inColumn = x == 140 && y >= 38 && y < 61;
      EXPECT_EQ(At(marked, x, y), inColumn ? Inverted(At(plain, x, y)) : At(plain, x, y)) << x << "," << y;
    }
  }
}

struct InversionCase {
  const char* name;
  bool envelope;          // a ramp envelope runs through the selections
  int32_t oldStartFrame;  // the selection drawn first ...
  int32_t oldEndFrame;
  int32_t newFrame;       // ... and the cursor it moves to by inversion
};

class InversionTest : public testing::TestWithParam<InversionCase> {};

TEST_P(InversionTest, MovesTheSelectionAsAFullRepaintWould) {
  // Given a selection drawn in layer 0
  const InversionCase& c = GetParam();
  ViewHarness harness(300, 100);
  harness.AddSilentLayer(2000);
  harness.AddSilentLayer(2000);
  if (c.envelope) harness.sound().layers[0]->nodes = {{-1.0, 0}, {1.0, 4 * 1000}};
  harness.sound().selectionStart = 4 * c.oldStartFrame;
  harness.sound().selectionEnd = 4 * c.oldEndFrame;
  harness.Start();
  harness.Grab();
  // When playback or a click moves it to a cursor by inversion
  harness.sound().selectionStart = harness.sound().selectionEnd = 4 * c.newFrame;
  harness.view().UpdateSelectionByInversion(4 * c.oldStartFrame, 4 * c.oldEndFrame, 0);
  const QImage inverted = harness.view().backBuffer().copy();
  // Then the window shows what a full repaint of the new state shows
  const QImage full = harness.Grab();
  ASSERT_EQ(inverted.size(), full.size());
  for (int y = 0; y < full.height(); ++y)
    for (int x = 0; x < full.width(); ++x)
      ASSERT_EQ(At(inverted, x, y), At(full, x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    View, InversionTest,
    testing::Values(InversionCase{"CursorToCursor", false, 400, 400, 480},
                    InversionCase{"CursorAcrossAnEnvelope", true, 400, 400, 480},
                    InversionCase{"SelectionUnderAnEnvelopeToCursor", true, 100, 700, 900}),
    [](const testing::TestParamInfo<InversionCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------

// Per column, whether any pixel within one row of y has the envelope colour.
std::vector<bool> EnvelopeColumns(const QImage& image, int y, int left, int right, int spread) {
  std::vector<bool> hits;
  for (int x = left; x < right; ++x) {
    bool hit = false;
    for (int dy = -spread; dy <= spread; ++dy) hit = hit || At(image, x, y + dy) == kEnvelope;
    hits.push_back(hit);
  }
  return hits;
}

TEST(View, EnvelopeIsSolidBetweenNodesAndDottedBeyondThem) {
  // Given one layer of 4,000 frames with two nodes at level 0.5, at frames
  // 400 and 2,000 (content x 140 and 540), in a view 800 wide
  ViewHarness harness(800, 100);
  CSoundLayer& layer = harness.AddSilentLayer(4000);
  layer.envelopeColor = kEnvelopeColor;
  layer.nodes = {EnvelopeNode{0.5, 4 * 400}, EnvelopeNode{0.5, 4 * 2000}};
  harness.Start();
  const QImage image = harness.Grab();
  const int y = harness.view().NodeY(0, 0.5);
  ASSERT_EQ(y, 15 + 35 - 15);  // B = 70: 5 + (35 - 5) / 2 below the centre

  // Then the handles sit on the nodes
  EXPECT_EQ(At(image, 140, y), kEnvelope);
  EXPECT_EQ(At(image, 540, y), kEnvelope);
  // And between them the line is solid (every column)
  for (bool hit : EnvelopeColumns(image, y, 150, 530, 1)) EXPECT_TRUE(hit);
  // And from the window's left edge to the first node, and from the last node
  // to the right edge, it is dotted on the nodes' row: marks with gaps between
  for (auto [left, right] : {std::pair{0, 130}, std::pair{550, 800}}) {
    const auto hits = EnvelopeColumns(image, y, left, right, 0);
    const auto marks = std::count(hits.begin(), hits.end(), true);
    EXPECT_GT(marks, (right - left) / 5) << left;
    EXPECT_LT(marks, (right - left) * 3 / 4) << left;
    for (size_t i = 0; i + 3 < hits.size(); ++i)
      EXPECT_TRUE(hits[i] || hits[i + 1] || hits[i + 2] || hits[i + 3]) << "gap at " << left + static_cast<int>(i);
    // and it stays on that row
    for (bool hit : EnvelopeColumns(image, y - 2, left, right, 0)) EXPECT_FALSE(hit);
  }
}

TEST(View, EnvelopeOffOrWithoutNodesDrawsNoLine) {
  ViewHarness harness(400, 100);
  CSoundLayer& off = harness.AddSilentLayer(4000);
  off.envelopeColor = kEnvelopeColor;
  off.nodes = {EnvelopeNode{0.5, 0}};
  off.envelopeOn = 0;
  CSoundLayer& empty = harness.AddSilentLayer(4000);
  empty.envelopeColor = kEnvelopeColor;
  harness.Start();
  const QImage image = harness.Grab();
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 400; ++x) ASSERT_NE(At(image, x, y), kEnvelope) << x << "," << y;
}

// ---------------------------------------------------------------------------

TEST(View, ASingleSampleClickShowsAtEveryZoom) {
  // Given a silent layer of 10 seconds with one right-channel sample at full
  // scale at frame 300,001
  ViewHarness harness(600, 100);
  CSoundLayer& layer = harness.AddSilentLayer(441000);
  layer.waveColor = 0x000000FF;  // red
  layer.samples()[2 * 300001 + 1] = 32767;
  harness.sound().selectionStart = harness.sound().selectionEnd = 4 * 300001;
  harness.Start();
  harness.view().ZoomOutMax();
  for (int step = 0; step < 12; ++step) {
    // When drawn at this zoom (each Zoom In centres on the cursor by the click)
    const QImage image = harness.Grab();
    const int x = static_cast<int>(harness.view().ContentXOfPosition(4 * 300001) - harness.view().scrollPosition());
    ASSERT_GE(x, 0);
    ASSERT_LT(x, 600);
    // Then the click's column reaches up to half the band above the centre line
    // (the trace sums both channels: 32767 of 65,600 of the half height)
    int top = 100;
    for (int y = 0; y < 100; ++y)
      if (At(image, x, y) == QColor(255, 0, 0) || At(image, x, y) == Inverted(QColor(255, 0, 0))) top = std::min(top, y);
    EXPECT_LE(top, 50 - 15) << "zoom " << harness.view().zoom();
    harness.view().ZoomIn();
  }
}

// The topmost and bottommost rows of the trace's colour (red) in a column,
// or {-1, -1} when the column has none.
std::pair<int, int> TraceSpan(const QImage& image, int x) {
  int top = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    if (At(image, x, y) != QColor(255, 0, 0)) continue;
    if (top < 0) top = y;
    bottom = y;
  }
  return {top, bottom};
}

// The topmost row of a column that has the trace's colour (red), or -1.
int TraceTop(const QImage& image, int x) { return TraceSpan(image, x).first; }

TEST(View, TraceFollowsALayerDraggedUnderTheWindow) {
  // Given a long red layer with a click at frame 100,000, at zoom 1, scrolled
  // so that the layer covers the window on both sides
  ViewHarness harness(400, 100);
  CSoundLayer& layer = harness.AddSilentLayer(400000);
  layer.waveColor = 0x000000FF;
  layer.samples()[2 * 100000] = 32767;
  harness.sound().selectionStart = harness.sound().selectionEnd = 4 * 399999;
  harness.Start();
  harness.view().ZoomIn();
  harness.view().ZoomIn();
  harness.view().ScrollTo(100000 + 40 - 200);
  const QImage before = harness.Grab();
  ASSERT_LT(TraceTop(before, 200), 40);
  // When the layer is moved 50 frames to the right (same visible range, same zoom)
  layer.offset = 4 * 50;
  const QImage after = harness.Grab();
  // Then the click is drawn 50 columns further right, and no longer where it was
  EXPECT_LT(TraceTop(after, 250), 40);
  EXPECT_GT(TraceTop(after, 200), 40);
}

TEST(View, ASignalAndItsNegationAreDrawnAsMirrorImages) {
  // Given a tone of 440 Hz, whose period does not divide into the columns,
  // drawn at 64 frames a column (where a column may miss a crest or a trough)
  // and at 1 frame a column (where the trace moves several rows a column)
  for (const int zoom : {64, 1}) {
    ViewHarness harness(400, 100);
    CSoundLayer& layer = harness.AddSilentLayer(40000);
    layer.waveColor = 0x000000FF;
    auto fill = [&](int sign) {
      for (uint64_t f = 0; f < 40000; ++f) {
        const auto v = static_cast<int16_t>(sign * std::lround(20000 * std::sin(2 * M_PI * 440 * f / 44100.0)));
        layer.samples()[2 * f] = layer.samples()[2 * f + 1] = v;
      }
    };
    fill(1);
    harness.sound().selectionStart = harness.sound().selectionEnd = 4 * 39999;
    harness.Start();
    while (harness.view().zoom() < zoom) harness.view().ZoomOut();
    while (harness.view().zoom() > zoom) harness.view().ZoomIn();
    ASSERT_EQ(harness.view().zoom(), zoom);
    harness.view().ScrollTo(int32_t{0});
    const QImage upright = harness.Grab();
    fill(-1);
    harness.view().OnUpdate(UpdateHint::kAll);
    const QImage negated = harness.Grab();
    // Then each column of the one is the other's turned over the centre line
    // (row 50 of the single 70-row band from row 15), and the trace has no
    // gap between neighbouring columns
    constexpr int kCentre = 50;
    std::pair<int, int> previous{-1, -1};
    for (int x = 41; x < 400; ++x) {
      const auto [top, bottom] = TraceSpan(upright, x);
      const auto [negatedTop, negatedBottom] = TraceSpan(negated, x);
      ASSERT_GE(top, 0) << "column " << x << ", zoom " << zoom;
      EXPECT_EQ(top - kCentre, kCentre - negatedBottom) << "column " << x << ", zoom " << zoom;
      EXPECT_EQ(bottom - kCentre, kCentre - negatedTop) << "column " << x << ", zoom " << zoom;
      if (previous.first >= 0) {
        EXPECT_LE(top, previous.second + 1) << "column " << x << ", zoom " << zoom;
        EXPECT_GE(bottom, previous.first - 1) << "column " << x << ", zoom " << zoom;
      }
      previous = {top, bottom};
    }
  }
}

TEST(View, AnEditInPlaceShowsAfterTheDocumentUpdate) {
  // Given a silent red layer drawn once
  ViewHarness harness(400, 100);
  CSoundLayer& layer = harness.AddSilentLayer(1000);
  layer.waveColor = 0x000000FF;
  harness.sound().selectionStart = harness.sound().selectionEnd = 4 * 999;
  harness.Start();
  ASSERT_GT(TraceTop(harness.Grab(), 140), 40);
  // When an edit changes its samples in place and updates the views
  layer.samples()[2 * 400] = 32767;
  harness.view().OnUpdate(UpdateHint::kAll);
  // Then the new sample is drawn
  EXPECT_LT(TraceTop(harness.Grab(), 140), 40);
}

// ---------------------------------------------------------------------------

struct ZoomCase {
  const char* name;
  uint64_t frames;
  std::function<void(CWavedeskView&)> prepare;
  std::function<void(CWavedeskView&)> command;
  int zoom;
  int scroll;
  int scrollMaximum;
};

void PrintTo(const ZoomCase& c, std::ostream* os) { *os << c.name; }

class ZoomTest : public testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomTest, ZoomAndScrollRange) {
  // Given a layer of the case's length in a view 540 wide (500 columns of
  // sound), prepared as the case says, with the cursor at frame 0
  const ZoomCase& c = GetParam();
  ViewHarness harness(540, 100);
  harness.AddSilentLayer(c.frames);
  harness.Start();
  if (c.prepare) c.prepare(harness.view());
  // When the command runs
  c.command(harness.view());
  harness.Fit();
  // Then zoom, scroll position and scroll range are the case's
  EXPECT_EQ(harness.view().zoom(), c.zoom);
  EXPECT_EQ(harness.view().scrollPosition(), c.scroll);
  EXPECT_EQ(harness.view().horizontalScrollBar()->maximum(), c.scrollMaximum);
}

void ZoomInMax(CWavedeskView& v) { v.ZoomInMax(); }

INSTANTIATE_TEST_SUITE_P(
    View, ZoomTest,
    testing::Values(
        // 441,000 frames fit 500 columns at zoom 1024 (512 × 500 is too few)
        ZoomCase{"OutMaxFitsTheSound", 441000, nullptr, [](CWavedeskView& v) { v.ZoomOutMax(); }, 1024, 0, 0},
        ZoomCase{"OutMaxOfAShortSoundStaysAtOne", 300, nullptr, [](CWavedeskView& v) { v.ZoomOutMax(); }, 1, 0, 0},
        ZoomCase{"OutDoesNothingWhenTheSoundFits", 441000, [](CWavedeskView& v) { v.ZoomOutMax(); },
                 [](CWavedeskView& v) { v.ZoomOut(); }, 1024, 0, 0},
        // Zoom 8: 441,000 / 8 + 40 = 55,165 wide, of which 540 show
        ZoomCase{"OutDoublesAndSetsTheRange", 441000, nullptr, [](CWavedeskView& v) { v.ZoomOut(); }, 8, 0,
                 55165 - 540},
        ZoomCase{"InFromTwoGivesOne", 441000,
                 [](CWavedeskView& v) {
                   v.ZoomIn();
                   v.ZoomIn();
                   v.ZoomOut();
                 },
                 [](CWavedeskView& v) { v.ZoomIn(); }, 1, 0, 441040 - 540},
        ZoomCase{"InAtOneDoesNotScroll", 441000,
                 [](CWavedeskView& v) {
                   v.ZoomIn();
                   v.ZoomIn();
                   v.ScrollTo(777);
                 },
                 [](CWavedeskView& v) { v.ZoomIn(); }, 1, 777, 441040 - 540},
        // Zoom In Max scales the scroll position by the old zoom
        ZoomCase{"InMaxScalesThePosition", 441000, [](CWavedeskView& v) { v.ScrollTo(1000); }, ZoomInMax, 1, 4000,
                 441040 - 540}),
    [](const testing::TestParamInfo<ZoomCase>& info) { return std::string(info.param.name); });

TEST(View, ZoomStepKeepsTheCursorInTheMiddle) {
  // Given a cursor at frame 100,000 at zoom 4
  ViewHarness harness(540, 100);
  harness.AddSilentLayer(441000);
  harness.sound().selectionStart = harness.sound().selectionEnd = 4 * 100000;
  harness.Start();
  // When zooming in and out
  harness.view().ZoomIn();
  // Then the cursor's column stands in the middle of the window
  EXPECT_EQ(harness.view().scrollPosition(), 100000 / 2 + 40 - 270);
  harness.view().ZoomOut();
  EXPECT_EQ(harness.view().scrollPosition(), 100000 / 4 + 40 - 270);
  // And a selection longer than 5 bytes stands an eighth in from the left
  harness.sound().selectionEnd = 4 * 100100;
  harness.view().ZoomOut();
  EXPECT_EQ(harness.view().scrollPosition(), 100000 / 8 + 40 - 540 / 8);
}

TEST(View, ZoomToFitWhenOpeningFollowsThePreference) {
  // Given the preference on and a view not yet shown
  SettingsRecord settings;
  settings.zoomToFitOnOpen = 1;
  CWavedeskDoc document(settings);
  auto data = std::make_unique<uint8_t[]>(441000 * 4);
  document.sound().AppendLayer("", std::move(data), 441000 * 4);
  CWavedeskView view(&document);
  view.resize(540, 120);
  // When its first update runs before it is shown, then it is shown
  view.OnInitialUpdate();
  view.show();
  QApplication::processEvents();
  // Then it fits the sound to the width it has on screen
  EXPECT_EQ(view.zoom(), 1024);
}

}  // namespace
