// The layer peak summary must give exactly what a scan of the samples gives:
// the true extremes of one channel over any run of frames, whatever the run's
// alignment to the summary's blocks, without ever mixing the two channels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/model/peak_summary.h"

namespace {

LayerPeakSummary::Extremes BruteForce(const std::vector<int16_t>& samples, int channel, int64_t first, int64_t end) {
  LayerPeakSummary::Extremes result;
  for (int64_t f = std::max<int64_t>(first, 0); f < end; ++f) {
    const uint64_t index = static_cast<uint64_t>(2 * f + channel);
    if (index >= samples.size()) break;
    const int16_t value = samples[index];
    if (result.empty) {
      result.smallest = result.largest = value;
      result.empty = false;
    } else {
      result.smallest = std::min(result.smallest, value);
      result.largest = std::max(result.largest, value);
    }
  }
  return result;
}

void ExpectSame(const LayerPeakSummary::Extremes& got, const LayerPeakSummary::Extremes& want) {
  ASSERT_EQ(got.empty, want.empty);
  if (want.empty) return;
  EXPECT_EQ(got.smallest, want.smallest);
  EXPECT_EQ(got.largest, want.largest);
}

struct RandomCase {
  const char* name;
  uint64_t sampleCount;  // odd counts leave a last frame with a left value only
  int64_t longestRun;    // in frames
};

class PeakSummaryRandomTest : public testing::TestWithParam<RandomCase> {};

TEST_P(PeakSummaryRandomTest, AnyRunGivesWhatAScanGives) {
  // Given noise of the case's length, summarised
  const RandomCase& c = GetParam();
  std::mt19937 random(static_cast<uint32_t>(c.sampleCount));
  std::vector<int16_t> samples(c.sampleCount);
  for (int16_t& s : samples) s = static_cast<int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(random));
  LayerPeakSummary summary;
  ASSERT_TRUE(summary.Build(samples.data(), samples.size()));
  const int64_t frames = static_cast<int64_t>((c.sampleCount + 1) / 2);
  std::uniform_int_distribution<int64_t> start(-300, frames + 300);
  std::uniform_int_distribution<int64_t> length(0, c.longestRun);
  for (int round = 0; round < 400; ++round) {
    // When a random run (partly outside the layer at times) is asked for
    const int64_t first = start(random);
    const int64_t end = first + length(random);
    // Then each channel's extremes equal a scan of that channel
    for (int channel = 0; channel < 2; ++channel) {
      SCOPED_TRACE(testing::Message() << "channel " << channel << " frames " << first << ".." << end);
      ExpectSame(summary.ChannelExtremes(samples.data(), channel, first, end),
                 BruteForce(samples, channel, first, end));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Model, PeakSummaryRandomTest,
    testing::Values(RandomCase{"ShorterThanOneBlock", 301, 400},
                    RandomCase{"FewFineBlocks", 2 * 3000, 2000},
                    RandomCase{"OddLastFrame", 2 * 70000 + 1, 140000},
                    RandomCase{"ManyCoarseBlocks", 2 * 400000 + 2, 400000},
                    RandomCase{"EndsOnACoarseBlock", 2 * 131072, 200000}),
    [](const testing::TestParamInfo<RandomCase>& info) { return std::string(info.param.name); });

TEST(PeakSummary, FindsASingleSampleClickInRunsOfEveryWidth) {
  // Given silence with one click in the right channel at an awkward frame
  const uint64_t frames = 300000;
  const int64_t clickFrame = 200003;
  std::vector<int16_t> samples(2 * frames, 0);
  samples[2 * clickFrame + 1] = 31000;
  samples[2 * (clickFrame + 1)] = -29000;  // and one in the left channel one frame later
  LayerPeakSummary summary;
  ASSERT_TRUE(summary.Build(samples.data(), samples.size()));
  for (int64_t width = 1; width <= (int64_t{1} << 20); width *= 2) {
    // When the run of the width that holds the click (as a view column of
    // that many frames would) is asked for
    const int64_t first = clickFrame / width * width;
    SCOPED_TRACE(testing::Message() << "width " << width);
    // Then the right channel shows the click and never the left one's
    const auto right = summary.ChannelExtremes(samples.data(), 1, first, first + width);
    EXPECT_EQ(right.largest, 31000);
    EXPECT_EQ(right.smallest, width > 1 ? 0 : 31000);
    const auto left = summary.ChannelExtremes(samples.data(), 0, first, first + width);
    EXPECT_EQ(left.largest, 0);
    if (first + width > clickFrame + 1) {
      EXPECT_EQ(left.smallest, -29000);
    } else {
      EXPECT_EQ(left.smallest, 0);
    }
  }
}

TEST(PeakSummary, KeepsTheChannelsApart) {
  // Given a left channel at +1000 ... +1999 and a right one at -1000 ... -1999
  const uint64_t frames = 150000;
  std::vector<int16_t> samples(2 * frames);
  for (uint64_t f = 0; f < frames; ++f) {
    samples[2 * f] = static_cast<int16_t>(1000 + f % 1000);
    samples[2 * f + 1] = static_cast<int16_t>(-1000 - static_cast<int>(f % 1000));
  }
  LayerPeakSummary summary;
  ASSERT_TRUE(summary.Build(samples.data(), samples.size()));
  // When runs starting at every offset within a block are asked for
  for (int64_t first = 0; first < 300; first += 7) {
    const auto left = summary.ChannelExtremes(samples.data(), 0, first, first + 140000);
    const auto right = summary.ChannelExtremes(samples.data(), 1, first, first + 140000);
    // Then no value of one channel shows in the other
    EXPECT_EQ(left.smallest, 1000);
    EXPECT_EQ(left.largest, 1999);
    EXPECT_EQ(right.smallest, -1999);
    EXPECT_EQ(right.largest, -1000);
  }
}

TEST(PeakSummary, EmptyLayersAndRunsOutsideTheLayerHoldNothing) {
  LayerPeakSummary summary;
  std::vector<int16_t> one{123};
  // Given an empty summary, and one of a single left value
  EXPECT_TRUE(summary.ChannelExtremes(one.data(), 0, 0, 10).empty);
  ASSERT_TRUE(summary.Build(one.data(), one.size()));
  // Then the single value is the left channel's; the right channel has none
  const auto left = summary.ChannelExtremes(one.data(), 0, -5, 10);
  EXPECT_FALSE(left.empty);
  EXPECT_EQ(left.largest, 123);
  EXPECT_TRUE(summary.ChannelExtremes(one.data(), 1, -5, 10).empty);
  // And runs before or after the layer, or reversed, hold nothing
  EXPECT_TRUE(summary.ChannelExtremes(one.data(), 0, -10, 0).empty);
  EXPECT_TRUE(summary.ChannelExtremes(one.data(), 0, 1, 10).empty);
  EXPECT_TRUE(summary.ChannelExtremes(one.data(), 0, 5, 2).empty);
}

}  // namespace
