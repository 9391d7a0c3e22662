// Each scale factor is rounded to single precision first and the products
// are formed in extended precision (long double); the exponential's base is
// 2.718282 rather than e. Together they give the sample values the generator
// has always produced, so every change here must keep them bit for bit.
//
// Frames do not depend on each other, so a long sound is cut into chunks
// that two worker threads take in turn while the calling thread reports
// progress. The one dependency, the noise's random sequence, is a linear
// congruential generator: the state at any frame is reached directly by
// composing the step with itself, so each chunk starts where the sequence
// would have been had one thread rendered everything.
#include "core/model/wave_generator.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

constexpr uint32_t kRandomMultiplier = 214013u;
constexpr uint32_t kRandomIncrement = 2531011u;

// The run-time generator's state. Read and written on the thread that calls
// Generate only; workers start from copies advanced to their chunk.
uint32_t g_randomState = 1;

using Extended = long double;

int16_t ToSample(Extended value) {
  // Truncation toward zero; parameters outside the sliders' ranges could
  // overshoot, so the value is held to the 16-bit range first.
  if (!(value < 32767.0L)) value = 32767.0L;
  if (!(value > -32768.0L)) value = -32768.0L;
  return static_cast<int16_t>(static_cast<int32_t>(value));
}

uint32_t StepRandom(uint32_t& state) {
  state = state * kRandomMultiplier + kRandomIncrement;
  return (state >> 16) & 0x7FFF;
}

// The state after `steps` draws from `state`, in O(log steps).
uint32_t AdvanceRandom(uint32_t state, uint64_t steps) {
  uint32_t multiplier = kRandomMultiplier, increment = kRandomIncrement;
  uint32_t totalMultiplier = 1, totalIncrement = 0;
  while (steps != 0) {
    if (steps & 1) {
      totalMultiplier *= multiplier;
      totalIncrement = totalIncrement * multiplier + increment;
    }
    increment *= multiplier + 1;
    multiplier *= multiplier;
    steps >>= 1;
  }
  return totalMultiplier * state + totalIncrement;
}

// The parameters turned into the factors the formulas use, once per sound.
struct Shape {
  int32_t function = kGenerateSilence;
  int32_t shift = 0;
  float amplitude = 0;
  float decayFactor = 0;
  float modulationFactor = 0;
  float cycle = 0;
  int32_t wholeCycle = 1;
  float sineCycle = 0;
  float exponent = 1;
  int32_t noiseModulus = 0;
  // A zero factor makes its power or cosine exactly 1, and an exponent of 1
  // leaves the sine as it is: those calls are skipped, which changes no bit
  // of the result and saves most of the time for the usual settings.
  bool fades = false;
  bool wobbles = false;
  bool sweeps = false;
  bool distorts = false;
};

Shape MakeShape(const GeneratorParameters& p) {
  Shape s;
  s.function = p.functionType;
  s.shift = p.shift;
  s.amplitude = static_cast<float>(p.intensity * 327.67);
  s.decayFactor = static_cast<float>(p.decay * 0.0002);
  s.modulationFactor = static_cast<float>(p.modulation * 0.0005);
  // A period below 1 is outside the slider and would divide by zero.
  const int32_t period = std::max(p.period, 1);
  s.cycle = static_cast<float>(period * 50);
  s.wholeCycle = static_cast<int32_t>(s.cycle);
  s.sineCycle = static_cast<float>(period * 5);
  s.exponent = static_cast<float>((21 - p.distortion) / 21.0);
  s.noiseModulus = static_cast<int32_t>(s.amplitude);
  s.fades = s.decayFactor != 0.0f;
  s.wobbles = s.modulationFactor != 0.0f;
  s.sweeps = p.shift != 0;
  s.distorts = s.exponent != 1.0f;
  return s;
}

bool DrawsRandom(const Shape& s) { return s.function == kGenerateNoise && s.noiseModulus > 0; }

