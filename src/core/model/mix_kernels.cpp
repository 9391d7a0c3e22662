// Written so that the compiler can vectorise them: no loop-carried floating
// point (the distance is recomputed from the integer index, which is exact
// because every distance is a whole number far below 2^53), and the clamps
// are plain minimum and maximum. Every value is the one the scalar formula
// gives: the same operations in the same order, no fused multiply-add.
//
// A run whose gains all lie in [0, 1] needs no clamp: |gain × sample| is at
// most 32768 and truncates into the 16-bit range. Along a straight segment
// the rounded gains are monotonic in the distance (each rounding step is),
// so checking the run's two ends is enough.
#include "core/model/mix_kernels.h"

#include <cstring>
#include <type_traits>

// A build may ask for the portable loops alone: the thread sanitizer's
// run-time starts after the CPU dispatch would have to run.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(WAVEDESK_PORTABLE_KERNELS)
#include <immintrin.h>
#define WAVEDESK_AVX2 1
#endif

#if defined(WAVEDESK_AVX2) && !defined(__clang__)
#define WAVEDESK_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define WAVEDESK_VECTOR_CLONES
#endif

namespace {

// Index runs are kept below 2^30 so that the index converts from 32 bits.
constexpr size_t kRun = size_t{1} << 30;

bool IsUnitGain(double gain) { return gain >= 0.0 && gain <= 1.0; }

inline double SegmentGain(double level0, double slope, double x) {
  const double level = level0 + slope * x;
  return (level + 1) / 2;
}

// Adds a layer's value into a sum, or stores it into a slot.
template <typename Out>
inline void Put(Out* out, size_t i, int32_t value) {
  if constexpr (std::is_same_v<Out, int32_t>) {
    out[i] += value;
  } else {
    out[i] = static_cast<int16_t>(value);
  }
}

template <typename Out>
inline void ConstantGain(const int16_t* data, Out* out, size_t count, double gain) {
  if (gain == 1.0) {
    if constexpr (std::is_same_v<Out, int16_t>) {
      std::memcpy(out, data, count * sizeof(int16_t));
    } else {
      for (size_t i = 0; i < count; ++i) out[i] += data[i];
    }
    return;
  }
  if (gain == 0.0) {  // every product truncates to 0
    if constexpr (std::is_same_v<Out, int16_t>) std::memset(out, 0, count * sizeof(int16_t));
    return;
  }
  if (IsUnitGain(gain)) {
    for (size_t i = 0; i < count; ++i) Put(out, i, static_cast<int32_t>(gain * data[i]));
    return;
  }
  for (size_t i = 0; i < count; ++i) Put(out, i, LayerValue(gain * data[i]));
}

}  // namespace

WAVEDESK_VECTOR_CLONES
void MixConstantGain(const int16_t* data, int32_t* sums, size_t count, double gain) {
  ConstantGain(data, sums, count, gain);
}

WAVEDESK_VECTOR_CLONES
void MixConstantGain(const int16_t* data, int16_t* slots, size_t count, double gain) {
  ConstantGain(data, slots, count, gain);
}

WAVEDESK_VECTOR_CLONES
void SaturateSums(const int32_t* sums, int16_t* out, size_t count) {
  for (size_t i = 0; i < count; ++i) out[i] = SaturateSample(sums[i]);
}

