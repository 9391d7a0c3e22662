// What the ADPCM encoders' trellis search costs and what it buys: ten
// seconds of working-format tones (440 Hz + 3.1 kHz left, 660 Hz right)
// encoded to MS and IMA ADPCM at 44,100 Hz stereo with the search off and at
// several depths, timed against each other in the same run, and the
// signal-to-noise ratio of each result decoded back. Run:
// build/bench/adpcm_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/model/codec_format.h"
#include "core/model/encode_stage.h"
#include "core/model/wave_converter.h"
#include "ratio_reporter.h"

namespace {

constexpr uint32_t kFrames = 10 * kWorkingSampleRate;

const std::vector<int16_t>& Tones() {
  static const std::vector<int16_t> samples = [] {
    std::vector<int16_t> s(2 * kFrames);
    for (uint32_t i = 0; i < kFrames; ++i) {
      const double t = i / static_cast<double>(kWorkingSampleRate);
      s[2 * i] = static_cast<int16_t>(32767 * (0.5 * std::sin(2 * M_PI * 440 * t) + 0.2 * std::sin(2 * M_PI * 3100 * t)));
      s[2 * i + 1] = static_cast<int16_t>(32767 * 0.4 * std::sin(2 * M_PI * 660 * t));
    }
    return s;
  }();
  return samples;
}

FormatRecord Target(uint16_t tag) {
  WaveFormat wanted;
  wanted.formatTag = tag;
  wanted.channels = 2;
  wanted.samplesPerSec = kWorkingSampleRate;
  FormatRecord record;
  if (SuggestFormat(wanted, &record) != ConvertResult::kOk) return {};
  return record;
}

// The encoded bytes, or nothing when the encoder failed.
std::unique_ptr<uint8_t[]> Encode(const FormatRecord& target, int trellis, uint64_t* length) {
  EncodeStage sink;
  if (sink.Open(target, trellis) != ConvertResult::kOk) return nullptr;
  AVChannelLayout stereo{};
  av_channel_layout_default(&stereo, 2);
  const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(Tones().data())};
  const ConvertResult written =
      sink.Write(planes, static_cast<int>(kFrames), AV_SAMPLE_FMT_S16, stereo, static_cast<int>(kWorkingSampleRate));
  av_channel_layout_uninit(&stereo);
  if (written != ConvertResult::kOk || sink.Finish() != ConvertResult::kOk) return nullptr;
  return sink.output().Take(length);
}

double SignalToNoise(uint16_t tag, int trellis) {
  FormatRecord source = Target(tag);
  uint64_t length = 0;
  std::unique_ptr<uint8_t[]> data = Encode(source, trellis, &length);
  if (!data) return 0;
  FormatRecord working = MakeFormatRecord(WorkingFormat());
  CWaveConverter decoder;
  if (decoder.Convert(source, working, &data, &length) != ConvertResult::kOk) return 0;
  const std::vector<int16_t>& reference = Tones();
  const size_t n = std::min<size_t>(reference.size(), length / 2);
  double signal = 0, noise = 0;
  for (size_t i = 0; i < n; ++i) {
    const double r = reference[i];
    const double d = r - static_cast<int16_t>(ReadLE16(data.get() + 2 * i));
    signal += r * r;
    noise += d * d;
  }
  return noise == 0 ? 200 : 10 * std::log10(signal / noise);
}

void EncodeBenchmark(benchmark::State& state, uint16_t tag) {
  const FormatRecord target = Target(tag);
  const int trellis = static_cast<int>(state.range(0));
  for (auto _ : state) {
    uint64_t length = 0;
    auto data = Encode(target, trellis, &length);
    if (!data) state.SkipWithError("encoder failed");
    benchmark::DoNotOptimize(data.get());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFrames));
}

void BM_EncodeMsAdpcm(benchmark::State& state) { EncodeBenchmark(state, kFormatMSADPCM); }
BENCHMARK(BM_EncodeMsAdpcm)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_EncodeImaAdpcm(benchmark::State& state) { EncodeBenchmark(state, kFormatIMAADPCM); }
BENCHMARK(BM_EncodeImaAdpcm)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // CPU time: the encoder runs on one thread, and the machine is shared.
  RatioReporter reporter(RatioReporter::Clock::Cpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* codec : {"BM_EncodeMsAdpcm", "BM_EncodeImaAdpcm"}) {
    for (int trellis = 1; trellis <= 6; ++trellis) {
      const std::string label = std::string(codec) + " trellis " + std::to_string(trellis) + " / off";
      reporter.PrintRatio(label.c_str(), std::string(codec) + "/" + std::to_string(trellis),
                          std::string(codec) + "/0");
    }
  }
  for (int trellis = 0; trellis <= 6; ++trellis) {
    std::printf("SNR with trellis %d: MS ADPCM %.2f dB, IMA ADPCM %.2f dB\n", trellis,
                SignalToNoise(kFormatMSADPCM, trellis), SignalToNoise(kFormatIMAADPCM, trellis));
  }
  std::printf("(the encoder uses trellis %d)\n", EncodeStage::kAdpcmTrellis);
  benchmark::Shutdown();
  return 0;
}
