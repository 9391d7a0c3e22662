// The effects' sample arithmetic on small blocks whose every resulting sample
// is known: rounding to nearest and saturation at both 16-bit limits (the
// -32768 corner above all), each channel kept to itself, the first and last
// frame of every fade, and never a sample written outside the block. Long
// fades are checked frame by frame against the formulas, since the fast
// per-block gains must give what the formulas give.
#include "core/edit/sample_effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using Frames = std::vector<int16_t>;  // interleaved left, right

constexpr int16_t kGuard = 0x5A5A;

// Runs an effect on a copy of the frames placed between two guard frames,
// and fails the test when a guard was touched.
Frames Applied(const Frames& frames, const std::function<void(int16_t*, size_t)>& effect) {
  Frames buffer(frames.size() + 4, kGuard);
  for (size_t i = 0; i < frames.size(); ++i) buffer[i + 2] = frames[i];
  effect(buffer.data() + 2, frames.size() / 2);
  EXPECT_EQ(buffer[0], kGuard) << "sample written before the block";
  EXPECT_EQ(buffer[1], kGuard) << "sample written before the block";
  EXPECT_EQ(buffer[buffer.size() - 2], kGuard) << "sample written after the block";
  EXPECT_EQ(buffer[buffer.size() - 1], kGuard) << "sample written after the block";
  buffer.resize(buffer.size() - 2);
  buffer.erase(buffer.begin(), buffer.begin() + 2);
  return buffer;
}

// Every frame of a block the same (left, right) pair.
Frames Repeated(int16_t left, int16_t right, size_t count) {
  Frames frames(2 * count);
  for (size_t i = 0; i < count; ++i) {
    frames[2 * i] = left;
    frames[2 * i + 1] = right;
  }
  return frames;
}

Frames Noise(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  Frames frames(2 * count);
  for (int16_t& s : frames) s = static_cast<int16_t>(sample(random));
  return frames;
}

TEST(SampleEffects, PeakLevelsPerChannelAndTogether) {
  struct Case {
    const char* name;
    Frames frames;
    uint32_t left, right;
  };
  const Case cases[] = {
      {"no frames", {}, 0, 0},
      {"silence", Repeated(0, 0, 5), 0, 0},
      {"one frame", {-7, 3}, 7, 3},
      {"full-scale square", {32767, -32767, -32767, 32767}, 32767, 32767},
      {"-32768 counts as 32768", {-32768, 5, 32767, -6}, 32768, 6},
      {"ramp, odd count", {0, 0, -1, 10, -2, 20, -3, 30, -4, 40}, 4, 40},
  };
  for (const Case& c : cases) {
    const ChannelPeaks peaks = PeakLevels(c.frames.data(), c.frames.size() / 2);
    EXPECT_EQ(peaks.left, c.left) << c.name;
    EXPECT_EQ(peaks.right, c.right) << c.name;
    EXPECT_EQ(peaks.together(), std::max(c.left, c.right)) << c.name;
  }
}

TEST(SampleEffects, PeakToDbfsHasFullScaleAt32767) {
  EXPECT_EQ(PeakToDbfs(32767), 0.0);
  EXPECT_EQ(PeakToDbfs(0), -std::numeric_limits<double>::infinity());
  EXPECT_NEAR(PeakToDbfs(16384), -6.0203, 1e-4);
  EXPECT_NEAR(PeakToDbfs(1), -90.3087, 1e-4);
  EXPECT_GT(PeakToDbfs(32768), 0.0);
}

