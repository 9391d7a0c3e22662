// The side panel's file figures for files in formats other than the working
// one: the sound's layers hold working-format data, the figures describe the
// file.
#include <gtest/gtest.h>

#include <string>

#include "core/model/file_properties.h"

namespace {

constexpr uint64_t kWorkingBytesPerSecond = 176400;

FormatRecord BlockCodec(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avgBytes, uint16_t blockAlign,
                        uint16_t bits, uint16_t framesPerBlock) {
  const std::vector<uint8_t> extra = {static_cast<uint8_t>(framesPerBlock), static_cast<uint8_t>(framesPerBlock >> 8)};
  return MakeFormatRecord(WaveFormat{tag, channels, rate, avgBytes, blockAlign, bits, 0}, extra);
}

struct FiguresCase {
  const char* name;
  FormatRecord format;
  uint64_t workingBytes;  // the sound after opening, in the working format
  uint64_t samples;
  uint64_t bytes;
  uint64_t milliseconds;
};

class FilePropertiesTest : public testing::TestWithParam<FiguresCase> {};

TEST_P(FilePropertiesTest, FiguresDescribeTheFileNotTheWorkingCopy) {
  const FiguresCase& c = GetParam();
  const FileProperties figures = WorkOutFileProperties(c.format, c.workingBytes);
  EXPECT_EQ(figures.totalSamples, c.samples);
  EXPECT_EQ(figures.totalBytes, c.bytes);
  EXPECT_EQ(figures.milliseconds, c.milliseconds);
}

INSTANTIATE_TEST_SUITE_P(
    FileProperties, FilePropertiesTest,
    testing::Values(
        // Ten minutes of 8-bit mono at 22,050 Hz: 13,230,000 one-byte samples.
        FiguresCase{"Pcm8BitMono22kHz", MakeFormatRecord(WaveFormat{1, 1, 22050, 22050, 1, 8, 0}),
                    600 * kWorkingBytesPerSecond, 13230000, 13230000, 600000},
        // Ten seconds of mono MP3 at 64 kbit/s.
        FiguresCase{"Mp3Mono", BlockCodec(85, 1, 44100, 8000, 1, 0, 1), 10 * kWorkingBytesPerSecond, 441000, 80000,
                    10000},
        // Ten seconds of mono IMA ADPCM: 2,041 frames in each 1,024-byte
        // block, the last of 217 blocks part filled.
        FiguresCase{"ImaAdpcmMono", BlockCodec(17, 1, 44100, 22311, 1024, 4, 2041), 10 * kWorkingBytesPerSecond,
                    441000, 217 * 1024, 10000},
        // Ten seconds of 32-bit float stereo at 48 kHz.
        FiguresCase{"FloatStereo48kHz", MakeFormatRecord(WaveFormat{3, 2, 48000, 384000, 8, 32, 0}),
                    10 * kWorkingBytesPerSecond, 480000, 3840000, 10000},
        // The working format itself: the layer's bytes are the file's.
        FiguresCase{"Pcm16BitStereo44kHz", MakeFormatRecord(WorkingFormat()), 176400 * 3 + 400, 132400, 529600,
                    3002},
        // Under a second the milliseconds are kept as they are.
        FiguresCase{"JustUnderASecond", MakeFormatRecord(WorkingFormat()), 176396, 44099, 176396, 999},
        // A record without a rate or a block size divides by nothing.
        FiguresCase{"EmptyRecord", FormatRecord{}, 17640, 0, 0, 100},
        FiguresCase{"BlockCodecWithoutBlockSize", BlockCodec(17, 1, 44100, 22311, 1024, 4, 0), 176400, 44100,
                    22311, 1000},
        // Four gigabytes of working data neither wrap nor overflow.
        FiguresCase{"LongestSound", MakeFormatRecord(WorkingFormat()), 4294967292ull, 1073741823, 4294967292ull,
                    24347887}),
    [](const testing::TestParamInfo<FiguresCase>& info) { return std::string(info.param.name); });

}  // namespace
