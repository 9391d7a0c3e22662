// The generator shares long sounds between worker threads. These tests hold
// it to the samples a plain single-threaded loop gives (kept below, as the
// generator was written before it was split), including the noise's random
// sequence across chunk boundaries, and check cancel and where progress is
// reported from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "core/model/sound.h"
#include "core/model/wave_generator.h"

namespace {

// ---- The reference: the single-threaded generator, unchanged. ----

uint32_t g_referenceState = 1;

int ReferenceRandom() {
  g_referenceState = g_referenceState * 214013u + 2531011u;
  return static_cast<int>((g_referenceState >> 16) & 0x7FFF);
}

using Extended = long double;

int16_t ReferenceSample(Extended value) {
  if (!(value < 32767.0L)) value = 32767.0L;
  if (!(value > -32768.0L)) value = -32768.0L;
  return static_cast<int16_t>(static_cast<int32_t>(value));
}

void ReferenceGenerate(int16_t* buffer, const GeneratorParameters& p) {
  if (p.functionType < kGenerateSilence || p.functionType > kGenerateNoise || p.length <= 0) return;

  const Extended base = static_cast<Extended>(2.718282);
  const float amplitude = static_cast<float>(p.intensity * 327.67);
  const float decayFactor = static_cast<float>(p.decay * 0.0002);
  const float modulationFactor = static_cast<float>(p.modulation * 0.0005);
  const int32_t period = std::max(p.period, 1);
  const float cycle = static_cast<float>(period * 50);
  const int32_t wholeCycle = static_cast<int32_t>(cycle);
  const float shiftFactor = -0.00002f;
  const float sineCycle = static_cast<float>(period * 5);
  const float shape = static_cast<float>((21 - p.distortion) / 21.0);
  const int32_t noiseModulus = static_cast<int32_t>(amplitude);

  const int64_t frames = p.length;
  for (int64_t frame = 0; frame < frames; ++frame) {
    const float t = static_cast<float>(frame);
    const Extended fade = std::pow(base, -(static_cast<Extended>(t) * decayFactor));
    const Extended wobble = std::cos(static_cast<Extended>(t) * modulationFactor);
    const Extended envelope = fade * wobble;
    const int32_t r = static_cast<int32_t>(t) % wholeCycle;
    Extended value = 0;
    switch (p.functionType) {
      case kGenerateSilence:
        break;
      case kGenerateSine: {
        const Extended sweep = std::pow(base, static_cast<Extended>(t) * p.shift * shiftFactor);
        const Extended s = std::sin(sweep * t / sineCycle);
        const Extended sign = s >= 0 ? 1.0L : -1.0L;
        value = sign * std::pow(std::fabs(s), static_cast<Extended>(shape)) * fade * wobble *
                amplitude;
        break;
      }
      case kGenerateRamp:
        value = (2 * static_cast<Extended>(r) / cycle * amplitude - amplitude) * envelope;
        break;
      case kGenerateSaw:
        value = (2 * std::sqrt(static_cast<Extended>(r) / cycle) - 1) * amplitude * envelope;
        break;
      case kGenerateSquare: {
        const int64_t k = static_cast<int64_t>(static_cast<Extended>(t) / cycle);
        value = (k % 2 == 0 ? amplitude : -amplitude) * envelope;
        break;
      }
      case kGenerateTriangle: {
        const Extended half = static_cast<Extended>(cycle) * 0.5L;
        const Extended a = amplitude;
        const Extended w = r < half ? 2 * a * r / half - a : a - 2 * a * (r - half) / half;
        value = static_cast<float>(w) * envelope;
        break;
      }
      case kGenerateNoise:
        if (noiseModulus > 0) {
          const int32_t q = ReferenceRandom() % noiseModulus;
          value = (2 * static_cast<Extended>(q) - amplitude) * envelope;
        }
        break;
    }
    const int16_t sample = ReferenceSample(value);
    buffer[2 * frame] = sample;
    buffer[2 * frame + 1] = sample;
  }
}

// ---- Bit-exact against the reference. ----

struct ExactCase {
  const char* name;
  GeneratorParameters parameters;  // type, length, intensity, decay, modulation, period, shift, distortion
};

void PrintTo(const ExactCase& row, std::ostream* out) { *out << row.name; }

class GeneratorExactTest : public testing::TestWithParam<ExactCase> {};

// Long enough to be cut into several chunks, with a ragged last one.
constexpr int32_t kLong = 300'001;

TEST_P(GeneratorExactTest, ThreadedOutputEqualsTheSingleThreadedLoop) {
  const GeneratorParameters& p = GetParam().parameters;
  // Given the same seed for both
  const size_t slots = 2 * static_cast<size_t>(std::max(p.length, 0)) + 2;
  std::vector<int16_t> expected(slots, 777), actual(slots, 777);
  g_referenceState = 12345;
  SeedRuntimeRandom(12345);

  // When both render the sound
  ReferenceGenerate(expected.data(), p);
  SilentProgress progress;
  ASSERT_TRUE(Generate(actual.data(), p, progress));

  // Then every slot is the same, and the random sequence goes on alike
  for (size_t i = 0; i < slots; ++i) ASSERT_EQ(actual[i], expected[i]) << "slot " << i;
  EXPECT_EQ(NextRuntimeRandom(), ReferenceRandom());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneratorExactTest,
    testing::Values(
        ExactCase{"Silence", {kGenerateSilence, kLong, 80, 0, 0, 5, 0, 0}},
        ExactCase{"PlainSine", {kGenerateSine, kLong, 80, 0, 0, 5, 0, 0}},
        ExactCase{"PlainSineShortPeriod", {kGenerateSine, kLong, 100, 0, 0, 1, 0, 0}},
        ExactCase{"PlainSineLongPeriodSoft", {kGenerateSine, kLong, 37, 0, 0, 20, 0, 0}},
        ExactCase{"PlainSineQuietest", {kGenerateSine, kLong, 1, 0, 0, 3, 0, 0}},
        ExactCase{"PlainSineAtIntensityZero", {kGenerateSine, kLong, 0, 0, 0, 5, 0, 0}},
        ExactCase{"SineWithEverySlider", {kGenerateSine, kLong, 100, 3, 7, 2, 4, 9}},
        ExactCase{"SineSwept", {kGenerateSine, kLong, 60, 0, 0, 20, 20, 0}},
        ExactCase{"SineDistorted", {kGenerateSine, kLong, 100, 0, 0, 1, 0, 20}},
        ExactCase{"SineFadedAndModulated", {kGenerateSine, kLong, 75, 50, 20, 5, 0, 0}},
        ExactCase{"Ramp", {kGenerateRamp, kLong, 100, 0, 0, 7, 0, 0}},
        ExactCase{"RampFaded", {kGenerateRamp, kLong, 90, 1, 3, 7, 0, 0}},
        ExactCase{"Saw", {kGenerateSaw, kLong, 33, 0, 0, 13, 0, 0}},
        ExactCase{"SawModulated", {kGenerateSaw, kLong, 100, 0, 20, 1, 0, 0}},
        ExactCase{"Square", {kGenerateSquare, kLong, 100, 0, 0, 5, 0, 0}},
        ExactCase{"SquareFaded", {kGenerateSquare, kLong, 100, 2, 1, 19, 0, 0}},
        ExactCase{"Triangle", {kGenerateTriangle, kLong, 100, 0, 0, 1, 0, 0}},
        ExactCase{"TriangleShaped", {kGenerateTriangle, kLong, 55, 4, 9, 11, 0, 0}},
        ExactCase{"Noise", {kGenerateNoise, kLong, 80, 0, 0, 5, 0, 0}},
        ExactCase{"NoiseShaped", {kGenerateNoise, kLong, 100, 5, 5, 5, 0, 0}},
        ExactCase{"NoiseAtIntensityZero", {kGenerateNoise, kLong, 0, 0, 0, 5, 0, 0}},
        ExactCase{"ShortNoise", {kGenerateNoise, 1000, 50, 0, 0, 5, 0, 0}},
        ExactCase{"EightKibiFrames", {kGenerateNoise, 8192, 70, 0, 0, 5, 0, 0}},
        ExactCase{"EightKibiFramesAndOne", {kGenerateNoise, 8193, 70, 0, 0, 5, 0, 0}},
        ExactCase{"PeriodBelowTheSlider", {kGenerateRamp, kLong, 100, 0, 0, 0, 0, 0}},
        ExactCase{"SlidersBeyondTheirRanges", {kGenerateSine, kLong, 150, -3, 40, 30, 40, 30}}),
    [](const testing::TestParamInfo<ExactCase>& info) { return std::string(info.param.name); });

// ---- Progress and cancel. ----

// Answers true until its `cancelAt`-th poll (1-based; 0 never cancels), and
// remembers which threads polled and with what.
class RecordingProgress final : public ProgressReport {
 public:
  explicit RecordingProgress(int cancelAt) : m_cancelAt(cancelAt) {}
  bool Poll(int percent) override {
    threads.push_back(std::this_thread::get_id());
    percents.push_back(percent);
    return m_cancelAt == 0 || static_cast<int>(percents.size()) < m_cancelAt;
  }
  std::vector<std::thread::id> threads;
  std::vector<int> percents;

