// The volume envelope: gain evaluation, the node operations, and the walker
// that mix-down and playback use instead of searching the nodes per sample.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "core/model/envelope_walker.h"
#include "core/model/sound_layer.h"

namespace {

SettingsRecord NoAutoEnvelope() {
  SettingsRecord settings;
  settings.autoCreateEnvelope = 0;
  return settings;
}

std::unique_ptr<CSoundLayer> MakeLayer(std::vector<EnvelopeNode> nodes, bool envelopeOn = true) {
  static const SettingsRecord settings = NoAutoEnvelope();
  auto layer = std::make_unique<CSoundLayer>(0, "test", nullptr, 0, settings);
  layer->nodes = std::move(nodes);
  layer->envelopeOn = envelopeOn ? 1 : 0;
  return layer;
}

struct GainCase {
  const char* name;
  std::vector<EnvelopeNode> nodes;
  bool envelopeOn;
  uint32_t position;
  double gain;
};

class GainTest : public testing::TestWithParam<GainCase> {};

TEST_P(GainTest, GivesTheGainAtThePosition) {
  const GainCase& c = GetParam();
  auto layer = MakeLayer(c.nodes, c.envelopeOn);
  EXPECT_DOUBLE_EQ(layer->GetGain(c.position), c.gain);
}

const std::vector<EnvelopeNode> kRamp = {{-1.0, 0}, {1.0, 4000}};

INSTANTIATE_TEST_SUITE_P(
    Envelope, GainTest,
    testing::Values(
        GainCase{"NoNodesIsFullGain", {}, true, 123, 1.0},
        GainCase{"EnvelopeOffIsFullGain", {{-1.0, 0}}, false, 0, 1.0},
        GainCase{"OneNodeOfLevelZeroIsHalf", {{0.0, 500}}, true, 100000, 0.5},
        GainCase{"RampStartIsSilent", kRamp, true, 0, 0.0},
        GainCase{"RampMiddleIsHalf", kRamp, true, 2000, 0.5},
        GainCase{"RampEndIsFull", kRamp, true, 4000, 1.0},
        GainCase{"BeyondTheLastNodeHoldsItsGain", kRamp, true, 90000, 1.0},
        GainCase{"BeforeTheFirstNodeHoldsItsGain", {{0.0, 100}, {1.0, 200}}, true, 50, 0.5},
        GainCase{"NegativeFirstNodeInterpolates", {{-1.0, -100}, {1.0, 100}}, true, 0, 0.5}),
    [](const testing::TestParamInfo<GainCase>& info) { return info.param.name; });

TEST(EnvelopeNodes, NewLayerGetsAFullLevelNodeWhenThePreferenceIsOn) {
  // Given the default preferences (automatic envelope on)
  CSoundLayer layer(2, "", nullptr, 0);
  // Then the layer has its default name and one node of level +1 at 0.
  EXPECT_EQ(layer.name, "Layer 3");
  ASSERT_EQ(layer.nodes.size(), 1u);
  EXPECT_EQ(layer.nodes[0].level, 1.0);
  EXPECT_EQ(layer.nodes[0].position, 0);
  EXPECT_EQ(layer.waveColor, 12030843u);
  EXPECT_EQ(layer.envelopeColor, 16750950u);
}

TEST(EnvelopeNodes, AddingANodeKeepsTheShape) {
  auto layer = MakeLayer({{-1.0, 0}, {0.5, 1000}, {1.0, 4000}});
  std::vector<double> before;
  for (uint32_t p = 0; p <= 5000; p += 50) before.push_back(layer->GetGain(p));
  layer->AddNode(2222);
  ASSERT_EQ(layer->nodes.size(), 4u);
  EXPECT_EQ(layer->nodes[2].position, 2222);
  size_t i = 0;
  for (uint32_t p = 0; p <= 5000; p += 50) EXPECT_NEAR(layer->GetGain(p), before[i++], 1e-12) << p;
}

TEST(EnvelopeNodes, RemoveNodesTakesTheClosedRange) {
  auto layer = MakeLayer({{0, 99}, {0, 100}, {0, 150}, {0, 200}, {0, 201}});
  layer->RemoveNodes(100, 200);
  ASSERT_EQ(layer->nodes.size(), 2u);
  EXPECT_EQ(layer->nodes[0].position, 99);
  EXPECT_EQ(layer->nodes[1].position, 201);
}

TEST(EnvelopeNodes, ShiftMovesOnlyNodesAtOrAfterThePoint) {
  auto layer = MakeLayer({{0, -8}, {0, 10}, {0, 20}});
  layer->ShiftNodes(10, -30);
  EXPECT_EQ(layer->nodes[0].position, -8);
  EXPECT_EQ(layer->nodes[1].position, -20);
  EXPECT_EQ(layer->nodes[2].position, -10);
  // Sorting is stable: equal positions keep their order.
  layer->nodes = {{0.1, 5}, {0.2, 1}, {0.3, 5}, {0.4, 1}};
  layer->SortNodes();
  EXPECT_EQ(layer->nodes[0].level, 0.2);
  EXPECT_EQ(layer->nodes[1].level, 0.4);
  EXPECT_EQ(layer->nodes[2].level, 0.1);
  EXPECT_EQ(layer->nodes[3].level, 0.3);
}

TEST(EnvelopeNodes, GainReadsTheSnapshotUntilItIsRebuilt) {
  auto layer = MakeLayer({{0.0, 0}});
  EXPECT_EQ(layer->GetGain(0), 0.5);  // builds the snapshot
  layer->nodes[0].level = 1.0;        // a drag changes the list only
  EXPECT_EQ(layer->GetGain(0), 0.5);
  layer->RebuildSnapshot();
  EXPECT_EQ(layer->GetGain(0), 1.0);
}

TEST(EnvelopeNodes, ListLongerThanTheSnapshotIsReadSafely) {
  // Given a snapshot of one node and a list that grew without a rebuild
  auto layer = MakeLayer({{0.0, 0}});
  layer->RebuildSnapshot();
  layer->nodes = {{-1.0, 0}, {1.0, 100}, {0.0, 200}};
  // Then only the snapshot's node is evaluated (and nothing is read beyond it).
  EXPECT_EQ(layer->GetGain(150), 0.5);
}

// The walker must give exactly GetGain's values for rising positions, for
// node lists with duplicates, negative positions and a single node.
TEST(EnvelopeWalker, MatchesTheReferenceEvaluationExactly) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<EnvelopeNode> nodes(random() % 12);
    for (EnvelopeNode& n : nodes) {
      n.level = std::uniform_real_distribution<double>(-1, 1)(random);
      n.position = static_cast<int64_t>(random() % 3000) - 200;
      if (random() % 5 == 0 && &n != nodes.data()) n.position = (&n - 1)->position;
    }
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const EnvelopeNode& a, const EnvelopeNode& b) { return a.position < b.position; });
    EnvelopeWalker walker(nodes, true);
    ASSERT_TRUE(walker.sorted());
    for (uint32_t p = 0; p < 3200; ++p) {
      const double expected = EvaluateEnvelope(nodes, p);
      const double actual = walker.GainAt(p);
      ASSERT_EQ(actual, expected) << "round " << round << " position " << p;
    }
  }
}

TEST(EnvelopeWalker, DisabledEnvelopeIsFullGain) {
  const std::vector<EnvelopeNode> nodes = {{-1.0, 0}};
  EnvelopeWalker walker(nodes, false);
  EXPECT_EQ(walker.GainAt(0), 1.0);
  EXPECT_EQ(walker.GainAt(1u << 31), 1.0);
}

// Node positions as far apart as 64 bits allow: their distance does not fit
// in a signed 64-bit difference, and the gain between them must still be the
// straight line's.
TEST(EnvelopeWalker, NodesAtTheFarEndsOfTheRangeStillInterpolate) {
  const std::vector<EnvelopeNode> nodes = {{-1.0, std::numeric_limits<int64_t>::min()},
                                           {1.0, std::numeric_limits<int64_t>::max()}};
  EXPECT_NEAR(EvaluateEnvelope(nodes, 0), 0.5, 1e-9);
  EXPECT_NEAR(EvaluateEnvelope(nodes, 1u << 31), 0.5, 1e-9);
  EnvelopeWalker walker(nodes, true);
  EXPECT_NEAR(walker.GainAt(0), 0.5, 1e-9);
  EXPECT_NEAR(walker.GainAt(1u << 31), 0.5, 1e-9);
}

}  // namespace
