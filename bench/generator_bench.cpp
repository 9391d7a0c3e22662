// Wave generator throughput: ten million sine frames and ten million noise
// frames (40 MB of 16-bit stereo each), against a memcpy of the same 40 MB in
// the same run. Run: build/bench/generator_bench
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "core/model/wave_format.h"
#include "core/model/wave_generator.h"
#include "ratio_reporter.h"

namespace {

constexpr int32_t kFrames = 10'000'000;
constexpr size_t kBytes = static_cast<size_t>(kFrames) * kWorkingBlockAlign;

int16_t* Target() {
  static std::unique_ptr<int16_t[]> buffer = [] {
    auto b = std::make_unique<int16_t[]>(kBytes / 2);
    std::memset(b.get(), 0, kBytes);  // touch every page before timing
    return b;
  }();
  return buffer.get();
}

void Render(benchmark::State& state, int32_t function) {
  GeneratorParameters p;
  p.functionType = function;
  p.length = kFrames;
  int16_t* buffer = Target();
  for (auto _ : state) {
    Generate(buffer, p);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}

void BM_GenerateSine(benchmark::State& state) { Render(state, kGenerateSine); }
BENCHMARK(BM_GenerateSine)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_GenerateNoise(benchmark::State& state) { Render(state, kGenerateNoise); }
BENCHMARK(BM_GenerateNoise)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_MemcpySameBytes(benchmark::State& state) {
  static std::unique_ptr<uint8_t[]> source = [] {
    auto s = std::make_unique<uint8_t[]>(kBytes);
    std::memset(s.get(), 1, kBytes);
    return s;
  }();
  int16_t* target = Target();
  for (auto _ : state) {
    std::memcpy(target, source.get(), kBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // Wall-clock time: the generator shares its work between threads.
  RatioReporter reporter(RatioReporter::Clock::Real);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("10 M sine frames / memcpy of 40 MB", "BM_GenerateSine", "BM_MemcpySameBytes");
  reporter.PrintRatio("10 M noise frames / memcpy of 40 MB", "BM_GenerateNoise", "BM_MemcpySameBytes");
  benchmark::Shutdown();
  return 0;
}
