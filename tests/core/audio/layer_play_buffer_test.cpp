// The layer fills that feed the playback rings: every slot must be the value
// the gain rule gives (CSoundLayer::GetGain, one evaluation per 16-bit value,
// truncated toward zero), silence outside the layer, and nothing read or
// written outside the layer's samples or the slots asked for, whatever the
// offset, play position and envelope.
#include "core/audio/layer_play_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<uint8_t[]> Noise(uint64_t bytes, uint32_t seed) {
  std::unique_ptr<uint8_t[]> data(new uint8_t[bytes]);
  uint32_t state = seed;
  for (uint64_t i = 0; i < bytes; ++i) {
    state = state * 1664525u + 1013904223u;
    data[i] = static_cast<uint8_t>(state >> 24);
  }
  return data;
}

// The rule, value by value, straight from GetGain: sound value i holds layer
// value i − offset / 2, scaled by the gain at twice that index.
std::vector<int16_t> Reference(CSoundLayer& layer, uint64_t position, size_t count) {
  std::vector<int16_t> out(count, 0);
  const int64_t shift = layer.offset / 2;
  for (size_t j = 0; j < count; ++j) {
    const int64_t d = static_cast<int64_t>(position / 2 + j) - shift;
    if (d < 0 || d >= static_cast<int64_t>(layer.sampleCount())) continue;
    const double v = layer.GetGain(static_cast<uint32_t>(2 * d)) * layer.samples()[d];
    out[j] = static_cast<int16_t>(std::trunc(std::clamp(v, -32768.0, 32767.0)));
  }
  return out;
}

struct FillCase {
  const char* name;
  uint64_t length;  // bytes of the layer
  int32_t offset;
  uint64_t position;  // sound position of the first slot
  size_t count;       // slots filled
  bool envelopeOn;
  std::vector<EnvelopeNode> nodes;  // in list order (not necessarily sorted)
};

std::vector<EnvelopeNode> ManyNodes(int count, int64_t step) {
  std::vector<EnvelopeNode> nodes;
  for (int i = 0; i < count; ++i) nodes.push_back({(i % 7) / 3.0 - 1.0, i * step});
  return nodes;
}

const FillCase kFillCases[] = {
    {"EnvelopeOffPlaysTheSamples", 40000, 0, 0, 20000, false, {{-1.0, 0}}},
    {"NoNodesPlaysTheSamples", 40000, 0, 0, 20000, true, {}},
    {"OneNodeHalvesEverything", 40000, 0, 0, 20000, true, {{0.0, 1000}}},
    {"LayerAfterThePlayStartIsSilentUntilItsOffset", 40000, 24000, 0, 40000, true,
     {{-1.0, 0}, {1.0, 8000}}},
    {"PlayStartInsideTheLayer", 80000, 4000, 10002, 30000, true,
     {{-1.0, 0}, {0.5, 20000}, {1.0, 60000}}},
    {"PastTheLayersEndIsSilence", 40000, 1000, 30000, 20000, true, {{0.2, 0}, {-0.4, 39996}}},
    {"PlayStartAfterTheLayerIsAllSilence", 40000, 0, 40000, 1000, true, {}},
    {"HundredNodesAcrossOneBlock", 600000, 0, 4, kPlayBlockBytes / 2, true, ManyNodes(100, 6000)},
    {"NodesBeyondTheLayerHoldTheLastGain", 40000, 0, 0, 20000, true, {{0.0, 100}, {1.0, 90000}}},
    {"NodesBeforeTheLayerStart", 40000, 0, 0, 20000, true, {{-1.0, -5000}, {1.0, 5000}}},
    {"UnsortedNodeCopyUsesTheSearchRule", 40000, 0, 0, 20000, true,
     {{1.0, 30000}, {-1.0, 0}, {0.0, 10000}}},
    {"NodesAtEqualPositions", 40000, 0, 0, 20000, true,
     {{-1.0, 0}, {1.0, 8000}, {-0.5, 8000}, {0.5, 16000}}},
    {"OddOffset", 40000, 3, 0, 20010, true, {{-1.0, 0}, {1.0, 39996}}},
    {"OffsetOfTwoBytes", 40000, 2, 2, 20010, true, {{-1.0, 0}, {1.0, 39996}}},
    {"OddLengthLeavesTheHalfValueOut", 40001, 0, 39990, 20, true, {}},
    {"LayerOfOneByteIsSilent", 1, 0, 0, 16, true, {}},
    {"NegativeOffsetReadsOnlyTheLayer", 40000, -30000, 0, 20000, true, {{-1.0, 0}, {1.0, 39996}}},
    {"PositionBeyondFourGigabytes", 40000, 0, 0x1FFFFFF00ull, 100, true, {}},
    {"PositionNearTheTopOfTheOffsetRange", 4000, INT32_MAX - 2001, INT32_MAX - 4001ull, 4000, true,
     {{-1.0, 0}, {1.0, 3996}}},
};

class FillLayerSamplesTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillLayerSamplesTest, EverySlotFollowsTheGainRule) {
  const FillCase& c = GetParam();
  // Given a layer of noise placed and shaped as the row says
  CSoundLayer layer(0, "", Noise(c.length, 7), c.length);
  layer.offset = c.offset;
  layer.envelopeOn = c.envelopeOn ? 1 : 0;
  layer.nodes = c.nodes;
  layer.RebuildSnapshot();
  // and slots fenced by guard values on both sides
  constexpr size_t kGuard = 64;
  std::vector<int16_t> slots(c.count + 2 * kGuard, 0x5A5A);
  // When the slots are filled
  FillLayerSamples(layer, c.position, slots.data() + kGuard, c.count);
  // Then each is the rule's value, and the guards are untouched
  const std::vector<int16_t> expected = Reference(layer, c.position, c.count);
  size_t mismatches = 0, firstMismatch = 0;
  for (size_t j = 0; j < c.count; ++j) {
    if (slots[kGuard + j] != expected[j] && mismatches++ == 0) firstMismatch = j;
  }
  EXPECT_EQ(mismatches, 0u) << "first at slot " << firstMismatch << ": "
                            << slots[kGuard + firstMismatch] << " instead of "
                            << expected[firstMismatch];
  for (size_t g = 0; g < kGuard; ++g) {
    ASSERT_EQ(slots[g], 0x5A5A) << "wrote before the slots";
    ASSERT_EQ(slots[kGuard + c.count + g], 0x5A5A) << "wrote after the slots";
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FillLayerSamplesTest, ::testing::ValuesIn(kFillCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FillLayerSamplesSnapshotTest, NodeValuesReachTheFillOnlyWithANewSnapshot) {
  // Given a layer whose snapshot holds a silent envelope
  CSoundLayer layer(0, "", Noise(4000, 3), 4000);
  layer.nodes = {{-1.0, 0}};
  layer.RebuildSnapshot();
  std::vector<int16_t> slots(2000);
  // When the node is dragged to full level without a new snapshot
  layer.nodes[0].level = 1.0;
  FillLayerSamples(layer, 0, slots.data(), slots.size());
  // Then the fill is still silent
  EXPECT_EQ(std::count(slots.begin(), slots.end(), 0), 2000);
  // And once the snapshot is rebuilt, the fill is the samples themselves
  layer.RebuildSnapshot();
  FillLayerSamples(layer, 0, slots.data(), slots.size());
  EXPECT_EQ(std::memcmp(slots.data(), layer.samples(), 4000), 0);
}

}  // namespace
