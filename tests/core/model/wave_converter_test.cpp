// The converter's own steps on hand-made bytes: the cut of 24- and 32-bit
// PCM to 16 bits, equal formats left alone, formats refused, damaged codec
// data survived, and target records completed so other programs can read
// what we write.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/model/codec_format.h"
#include "core/model/decode_stage.h"
#include "core/model/wave_converter.h"

namespace {

FormatRecord Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
  WaveFormat f;
  f.channels = channels;
  f.samplesPerSec = rate;
  f.bitsPerSample = bits;
  f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
  f.avgBytesPerSec = rate * f.blockAlign;
  return MakeFormatRecord(f);
}

FormatRecord Bare(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits = 0, uint32_t avg = 0,
                  uint16_t blockAlign = 0) {
  WaveFormat f;
  f.formatTag = tag;
  f.channels = channels;
  f.samplesPerSec = rate;
  f.bitsPerSample = bits;
  f.avgBytesPerSec = avg;
  f.blockAlign = blockAlign;
  return MakeFormatRecord(f);
}

std::unique_ptr<uint8_t[]> Copy(const std::vector<uint8_t>& bytes) {
  auto data = std::make_unique<uint8_t[]>(bytes.size() + 1);
  std::memcpy(data.get(), bytes.data(), bytes.size());
  return data;
}

// One second of working-format tone: 440 Hz left, 660 Hz right.
std::vector<uint8_t> WorkingTone(uint32_t frames = 44100) {
  std::vector<uint8_t> bytes(frames * 4);
  for (uint32_t i = 0; i < frames; ++i) {
    const auto left = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * i / 44100.0));
    const auto right = static_cast<int16_t>(9000 * std::sin(2 * M_PI * 660 * i / 44100.0));
    WriteLE16(&bytes[4 * i], static_cast<uint16_t>(left));
    WriteLE16(&bytes[4 * i + 2], static_cast<uint16_t>(right));
  }
  return bytes;
}

struct NarrowingCase {
  const char* name;
  uint16_t bits;
  std::vector<uint8_t> frame;  // one stereo frame, left then right
  int16_t left;
  int16_t right;
};

class NarrowingTest : public testing::TestWithParam<NarrowingCase> {};

TEST_P(NarrowingTest, DeepPcmIsCutToSixteenBitsBeforeTheCodec) {
  const NarrowingCase& row = GetParam();
  // Given one stereo frame of deep PCM at the working rate
  FormatRecord source = Pcm(2, 44100, row.bits);
  FormatRecord target = MakeFormatRecord(WorkingFormat());
  auto data = Copy(row.frame);
  uint64_t length = row.frame.size();

  // When it is converted to the working format
  CWaveConverter converter;
  ASSERT_EQ(converter.Convert(source, target, &data, &length), ConvertResult::kOk);

  // Then the samples are the cut values, and the source record says 16 bits
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(static_cast<int16_t>(ReadLE16(data.get())), row.left);
  EXPECT_EQ(static_cast<int16_t>(ReadLE16(data.get() + 2)), row.right);
  EXPECT_TRUE(AreEqualFormats(source, MakeFormatRecord(WorkingFormat())));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NarrowingTest,
    testing::Values(
        NarrowingCase{"TwentyFourBitKeepsTheTwoHighBytes", 24, {0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF}, 0x1234, -1},
        NarrowingCase{"TwentyFourBitNegative", 24, {0x00, 0x00, 0x80, 0x7F, 0x80, 0xFF}, -32768, -128},
        NarrowingCase{"ThirtyTwoBitMinusOneBecomesZero", 32, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF}, 0, -1},
        NarrowingCase{"ThirtyTwoBitTruncatesTowardZero", 32, {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00}, -1, 0},
        NarrowingCase{"ThirtyTwoBitExtremes", 32, {0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F}, -32768, 32767}),
    [](const testing::TestParamInfo<NarrowingCase>& info) { return std::string(info.param.name); });

