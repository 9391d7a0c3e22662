// The converter on its worker thread: the result Collect hands out is the
// one a direct conversion gives, however the data were cut into blocks; an
// abandoned wait stops the worker and joins it before anything is freed.
// Run these under ThreadSanitizer and AddressSanitizer too: a worker that
// touched freed blocks or raced on the flags would show there.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "core/model/codec_format.h"
#include "core/model/wave_converter.h"

namespace {

using namespace std::chrono_literals;

const FormatRecord kWorking = MakeFormatRecord(WorkingFormat());

std::vector<uint8_t> WorkingTone(uint32_t frames) {
  std::vector<uint8_t> bytes(static_cast<size_t>(frames) * 4);
  for (uint32_t i = 0; i < frames; ++i) {
    const auto left = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * i / 44100.0));
    const auto right = static_cast<int16_t>(9000 * std::sin(2 * M_PI * 660 * i / 44100.0));
    WriteLE16(&bytes[4 * size_t(i)], static_cast<uint16_t>(left));
    WriteLE16(&bytes[4 * size_t(i) + 2], static_cast<uint16_t>(right));
  }
  return bytes;
}

std::unique_ptr<uint8_t[]> Copy(const std::vector<uint8_t>& bytes) {
  auto data = std::make_unique<uint8_t[]>(bytes.size() + 1);
  std::memcpy(data.get(), bytes.data(), bytes.size());
  return data;
}

FormatRecord Suggested(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits = 0, uint32_t avg = 0) {
  FormatRecord record;
  WaveFormat wanted;
  wanted.formatTag = tag;
  wanted.channels = channels;
  wanted.samplesPerSec = rate;
  wanted.bitsPerSample = bits;
  wanted.avgBytesPerSec = avg;
  if (SuggestFormat(wanted, &record) != ConvertResult::kOk) ADD_FAILURE() << "no record for tag " << tag;
  return record;
}

// Encodes half a second of working-format tone to `format`.
std::vector<uint8_t> Encoded(const FormatRecord& format) {
  const std::vector<uint8_t> tone = WorkingTone(22050);
  FormatRecord source = kWorking;
  FormatRecord target = format;
  auto data = Copy(tone);
  uint64_t length = tone.size();
  CWaveConverter converter;
  if (converter.Convert(source, target, &data, &length) != ConvertResult::kOk) return {};
  return std::vector<uint8_t>(data.get(), data.get() + length);
}

std::vector<uint8_t> RunOnWorker(FormatRecord source, FormatRecord target, const std::vector<uint8_t>& bytes,
                                 uint64_t largestBlock, bool* failed) {
  CWaveConverter converter;
  converter.Start(&source, &target, Copy(bytes), bytes.size(), largestBlock);
  while (converter.IsBusy()) std::this_thread::sleep_for(1ms);
  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  converter.Collect(&data, &length);
  *failed = converter.HasFailed();
  return data ? std::vector<uint8_t>(data.get(), data.get() + length) : std::vector<uint8_t>();
}

struct BlockCase {
  const char* name;
  FormatRecord source;
  uint64_t largestBlock;
};

class WorkerBlocksTest : public testing::TestWithParam<BlockCase> {};

