// The wave generator: seven functions (silence, sine, ramp, saw, square,
// triangle, noise) shaped by six slider parameters, rendered as 16-bit
// stereo frames with both channels equal.
#pragma once

#include <cstdint>

#include "core/model/progress_report.h"

enum GeneratorFunction : int32_t {
  kGenerateSilence = 0,
  kGenerateSine = 1,
  kGenerateRamp = 2,
  kGenerateSaw = 3,
  kGenerateSquare = 4,
  kGenerateTriangle = 5,
  kGenerateNoise = 6,
};

struct GeneratorParameters {
  int32_t functionType = kGenerateSine;
  int32_t length = 40000;  // sample frames
  int32_t intensity = 80;  // 0-100: peak amplitude in percent of full scale
  int32_t decay = 0;       // 0-50: exponential fade rate
  int32_t modulation = 0;  // 0-20: rate of a cosine amplitude modulation
  int32_t period = 5;      // 1-20: length of one cycle
  int32_t shift = 0;       // 0-20: frequency sweep (sine only)
  int32_t distortion = 0;  // 0-20: wave-shape exponent (sine only)
};

// True for the seven function types 0-6.
bool IsGeneratorFunction(int32_t functionType);

// The blank layer the side panel and the Layer menu add: 40,000 frames of
// silence.
inline GeneratorParameters BlankLayerParameters() {
  GeneratorParameters silence;
  silence.functionType = kGenerateSilence;
  silence.length = 40000;
  silence.intensity = 80;
  silence.period = 5;
  return silence;
}

// Fills 2 × length 16-bit slots. A function type outside 0-6 or a length
// below 1 leaves the buffer untouched (true, no polls). Long sounds are rendered by two worker
// threads while the calling thread waits, calling progress.Poll with the
// percentage done when it starts, about every 20 ms, and at the end. Returns
// false, with the buffer's contents unspecified, when a poll returned false;
// the noise's random sequence then stays where it was.
[[nodiscard]] bool Generate(int16_t* buffer, const GeneratorParameters& parameters,
                            ProgressReport& progress);
// The same without progress or cancel.
void Generate(int16_t* buffer, const GeneratorParameters& parameters);

// The noise source: the C run-time's linear congruential generator
// (multiplier 214013, increment 2531011, result bits 16-30), so that a seed
// gives the same noise as it always has. Seeded once at start-up. Used from
// the user-interface thread only (Generate's workers draw from copies).
void SeedRuntimeRandom(uint32_t seed);
int NextRuntimeRandom();
