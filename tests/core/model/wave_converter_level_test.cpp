// A mono file opened (mono to the working stereo) and saved again (stereo
// back to mono) must come back at its own level, however often that is
// repeated: mono opens as the same signal on both channels, stereo saves to
// mono as the mean of the two. sox measures the result as a peer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/model/codec_format.h"
#include "core/model/wave_converter.h"
#include "wave_converter_peer_util.h"

namespace {

constexpr uint32_t kFrames = 44100;
constexpr double kAmplitude = 0.5;  // of full scale: RMS 0.354
constexpr double kToneHz = 1000;

FormatRecord Mono(uint16_t tag, uint16_t bits, uint32_t rate) {
  WaveFormat f;
  f.formatTag = tag;
  f.channels = 1;
  f.samplesPerSec = rate;
  f.bitsPerSample = bits;
  f.blockAlign = static_cast<uint16_t>(bits / 8);
  f.avgBytesPerSec = rate * f.blockAlign;
  return MakeFormatRecord(f);
}

// Every sample of a mono block as a fraction of full scale.
std::vector<double> Values(const FormatRecord& format, const uint8_t* bytes, uint64_t length) {
  const WaveFormat f = ParseWaveFormat(format);
  std::vector<double> values;
  if (f.formatTag == kFormatIEEEFloat) {
    for (uint64_t i = 0; i + 4 <= length; i += 4) {
      float v;
      std::memcpy(&v, bytes + i, 4);
      values.push_back(v);
    }
  } else if (f.bitsPerSample == 8) {
    for (uint64_t i = 0; i < length; ++i) values.push_back((bytes[i] - 128) / 128.0);
  } else {
    for (uint64_t i = 0; i + 2 <= length; i += 2) {
      values.push_back(static_cast<int16_t>(ReadLE16(bytes + i)) / 32768.0);
    }
  }
  return values;
}

// A tone in the mono format, written as a peer would.
std::vector<uint8_t> MonoTone(const FormatRecord& format) {
  const WaveFormat f = ParseWaveFormat(format);
  const uint32_t frames = static_cast<uint32_t>(uint64_t(kFrames) * f.samplesPerSec / 44100);
  std::vector<uint8_t> bytes(frames * f.blockAlign);
  for (uint32_t i = 0; i < frames; ++i) {
    const double v = kAmplitude * std::sin(2 * M_PI * kToneHz * i / f.samplesPerSec);
    if (f.formatTag == kFormatIEEEFloat) {
      const float x = static_cast<float>(v);
      std::memcpy(&bytes[4 * i], &x, 4);
    } else if (f.bitsPerSample == 8) {
      bytes[i] = static_cast<uint8_t>(std::lround(128 + 127 * v));
    } else {
      WriteLE16(&bytes[2 * i], static_cast<uint16_t>(static_cast<int16_t>(std::lround(32767 * v))));
    }
  }
  return bytes;
}

// RMS and peak away from the ends, where a resampler's filter starts and
// stops.
struct Level {
  double rms = 0;
  double peak = 0;
};
Level Measure(const std::vector<double>& values) {
  Level level;
  const size_t skip = values.size() / 10;
  double sum = 0;
  size_t count = 0;
  for (size_t i = skip; i + skip < values.size(); ++i, ++count) {
    sum += values[i] * values[i];
    level.peak = std::max(level.peak, std::fabs(values[i]));
  }
  level.rms = count == 0 ? 0 : std::sqrt(sum / count);
  return level;
}

double Decibels(double ratio) { return 20 * std::log10(ratio); }

struct RoundTripCase {
  const char* name;
  FormatRecord mono;
  double toleranceDb;  // the format's own quantisation and filtering
};

void PrintTo(const RoundTripCase& row, std::ostream* out) { *out << row.name; }

class MonoRoundTripTest : public testing::TestWithParam<RoundTripCase> {};

TEST_P(MonoRoundTripTest, KeepsItsLevelOverThreeOpenAndSaveTrips) {
  const RoundTripCase& row = GetParam();
  // Given a mono tone at half of full scale
  FormatRecord mono = row.mono;
  const std::vector<uint8_t> tone = MonoTone(mono);
  const Level original = Measure(Values(mono, tone.data(), tone.size()));
  ASSERT_NEAR(original.rms, kAmplitude / std::sqrt(2.0), 0.01);
  auto data = std::make_unique<uint8_t[]>(tone.size());
  std::memcpy(data.get(), tone.data(), tone.size());
  uint64_t length = tone.size();

  for (int trip = 1; trip <= 3; ++trip) {
    // When it is opened into the working format
    FormatRecord source = mono;
    FormatRecord working = MakeFormatRecord(WorkingFormat());
    CWaveConverter opening;
    ASSERT_EQ(opening.Convert(source, working, &data, &length), ConvertResult::kOk) << "trip " << trip;
    ASSERT_EQ(length % 4, 0u);

    // Then both channels carry the same signal at the file's level
    std::vector<double> left, right;
    for (uint64_t i = 0; i < length; i += 4) {
      left.push_back(static_cast<int16_t>(ReadLE16(data.get() + i)) / 32768.0);
      right.push_back(static_cast<int16_t>(ReadLE16(data.get() + i + 2)) / 32768.0);
    }
    ASSERT_EQ(left, right) << "trip " << trip;
    EXPECT_NEAR(Decibels(Measure(left).rms / original.rms), 0.0, row.toleranceDb) << "trip " << trip;

    // And saved to mono again, it keeps that level and stays below full scale
    FormatRecord stereo = MakeFormatRecord(WorkingFormat());
    FormatRecord target = mono;
    CWaveConverter saving;
    ASSERT_EQ(saving.Convert(stereo, target, &data, &length), ConvertResult::kOk) << "trip " << trip;
    const Level saved = Measure(Values(target, data.get(), length));
    EXPECT_NEAR(Decibels(saved.rms / original.rms), 0.0, row.toleranceDb) << "trip " << trip;
    EXPECT_LE(saved.peak, 1.0) << "trip " << trip;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MonoRoundTripTest,
    testing::Values(RoundTripCase{"Pcm16Mono44100", Mono(kFormatPCM, 16, 44100), 0.01},
                    RoundTripCase{"Float32Mono44100", Mono(kFormatIEEEFloat, 32, 44100), 0.01},
                    RoundTripCase{"Pcm8Mono44100", Mono(kFormatPCM, 8, 44100), 0.1},
                    RoundTripCase{"Pcm16Mono22050", Mono(kFormatPCM, 16, 22050), 0.05}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

TEST(MonoStereoTest, MonoOpensAtUnityAndStereoSavesAsTheMean) {
  // Given working-format frames with different sides
  const int16_t frames[][2] = {{1000, 3000}, {-20000, 20000}, {32767, 32767}, {-32768, -32768}, {-7, 7}};
  std::vector<uint8_t> bytes;
  for (const auto& f : frames) {
    for (const int16_t v : f) {
      bytes.push_back(static_cast<uint8_t>(v & 0xFF));
      bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
  }
  auto data = std::make_unique<uint8_t[]>(bytes.size());
  std::memcpy(data.get(), bytes.data(), bytes.size());
  uint64_t length = bytes.size();

  // When saved to mono at the same rate, then each sample is (L + R) / 2
  FormatRecord stereo = MakeFormatRecord(WorkingFormat());
  FormatRecord mono = Mono(kFormatPCM, 16, 44100);
  CWaveConverter saving;
  ASSERT_EQ(saving.Convert(stereo, mono, &data, &length), ConvertResult::kOk);
  ASSERT_EQ(length, 10u);
  const int16_t means[] = {2000, 0, 32767, -32768, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(static_cast<int16_t>(ReadLE16(data.get() + 2 * i)), means[i]) << i;

  // And opened again, each mono sample lands unchanged on both sides
  FormatRecord working = MakeFormatRecord(WorkingFormat());
  CWaveConverter opening;
  ASSERT_EQ(opening.Convert(mono, working, &data, &length), ConvertResult::kOk);
  ASSERT_EQ(length, 20u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(static_cast<int16_t>(ReadLE16(data.get() + 4 * i)), means[i]) << i;
    EXPECT_EQ(static_cast<int16_t>(ReadLE16(data.get() + 4 * i + 2)), means[i]) << i;
  }
}

// sox's "RMS lev dB" of a raw 16-bit mono file.
double SoxRmsDb(const std::string& path, std::string* log) {
  if (peer::Run("sox -t raw -r 44100 -e signed -b 16 -c 1 '" + path + "' -n stats 2>&1", log) != 0) return 0;
  std::istringstream lines(*log);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("RMS lev dB", 0) == 0) return std::stod(line.substr(10));
  }
  return 0;
}

TEST(MonoStereoTest, SoxMeasuresASoxToneAtItsLevelAfterThreeTrips) {
  peer::ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  // Given a mono tone sox made
  const std::string before = dir.File("before.raw");
  std::string log;
  ASSERT_EQ(peer::Run("sox -n -t raw -r 44100 -e signed -b 16 -c 1 '" + before +
                          "' synth 1 sine 1000 vol 0.5 2>&1",
                      &log),
            0)
      << log;
  std::vector<uint8_t> bytes = peer::ReadBytes(before);
  ASSERT_FALSE(bytes.empty());
  auto data = std::make_unique<uint8_t[]>(bytes.size());
  std::memcpy(data.get(), bytes.data(), bytes.size());
  uint64_t length = bytes.size();

  // When it is opened and saved three times
  for (int trip = 0; trip < 3; ++trip) {
    FormatRecord mono = Mono(kFormatPCM, 16, 44100), working = MakeFormatRecord(WorkingFormat());
    CWaveConverter opening, saving;
    ASSERT_EQ(opening.Convert(mono, working, &data, &length), ConvertResult::kOk);
    FormatRecord stereo = MakeFormatRecord(WorkingFormat()), target = Mono(kFormatPCM, 16, 44100);
    ASSERT_EQ(saving.Convert(stereo, target, &data, &length), ConvertResult::kOk);
  }
  const std::string after = dir.File("after.raw");
  {
    std::FILE* out = std::fopen(after.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fwrite(data.get(), 1, length, out), length);
    std::fclose(out);
  }

  // Then sox finds the same RMS level in both
  std::string beforeLog, afterLog;
  const double beforeDb = SoxRmsDb(before, &beforeLog);
  const double afterDb = SoxRmsDb(after, &afterLog);
  ASSERT_LT(beforeDb, -1.0) << beforeLog;
  EXPECT_NEAR(afterDb, beforeDb, 0.01) << afterLog;
}

}  // namespace
