// Written so that the compiler can vectorise them: no loop-carried floating
// point (the distance is recomputed from the integer index, which is exact
// because every distance is a whole number far below 2^53), and the clamps
// are plain minimum and maximum. Every value is the one the scalar formula
// gives: the same operations in the same order, no fused multiply-add.
#include "core/model/mix_kernels.h"

#include <algorithm>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define WAVEDESK_AVX2 1
#endif

#if defined(WAVEDESK_AVX2) && !defined(__clang__)
#define WAVEDESK_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define WAVEDESK_VECTOR_CLONES
#endif

namespace {

inline int16_t Saturate(double value) {
  // Clamping before the truncation equals clamping after it at the integer
  // limits, and keeps the conversion defined for any input.
  value = value < 32767.0 ? value : 32767.0;
  value = value > -32768.0 ? value : -32768.0;
  return static_cast<int16_t>(static_cast<int32_t>(value));
}

// Index runs are kept below 2^30 so that the index converts from 32 bits.
constexpr size_t kRun = size_t{1} << 30;

}  // namespace

WAVEDESK_VECTOR_CLONES
void MixConstantGain(const int16_t* data, int16_t* out, size_t count, double gain) {
  if (gain == 1.0) {
    // gain × sample is the sample itself: a saturating integer sum.
    for (size_t i = 0; i < count; ++i) {
      const int32_t sum = static_cast<int32_t>(out[i]) + data[i];
      out[i] = static_cast<int16_t>(std::clamp(sum, -32768, 32767));
    }
    return;
  }
  for (size_t i = 0; i < count; ++i) out[i] = Saturate(gain * data[i] + out[i]);
}

#ifdef WAVEDESK_AVX2
__attribute__((target("avx2"), always_inline)) inline __m128i MixFourAVX2(
    __m256d x, __m128i d32, __m128i o32, __m256d level0, __m256d slope) {
  const __m256d level = _mm256_add_pd(level0, _mm256_mul_pd(slope, x));
  // Halving by a multiply is exact, like the division it stands for.
  const __m256d gain = _mm256_mul_pd(_mm256_add_pd(level, _mm256_set1_pd(1.0)), _mm256_set1_pd(0.5));
  __m256d v = _mm256_add_pd(_mm256_mul_pd(gain, _mm256_cvtepi32_pd(d32)), _mm256_cvtepi32_pd(o32));
  v = _mm256_max_pd(_mm256_min_pd(v, _mm256_set1_pd(32767.0)), _mm256_set1_pd(-32768.0));
  return _mm256_cvttpd_epi32(v);
}

// Eight values per step. The distance steps by 16.0 per step, which is exact
// (whole numbers below 2^53); min/max with the limits first behave like the
// scalar clamps, NaN included, and the saturating pack then only narrows.
__attribute__((target("avx2"))) size_t MixEnvelopeSegmentAVX2(const int16_t* data, int16_t* out,
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
    const __m128i o16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
    const __m128i r0 = MixFourAVX2(xLow, _mm_cvtepi16_epi32(d16), _mm_cvtepi16_epi32(o16), vLevel0, vSlope);
    const __m128i r1 = MixFourAVX2(xHigh, _mm_cvtepi16_epi32(_mm_srli_si128(d16, 8)),
                                   _mm_cvtepi16_epi32(_mm_srli_si128(o16, 8)), vLevel0, vSlope);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(r0, r1));
    xLow = _mm256_add_pd(xLow, step);
    xHigh = _mm256_add_pd(xHigh, step);
  }
  return i;
}
#endif

void MixEnvelopeSegment(const int16_t* data, int16_t* out, size_t count, double level0, double slope,
                        double x0) {
#ifdef WAVEDESK_AVX2
  static const bool hasAVX2 = __builtin_cpu_supports("avx2");
  if (hasAVX2) {
    const size_t done = MixEnvelopeSegmentAVX2(data, out, count, level0, slope, x0);
    data += done;
    out += done;
    count -= done;
    x0 += 2.0 * static_cast<double>(done);
  }
#endif
  for (size_t done = 0; done < count; done += kRun) {
    const int32_t n = static_cast<int32_t>(std::min(count - done, kRun));
    const int16_t* d = data + done;
    int16_t* o = out + done;
    const double base = x0 + 2.0 * static_cast<double>(done);
    for (int32_t i = 0; i < n; ++i) {
      const double x = base + 2.0 * static_cast<double>(i);
      const double level = level0 + slope * x;
      const double gain = (level + 1) / 2;
      o[i] = Saturate(gain * d[i] + o[i]);
    }
  }
}