#ifdef WAVEDESK_AVX2
namespace {

template <bool kClamp>
__attribute__((target("avx2"), always_inline)) inline __m128i FourValuesAVX2(
    __m256d x, __m128i d32, __m256d level0, __m256d slope) {
  const __m256d level = _mm256_add_pd(level0, _mm256_mul_pd(slope, x));
  // Halving by a multiply is exact, like the division it stands for.
  const __m256d gain = _mm256_mul_pd(_mm256_add_pd(level, _mm256_set1_pd(1.0)), _mm256_set1_pd(0.5));
  __m256d v = _mm256_mul_pd(gain, _mm256_cvtepi32_pd(d32));
  if constexpr (kClamp) {
    // min/max with the limits first behave like the scalar clamps, NaN
    // included.
    v = _mm256_max_pd(_mm256_min_pd(v, _mm256_set1_pd(32767.0)), _mm256_set1_pd(-32768.0));
  }
  return _mm256_cvttpd_epi32(v);
}

// Eight values per step. The distance steps by 16.0 per step, which is exact
// (whole numbers below 2^53).
template <bool kClamp, typename Out>
__attribute__((target("avx2"))) size_t EnvelopeSegmentAVX2(const int16_t* data, Out* out,
                                                            size_t count, double level0,
                                                            double slope, double x0) {
  const __m256d vLevel0 = _mm256_set1_pd(level0);
  const __m256d vSlope = _mm256_set1_pd(slope);
  const __m256d step = _mm256_set1_pd(16.0);
  __m256d xLow = _mm256_setr_pd(x0, x0 + 2.0, x0 + 4.0, x0 + 6.0);
  __m256d xHigh = _mm256_setr_pd(x0 + 8.0, x0 + 10.0, x0 + 12.0, x0 + 14.0);
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i d16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i r0 = FourValuesAVX2<kClamp>(xLow, _mm_cvtepi16_epi32(d16), vLevel0, vSlope);
    const __m128i r1 =
        FourValuesAVX2<kClamp>(xHigh, _mm_cvtepi16_epi32(_mm_srli_si128(d16, 8)), vLevel0, vSlope);
    if constexpr (std::is_same_v<Out, int32_t>) {
      __m128i* s = reinterpret_cast<__m128i*>(out + i);
      _mm_storeu_si128(s, _mm_add_epi32(_mm_loadu_si128(s), r0));
      _mm_storeu_si128(s + 1, _mm_add_epi32(_mm_loadu_si128(s + 1), r1));
    } else {
      // The values are within 16 bits already; the saturating pack only
      // narrows.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(r0, r1));
    }
    xLow = _mm256_add_pd(xLow, step);
    xHigh = _mm256_add_pd(xHigh, step);
  }
  return i;
}

}  // namespace
#endif

namespace {

template <typename Out>
void EnvelopeSegment(const int16_t* data, Out* out, size_t count, double level0, double slope,
                     double x0) {
  if (count == 0) return;
#ifdef WAVEDESK_AVX2
  const double lastX = x0 + 2.0 * static_cast<double>(count - 1);
  const bool clamp = !(IsUnitGain(SegmentGain(level0, slope, x0)) &&
                       IsUnitGain(SegmentGain(level0, slope, lastX)));
  static const bool hasAVX2 = __builtin_cpu_supports("avx2");
  if (hasAVX2) {
    const size_t done = clamp ? EnvelopeSegmentAVX2<true>(data, out, count, level0, slope, x0)
                              : EnvelopeSegmentAVX2<false>(data, out, count, level0, slope, x0);
    data += done;
    out += done;
    count -= done;
    x0 += 2.0 * static_cast<double>(done);
  }
#endif
  for (size_t done = 0; done < count; done += kRun) {
    const int32_t n = static_cast<int32_t>(std::min(count - done, kRun));
    const int16_t* d = data + done;
    Out* o = out + done;
    const double base = x0 + 2.0 * static_cast<double>(done);
    for (int32_t i = 0; i < n; ++i) {
      const double gain = SegmentGain(level0, slope, base + 2.0 * static_cast<double>(i));
      Put(o, static_cast<size_t>(i), LayerValue(gain * d[i]));
    }
  }
}

}  // namespace

void MixEnvelopeSegment(const int16_t* data, int32_t* sums, size_t count, double level0,
                        double slope, double x0) {
  EnvelopeSegment(data, sums, count, level0, slope, x0);
}

void MixEnvelopeSegment(const int16_t* data, int16_t* slots, size_t count, double level0,
                        double slope, double x0) {
  EnvelopeSegment(data, slots, count, level0, slope, x0);
}
