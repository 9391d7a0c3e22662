// Mix-down throughput: ten one-minute layers with 100-node envelopes, against
// a memcpy of the same bytes in the same run; and the cost per sample of the
// envelope with 2, 100 and 10,000 nodes, which should not grow with the
// node count. Run: build/bench/mixdown_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/model/sound.h"
#include "ten_layer_sound.h"
#include "ratio_reporter.h"

namespace {

uint64_t LayerBytes(const CSound& sound) {
  uint64_t total = 0;
  for (const auto& layer : sound.layers) total += layer->length();
  return total;
}

void BM_MixDownTenLayers(benchmark::State& state) {
  CSound& sound = TenLayerSound();
  for (auto _ : state) {
    auto mix = sound.MixDown();
    benchmark::DoNotOptimize(mix.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * LayerBytes(sound)));
}
BENCHMARK(BM_MixDownTenLayers)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_MemcpySameBytes(benchmark::State& state) {
  CSound& sound = TenLayerSound();
  auto target = std::make_unique<uint8_t[]>(kMinuteBytes);
  std::memset(target.get(), 0, kMinuteBytes);
  for (auto _ : state) {
    for (const auto& layer : sound.layers) {
      std::memcpy(target.get(), layer->data(), layer->length());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * LayerBytes(sound)));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One minute of one layer through an envelope of state.range(0) nodes.
void BM_EnvelopePerSample(benchmark::State& state) {
  CSound sound;
  CSoundLayer& layer = sound.AppendLayer("", NoiseBlock(kMinuteBytes, 99), kMinuteBytes);
  AddEnvelope(layer, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto mix = sound.MixDown();
    benchmark::DoNotOptimize(mix.get());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (kMinuteBytes / 2)));
}
BENCHMARK(BM_EnvelopePerSample)->Arg(2)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("mix-down / memcpy of the same bytes", "BM_MixDownTenLayers", "BM_MemcpySameBytes");
  reporter.PrintRatio("envelope cost per sample, 100 / 2 nodes", "BM_EnvelopePerSample/100", "BM_EnvelopePerSample/2");
  reporter.PrintRatio("envelope cost per sample, 10000 / 2 nodes", "BM_EnvelopePerSample/10000",
                      "BM_EnvelopePerSample/2");
  benchmark::Shutdown();
  return 0;
}