TEST_P(WorkerBlocksTest, CollectGivesWhatADirectConversionGives) {
  const BlockCase& row = GetParam();
  // Given sound in the row's format
  std::vector<uint8_t> bytes;
  if (ParseWaveFormat(row.source).formatTag == kFormatPCM) {
    // 24-bit PCM made by hand: the working samples shifted up a byte.
    const std::vector<uint8_t> tone = WorkingTone(22050);
    for (size_t i = 0; i < tone.size(); i += 2) bytes.insert(bytes.end(), {0x5A, tone[i], tone[i + 1]});
  } else {
    bytes = Encoded(row.source);
  }
  ASSERT_FALSE(bytes.empty());

  // When the worker converts it, cut into blocks no larger than the row says
  bool failed = true;
  const std::vector<uint8_t> onWorker = RunOnWorker(row.source, kWorking, bytes, row.largestBlock, &failed);

  // Then the result equals one direct conversion of the whole
  FormatRecord source = row.source;
  FormatRecord target = kWorking;
  auto data = Copy(bytes);
  uint64_t length = bytes.size();
  CWaveConverter direct;
  ASSERT_EQ(direct.Convert(source, target, &data, &length), ConvertResult::kOk);
  EXPECT_FALSE(failed);
  ASSERT_EQ(onWorker.size(), length);
  EXPECT_EQ(0, std::memcmp(onWorker.data(), data.get(), length));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WorkerBlocksTest,
    testing::Values(
        BlockCase{"ImaAdpcmInOneBlock", Suggested(kFormatIMAADPCM, 2, 22050), 4294967295u},
        // 3,000 bytes hold one 1,024-byte codec block and part of the next:
        // the cut must fall between codec blocks.
        BlockCase{"ImaAdpcmInManyBlocks", Suggested(kFormatIMAADPCM, 2, 22050), 3000},
        BlockCase{"MsAdpcmInManyBlocks", Suggested(kFormatMSADPCM, 1, 11025), 1000},
        // MPEG frames do not line up with any block: the stream must go on
        // across the cuts.
        BlockCase{"Mp3InManyBlocks", Suggested(kFormatMPEGLayer3, 2, 44100, 0, 16000), 1000},
        BlockCase{"TwentyFourBitPcmInManyBlocks", Suggested(kFormatPCM, 2, 44100, 24), 1001}),
    [](const testing::TestParamInfo<BlockCase>& info) { return std::string(info.param.name); });

TEST(WaveConverterThreadTest, EqualFormatsComeBackUnchanged) {
  const std::vector<uint8_t> tone = WorkingTone(1000);
  bool failed = true;
  EXPECT_EQ(RunOnWorker(kWorking, kWorking, tone, 4294967295u, &failed), tone);
  EXPECT_FALSE(failed);
}

TEST(WaveConverterThreadTest, AFailedConversionHandsOutNothing) {
  // Given a target the converter refuses (extensible records are read only)
  FormatRecord extensible = kWorking;
  WriteLE16(extensible.data(), kFormatExtensible);
  // When the worker has run, then Collect reports failure and no data
  bool failed = false;
  const std::vector<uint8_t> refused = RunOnWorker(kWorking, extensible, WorkingTone(100), 4294967295u, &failed);
  EXPECT_TRUE(failed);
  EXPECT_TRUE(refused.empty());
}

// Ten minutes of working-format sound to MP3 takes many seconds; an
// abandoned wait must not.
TEST(WaveConverterThreadTest, AbandoningALongConversionStopsTheWorkerPromptly) {
  // Given a long conversion under way
  const std::vector<uint8_t> tone = WorkingTone(10 * 60 * 44100);
  FormatRecord source = kWorking;
  FormatRecord target = Suggested(kFormatMPEGLayer3, 2, 44100, 0, 16000);
  CWaveConverter converter;
  converter.Start(&source, &target, Copy(tone), tone.size(), 4294967295u);
  std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(converter.IsBusy());

  // When the caller stops waiting and collects
  const auto before = std::chrono::steady_clock::now();
  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 1;
  converter.Collect(&data, &length);
  const auto waited = std::chrono::steady_clock::now() - before;

  // Then it returns at once with failure and no data, the worker gone
  EXPECT_LT(waited, 2s);
  EXPECT_TRUE(converter.HasFailed());
  EXPECT_FALSE(converter.IsBusy());
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(length, 0u);
}

TEST(WaveConverterThreadTest, AConverterLeftBusyJoinsItsWorkerWhenDestroyed) {
  const std::vector<uint8_t> tone = WorkingTone(60 * 44100);
  FormatRecord source = kWorking;
  FormatRecord target = Suggested(kFormatMPEGLayer3, 2, 44100, 0, 16000);
  {
    CWaveConverter converter;
    converter.Start(&source, &target, Copy(tone), tone.size(), 4294967295u);
    std::this_thread::sleep_for(20ms);
  }
  // The records outlive the converter only by this much: a worker still
  // running would touch them after the scope above (the sanitizers see it).
  EXPECT_EQ(ParseWaveFormat(source).formatTag, kFormatPCM);
}

}  // namespace
