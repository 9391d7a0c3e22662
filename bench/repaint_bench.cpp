// Repaint cost of the waveform view at Zoom Out Max: a one-hour sound
// against a ten-second sound in the same 1000 × 300 view, printed as a ratio.
// "Cold" repaints rebuild every column of the peak cache from the layer's
// summary (what a scroll or a zoom step costs); "warm" ones reuse the cache
// (a cursor move or an envelope drag). Both should stay near 1: a repaint is
// meant to grow with the window's width, not the sound's length. Also the
// cost of building a layer's peak summary against a memcpy of the same bytes.
// Run: build/bench/repaint_bench
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/model/peak_summary.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/wavedesk_view.h"
#include "ratio_reporter.h"

namespace {

constexpr uint64_t kFramesPerSecond = kWorkingSampleRate;

// Noise with a slow swell, so that the columns differ and the trace has shape.
std::unique_ptr<uint8_t[]> NoiseBlock(uint64_t frames, uint32_t seed) {
  auto data = std::make_unique<uint8_t[]>(frames * kWorkingBlockAlign);
  auto* words = reinterpret_cast<uint32_t*>(data.get());
  uint32_t state = seed;
  for (uint64_t f = 0; f < frames; ++f) {
    state = state * 1664525u + 1013904223u;
    const uint32_t scale = 1 + static_cast<uint32_t>((f / (kFramesPerSecond / 10)) % 16);
    const auto left = static_cast<uint16_t>(static_cast<int16_t>(static_cast<int16_t>(state >> 16) / 16 * scale / 2));
    const auto right = static_cast<uint16_t>(static_cast<int16_t>(static_cast<int16_t>(state) / 16 * scale / 2));
    words[f] = left | (static_cast<uint32_t>(right) << 16);
  }
  return data;
}

// A document of one layer of `seconds`, shown at Zoom Out Max and drawn once
// (which builds the layer's summary).
struct ShownSound {
  explicit ShownSound(uint64_t seconds) : document(settings), view(&document) {
    const uint64_t frames = seconds * kFramesPerSecond;
    document.sound().AppendLayer("", NoiseBlock(frames, static_cast<uint32_t>(seconds)), frames * kWorkingBlockAlign);
    view.resize(1000, 300);
    view.show();
    view.OnInitialUpdate();
    view.ZoomOutMax();
    QApplication::processEvents();
    QObject::connect(&view, &CWavedeskView::repainted, [this] { ++repaints; });
  }
  SettingsRecord settings;
  CWavedeskDoc document;
  CWavedeskView view;
  int64_t repaints = 0;
};

// The windows must go before the application object does; main clears this.
std::map<uint64_t, std::unique_ptr<ShownSound>> g_sounds;

ShownSound& Shown(uint64_t seconds) {
  auto& slot = g_sounds[seconds];
  if (!slot) slot = std::make_unique<ShownSound>(seconds);
  return *slot;
}

void BM_RepaintCold(benchmark::State& state) {
  ShownSound& shown = Shown(static_cast<uint64_t>(state.range(0)));
  const int64_t before = shown.repaints;
  for (auto _ : state) {
    shown.view.DropPeakColumns();
    shown.view.RepaintFully();
  }
  if (shown.repaints - before != static_cast<int64_t>(state.iterations())) state.SkipWithError("a repaint did not draw");
  state.counters["zoom"] = shown.view.zoom();
}
BENCHMARK(BM_RepaintCold)->Arg(10)->Arg(3600)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

void BM_RepaintWarm(benchmark::State& state) {
  ShownSound& shown = Shown(static_cast<uint64_t>(state.range(0)));
  for (auto _ : state) shown.view.RepaintFully();
  state.counters["zoom"] = shown.view.zoom();
}
BENCHMARK(BM_RepaintWarm)->Arg(10)->Arg(3600)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// One minute of one layer: building its summary, and copying its bytes.
constexpr uint64_t kMinuteFrames = 60 * kFramesPerSecond;

void BM_BuildSummary(benchmark::State& state) {
  static const auto data = NoiseBlock(kMinuteFrames, 7);
  LayerPeakSummary summary;
  for (auto _ : state) {
    summary.Build(reinterpret_cast<const int16_t*>(data.get()), kMinuteFrames * 2);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMinuteFrames * kWorkingBlockAlign));
}
BENCHMARK(BM_BuildSummary)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_MemcpyLayer(benchmark::State& state) {
  static const auto data = NoiseBlock(kMinuteFrames, 7);
  auto target = std::make_unique<uint8_t[]>(kMinuteFrames * kWorkingBlockAlign);
  for (auto _ : state) {
    std::memcpy(target.get(), data.get(), kMinuteFrames * kWorkingBlockAlign);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMinuteFrames * kWorkingBlockAlign));
}
BENCHMARK(BM_MemcpyLayer)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  // CPU time, not wall time: everything runs on this one thread, and the
  // ratio should not move with whatever else the machine is doing.
  RatioReporter reporter(RatioReporter::Clock::Cpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  g_sounds.clear();
  reporter.PrintRatio("BM_RepaintCold at Zoom Out Max, 1 hour / 10 seconds", "BM_RepaintCold/3600", "BM_RepaintCold/10");
  reporter.PrintRatio("BM_RepaintWarm at Zoom Out Max, 1 hour / 10 seconds", "BM_RepaintWarm/3600", "BM_RepaintWarm/10");
  reporter.PrintRatio("peak summary build / memcpy of the same bytes", "BM_BuildSummary", "BM_MemcpyLayer");
  benchmark::Shutdown();
  return 0;
}
