// What the effects cost over ten minutes of stereo: Amplify and each fade
// curve, in place, against a memcpy of the same bytes. Each effect starts
// from a fresh copy of the noise (the copy is outside the timing), so that
// every run scales the same samples rather than ones already saturated.
// Run: build/bench/effects_bench
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "core/edit/sample_effects.h"
#include "core/model/wave_format.h"
#include "noise_block.h"
#include "ratio_reporter.h"

namespace {

constexpr size_t kFrames = size_t{10} * 60 * kWorkingSampleRate;
constexpr size_t kBytes = kFrames * kWorkingBlockAlign;

const uint8_t* Source() {
  static const auto noise = NoiseBlock(kBytes, 7);
  return noise.get();
}

int16_t* Target() {
  static const auto block = std::make_unique<int16_t[]>(kBytes / sizeof(int16_t));
  return block.get();
}

template <typename Effect>
void RunEffect(benchmark::State& state, Effect effect) {
  int16_t* target = Target();
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(target, Source(), kBytes);
    state.ResumeTiming();
    effect(target);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}

void BM_Memcpy(benchmark::State& state) {
  int16_t* target = Target();
  for (auto _ : state) {
    std::memcpy(target, Source(), kBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

void BM_Amplify(benchmark::State& state) {
  RunEffect(state, [](int16_t* frames) { Amplify(frames, kFrames, 3.5); });
}
BENCHMARK(BM_Amplify)->Unit(benchmark::kMillisecond);

void BM_Fade(benchmark::State& state) {
  const auto curve = static_cast<FadeCurve>(state.range(0));
  RunEffect(state, [curve](int16_t* frames) { Fade(frames, kFrames, FadeDirection::kOut, curve); });
}
BENCHMARK(BM_Fade)
    ->Arg(static_cast<int>(FadeCurve::kLinear))
    ->Arg(static_cast<int>(FadeCurve::kLogarithmic))
    ->Arg(static_cast<int>(FadeCurve::kSCurve))
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("amplify / memcpy", "BM_Amplify", "BM_Memcpy");
  reporter.PrintRatio("linear fade / memcpy", "BM_Fade/0", "BM_Memcpy");
  reporter.PrintRatio("logarithmic fade / memcpy", "BM_Fade/1", "BM_Memcpy");
  reporter.PrintRatio("S-curve fade / memcpy", "BM_Fade/2", "BM_Memcpy");
  benchmark::Shutdown();
  return 0;
}