// A plain sine (no fade, modulation, sweep or distortion) is the extended
// sine of t / (5 × period) times A, truncated. The extended sine costs
// hundreds of nanoseconds; the double one a tenth of that and differs from
// it by far less than `margin` (the argument rounded to double moves it by
// at most |x| × 2^-53, each sine is within a unit in its last place, and the
// margin allows four times their sum). Only when an integer, where the
// truncation could tip, lies within the margin is the extended value needed;
// that happens for a few frames in a hundred thousand. Returns false then.
bool PlainSineSample(float t, const Shape& s, int16_t* sample) {
  const Extended x = static_cast<Extended>(t) / s.sineCycle;
  const double argument = static_cast<double>(x);
  const double amplitude = s.amplitude;
  if (amplitude == 0) {
    *sample = 0;
    return true;
  }
  const double estimate = std::sin(argument) * amplitude;
  const double margin = std::fabs(amplitude) * (std::fabs(argument) + 16.0) * 0x1p-50;
  const double below = std::floor(estimate);
  if (estimate - below <= margin || below + 1 - estimate <= margin) return false;
  if (!(estimate - margin > -32768.0 && estimate + margin < 32767.0)) return false;
  *sample = static_cast<int16_t>(static_cast<int32_t>(estimate));
  return true;
}

// Frames [first, end) into their slots; `random` is the generator's state
// before frame `first`.
void RenderFrames(int16_t* buffer, const Shape& s, int64_t first, int64_t end, uint32_t random) {
  if (s.function == kGenerateSilence) {
    std::memset(buffer + 2 * first, 0, static_cast<size_t>(end - first) * 2 * sizeof(int16_t));
    return;
  }
  const Extended base = static_cast<Extended>(2.718282);
  const float shiftFactor = -0.00002f;
  const Extended amplitude = s.amplitude;
  const bool plainSine =
      s.function == kGenerateSine && !s.fades && !s.wobbles && !s.sweeps && !s.distorts;
  for (int64_t frame = first; frame < end; ++frame) {
    const float t = static_cast<float>(frame);
    if (plainSine) {
      int16_t sample;
      if (PlainSineSample(t, s, &sample)) {
        buffer[2 * frame] = sample;
        buffer[2 * frame + 1] = sample;
        continue;
      }
    }
    const Extended fade = s.fades ? std::pow(base, -(static_cast<Extended>(t) * s.decayFactor)) : 1.0L;
    const Extended wobble = s.wobbles ? std::cos(static_cast<Extended>(t) * s.modulationFactor) : 1.0L;
    const Extended envelope = fade * wobble;
    const int32_t r = static_cast<int32_t>(t) % s.wholeCycle;
    Extended value = 0;
    switch (s.function) {
      case kGenerateSine: {
        const Extended sweep =
            s.sweeps ? std::pow(base, static_cast<Extended>(t) * s.shift * shiftFactor) : 1.0L;
        const Extended sine = std::sin(sweep * t / s.sineCycle);
        const Extended sign = sine >= 0 ? 1.0L : -1.0L;
        const Extended magnitude =
            s.distorts ? std::pow(std::fabs(sine), static_cast<Extended>(s.exponent)) : std::fabs(sine);
        value = sign * magnitude * fade * wobble * amplitude;
        break;
      }
      case kGenerateRamp:
        value = (2 * static_cast<Extended>(r) / s.cycle * amplitude - amplitude) * envelope;
        break;
      case kGenerateSaw:
        value = (2 * std::sqrt(static_cast<Extended>(r) / s.cycle) - 1) * amplitude * envelope;
        break;
      case kGenerateSquare: {
        const int64_t k = static_cast<int64_t>(static_cast<Extended>(t) / s.cycle);
        value = (k % 2 == 0 ? amplitude : -amplitude) * envelope;
        break;
      }
      case kGenerateTriangle: {
        const Extended half = static_cast<Extended>(s.cycle) * 0.5L;
        const Extended a = amplitude;
        const Extended w = r < half ? 2 * a * r / half - a : a - 2 * a * (r - half) / half;
        value = static_cast<float>(w) * envelope;
        break;
      }
      case kGenerateNoise:
        // With intensity 0 there is no range to draw from: silence.
        if (s.noiseModulus > 0) {
          const int32_t q = static_cast<int32_t>(StepRandom(random)) % s.noiseModulus;
          value = (2 * static_cast<Extended>(q) - amplitude) * envelope;
        }
        break;
      default:
        break;
    }
    const int16_t sample = ToSample(value);
    buffer[2 * frame] = sample;
    buffer[2 * frame + 1] = sample;
  }
}

// Small enough for a worker to notice a cancel quickly even with every
// slider on (a few milliseconds), large enough that taking the next chunk
// and advancing the random state to it cost nothing next to rendering it.
constexpr int64_t kChunkFrames = 1 << 13;
constexpr int kWorkers = 2;
constexpr auto kPollInterval = std::chrono::milliseconds(20);

