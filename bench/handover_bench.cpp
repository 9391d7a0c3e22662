// Loading a finished recording into its document: one minute of sound
// (10.6 MB) read from the recording file in 1 MiB pieces and in 500-byte
// pieces, with the program's events dispatched between pieces as the
// hand-over does, against a memcpy of the same bytes.
#include <QCoreApplication>
#include <QDir>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/audio/recording_file.h"
#include "core/model/wave_format.h"
#include "ratio_reporter.h"

namespace {

constexpr uint64_t kMinuteBytes = 60ull * kWorkingBytesPerSecond;

RecordingFile& MinuteFile() {
  static std::unique_ptr<RecordingFile> file = [] {
    std::unique_ptr<RecordingFile> made;
    if (!RecordingFile::Create(QDir::tempPath().toStdString(), &made)) std::abort();
    std::vector<uint8_t> bytes(kMinuteBytes);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31);
    if (!made->Append(bytes.data(), bytes.size())) std::abort();
    return made;
  }();
  return *file;
}

void BM_HandOverPieces(benchmark::State& state) {
  RecordingFile& file = MinuteFile();
  std::vector<uint8_t> into(kMinuteBytes);
  for (auto _ : state) {
    const uint64_t read = file.ReadAll(into.data(), kMinuteBytes, static_cast<size_t>(state.range(0)),
                                       [](uint64_t) {
                                         QCoreApplication::processEvents();
                                         return true;
                                       });
    benchmark::DoNotOptimize(read);
  }
}
BENCHMARK(BM_HandOverPieces)->Arg(1 << 20)->Arg(500)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_MemcpySameBytes(benchmark::State& state) {
  std::vector<uint8_t> from(kMinuteBytes, 1), into(kMinuteBytes);
  for (auto _ : state) {
    std::memcpy(into.data(), from.data(), kMinuteBytes);
    benchmark::DoNotOptimize(into.data());
  }
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(RatioReporter::Clock::Real);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("1 minute in 1 MiB pieces / memcpy of 10.6 MB", "BM_HandOverPieces/1048576", "BM_MemcpySameBytes");
  reporter.PrintRatio("1 minute in 500-byte pieces / memcpy of 10.6 MB", "BM_HandOverPieces/500", "BM_MemcpySameBytes");
  reporter.PrintRatio("500-byte pieces / 1 MiB pieces", "BM_HandOverPieces/500", "BM_HandOverPieces/1048576");
  benchmark::Shutdown();
  return 0;
}