TEST(SampleEffects, AmplifyRoundsToNearestAndSaturates) {
  struct Case {
    const char* name;
    double gainDb;
    Frames in, out;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      // +6.02 dB is a factor of 1.99986, a little short of doubling.
      {"+6.02 dB rounds up, not down", 6.02, {3, -3}, {6, -6}},
      {"+6.02 dB of 16384 stays just inside", 6.02, {16384, -16384}, {32766, -32766}},
      {"+6.02 dB of 16385 saturates at the top", 6.02, {16385, -16385}, {32767, -32768}},
      {"+6.02 dB of -16386 saturates at the bottom", 6.02, {-16386, 16386}, {-32768, 32767}},
      {"0 dB leaves the samples alone", 0.0, {-32768, 32767}, {-32768, 32767}},
      {"-20 dB, odd count", -20.0, {1000, -1000, 15, -15, 32767, -32768}, {100, -100, 2, -2, 3277, -3277}},
      {"huge gains saturate all but zero", 200.0, {1, -1, 0, 0}, {32767, -32768, 0, 0}},
      {"plus infinity saturates too", inf, {1, -1, 0, 0}, {32767, -32768, 0, 0}},
      {"minus infinity is silence", -inf, {-32768, 32767}, {0, 0}},
      {"NaN changes nothing", std::nan(""), {-32768, 12}, {-32768, 12}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Applied(c.in, [&](int16_t* f, size_t n) { Amplify(f, n, c.gainDb); }), c.out) << c.name;
  }
}

TEST(SampleEffects, LargestGainWithoutClippingIsTheExactGainRoundedDown) {
  struct Case {
    uint32_t peak;
    double gainDb;
  };
  for (const Case c : {Case{32767, 0.0}, Case{32768, -0.1}, Case{16384, 6.0}, Case{23170, 3.0},
                       Case{1, 90.3}, Case{3, 80.7}}) {
    EXPECT_DOUBLE_EQ(LargestGainWithoutClipping(c.peak), c.gainDb) << c.peak;
  }
  EXPECT_EQ(LargestGainWithoutClipping(0), std::numeric_limits<double>::infinity());

  // Every possible peak, of either sign: the gain never saturates, and it is
  // the largest tenth of a dB at or below the exact gain.
  for (uint32_t peak = 1; peak <= 32768; ++peak) {
    const double gain = LargestGainWithoutClipping(peak);
    const double exact = 20.0 * std::log10(32767.0 / peak);
    ASSERT_LE(gain, exact + 1e-9) << peak;
    ASSERT_GT(gain, exact - 0.1 - 1e-9) << peak;
    // A negative sample shows saturation: the largest magnitude that
    // rounds without clipping on either side is 32767.
    int16_t frame[2] = {static_cast<int16_t>(-static_cast<int32_t>(peak)), 0};
    Amplify(frame, 1, gain);
    ASSERT_GE(frame[0], -32767) << "clips at peak " << peak;
  }
}