// What the calling thread and its workers share while one sound renders.
struct Job {
  int16_t* buffer = nullptr;
  Shape shape;
  int64_t frames = 0;
  uint32_t randomStart = 0;  // the state before frame 0
  // The next chunk to take; workers only.
  std::atomic<int64_t> nextChunk{0};
  // Frames rendered so far, for the progress estimate.
  std::atomic<int64_t> framesDone{0};
  // Set by the calling thread when the report asked to cancel.
  std::atomic<bool> stop{false};
  // Workers still running; guarded by `mutex`, signalled through `finished`.
  std::mutex mutex;
  std::condition_variable finished;
  int running = 0;
};

void RenderChunks(Job& job) {
  for (;;) {
    if (job.stop.load(std::memory_order_relaxed)) break;
    const int64_t first = job.nextChunk.fetch_add(1, std::memory_order_relaxed) * kChunkFrames;
    if (first >= job.frames) break;
    const int64_t end = std::min(first + kChunkFrames, job.frames);
    const uint32_t random =
        DrawsRandom(job.shape) ? AdvanceRandom(job.randomStart, static_cast<uint64_t>(first)) : 0;
    RenderFrames(job.buffer, job.shape, first, end, random);
    job.framesDone.fetch_add(end - first, std::memory_order_relaxed);
  }
}

void WorkerMain(Job& job) {
  RenderChunks(job);
  std::lock_guard<std::mutex> lock(job.mutex);
  if (--job.running == 0) job.finished.notify_all();
}

int PercentDone(const Job& job) {
  return static_cast<int>(job.framesDone.load(std::memory_order_relaxed) * 100 / job.frames);
}

// Renders every chunk on the workers while polling `progress` on this
// thread; false when a poll asked to cancel (the workers are joined first).
bool RenderOnWorkers(Job& job, ProgressReport& progress) {
  std::thread workers[kWorkers];
  int started = 0;
  for (; started < kWorkers; ++started) {
    {
      std::lock_guard<std::mutex> lock(job.mutex);
      ++job.running;
    }
    try {
      workers[started] = std::thread(WorkerMain, std::ref(job));
    } catch (const std::system_error&) {
      std::lock_guard<std::mutex> lock(job.mutex);
      --job.running;
      break;
    }
  }
  // Without any worker the chunks are rendered here, without polls.
  if (started == 0) RenderChunks(job);

  bool cancelled = false;
  for (;;) {
    std::unique_lock<std::mutex> lock(job.mutex);
    if (job.finished.wait_for(lock, kPollInterval, [&job] { return job.running == 0; })) break;
    lock.unlock();
    if (!progress.Poll(PercentDone(job))) {
      cancelled = true;
      job.stop.store(true, std::memory_order_relaxed);
      break;
    }
  }
  for (int i = 0; i < started; ++i) workers[i].join();
  return !cancelled;
}

}  // namespace

void SeedRuntimeRandom(uint32_t seed) { g_randomState = seed; }

int NextRuntimeRandom() { return static_cast<int>(StepRandom(g_randomState)); }

bool IsGeneratorFunction(int32_t functionType) {
  return functionType >= kGenerateSilence && functionType <= kGenerateNoise;
}

bool Generate(int16_t* buffer, const GeneratorParameters& parameters, ProgressReport& progress) {
  if (!IsGeneratorFunction(parameters.functionType) || parameters.length <= 0) return true;
  if (!progress.Poll(0)) return false;

  Job job;
  job.buffer = buffer;
  job.shape = MakeShape(parameters);
  job.frames = parameters.length;
  job.randomStart = g_randomState;
  if (job.frames <= kChunkFrames) {
    // Not worth a thread.
    RenderFrames(buffer, job.shape, 0, job.frames, job.randomStart);
  } else if (!RenderOnWorkers(job, progress)) {
    return false;
  }
  if (!progress.Poll(100)) return false;
  // The sequence goes on after this sound as if it had been drawn here.
  if (DrawsRandom(job.shape)) {
    g_randomState = AdvanceRandom(job.randomStart, static_cast<uint64_t>(job.frames));
  }
  return true;
}

void Generate(int16_t* buffer, const GeneratorParameters& parameters) {
  SilentProgress silent;
  (void)Generate(buffer, parameters, silent);
}
