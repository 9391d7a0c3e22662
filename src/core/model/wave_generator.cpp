// Each scale factor is rounded to single precision first and the products
// are formed in extended precision (long double); the exponential's base is
// 2.718282 rather than e. Together they give the sample values the generator
// has always produced.
#include "core/model/wave_generator.h"

#include <algorithm>
#include <cmath>

namespace {

uint32_t g_randomState = 1;  // the run-time generator's state

using Extended = long double;

int16_t ToSample(Extended value) {
  // Truncation toward zero; parameters outside the sliders' ranges could
  // overshoot, so the value is held to the 16-bit range first.
  if (!(value < 32767.0L)) value = 32767.0L;
  if (!(value > -32768.0L)) value = -32768.0L;
  return static_cast<int16_t>(static_cast<int32_t>(value));
}

}  // namespace

void SeedRuntimeRandom(uint32_t seed) { g_randomState = seed; }

int NextRuntimeRandom() {
  g_randomState = g_randomState * 214013u + 2531011u;
  return static_cast<int>((g_randomState >> 16) & 0x7FFF);
}

void Generate(int16_t* buffer, const GeneratorParameters& p) {
  if (p.functionType < kGenerateSilence || p.functionType > kGenerateNoise || p.length <= 0) return;

  const Extended base = static_cast<Extended>(2.718282);
  const float amplitude = static_cast<float>(p.intensity * 327.67);
  const float decayFactor = static_cast<float>(p.decay * 0.0002);
  const float modulationFactor = static_cast<float>(p.modulation * 0.0005);
  // A period below 1 is outside the slider and would divide by zero.
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
        // With intensity 0 there is no range to draw from: silence.
        if (noiseModulus > 0) {
          const int32_t q = NextRuntimeRandom() % noiseModulus;
          value = (2 * static_cast<Extended>(q) - amplitude) * envelope;
        }
        break;
    }
    const int16_t sample = ToSample(value);
    buffer[2 * frame] = sample;
    buffer[2 * frame + 1] = sample;
  }
}
