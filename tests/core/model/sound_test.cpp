// The sound object: its length, the active-layer rules, generated layers and
// the mix-down of all layers through their envelopes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/model/envelope_walker.h"
#include "core/model/layer_mixer.h"
#include "core/model/sound.h"

namespace {

const SettingsRecord& NoEnvelope() {
  static const SettingsRecord settings = [] {
    SettingsRecord s;
    s.autoCreateEnvelope = 0;
    return s;
  }();
  return settings;
}

std::unique_ptr<uint8_t[]> Samples(const std::vector<int16_t>& values) {
  auto data = std::make_unique<uint8_t[]>(values.size() * 2);
  std::memcpy(data.get(), values.data(), values.size() * 2);
  return data;
}

// A layer of `values` at `offset`.
CSoundLayer& AddLayer(CSound& sound, const std::vector<int16_t>& values, int32_t offset = 0) {
  CSoundLayer& layer = sound.AppendLayer("", Samples(values), values.size() * 2);
  layer.offset = offset;
  return layer;
}

// A layer of `length` bytes (no samples needed) at `offset`.
void AddSpan(CSound& sound, int32_t offset, uint64_t length) {
  sound.AppendLayer("", nullptr, length).offset = offset;
}

std::vector<int16_t> Mix(CSound& sound) {
  const uint32_t length = sound.GetLength();
  auto buffer = sound.MixDown();
  std::vector<int16_t> values(length / 2);
  std::memcpy(values.data(), buffer.get(), values.size() * 2);
  return values;
}

TEST(Sound, NewSoundIsEmptyWithEmptyTags) {
  CSound sound;
  EXPECT_EQ(sound.GetLength(), 0u);
  for (const std::string& tag : sound.tags) EXPECT_EQ(tag, "(empty)");
  EXPECT_FALSE(sound.SelectLayerFromSelection());
  EXPECT_EQ(sound.activeLayerIndex, 0);
  EXPECT_EQ(sound.workingFormat, WorkingFormat());
}

struct LengthCase {
  const char* name;
  std::vector<std::pair<int32_t, uint64_t>> layers;  // offset, length
  uint32_t length;
};

class SoundLengthTest : public testing::TestWithParam<LengthCase> {};

TEST_P(SoundLengthTest, IsTheLargestLayerEnd) {
  CSound sound(NoEnvelope());
  for (auto [offset, length] : GetParam().layers) AddSpan(sound, offset, length);
  EXPECT_EQ(sound.GetLength(), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Sound, SoundLengthTest,
    testing::Values(LengthCase{"OneLayer", {{0, 400}}, 400},
                    LengthCase{"OffsetCounts", {{0, 400}, {1000, 8}}, 1008},
                    LengthCase{"NegativeOffsetShortens", {{-100, 400}}, 300},
                    LengthCase{"BeyondThirtyTwoBitsIsCapped", {{2000, 0xFFFFFFFFull}}, 0xFFFFFFFFu}),
    [](const testing::TestParamInfo<LengthCase>& info) { return info.param.name; });

struct SelectCase {
  const char* name;
  int32_t start, end;
  bool found;
  int32_t active;
};

class SelectLayerTest : public testing::TestWithParam<SelectCase> {};

TEST_P(SelectLayerTest, PicksTheFirstLayerHoldingTheSelection) {
  // Layers: [0, 1000), [500, 3000), [2000, 2400)
  CSound sound(NoEnvelope());
  AddSpan(sound, 0, 1000);
  AddSpan(sound, 500, 2500);
  AddSpan(sound, 2000, 400);
  sound.selectionStart = GetParam().start;
  sound.selectionEnd = GetParam().end;
  EXPECT_EQ(sound.SelectLayerFromSelection(), GetParam().found);
  EXPECT_EQ(sound.activeLayerIndex, GetParam().active);
}

INSTANTIATE_TEST_SUITE_P(
    Sound, SelectLayerTest,
    testing::Values(SelectCase{"CursorInFirst", 10, 10, true, 0},
                    SelectCase{"OverlapTakesFirstInListOrder", 600, 700, true, 0},
                    SelectCase{"EndEqualToLayerEndIsOutside", 600, 1000, true, 1},
                    SelectCase{"OnlySecondHoldsIt", 2100, 2300, true, 1},
                    SelectCase{"NoLayerFallsBackToZero", 100, 2999, false, 0},
                    SelectCase{"PastEverything", 5000, 5000, false, 0}),
    [](const testing::TestParamInfo<SelectCase>& info) { return info.param.name; });

TEST(Sound, SelectionInActiveLayerNeedsBothEndsInside) {
  CSound sound(NoEnvelope());
  AddSpan(sound, 100, 100);
  sound.activeLayerIndex = 0;
  const struct {
    int32_t start, end;
    bool inside;
  } cases[] = {{100, 100, true}, {150, 199, true}, {99, 150, false}, {150, 200, false}, {200, 200, false}};
  for (const auto& c : cases) {
    sound.selectionStart = c.start;
    sound.selectionEnd = c.end;
    EXPECT_EQ(sound.IsSelectionInActiveLayer(), c.inside) << c.start << ".." << c.end;
  }
  sound.activeLayerIndex = 5;  // no such layer
  EXPECT_FALSE(sound.IsSelectionInActiveLayer());
}

TEST(Sound, CreateGeneratedMakesABlankWorkingFormatSound) {
  CSound sound;
  GeneratorParameters blank;
  blank.functionType = kGenerateSilence;
  ASSERT_TRUE(sound.CreateGenerated(blank));
  EXPECT_EQ(sound.path, "(no name)");
  EXPECT_STREQ(sound.riffId, "RIFF");
  EXPECT_STREQ(sound.waveId, "WAVE");
  EXPECT_EQ(sound.formatSize, 18u);
  EXPECT_EQ(sound.fileFormat, MakeFormatRecord(WorkingFormat()));
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers[0]->name, "Layer 1");
  EXPECT_EQ(sound.layers[0]->length(), 160000u);
  EXPECT_EQ(sound.GetLength(), 160000u);
  ASSERT_TRUE(sound.AddGeneratedLayer(blank));
  EXPECT_EQ(sound.layers[1]->name, "Layer 2");
  GeneratorParameters negative;
  negative.length = -1;
  EXPECT_FALSE(sound.AddGeneratedLayer(negative));
  EXPECT_EQ(sound.layers.size(), 2u);
}

struct MixCase {
  const char* name;
  std::vector<std::pair<int32_t, std::vector<int16_t>>> layers;  // offset, samples
  std::vector<int16_t> mix;
};

class MixDownTest : public testing::TestWithParam<MixCase> {};

TEST_P(MixDownTest, SumsTheLayers) {
  CSound sound(NoEnvelope());
  for (const auto& [offset, values] : GetParam().layers) AddLayer(sound, values, offset);
  EXPECT_EQ(Mix(sound), GetParam().mix);
}

INSTANTIATE_TEST_SUITE_P(
    Sound, MixDownTest,
    testing::Values(
        MixCase{"SingleLayerIsACopy", {{0, {1, -2, 3, -4}}}, {1, -2, 3, -4}},
        MixCase{"OffsetPlacesTheLayer", {{0, {1, 1}}, {8, {5, 6}}}, {1, 1, 0, 0, 5, 6}},
        MixCase{"OverflowSaturatesHigh", {{0, {20000, 1}}, {0, {20000, 2}}}, {32767, 3}},
        MixCase{"OverflowSaturatesLow", {{0, {-20000}}, {0, {-20000}}}, {-32768}},
        MixCase{"NegativeOffsetSkipsWhatFallsOutside", {{0, {1, 1, 1, 1}}, {-4, {7, 8, 9}}}, {10, 1, 1, 1}},
        // The sum of all layers is clamped once, as the output mixer does:
        // the order of the layers never changes what is saved.
        MixCase{"LoudLayersCancelBeforeTheClamp", {{0, {30000}}, {0, {30000}}, {0, {-30000}}}, {30000}},
        MixCase{"CancellingLayerInTheMiddle", {{0, {30000}}, {0, {-30000}}, {0, {30000}}}, {30000}},
        MixCase{"CancellingLayerFirst", {{0, {-30000}}, {0, {30000}}, {0, {30000}}}, {30000}},
        MixCase{"OnlyTheWholeSumIsClamped",
                {{0, {-32768, 32767}}, {0, {-1, 1}}, {0, {1, -1}}}, {-32768, 32767}}),
    [](const testing::TestParamInfo<MixCase>& info) { return info.param.name; });

TEST(Sound, MixDownSkipsALayerShorterThanOneSample) {
  CSound sound(NoEnvelope());
  AddLayer(sound, {100, 100});
  auto odd = std::make_unique<uint8_t[]>(1);
  odd[0] = 0x7F;
  sound.AppendLayer("", std::move(odd), 1);
  EXPECT_EQ(Mix(sound), (std::vector<int16_t>{100, 100}));
}

TEST(Sound, MixDownAppliesTheEnvelopeAtEveryValue) {
  // Given a layer with an envelope of many nodes over its length
  CSound sound(NoEnvelope());
  std::vector<int16_t> values(20000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int16_t>((i * 7919) % 60000 - 30000);
  CSoundLayer& layer = AddLayer(sound, values, 40);
  for (int i = 0; i < 30; ++i) layer.nodes.push_back({(i % 3) - 1.0, i * 1500 - 100});
  layer.nodes.push_back({0.25, 29 * 1500 - 100});  // two nodes at one position
  // When it is mixed down
  const std::vector<int16_t> mix = Mix(sound);
  // Then every value is trunc(GetGain(2j) × sample), placed after the offset.
  ASSERT_EQ(mix.size(), values.size() + 20);
  for (size_t j = 0; j < values.size(); ++j) {
    const double expected = layer.GetGain(static_cast<uint32_t>(2 * j)) * values[j];
    ASSERT_EQ(mix[j + 20], static_cast<int16_t>(static_cast<int32_t>(expected))) << j;
  }
}

TEST(Sound, MixDownOfUnsortedNodesStillFollowsTheReference) {
  CSound sound(NoEnvelope());
  CSoundLayer& layer = AddLayer(sound, std::vector<int16_t>(1000, 10000));
  layer.nodes = {{1.0, 800}, {-1.0, 0}, {0.0, 1200}};  // left unsorted by a shift
  const std::vector<int16_t> mix = Mix(sound);
  for (size_t j = 0; j < mix.size(); ++j) {
    const double gain = EvaluateEnvelope(layer.nodes, static_cast<uint32_t>(2 * j));
    ASSERT_EQ(mix[j], static_cast<int16_t>(static_cast<int32_t>(gain * 10000))) << j;
  }
}

TEST(Sound, MixDownOfEnvelopedLayersDoesNotDependOnTheirOrder) {
  // Given three loud layers with envelopes at different offsets, whose sum
  // goes past the 16-bit limits in places
  auto build = [](CSound& sound, const std::vector<int>& order) {
    for (int which : order) {
      std::vector<int16_t> values(6000);
      for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<int16_t>(((i * (2654435761u + 97u * which)) >> 7) % 60001 - 30000);
      }
      CSoundLayer& layer = AddLayer(sound, values, 1000 * which);
      layer.nodes = {{-0.2 * which, 0}, {1.0, 3000 + 2000 * which}, {0.3, 11000}};
    }
  };
  CSound forward(NoEnvelope()), backward(NoEnvelope());
  build(forward, {0, 1, 2});
  build(backward, {2, 1, 0});
  // When both orders are mixed down
  const std::vector<int16_t> a = Mix(forward), b = Mix(backward);
  // Then every value is the clamped sum of the layers' truncated values
  ASSERT_EQ(a, b);
  for (size_t k = 0; k < a.size(); ++k) {
    int32_t sum = 0;
    for (const auto& layer : forward.layers) {
      const int64_t j = static_cast<int64_t>(k) - layer->offset / 2;
      if (j < 0 || j >= static_cast<int64_t>(layer->sampleCount())) continue;
      sum += static_cast<int32_t>(layer->GetGain(static_cast<uint32_t>(2 * j)) * layer->samples()[j]);
    }
    ASSERT_EQ(a[k], std::clamp(sum, -32768, 32767)) << k;
  }
}

TEST(LayerMixer, EveryStepTakesAtLeastTheValueAtHand) {
  // Given gain rules that claim to end at or before the position asked for
  const std::vector<int16_t> data = {1000, 2000, 3000, 4000, 5000};
  struct Rule {
    const char* name;
    EnvelopeWalker::Segment segment;
  };
  EnvelopeWalker::Segment atStart, before, line;
  atStart.gain = 0.5;
  before.gain = 0.25;
  line.linear = true;
  line.level0 = 0.0;  // gain 0.5 at the node, slope 0
  for (const Rule& rule : {Rule{"EndsAtItsStart", atStart}, Rule{"EndsBeforeItsStart", before},
                           Rule{"LineEndingAtItsStart", line}}) {
    SCOPED_TRACE(rule.name);
    std::vector<int32_t> sums(data.size(), 0);
    int asked = 0;
    // When the loop mixes values 1 ... 4 through them
    LayerMixer::MixRuns(data.data(), 1, 5, sums.data(), [&](uint64_t p) {
      ++asked;
      EnvelopeWalker::Segment s = rule.segment;
      s.end = rule.segment.gain == 0.25 && p > 0 ? p - 1 : p;
      return s;
    });
    // Then it ends, one rule per value, each value scaled by its rule
    EXPECT_EQ(asked, 4);
    const int32_t g = rule.segment.gain == 0.25 ? 4 : 2;
    EXPECT_EQ(sums, (std::vector<int32_t>{2000 / g, 3000 / g, 4000 / g, 5000 / g, 0}));
  }
}

}  // namespace