TEST(WaveConverterTest, EqualFormatsLeaveTheDataAlone) {
  // Given working-format data whose record differs only in its extra bytes
  FormatRecord source = MakeFormatRecord(WorkingFormat(), {1, 2});
  FormatRecord target = MakeFormatRecord(WorkingFormat());
  auto data = Copy(WorkingTone(10));
  const uint8_t* before = data.get();
  uint64_t length = 40;

  // When converted, then nothing changes
  CWaveConverter converter;
  EXPECT_EQ(converter.Convert(source, target, &data, &length), ConvertResult::kOk);
  EXPECT_EQ(data.get(), before);
  EXPECT_EQ(length, 40u);
}

struct RefusedCase {
  const char* name;
  FormatRecord source;
  FormatRecord target;
};

class RefusedTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedTest, UnsupportedFormatsFailAndKeepTheData) {
  const RefusedCase& row = GetParam();
  FormatRecord source = row.source;
  FormatRecord target = row.target;
  const std::vector<uint8_t> bytes = WorkingTone(100);
  auto data = Copy(bytes);
  uint64_t length = bytes.size();

  CWaveConverter converter;
  EXPECT_EQ(converter.Convert(source, target, &data, &length), ConvertResult::kFailed);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(length, bytes.size());
}

const FormatRecord kWorking = MakeFormatRecord(WorkingFormat());

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedTest,
    testing::Values(
        RefusedCase{"TwelveBitPcmSource", Pcm(2, 44100, 12), kWorking},
        RefusedCase{"UnknownSourceTag", Bare(0x0160, 2, 44100, 16, 20000, 4), kWorking},
        RefusedCase{"SourceWithoutChannels", Bare(kFormatPCM, 0, 44100, 16, 0, 0), kWorking},
        RefusedCase{"SourceWithoutRate", Bare(kFormatALaw, 1, 0, 8, 0, 1), kWorking},
        RefusedCase{"AdpcmSourceWithoutBlockSize", Bare(kFormatIMAADPCM, 1, 22050, 4, 11100, 0), kWorking},
        RefusedCase{"ExtensibleSourceWithoutItsExtraBytes", Bare(kFormatExtensible, 2, 44100, 16, 176400, 4), kWorking},
        RefusedCase{"ExtensibleTarget", kWorking, Bare(kFormatExtensible, 2, 44100, 16, 176400, 4)},
        RefusedCase{"GsmTargetAtCdRate", kWorking, Bare(kFormatGSM610, 1, 44100)},
        RefusedCase{"Mp3TargetAtAnUnknownRate", kWorking, Bare(kFormatMPEGLayer3, 2, 44000, 0, 16000)},
        RefusedCase{"PcmTargetWithSixChannels", kWorking, Pcm(6, 44100, 16)}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

struct DamagedCase {
  const char* name;
  FormatRecord source;
};

class DamagedDataTest : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedDataTest, RandomBytesDecodeOrFailCleanly) {
  // Given codec data that is nothing but noise
  FormatRecord source = GetParam().source;
  FormatRecord target = kWorking;
  std::mt19937 random(7);
  std::vector<uint8_t> bytes(20000);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  auto data = Copy(bytes);
  uint64_t length = bytes.size();

  // When converted, then the result is a clean failure or whole sample frames
  CWaveConverter converter;
  const ConvertResult result = converter.Convert(source, target, &data, &length);
  EXPECT_TRUE(result == ConvertResult::kOk || result == ConvertResult::kFailed) << static_cast<int>(result);
  if (result == ConvertResult::kOk) {
    EXPECT_EQ(length % 4, 0u);
  }
}

