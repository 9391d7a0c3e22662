// Opening an MP3 file: the whole file in one layer, described with the
// stream's own rate and channels, then converted at its true speed.
#include <gtest/gtest.h>

#include "core/model/sound.h"
#include "core/model/wave_converter.h"
#include "test_support.h"

namespace {

struct Mp3Case {
  const char* name;
  int rate;
  int channels;
};

class Mp3FileTest : public testing::TestWithParam<Mp3Case> {};

TEST_P(Mp3FileTest, ReadsTheWholeFileAndConvertsAtItsOwnRate) {
  // Given a two-second MP3 written by ffmpeg at the case's rate and channels
  const Mp3Case& c = GetParam();
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("tone.mp3");
  ASSERT_EQ(test_support::RunCommand("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=2:sample_rate=" +
                                     std::to_string(c.rate) + " -ac " + std::to_string(c.channels) +
                                     " -b:a 64k '" + path + "' 2>&1"),
            0);
  // When it is read
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadMp3File(), ReadResult::kOk);
  // Then the layer is the file and the record describes the stream
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers[0]->length(), test_support::ReadFileBytes(path).size());
  EXPECT_EQ(sound.formatSize, 30u);
  EXPECT_EQ(sound.riffSize, sound.layers[0]->length());
  const WaveFormat format = ParseWaveFormat(sound.fileFormat);
  EXPECT_EQ(format.formatTag, kFormatMPEGLayer3);
  EXPECT_EQ(format.samplesPerSec, static_cast<uint32_t>(c.rate));
  EXPECT_EQ(format.channels, c.channels);
  // And it converts to two seconds of working-format sound
  FormatRecord source = sound.fileFormat;
  FormatRecord target = MakeFormatRecord(WorkingFormat());
  uint64_t length = sound.layers[0]->length();
  std::unique_ptr<uint8_t[]> data = sound.layers[0]->TakeData();
  CWaveConverter converter;
  ASSERT_EQ(converter.Convert(source, target, &data, &length), ConvertResult::kOk);
  EXPECT_NEAR(static_cast<double>(length) / 176400.0, 2.0, 0.03);
}

INSTANTIATE_TEST_SUITE_P(Mp3File, Mp3FileTest,
                         testing::Values(Mp3Case{"Mono48000", 48000, 1}, Mp3Case{"Stereo22050", 22050, 2}),
                         [](const testing::TestParamInfo<Mp3Case>& info) { return info.param.name; });

TEST(Mp3File, FileWithoutMp3AudioIsRefused) {
  test_support::TemporaryFolder folder;
  CSound sound;
  sound.path = folder.File("text.mp3");
  test_support::WriteFileBytes(sound.path, "just some words, not audio at all");
  EXPECT_EQ(sound.ReadMp3File(), ReadResult::kNotWave);
  EXPECT_TRUE(sound.layers.empty());
  sound.path = folder.File("missing.mp3");
  EXPECT_EQ(sound.ReadMp3File(), ReadResult::kNotWave);
}

}  // namespace
