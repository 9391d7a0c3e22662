// What keeping unsaved work costs the interface thread: the copy of a sound
// that the recovery store takes there before a worker writes it, for ten
// one-minute layers with 100-node envelopes. The store has a worker prepare
// (allocate and touch) the blocks and fills them on the interface thread;
// that fill is measured against a memcpy of the same bytes into a block in
// use, and a copy into fresh blocks (Take) against a memcpy into fresh
// blocks. The write itself runs on the worker and is measured against
// writing the same bytes to a file.
// Run: build/bench/recovery_copy_bench
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/model/sound.h"
#include "core/model/sound_snapshot.h"
#include "ten_layer_sound.h"
#include "ratio_reporter.h"

namespace {

constexpr int64_t kTotalBytes = 10 * static_cast<int64_t>(kMinuteBytes);

void BM_SnapshotTake(benchmark::State& state) {
  const CSound& sound = TenLayerSound();
  for (auto _ : state) {
    auto snapshot = SoundSnapshot::Take(sound);
    benchmark::DoNotOptimize(snapshot.get());
  }
  state.SetBytesProcessed(state.iterations() * kTotalBytes);
}
BENCHMARK(BM_SnapshotTake)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The interface thread's part: blocks prepared outside the timing.
void BM_SnapshotFillPrepared(benchmark::State& state) {
  const CSound& sound = TenLayerSound();
  for (auto _ : state) {
    state.PauseTiming();
    auto snapshot = SoundSnapshot::Prepare(SoundSnapshot::LayerLengths(sound));
    state.ResumeTiming();
    if (!snapshot->Fill(sound)) state.SkipWithError("fill failed");
    benchmark::DoNotOptimize(snapshot.get());
    state.PauseTiming();
    snapshot.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kTotalBytes);
}
BENCHMARK(BM_SnapshotFillPrepared)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_MemcpyIntoNewBlocks(benchmark::State& state) {
  const CSound& sound = TenLayerSound();
  for (auto _ : state) {
    std::vector<std::unique_ptr<uint8_t[]>> blocks;
    for (const auto& layer : sound.layers) {
      blocks.emplace_back(new uint8_t[layer->length()]);
      std::memcpy(blocks.back().get(), layer->data(), layer->length());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * kTotalBytes);
}
BENCHMARK(BM_MemcpyIntoNewBlocks)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_MemcpyIntoWarmBlock(benchmark::State& state) {
  const CSound& sound = TenLayerSound();
  auto target = std::make_unique<uint8_t[]>(kMinuteBytes);
  std::memset(target.get(), 0, kMinuteBytes);
  for (auto _ : state) {
    for (const auto& layer : sound.layers) {
      std::memcpy(target.get(), layer->data(), layer->length());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * kTotalBytes);
}
BENCHMARK(BM_MemcpyIntoWarmBlock)->Unit(benchmark::kMillisecond)->MinTime(2.0);

std::string TemporaryPath() {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr ? folder : "/tmp") + "/recovery_copy_bench.tvf";
}

void BM_SnapshotWrite(benchmark::State& state) {
  auto snapshot = SoundSnapshot::Take(TenLayerSound());
  const std::string path = TemporaryPath();
  for (auto _ : state) {
    if (snapshot->Write(path) != WriteResult::kOk) state.SkipWithError("write failed");
  }
  ::unlink(path.c_str());
  state.SetBytesProcessed(state.iterations() * kTotalBytes);
}
BENCHMARK(BM_SnapshotWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same bytes in one file with fsync, as the writer does.
void BM_PlainFileWrite(benchmark::State& state) {
  const CSound& sound = TenLayerSound();
  const std::string path = TemporaryPath();
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    for (const auto& layer : sound.layers) std::fwrite(layer->data(), 1, layer->length(), file);
    std::fflush(file);
    ::fsync(fileno(file));
    std::fclose(file);
  }
  ::unlink(path.c_str());
  state.SetBytesProcessed(state.iterations() * kTotalBytes);
}
BENCHMARK(BM_PlainFileWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("interface thread: fill of prepared blocks / memcpy into a warm block", "BM_SnapshotFillPrepared",
                      "BM_MemcpyIntoWarmBlock");
  reporter.PrintRatio("fill of prepared blocks / copy into fresh blocks", "BM_SnapshotFillPrepared", "BM_SnapshotTake");
  reporter.PrintRatio("copy into fresh blocks / memcpy into new blocks", "BM_SnapshotTake", "BM_MemcpyIntoNewBlocks");
  reporter.PrintRatio("recovery write / plain write of the same bytes", "BM_SnapshotWrite", "BM_PlainFileWrite");
  reporter.PrintRatio("recovery write / copy for recovery", "BM_SnapshotWrite", "BM_SnapshotTake");
  benchmark::Shutdown();
  return 0;
}