TEST(SampleEffects, NormalizeTogetherOrPerChannel) {
  struct Case {
    const char* name;
    double targetDb;
    bool perChannel;
    Frames in, out;
  };
  // Left peaks at 8192 and right at 100.
  const Frames quiet = {8192, 100, -4096, -50};
  const Case cases[] = {
      // 32767 / 8192 on both: -4096 lands exactly on a half and goes to the
      // even neighbour.
      {"0 dB together", 0.0, false, quiet, {32767, 400, -16384, -200}},
      {"0 dB per channel", 0.0, true, quiet, {32767, 32767, -16384, -16384}},
      {"-6 dB together", -6.0, false, quiet, {16422, 200, -8211, -100}},
      {"-6 dB per channel", -6.0, true, quiet, {16422, 16422, -8211, -8211}},
      {"a silent channel stays silent", 0.0, true, {0, 3, 0, -1}, {0, 32767, 0, -10922}},
      {"silence stays silence", 0.0, false, Repeated(0, 0, 3), Repeated(0, 0, 3)},
      // The peak 32768 maps to 32767, so -32768 comes down by one.
      {"the -32768 corner", 0.0, false, {-32768, 32767}, {-32767, 32766}},
      {"above full scale saturates", 6.0, false, {16384, -16384, 8192, 0},
       {32767, -32768, 32689, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Applied(c.in, [&](int16_t* f, size_t n) { NormalizeToPeak(f, n, c.targetDb, c.perChannel); }),
              c.out)
        << c.name;
  }
}

TEST(SampleEffects, RemoveDcOffsetSubtractsEachChannelsRoundedMean) {
  struct Case {
    const char* name;
    Frames in, out;
  };
  const Case cases[] = {
      {"offset square and a constant", {1500, -3, 500, -3, 1500, -3, 500, -3},
       {500, 0, -500, 0, 500, 0, -500, 0}},
      {"a half rounds away from zero", {0, 0, 1, -1}, {-1, 1, 0, 0}},
      {"one frame becomes silent", {-32768, 32767}, {0, 0}},
      // The left mean is -10923: 32767 + 10923 saturates.
      {"saturates at the top", {32767, 1, -32768, 1, -32768, 1}, {32767, 0, -21845, 0, -21845, 0}},
      {"no offset changes nothing", {5, -32767, -5, 32767}, {5, -32767, -5, 32767}},
      {"no frames", {}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Applied(c.in, [](int16_t* f, size_t n) { RemoveDcOffset(f, n); }), c.out) << c.name;
  }
}

struct FadeCase {
  const char* name;
  FadeDirection direction;
  FadeCurve curve;
  Frames out;
};

class SampleEffectsFadeTest : public testing::TestWithParam<FadeCase> {};

TEST_P(SampleEffectsFadeTest, FourFramesOfFullScale) {
  // Given four frames at both full-scale limits, when faded, then frame i of
  // a fade in gets g(i / 4) and a fade out mirrors it.
  const FadeCase& c = GetParam();
  EXPECT_EQ(Applied(Repeated(32767, -32768, 4), [&](int16_t* f, size_t n) { Fade(f, n, c.direction, c.curve); }),
            c.out);
}

// g(t) at t = 0, 1/4, 1/2, 3/4: linear 0, .25, .5, .75 (32767 × .5 is a half
// and goes to the even 16384); logarithmic 0, 10^-2.25, 10^-1.5, 10^-.75;
// S-curve 0, .1464, exactly .5, .8536.
INSTANTIATE_TEST_SUITE_P(
    SampleEffects, SampleEffectsFadeTest,
    testing::Values(
        FadeCase{"LinearIn", FadeDirection::kIn, FadeCurve::kLinear,
                 {0, 0, 8192, -8192, 16384, -16384, 24575, -24576}},
        FadeCase{"LinearOut", FadeDirection::kOut, FadeCurve::kLinear,
                 {24575, -24576, 16384, -16384, 8192, -8192, 0, 0}},
        FadeCase{"LogarithmicIn", FadeDirection::kIn, FadeCurve::kLogarithmic,
                 {0, 0, 184, -184, 1036, -1036, 5827, -5827}},
        FadeCase{"LogarithmicOut", FadeDirection::kOut, FadeCurve::kLogarithmic,
                 {5827, -5827, 1036, -1036, 184, -184, 0, 0}},
        FadeCase{"SCurveIn", FadeDirection::kIn, FadeCurve::kSCurve,
                 {0, 0, 4799, -4799, 16384, -16384, 27968, -27969}},
        FadeCase{"SCurveOut", FadeDirection::kOut, FadeCurve::kSCurve,
                 {27968, -27969, 16384, -16384, 4799, -4799, 0, 0}}),
    [](const testing::TestParamInfo<FadeCase>& info) { return std::string(info.param.name); });

// The gains as the header defines them, one call per frame.
double FormulaGain(FadeCurve curve, double j, double n) {
  switch (curve) {
    case FadeCurve::kLinear:
      return j / n;
    case FadeCurve::kLogarithmic:
      return j == 0.0 ? 0.0 : std::pow(10.0, -(3.0 * (n - j)) / n);
    case FadeCurve::kSCurve:
      return (1.0 + std::sin(std::numbers::pi * ((2.0 * j - n) / (2.0 * n)))) / 2.0;
  }
  return 0.0;
}

int16_t FormulaSample(int16_t sample, double gain) {
  return static_cast<int16_t>(std::clamp(std::nearbyint(sample * gain), -32768.0, 32767.0));
}

TEST(SampleEffects, LongFadesGiveTheFormulaFrameByFrame) {
  // Noise, and odd samples over an even count (every odd sample at the
  // midpoint of a linear or S-curve fade is an exact half), in lengths that
  // end inside and on a block of gains.
  struct Block {
    const char* name;
    Frames frames;
  };
  const Block blocks[] = {
      {"noise, odd count", Noise(100003, 1)},
      {"noise, one frame", Noise(1, 2)},
      {"noise, whole blocks", Noise(4096, 3)},
      {"odd samples", Repeated(32767, -1, 2 * 3000)},
      {"odd samples, 2 frames", Repeated(-32767, 3, 2)},
  };
  for (const Block& block : blocks) {
    const size_t n = block.frames.size() / 2;
    for (FadeCurve curve : {FadeCurve::kLinear, FadeCurve::kLogarithmic, FadeCurve::kSCurve}) {
      for (FadeDirection direction : {FadeDirection::kIn, FadeDirection::kOut}) {
        SCOPED_TRACE(testing::Message() << block.name << ", curve " << static_cast<int>(curve) << ", "
                                        << (direction == FadeDirection::kIn ? "in" : "out"));
        const Frames faded = Applied(block.frames, [&](int16_t* f, size_t count) { Fade(f, count, direction, curve); });
        size_t wrong = 0;
        for (size_t i = 0; i < n && wrong < 5; ++i) {
          const size_t j = direction == FadeDirection::kIn ? i : n - 1 - i;
          const double gain = FormulaGain(curve, static_cast<double>(j), static_cast<double>(n));
          for (size_t channel = 0; channel < 2; ++channel) {
            const int16_t want = FormulaSample(block.frames[2 * i + channel], gain);
            if (faded[2 * i + channel] != want) {
              ADD_FAILURE() << "frame " << i << " channel " << channel << ": " << faded[2 * i + channel]
                            << " instead of " << want;
              ++wrong;
            }
          }
        }
      }
    }
  }
}

TEST(SampleEffects, FadeOutIsTheReversedFadeInOfTheReversedFrames) {
  const Frames frames = Noise(7777, 4);
  for (FadeCurve curve : {FadeCurve::kLinear, FadeCurve::kLogarithmic, FadeCurve::kSCurve}) {
    Frames viaReverse = frames;
    Reverse(viaReverse.data(), viaReverse.size() / 2);
    Fade(viaReverse.data(), viaReverse.size() / 2, FadeDirection::kIn, curve);
    Reverse(viaReverse.data(), viaReverse.size() / 2);
    Frames direct = frames;
    Fade(direct.data(), direct.size() / 2, FadeDirection::kOut, curve);
    EXPECT_EQ(direct, viaReverse) << static_cast<int>(curve);
  }
}

TEST(SampleEffects, ReverseInvertAndSilence) {
  struct Case {
    const char* name;
    std::function<void(int16_t*, size_t)> effect;
    Frames in, out;
  };
  const Case cases[] = {
      {"reverse keeps the channels in place", Reverse, {1, -1, 2, -2, 3, -3}, {3, -3, 2, -2, 1, -1}},
      {"reverse of an even count", Reverse, {1, 10, 2, 20, 3, 30, 4, 40}, {4, 40, 3, 30, 2, 20, 1, 10}},
      {"reverse of one frame", Reverse, {5, 6}, {5, 6}},
      {"reverse of nothing", Reverse, {}, {}},
      {"invert, -32768 becomes 32767", Invert, {-32768, 32767, 0, 1, -1, -2}, {32767, -32767, 0, -1, 1, 2}},
      {"invert, odd count", Invert, {100, -200, 300, -400, 500, -600}, {-100, 200, -300, 400, -500, 600}},
      {"silence", Silence, {-32768, 32767, 5, -5, 1, 1}, Repeated(0, 0, 3)},
      {"silence of nothing", Silence, {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Applied(c.in, c.effect), c.out) << c.name;
}

}  // namespace
