// The wave generator's functions at the values users can check by ear and
// eye: square and triangle shapes, the fade, silence and noise limits.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/model/sound.h"
#include "core/model/wave_generator.h"

namespace {

std::vector<int16_t> Render(GeneratorParameters p) {
  std::vector<int16_t> slots(2 * static_cast<size_t>(std::max(p.length, 0)) + 2, 12345);
  Generate(slots.data(), p);
  return slots;
}

GeneratorParameters Params(int32_t type, int32_t length, int32_t intensity = 100, int32_t period = 5) {
  GeneratorParameters p;
  p.functionType = type;
  p.length = length;
  p.intensity = intensity;
  p.period = period;
  return p;
}

TEST(WaveGenerator, BothChannelsAreEqualAndOnlyTheLengthIsWritten) {
  const auto slots = Render(Params(kGenerateSine, 1000, 80));
  for (size_t f = 0; f < 1000; ++f) ASSERT_EQ(slots[2 * f], slots[2 * f + 1]);
  EXPECT_EQ(slots[2000], 12345);  // past the end stays untouched
}

TEST(WaveGenerator, SquareHoldsEachHalfCycleForPeriodTimesFiftyFrames) {
  const auto slots = Render(Params(kGenerateSquare, 1000, 100, 5));
  for (size_t f = 0; f < 1000; ++f) {
    const int16_t expected = (f / 250) % 2 == 0 ? 32767 : -32767;
    ASSERT_EQ(slots[2 * f], expected) << f;
  }
}

TEST(WaveGenerator, TriangleRisesToThePeakAndFallsBack) {
  const auto slots = Render(Params(kGenerateTriangle, 100, 100, 1));
  EXPECT_EQ(slots[0], -32767);
  EXPECT_EQ(slots[2 * 25], 32767);
  EXPECT_EQ(slots[2 * 50], -32767);
  for (size_t f = 1; f <= 25; ++f) EXPECT_GT(slots[2 * f], slots[2 * (f - 1)]) << f;
  for (size_t f = 26; f < 50; ++f) EXPECT_LT(slots[2 * f], slots[2 * (f - 1)]) << f;
}

TEST(WaveGenerator, RampAndSawStartAtMinusFullScale) {
  EXPECT_EQ(Render(Params(kGenerateRamp, 10))[0], -32767);
  EXPECT_EQ(Render(Params(kGenerateSaw, 10))[0], -32767);
  // The ramp climbs by 2A / P per frame.
  const auto ramp = Render(Params(kGenerateRamp, 300, 100, 5));
  EXPECT_EQ(ramp[2 * 125], 0);
  EXPECT_EQ(ramp[2 * 250], -32767);
}

TEST(WaveGenerator, PlainSineHasPeriodTwoPiTimesFiveTimesPeriod) {
  const auto slots = Render(Params(kGenerateSine, 4000, 100, 5));
  for (size_t f = 0; f < 4000; f += 37) {
    const double expected = std::sin(f / 25.0) * 32767;
    ASSERT_NEAR(slots[2 * f], expected, 1.0) << f;
  }
}

TEST(WaveGenerator, StrongDecayFadesToSilence) {
  GeneratorParameters p = Params(kGenerateSquare, 10001);
  p.decay = 50;
  EXPECT_EQ(Render(p)[2 * 10000], 0);
  EXPECT_EQ(Render(p)[0], 32767);  // no fade at t = 0
}

TEST(WaveGenerator, SilenceZeroLengthAndUnknownTypes) {
  const auto silence = Render(Params(kGenerateSilence, 40000));
  for (size_t i = 0; i < 80000; ++i) ASSERT_EQ(silence[i], 0);
  EXPECT_EQ(Render(Params(kGenerateSine, 0))[0], 12345);
  EXPECT_EQ(Render(Params(7, 10))[0], 12345);
  EXPECT_EQ(Render(Params(-1, 10))[0], 12345);
}

TEST(WaveGenerator, NoiseFollowsTheRunTimeGeneratorAndStaysInRange) {
  SeedRuntimeRandom(1);
  // The C run-time generator's first values for seed 1.
  EXPECT_EQ(NextRuntimeRandom(), 41);
  EXPECT_EQ(NextRuntimeRandom(), 18467);
  EXPECT_EQ(NextRuntimeRandom(), 6334);
  SeedRuntimeRandom(1);
  const auto noise = Render(Params(kGenerateNoise, 2000, 50));
  EXPECT_EQ(noise[0], static_cast<int16_t>(2 * (41 % 16383) - 16383.5f));
  for (size_t f = 0; f < 2000; ++f) {
    ASSERT_GE(noise[2 * f], -16384);
    ASSERT_LE(noise[2 * f], 16384);
  }
}

TEST(WaveGenerator, NoiseAtIntensityZeroIsSilence) {
  const auto noise = Render(Params(kGenerateNoise, 100, 0));
  for (size_t i = 0; i < 200; ++i) ASSERT_EQ(noise[i], 0);
}

TEST(WaveGenerator, ALayerOfAnUnknownFunctionIsRefused) {
  // Nothing would be rendered into such a layer: its bytes would be
  // whatever the allocator left there.
  for (const int32_t type : {-1, 7, 1000}) {
    CSound sound;
    GeneratorParameters p = Params(type, 40000);
    bool cancelled = true;
    EXPECT_FALSE(sound.AddGeneratedLayer(p, nullptr, &cancelled)) << type;
    EXPECT_FALSE(cancelled) << type;
    EXPECT_TRUE(sound.layers.empty()) << type;
    EXPECT_FALSE(sound.CreateGenerated(p)) << type;
    EXPECT_TRUE(sound.layers.empty()) << type;
  }
}

TEST(WaveGenerator, PeriodBelowTheSliderDoesNotDivideByZero) {
  const auto ramp = Render(Params(kGenerateRamp, 100, 100, 0));
  EXPECT_EQ(ramp[0], -32767);
}

}  // namespace
