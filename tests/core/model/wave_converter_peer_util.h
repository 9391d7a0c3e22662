// Helpers for the tests that hold the converter against sox and ffmpeg: a
// scratch directory, running a peer tool, ffmpeg's own decode of a file to
// the working format, and the measures the tests compare samples by.
#pragma once

#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace peer {

// A directory under /tmp removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir() {
    char name[] = "/tmp/wavedesk-conv-XXXXXX";
    if (mkdtemp(name) != nullptr) m_path = name;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  bool ok() const { return !m_path.empty(); }

 private:
  std::string m_path;
};

// Runs a shell command; its standard output (and error, when the command
// redirects it) goes to *output. Returns the exit status.
inline int Run(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    if (output != nullptr) output->append(buffer, n);
  }
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<int16_t> ToSamples(const uint8_t* bytes, uint64_t length) {
  std::vector<int16_t> samples(length / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return samples;
}

// ffmpeg's decode of `path` to 16-bit 44,100 Hz stereo, the reference the
// converter is compared with. A mono source goes to both sides at unity
// gain, as we open it (ffmpeg's own up-mix puts it 3 dB lower).
inline std::vector<int16_t> FfmpegWorkingFormat(const std::string& path, const std::string& raw) {
  std::string channels;
  Run("ffprobe -v error -select_streams a:0 -show_entries stream=channels -of csv=p=0 '" + path + "'",
      &channels);
  const bool mono = std::atoi(channels.c_str()) == 1;
  const std::string command = "ffmpeg -v error -nostdin -i '" + path + "' " +
                              (mono ? "-af 'pan=stereo|c0=c0|c1=c0' " : "") +
                              "-f s16le -ar 44100 -ac 2 -y '" + raw + "' 2>&1";
  if (Run(command) != 0) return {};
  const std::vector<uint8_t> bytes = ReadBytes(raw);
  return ToSamples(bytes.data(), bytes.size());
}

// The largest difference over the samples both hold.
inline int MaxDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  int worst = 0;
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

// Signal-to-noise ratio of `test` against `reference` over the samples both
// hold, in dB.
inline double SignalToNoise(const std::vector<int16_t>& reference, const std::vector<int16_t>& test) {
  double signal = 0;
  double noise = 0;
  const size_t n = std::min(reference.size(), test.size());
  for (size_t i = 0; i < n; ++i) {
    signal += double(reference[i]) * reference[i];
    const double d = double(reference[i]) - test[i];
    noise += d * d;
  }
  if (noise == 0) return 200;
  return 10 * std::log10(signal / noise);
}

// The strongest frequency in one channel of interleaved stereo samples at
// 44,100 Hz, from a Hann-windowed FFT with the peak interpolated between
// bins.
inline double DominantFrequency(const std::vector<int16_t>& stereo, int channel) {
  constexpr size_t kSize = 32768;
  constexpr double kRate = 44100;
  std::vector<std::complex<double>> x(kSize);
  const size_t frames = stereo.size() / 2;
  const size_t start = frames > kSize ? (frames - kSize) / 2 : 0;
  for (size_t i = 0; i < kSize && start + i < frames; ++i) {
    const double window = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / kSize);
    x[i] = window * stereo[2 * (start + i) + channel];
  }
  // Iterative radix-2 FFT.
  for (size_t i = 1, j = 0; i < kSize; ++i) {
    size_t bit = kSize >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (size_t len = 2; len <= kSize; len <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2 * M_PI / double(len));
    for (size_t i = 0; i < kSize; i += len) {
      std::complex<double> w = 1;
      for (size_t k = 0; k < len / 2; ++k, w *= step) {
        const std::complex<double> u = x[i + k];
        const std::complex<double> v = x[i + k + len / 2] * w;
        x[i + k] = u + v;
        x[i + k + len / 2] = u - v;
      }
    }
  }
  size_t peak = 1;
  for (size_t i = 1; i < kSize / 2; ++i) {
    if (std::abs(x[i]) > std::abs(x[peak])) peak = i;
  }
  const double a = std::abs(x[peak - 1]);
  const double b = std::abs(x[peak]);
  const double c = std::abs(x[peak + 1]);
  const double offset = 0.5 * (a - c) / (a - 2 * b + c);
  return (double(peak) + offset) * kRate / kSize;
}

}  // namespace peer
