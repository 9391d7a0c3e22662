// When a save would keep less of the sound than the file had: the shapes of
// wave format records and of the sound file formats, and the comparison File
// Save asks by.
#include "core/model/stream_shape.h"

#include <gtest/gtest.h>

#include "core/model/codec_format.h"

namespace {

FormatRecord Pcm(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t tag = kFormatPCM) {
  WaveFormat format;
  format.formatTag = tag;
  format.channels = channels;
  format.samplesPerSec = rate;
  format.bitsPerSample = bits;
  format.blockAlign = static_cast<uint16_t>(channels * bits / 8);
  format.avgBytesPerSec = rate * format.blockAlign;
  return MakeFormatRecord(format);
}

FormatRecord Suggested(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  WaveFormat wanted;
  wanted.formatTag = tag;
  wanted.channels = channels;
  wanted.samplesPerSec = rate;
  wanted.bitsPerSample = bits;
  FormatRecord record;
  EXPECT_EQ(SuggestFormat(wanted, &record), ConvertResult::kOk);
  return record;
}

TEST(StreamShapeTest, WaveRecordsSayWhatTheyKeep) {
  EXPECT_EQ(ShapeOfWaveFormat(Pcm(2, 96000, 24)), (StreamShape{96000, 2, 24, false, ""}));
  EXPECT_EQ(ShapeOfWaveFormat(Pcm(1, 48000, 32, kFormatIEEEFloat)), (StreamShape{48000, 1, 32, false, ""}));
  EXPECT_EQ(ShapeOfWaveFormat(Pcm(1, 8000, 8, kFormatMuLaw)), (StreamShape{8000, 1, 8, false, "mu-law"}));
  const StreamShape adpcm = ShapeOfWaveFormat(Suggested(kFormatIMAADPCM, 2, 44100, 4));
  EXPECT_TRUE(adpcm.lossy);
  EXPECT_EQ(adpcm.bits, 0u);
}

TEST(StreamShapeTest, MediaSavesTakeTheWorkingFormatUnlessTold) {
  MediaSaveOptions flac = DefaultMediaSaveOptions(MediaSaveFormat::kFlac);
  EXPECT_EQ(ShapeOfMediaSave(flac), (StreamShape{44100, 2, 16, false, "FLAC"}));
  flac.sampleRate = 96000;
  flac.channels = 1;
  flac.bits = 24;
  EXPECT_EQ(ShapeOfMediaSave(flac), (StreamShape{96000, 1, 24, false, "FLAC"}));
  // Opus has one rate for music
  EXPECT_EQ(ShapeOfMediaSave(DefaultMediaSaveOptions(MediaSaveFormat::kOpus)), (StreamShape{48000, 2, 0, true, "Opus"}));
}

// The table holds plain fields (a std::string in a table of aggregates
// makes g++ 12 at -O3 see uninitialized strings that are not).
struct Shape {
  uint32_t sampleRate;
  uint32_t channels;
  uint32_t bits;
  bool lossy;
  const char* codec;
  StreamShape ToStreamShape() const { return StreamShape{sampleRate, channels, bits, lossy, codec}; }
};

struct LossCase {
  const char* name;
  Shape was;
  Shape written;
  bool lowers;
};

class LowersQualityTest : public testing::TestWithParam<LossCase> {};

TEST_P(LowersQualityTest, ComparesRateBitsChannelsAndLoss) {
  EXPECT_EQ(LowersQuality(GetParam().was.ToStreamShape(), GetParam().written.ToStreamShape()), GetParam().lowers);
}

constexpr Shape kCd{44100, 2, 16, false, ""};

INSTANTIATE_TEST_SUITE_P(
    Saves, LowersQualityTest,
    testing::Values(LossCase{"SameShape", kCd, kCd, false},
                    LossCase{"HighRateDeepFile", {96000, 2, 24, false, ""}, kCd, true},
                    LossCase{"DeeperOnly", {44100, 2, 24, false, ""}, kCd, true},
                    LossCase{"HigherRateOnly", {48000, 2, 16, false, ""}, kCd, true},
                    LossCase{"MoreChannels", {44100, 6, 16, false, ""}, kCd, true},
                    LossCase{"MonoBecomesStereo", {44100, 1, 16, false, ""}, kCd, false},
                    LossCase{"LowRateEightBit", {8000, 1, 8, false, "mu-law"}, kCd, false},
                    LossCase{"AdpcmToPcm", {44100, 2, 0, true, "ADPCM"}, kCd, false},
                    LossCase{"LosslessToLossy", kCd, {44100, 2, 0, true, "MP3"}, true},
                    LossCase{"LossyToLossy", {44100, 2, 0, true, "MP3"}, {44100, 2, 0, true, "MP3"}, false},
                    LossCase{"LossyHighRateToLowerRate", {48000, 2, 0, true, "AAC"}, kCd, true}),
    [](const testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

}  // namespace
