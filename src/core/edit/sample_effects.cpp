// Every loop that touches the samples is written so that the compiler can
// vectorise it (the file is built with -O3, and with GCC also for AVX2):
// no branches on the sample values, the clamps as plain minimum and maximum,
// and no floating-point value carried from one frame to the next. The fades
// therefore compute their gains per block of frames, each gain from a value
// at the block's start and a table of offsets within a block, instead of
// stepping a gain along from frame to frame (which drifts) or calling pow
// and sin for every frame (which is slow); see Fade for how the result stays
// that of the formula.
#include "core/edit/sample_effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <utility>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(WAVEDESK_PORTABLE_KERNELS)
#define WAVEDESK_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define WAVEDESK_VECTOR_CLONES
#endif

namespace {

constexpr double kFullScale = 32767.0;

// Any factor from here up saturates every sample other than 0, so larger
// ones (infinity included) are brought down to it: the products then stay
// finite and far inside the range where the rounding below is exact.
constexpr double kLargestFactor = 65536.0;

// Adding and taking away 1.5 × 2^52 leaves x rounded to an integer by the
// processor's rounding (to nearest, an exact half to even) for |x| < 2^51:
// the sum lies where doubles are exactly the integers. Unlike nearbyint it
// needs no SSE4.1 and no library call, so it vectorises on any x86-64.
// Neither compiler folds it without -ffast-math, which this build never uses.
constexpr double kRoundingShift = 6755399441055744.0;

inline int16_t ScaledSample(double product) {
  double value = (product + kRoundingShift) - kRoundingShift;
  value = value < 32767.0 ? value : 32767.0;
  value = value > -32768.0 ? value : -32768.0;
  return static_cast<int16_t>(static_cast<int32_t>(value));
}

inline int16_t SaturatedSample(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

double FactorOfDb(double db) { return std::min(std::pow(10.0, db / 20.0), kLargestFactor); }

WAVEDESK_VECTOR_CLONES
void ScaleChannels(int16_t* frames, size_t count, double left, double right) {
  for (size_t f = 0; f < count; ++f) {
    frames[2 * f] = ScaledSample(frames[2 * f] * left);
    frames[2 * f + 1] = ScaledSample(frames[2 * f + 1] * right);
  }
}

WAVEDESK_VECTOR_CLONES
void ScaleByFrameGains(int16_t* frames, const double* gains, size_t count) {
  for (size_t f = 0; f < count; ++f) {
    frames[2 * f] = ScaledSample(frames[2 * f] * gains[f]);
    frames[2 * f + 1] = ScaledSample(frames[2 * f + 1] * gains[f]);
  }
}

// The largest error of a fade gain built from the per-block tables, with a
// wide margin: the gains lie in [0, 1] and the tables' error is a few units
// of 2^-53.
constexpr double kGainTolerance = 1e-13;

// Scales by gains known to within kGainTolerance. Returns false when the
// rounding of some sample depends on where in that interval the true gain
// lies; the block then holds no useful result.
WAVEDESK_VECTOR_CLONES
bool ScaleByNearGains(int16_t* frames, const double* gains, size_t count) {
  int32_t undecided = 0;
  for (size_t f = 0; f < count; ++f) {
    const double low = gains[f] - kGainTolerance, high = gains[f] + kGainTolerance;
    const int16_t leftLow = ScaledSample(frames[2 * f] * low), leftHigh = ScaledSample(frames[2 * f] * high);
    const int16_t rightLow = ScaledSample(frames[2 * f + 1] * low),
                  rightHigh = ScaledSample(frames[2 * f + 1] * high);
    undecided |= (leftLow != leftHigh) | (rightLow != rightHigh);
    frames[2 * f] = leftLow;
    frames[2 * f + 1] = rightLow;
  }
  return undecided == 0;
}

// The mean of count values whose sum is given, an exact half rounded away
// from zero.
int32_t RoundedMean(int64_t sum, size_t count) {
  const uint64_t magnitude = sum < 0 ? 0 - static_cast<uint64_t>(sum) : static_cast<uint64_t>(sum);
  uint64_t mean = magnitude / count;
  if (2 * (magnitude % count) >= count) ++mean;
  return sum < 0 ? -static_cast<int32_t>(mean) : static_cast<int32_t>(mean);
}

// Frames per block of fade gains: large enough that the per-block pow or
// sin/cos costs nothing, small enough that the tables stay on the stack.
constexpr size_t kGainBlock = 256;

}  // namespace

WAVEDESK_VECTOR_CLONES
ChannelPeaks PeakLevels(const int16_t* frames, size_t count) {
  int32_t left = 0, right = 0;
  for (size_t f = 0; f < count; ++f) {
    const int32_t l = frames[2 * f], r = frames[2 * f + 1];
    left = std::max(left, l < 0 ? -l : l);
    right = std::max(right, r < 0 ? -r : r);
  }
  return {static_cast<uint32_t>(left), static_cast<uint32_t>(right)};
}

double PeakToDbfs(uint32_t peak) {
  if (peak == 0) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(peak / kFullScale);
}

void Amplify(int16_t* frames, size_t count, double gainDb) {
  if (std::isnan(gainDb)) return;
  const double factor = FactorOfDb(gainDb);
  if (factor == 1.0) return;
  ScaleChannels(frames, count, factor, factor);
}

double LargestGainWithoutClipping(uint32_t peak) {
  if (peak == 0) return std::numeric_limits<double>::infinity();
  double tenths = std::floor(200.0 * std::log10(kFullScale / peak));
  // A tenth of a dB is no exact double, and pow and log10 each round: make
  // sure that the gain as Amplify applies it keeps the peak (of either sign)
  // within 32767.
  while (static_cast<double>(peak) * FactorOfDb(tenths / 10.0) >= 32767.5) tenths -= 1.0;
  return tenths / 10.0;
}

void NormalizeToPeak(int16_t* frames, size_t count, double targetDb, bool perChannel) {
  if (std::isnan(targetDb)) return;
  const ChannelPeaks peaks = PeakLevels(frames, count);
  const double target = kFullScale * std::pow(10.0, targetDb / 20.0);
  const auto factorFor = [target](uint32_t peak) {
    return peak == 0 ? 1.0 : std::min(target / peak, kLargestFactor);
  };
  const double left = factorFor(perChannel ? peaks.left : peaks.together());
  const double right = factorFor(perChannel ? peaks.right : peaks.together());
  if (left == 1.0 && right == 1.0) return;
  ScaleChannels(frames, count, left, right);
}

WAVEDESK_VECTOR_CLONES
void RemoveDcOffset(int16_t* frames, size_t count) {
  if (count == 0) return;
  int64_t leftSum = 0, rightSum = 0;
  for (size_t f = 0; f < count; ++f) {
    leftSum += frames[2 * f];
    rightSum += frames[2 * f + 1];
  }
  const int32_t left = RoundedMean(leftSum, count), right = RoundedMean(rightSum, count);
  if (left == 0 && right == 0) return;
  for (size_t f = 0; f < count; ++f) {
    frames[2 * f] = SaturatedSample(frames[2 * f] - left);
    frames[2 * f + 1] = SaturatedSample(frames[2 * f + 1] - right);
  }
}

namespace {

// A fade gain exactly as the header defines it, for position j of n.
double FadeGain(FadeCurve curve, double j, double n) {
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

}  // namespace

// Frame i takes the fade-in gain of position j = i (fading in) or
// j = n - 1 - i (fading out), so that j moves by `step` = ±1 per frame.
// Calling pow or sin for every frame costs far more than the rest of the
// fade, so the gains of a block of frames starting at position j0 come from
// one value at j0 and a table of offsets shared by all blocks (d = k × step
// for the k-th frame of a block):
//   linear:      (j0 + d) / n, exact integers and one division, as the
//                formula has it
//   logarithmic: 10^(-3 (n - j0) / n) × 10^(3 d / n)
//   S-curve:     the sine of a sum taken apart into sin and cos of
//                pi (2 j0 - n) / 2n and of pi d / n
// The last two differ from the formula's by a few units in the last place.
// A block is scaled with each gain nudged both ways by far more than that
// error; where the two results agree, the formula's gain gives them too.
// Where they do not (a product within a few billionths of a half, such as an odd
// sample at the exact midpoint of an S-curve) the block is done again with
// the formula's own gains.
void Fade(int16_t* frames, size_t count, FadeDirection direction, FadeCurve curve) {
  if (count == 0) return;
  const double n = static_cast<double>(count);
  const double step = direction == FadeDirection::kIn ? 1.0 : -1.0;
  const size_t tableSize = std::min(kGainBlock, count);
  double offsetA[kGainBlock], offsetB[kGainBlock], gains[kGainBlock];
  int16_t original[2 * kGainBlock];
  for (size_t k = 0; k < tableSize; ++k) {
    const double d = step * static_cast<double>(k);
    if (curve == FadeCurve::kLinear) {
      offsetA[k] = d;
    } else if (curve == FadeCurve::kLogarithmic) {
      offsetA[k] = std::pow(10.0, 3.0 * d / n);
    } else if (curve == FadeCurve::kSCurve) {
      offsetA[k] = std::cos(std::numbers::pi * d / n);
      offsetB[k] = std::sin(std::numbers::pi * d / n);
    }
  }
  for (size_t first = 0; first < count; first += kGainBlock) {
    const size_t blockFrames = std::min(kGainBlock, count - first);
    int16_t* block = frames + 2 * first;
    const double j0 = static_cast<double>(direction == FadeDirection::kIn ? first : count - 1 - first);
    if (curve == FadeCurve::kLinear) {
      for (size_t k = 0; k < blockFrames; ++k) gains[k] = (j0 + offsetA[k]) / n;
      ScaleByFrameGains(block, gains, blockFrames);
      continue;
    }
    if (curve == FadeCurve::kLogarithmic) {
      const double start = std::pow(10.0, -(3.0 * (n - j0)) / n);
      for (size_t k = 0; k < blockFrames; ++k) gains[k] = start * offsetA[k];
    } else {
      const double angle = std::numbers::pi * ((2.0 * j0 - n) / (2.0 * n));
      const double s = std::sin(angle), c = std::cos(angle);
      for (size_t k = 0; k < blockFrames; ++k) gains[k] = (1.0 + (s * offsetA[k] + c * offsetB[k])) / 2.0;
    }
    std::memcpy(original, block, 2 * blockFrames * sizeof(int16_t));
    if (!ScaleByNearGains(block, gains, blockFrames)) {
      for (size_t k = 0; k < blockFrames; ++k) gains[k] = FadeGain(curve, j0 + step * static_cast<double>(k), n);
      std::memcpy(block, original, 2 * blockFrames * sizeof(int16_t));
      ScaleByFrameGains(block, gains, blockFrames);
    }
  }
  // Position 0 is silent by definition; the block form of the logarithmic
  // curve does not reach 0 there.
  const size_t silent = direction == FadeDirection::kIn ? 0 : count - 1;
  frames[2 * silent] = 0;
  frames[2 * silent + 1] = 0;
}

void Reverse(int16_t* frames, size_t count) {
  if (count < 2) return;
  for (size_t a = 0, b = count - 1; a < b; ++a, --b) {
    std::swap(frames[2 * a], frames[2 * b]);
    std::swap(frames[2 * a + 1], frames[2 * b + 1]);
  }
}

WAVEDESK_VECTOR_CLONES
void Invert(int16_t* frames, size_t count) {
  for (size_t i = 0; i < 2 * count; ++i) frames[i] = static_cast<int16_t>(std::min<int32_t>(-frames[i], INT16_MAX));
}

void Silence(int16_t* frames, size_t count) {
  if (count > 0) std::memset(frames, 0, 2 * count * sizeof(int16_t));
}