FormatRecord Suggested(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avg = 0) {
  FormatRecord record;
  WaveFormat wanted;
  wanted.formatTag = tag;
  wanted.channels = channels;
  wanted.samplesPerSec = rate;
  wanted.avgBytesPerSec = avg;
  if (SuggestFormat(wanted, &record) != ConvertResult::kOk) ADD_FAILURE() << "no record for tag " << tag;
  return record;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedDataTest,
    testing::Values(DamagedCase{"MsAdpcm", Suggested(kFormatMSADPCM, 2, 22050)},
                    DamagedCase{"ImaAdpcm", Suggested(kFormatIMAADPCM, 1, 8000)},
                    DamagedCase{"Gsm", Suggested(kFormatGSM610, 1, 8000)},
                    DamagedCase{"Mp3", Suggested(kFormatMPEGLayer3, 2, 44100, 16000)},
                    // A block size smaller than the block headers.
                    DamagedCase{"ImaAdpcmWithTinyBlocks", Bare(kFormatIMAADPCM, 2, 8000, 4, 4000, 3)},
                    DamagedCase{"MsAdpcmWithoutCoefficients", Bare(kFormatMSADPCM, 1, 8000, 4, 4000, 256)}),
    [](const testing::TestParamInfo<DamagedCase>& info) { return std::string(info.param.name); });

struct CompletedCase {
  const char* name;
  FormatRecord bareTarget;  // tag, channels, rate and a bit rate only
  uint16_t blockAlign;
  uint16_t extraSize;
  uint16_t samplesPerBlock;  // 0: not checked
};

class CompletedTargetTest : public testing::TestWithParam<CompletedCase> {};

