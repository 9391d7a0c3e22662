// The cost of Play: ten layers with 100-node envelopes, each filling its
// 1 MiB ring (10 MiB in all) through the envelope before anything sounds.
// Measured against a memcpy of the same 10 MiB in the same run, both for the
// whole Play on the null back-end (the rings kept from the previous run,
// locked in place, filled, started) and for the layer fills alone.
// Run: build/bench/play_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/audio/layer_play_buffer.h"
#include "core/audio/sound_playback.h"
#include "core/model/sound.h"
#include "noise_block.h"
#include "ratio_reporter.h"

namespace {

constexpr uint64_t kLayerBytes = 10ull * kWorkingBytesPerSecond;  // ten seconds, more than a ring

// Ten layers a tenth of a second apart, 100 nodes each, so that all of them
// sound within the first ring.
CSound& TenLayerSound() {
  static CSound sound;
  if (sound.layers.empty()) {
    for (int i = 0; i < 10; ++i) {
      CSoundLayer& layer =
          sound.AppendLayer("", NoiseBlock(kLayerBytes, static_cast<uint32_t>(i + 1)), kLayerBytes);
      layer.offset = i * static_cast<int32_t>(kWorkingBytesPerSecond / 10);
      layer.nodes.clear();
      const int64_t step = static_cast<int64_t>(kLayerBytes / 100 / kWorkingBlockAlign * kWorkingBlockAlign);
      for (int n = 0; n < 100; ++n) layer.nodes.push_back({(n % 7) / 3.0 - 1.0, n * step});
    }
  }
  return sound;
}

constexpr int64_t kTenRings = 10ll * kPlayRingBytes;

void BM_PlayTenLayers(benchmark::State& state) {
  std::unique_ptr<SoundOutputDevice> device;
  if (!OpenSoundOutputDevice(SoundBackend::Null, &device).Succeeded()) {
    state.SkipWithError("no null output device");
    return;
  }
  CSound& sound = TenLayerSound();
  CSoundPlayback playback(sound, *device);
  for (auto _ : state) {
    playback.Play();
    state.PauseTiming();
    playback.Pause();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kTenRings);
}
BENCHMARK(BM_PlayTenLayers)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_FillTenRings(benchmark::State& state) {
  CSound& sound = TenLayerSound();
  for (auto& layer : sound.layers) layer->RebuildSnapshot();
  auto ring = std::make_unique<int16_t[]>(kPlayRingBytes / 2);
  for (auto _ : state) {
    for (auto& layer : sound.layers) {
      FillLayerSamples(*layer, 0, ring.get(), kPlayRingBytes / 2);
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * kTenRings);
}
BENCHMARK(BM_FillTenRings)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_MemcpyTenRings(benchmark::State& state) {
  CSound& sound = TenLayerSound();
  auto ring = std::make_unique<uint8_t[]>(kPlayRingBytes);
  std::memset(ring.get(), 0, kPlayRingBytes);
  for (auto _ : state) {
    for (auto& layer : sound.layers) {
      std::memcpy(ring.get(), layer->data(), kPlayRingBytes);
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * kTenRings);
}
BENCHMARK(BM_MemcpyTenRings)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("Play of ten layers / memcpy of the same 10 MiB", "BM_PlayTenLayers", "BM_MemcpyTenRings");
  reporter.PrintRatio("ten ring fills / memcpy of the same 10 MiB", "BM_FillTenRings", "BM_MemcpyTenRings");
  benchmark::Shutdown();
  return 0;
}
