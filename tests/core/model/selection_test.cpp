// The selection's rules, each once: the part of a selection inside a layer
// rounded to whole frames, the clamp into a layer, the test of lying in a
// layer, the move with a layer, and the choice of the active layer.
#include "core/model/selection.h"

#include <gtest/gtest.h>

#include "core/model/sound.h"

namespace {

// A silent layer of `length` bytes at `offset`.
CSoundLayer& AddLayer(CSound& sound, uint64_t length, int32_t offset) {
  CSoundLayer& layer = sound.AppendLayer("", std::make_unique<uint8_t[]>(length), length);
  layer.offset = offset;
  return layer;
}

TEST(Selection, InLayerClampsAndRoundsUpToWholeFrames) {
  CSound sound;
  const CSoundLayer& layer = AddLayer(sound, 40, 100);
  struct Case {
    int32_t start, end;
    LayerRange range;
  };
  const Case cases[] = {
      {108, 116, {8, 16}},  // whole frames stay
      {107, 113, {8, 16}},  // each end rounded up
      {90, 104, {0, 4}},    // before the layer: from its start
      {136, 500, {36, 40}}, // past its end: to its end
      {138, 139, {40, 40}}, // "end - 2": the end
      {20, 30, {0, 0}},     // wholly before it
  };
  for (const Case& c : cases) EXPECT_EQ((Selection{c.start, c.end}.InLayer(layer)), c.range) << c.start << ".." << c.end;
}

TEST(Selection, ClampLieInAndMove) {
  CSound sound;
  const CSoundLayer& layer = AddLayer(sound, 40, 100);
  const CSoundLayer& empty = AddLayer(sound, 0, 300);
  EXPECT_EQ((Selection{50, 500}.ClampedTo(layer)), (Selection{100, 139}));
  EXPECT_EQ((Selection{50, 500}.ClampedTo(empty)), (Selection{300, 300}));
  EXPECT_TRUE((Selection{100, 139}.LiesIn(layer)));
  EXPECT_FALSE((Selection{100, 140}.LiesIn(layer)));
  EXPECT_FALSE((Selection{99, 120}.LiesIn(layer)));
  EXPECT_EQ((Selection{10, 20}.MovedBy(-15)), (Selection{0, 5}));
  EXPECT_EQ((Selection{10, 20}.MovedBy(kLargestSoundPosition)), (Selection{kLargestSoundPosition, kLargestSoundPosition}));
  EXPECT_EQ(Selection::Range(30, 10), (Selection{10, 30}));
  EXPECT_EQ(Selection::Range(-5, int64_t{1} << 40), (Selection{0, kLargestSoundPosition}));
}

TEST(Selection, ActivatingALayerFollowsTheRuleOfWhereItWasPicked) {
  struct Case {
    const char* name;
    SelectionOnActivate rule;
    Selection before;
    Selection after;
  };
  const Case cases[] = {
      {"click_keeps_a_selection_inside", SelectionOnActivate::kCursorUnlessInside, {110, 120}, {110, 120}},
      {"click_collapses_one_outside", SelectionOnActivate::kCursorUnlessInside, {10, 120}, {100, 100}},
      {"list_pick_clamps_each_end", SelectionOnActivate::kClampInside, {10, 500}, {100, 139}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSound sound;
    AddLayer(sound, 400, 0);
    AddLayer(sound, 40, 100);
    c.before.ApplyTo(sound);
    ASSERT_TRUE(ActivateLayer(sound, 1, c.rule));
    EXPECT_EQ(sound.activeLayerIndex, 1);
    EXPECT_EQ(Selection::Of(sound), c.after);
    EXPECT_FALSE(ActivateLayer(sound, 2, c.rule));
    EXPECT_EQ(sound.activeLayerIndex, 1);
  }
}

}  // namespace