TEST_P(CompletedTargetTest, EncodingFillsInWhatReadersNeed) {
  const CompletedCase& row = GetParam();
  // Given a bare target record of the kind a caller may build
  FormatRecord source = kWorking;
  FormatRecord target = row.bareTarget;
  const std::vector<uint8_t> bytes = WorkingTone(22050);
  auto data = Copy(bytes);
  uint64_t length = bytes.size();

  // When working-format sound is encoded to it
  CWaveConverter converter;
  ASSERT_EQ(converter.Convert(source, target, &data, &length), ConvertResult::kOk);

  // Then the record carries block size, extra bytes and samples per block,
  // and the data are whole blocks
  const WaveFormat head = ParseWaveFormat(target);
  EXPECT_EQ(head.blockAlign, row.blockAlign);
  EXPECT_EQ(head.extraSize, row.extraSize);
  ASSERT_EQ(target.size(), kWaveFormatHeadSize + row.extraSize);
  if (row.samplesPerBlock != 0) {
    EXPECT_EQ(ReadLE16(target.data() + kWaveFormatHeadSize), row.samplesPerBlock);
  }
  EXPECT_GT(length, 0u);
  EXPECT_EQ(length % head.blockAlign, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompletedTargetTest,
    testing::Values(CompletedCase{"ImaAdpcmMono22050", Bare(kFormatIMAADPCM, 1, 22050), 512, 2, 1017},
                    CompletedCase{"MsAdpcmStereo44100", Bare(kFormatMSADPCM, 2, 44100), 2048, 32, 2036},
                    CompletedCase{"Gsm610Mono8000", Bare(kFormatGSM610, 1, 8000), 65, 2, 320},
                    CompletedCase{"Mp3Stereo48000", Bare(kFormatMPEGLayer3, 2, 48000, 0, 190000 / 8), 1, 12, 0},
                    CompletedCase{"Pcm24Mono", Bare(kFormatPCM, 1, 44100, 24, 0, 0), 3, 0, 0},
                    CompletedCase{"ALawWithAWrongBlockSize", Bare(kFormatALaw, 2, 8000, 8, 1, 7), 2, 0, 0}),
    [](const testing::TestParamInfo<CompletedCase>& info) { return std::string(info.param.name); });

struct AdpcmQualityCase {
  const char* name;
  uint16_t tag;
  double leastDb;
};

class AdpcmQualityTest : public testing::TestWithParam<AdpcmQualityCase> {};

TEST_P(AdpcmQualityTest, EncodingSearchesForTheCodesThatKeepTheSignal) {
  // Given two seconds of working-format tones
  const std::vector<uint8_t> tones = WorkingTone(2 * 44100);
  auto data = Copy(tones);
  uint64_t length = tones.size();

  // When they are saved as ADPCM at the working rate and opened again
  FormatRecord working = kWorking;
  FormatRecord adpcm = Bare(GetParam().tag, 2, 44100);
  CWaveConverter saving;
  ASSERT_EQ(saving.Convert(working, adpcm, &data, &length), ConvertResult::kOk);
  FormatRecord back = kWorking;
  CWaveConverter opening;
  ASSERT_EQ(opening.Convert(adpcm, back, &data, &length), ConvertResult::kOk);

  // Then the codec noise stays as low as the encoder's search makes it
  // (44.2 dB for both here; without the search 43.1 dB for MS and 43.2 dB
  // for IMA ADPCM)
  const size_t n = std::min<size_t>(tones.size(), length) / 2;
  double signal = 0, noise = 0;
  for (size_t i = 0; i < n; ++i) {
    const double r = static_cast<int16_t>(ReadLE16(&tones[2 * i]));
    const double d = r - static_cast<int16_t>(ReadLE16(data.get() + 2 * i));
    signal += r * r;
    noise += d * d;
  }
  EXPECT_GE(10 * std::log10(signal / noise), GetParam().leastDb);
}

INSTANTIATE_TEST_SUITE_P(Cases, AdpcmQualityTest,
                         testing::Values(AdpcmQualityCase{"MsAdpcm", kFormatMSADPCM, 43.7},
                                         AdpcmQualityCase{"ImaAdpcm", kFormatIMAADPCM, 43.7}),
                         [](const testing::TestParamInfo<AdpcmQualityCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(WaveConverterTest, TwentyFourBitTargetHoldsTheSampleInItsHighBytes) {
  // Given one working-format frame
  FormatRecord source = kWorking;
  FormatRecord target = Pcm(2, 44100, 24);
  auto data = Copy({0x34, 0x12, 0xFF, 0xFF});
  uint64_t length = 4;
  // When converted to 24-bit PCM, then each sample moves up one byte
  CWaveConverter converter;
  ASSERT_EQ(converter.Convert(source, target, &data, &length), ConvertResult::kOk);
  ASSERT_EQ(length, 6u);
  EXPECT_EQ(std::vector<uint8_t>(data.get(), data.get() + 6), (std::vector<uint8_t>{0, 0x34, 0x12, 0, 0xFF, 0xFF}));
}

TEST(WaveConverterTest, EmptyDataConvertToNothing) {
  FormatRecord source = Suggested(kFormatIMAADPCM, 1, 22050);
  FormatRecord target = kWorking;
  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  CWaveConverter converter;
  EXPECT_EQ(converter.Convert(source, target, &data, &length), ConvertResult::kOk);
  EXPECT_EQ(length, 0u);
}

// An IMA ADPCM record whose samples-per-block field claims 65,535 samples in
// a 36-byte block (a mono block of that size codes 65). The output estimate
// sizes the first allocation of a conversion; taken at its word, a 1.6 KB
// file would ask for gigabytes.
TEST(DecodeStageTest, OutputEstimateHoldsToWhatTheBlocksCanCode) {
  WaveFormat head;
  head.formatTag = kFormatIMAADPCM;
  head.channels = 1;
  head.samplesPerSec = 8000;
  head.blockAlign = 36;
  head.bitsPerSample = 4;
  head.avgBytesPerSec = 8000 * 36 / 65;
  const FormatRecord record = MakeFormatRecord(head, {0xFF, 0xFF});
  DecodeStage decoder;
  ASSERT_EQ(decoder.Open(record), ConvertResult::kOk);
  const uint64_t blocks = 1600 / 36 + 1;
  // At most one bit per sample: 36 bytes hold fewer than 36 * 8 + 2 samples.
  EXPECT_LE(decoder.EstimateFrames(1600), blocks * (36 * 8 + 2));
  EXPECT_GE(decoder.EstimateFrames(1600), blocks * 65 - 65);
}

}  // namespace