 private:
  int m_cancelAt;
};

// Slow enough (every slider on) that the work outlasts several polls.
GeneratorParameters SlowSine() {
  return GeneratorParameters{kGenerateSine, 300'000, 80, 3, 7, 5, 4, 9};
}

TEST(GeneratorProgress, PollsOnlyOnTheCallingThreadFromZeroToOneHundred) {
  // Given a long sound and a report that never cancels
  RecordingProgress progress(0);
  std::vector<int16_t> buffer(2 * static_cast<size_t>(SlowSine().length));

  // When it is rendered
  ASSERT_TRUE(Generate(buffer.data(), SlowSine(), progress));

  // Then every poll came from this thread, in rising order, ending at 100
  ASSERT_GE(progress.percents.size(), 3u);  // start, at least one while working, end
  for (const auto& id : progress.threads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_EQ(progress.percents.front(), 0);
  EXPECT_EQ(progress.percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress.percents.begin(), progress.percents.end()));
}

class GeneratorCancelTest : public testing::TestWithParam<int> {};

TEST_P(GeneratorCancelTest, ACancelledLayerIsNotAdded) {
  // Given a sound with one layer, and a report that cancels on poll N
  CSound sound;
  GeneratorParameters blank;
  blank.functionType = kGenerateSilence;
  ASSERT_TRUE(sound.AddGeneratedLayer(blank));
  RecordingProgress progress(GetParam());
  SeedRuntimeRandom(99);

  // When a long layer is generated
  bool cancelled = false;
  EXPECT_FALSE(sound.AddGeneratedLayer(SlowSine(), &progress, &cancelled));

  // Then it stopped at that poll, on this thread, and added nothing
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(progress.percents.size(), static_cast<size_t>(GetParam()));
  for (const auto& id : progress.threads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_EQ(sound.layers.size(), 1u);

  // And a new sound cancelled the same way has no layer either
  CSound fresh;
  RecordingProgress again(GetParam());
  cancelled = false;
  EXPECT_FALSE(fresh.CreateGenerated(SlowSine(), &again, &cancelled));
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(fresh.layers.empty());
}

INSTANTIATE_TEST_SUITE_P(FirstOrSecondPoll, GeneratorCancelTest, testing::Values(1, 2),
                         [](const testing::TestParamInfo<int>& info) {
                           return info.param == 1 ? std::string("FirstPoll") : std::string("SecondPoll");
                         });

TEST(GeneratorCancel, ACancelledNoiseLeavesTheRandomSequenceWhereItWas) {
  SeedRuntimeRandom(7);
  const int first = NextRuntimeRandom();
  SeedRuntimeRandom(7);
  GeneratorParameters noise{kGenerateNoise, 1'000'000, 80, 0, 0, 5, 0, 0};
  std::vector<int16_t> buffer(2 * static_cast<size_t>(noise.length));
  RecordingProgress progress(2);
  EXPECT_FALSE(Generate(buffer.data(), noise, progress));
  EXPECT_EQ(NextRuntimeRandom(), first);
}

TEST(GeneratorCancel, AFinishedLayerReportsNoCancel) {
  CSound sound;
  RecordingProgress progress(0);
  bool cancelled = true;
  GeneratorParameters tone;
  EXPECT_TRUE(sound.AddGeneratedLayer(tone, &progress, &cancelled));
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(sound.layers.size(), 1u);
}

}  // namespace
