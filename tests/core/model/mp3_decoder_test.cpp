// MP3 files as ffmpeg writes them (ID3 tags, a Xing/LAME header with the
// encoder's delay and padding) decode with their own rate and channels: the
// sound lasts as long as the source and a test tone keeps its pitch, which a
// decoder that assumed 44,100 Hz stereo would get wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/model/codec_format.h"
#include "core/model/mp3_decoder.h"
#include "core/model/wave_converter.h"
#include "wave_converter_peer_util.h"

namespace {

struct Mp3File {
  const char* name;
  const char* tones;  // aevalsrc channel expressions
  int rate;
  int channels;
  int kbps;
  double leftHz;
  double rightHz;
};

class Mp3DecoderTest : public testing::TestWithParam<Mp3File> {};

TEST_P(Mp3DecoderTest, DecodesWithTheStreamsOwnRateAndChannels) {
  const Mp3File& row = GetParam();
  peer::ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.File("tone.mp3");
  // Given two seconds of tone written by ffmpeg with ID3v2 and ID3v1 tags
  const std::string command = "ffmpeg -v error -nostdin -y -f lavfi -i \"aevalsrc=exprs='" + std::string(row.tones) +
                              "':s=" + std::to_string(row.rate) + ":d=2\" -c:a libmp3lame -b:a " +
                              std::to_string(row.kbps) + "k -metadata title=Tone -metadata artist=Peer " +
                              "-write_id3v1 1 '" + path + "' 2>&1";
  std::string log;
  ASSERT_EQ(peer::Run(command, &log), 0) << log;
  const std::vector<uint8_t> bytes = peer::ReadBytes(path);

  // When it is described and decoded
  FormatRecord record;
  ASSERT_EQ(DescribeMp3(bytes.data(), bytes.size(), &record), ConvertResult::kOk);
  std::unique_ptr<uint8_t[]> pcm;
  uint64_t length = 0;
  ASSERT_EQ(DecodeMp3(bytes.data(), bytes.size(), &pcm, &length), ConvertResult::kOk);

  // Then the record tells the stream's format, the sound lasts two seconds
  // (within one frame) and each channel keeps its tone
  const WaveFormat head = ParseWaveFormat(record);
  EXPECT_EQ(head.formatTag, kFormatMPEGLayer3);
  EXPECT_EQ(head.samplesPerSec, uint32_t(row.rate));
  EXPECT_EQ(head.channels, row.channels);
  EXPECT_EQ(head.avgBytesPerSec, uint32_t(row.kbps * 1000 / 8));
  EXPECT_EQ(head.extraSize, kMp3ExtraSize);
  const long frameAtWorkingRate = (row.rate >= 32000 ? 1152L : 576L) * 44100 / row.rate + 1;
  EXPECT_NEAR(long(length / 4), 2 * 44100, frameAtWorkingRate);
  const std::vector<int16_t> samples = peer::ToSamples(pcm.get(), length);
  EXPECT_NEAR(peer::DominantFrequency(samples, 0), row.leftHz, row.leftHz / 100);
  EXPECT_NEAR(peer::DominantFrequency(samples, 1), row.rightHz, row.rightHz / 100);

  // And the converter, given the file as one layer under that record, opens
  // it to the same samples
  FormatRecord target = MakeFormatRecord(WorkingFormat());
  auto data = std::make_unique<uint8_t[]>(bytes.size());
  std::memcpy(data.get(), bytes.data(), bytes.size());
  uint64_t converted = bytes.size();
  CWaveConverter converter;
  ASSERT_EQ(converter.Convert(record, target, &data, &converted), ConvertResult::kOk);
  ASSERT_EQ(converted, length);
  EXPECT_EQ(0, std::memcmp(data.get(), pcm.get(), length));
}

INSTANTIATE_TEST_SUITE_P(
    Files, Mp3DecoderTest,
    testing::Values(Mp3File{"Mono48000", "0.5*sin(2*PI*1000*t)", 48000, 1, 64, 1000, 1000},
                    Mp3File{"Stereo22050", "0.5*sin(2*PI*700*t)|0.5*sin(2*PI*1300*t)", 22050, 2, 64, 700, 1300}),
    [](const testing::TestParamInfo<Mp3File>& info) { return std::string(info.param.name); });

struct NotMp3 {
  const char* name;
  std::vector<uint8_t> bytes;
};

class NotMp3Test : public testing::TestWithParam<NotMp3> {};

TEST_P(NotMp3Test, BytesWithoutFramesAreRefused) {
  const std::vector<uint8_t>& bytes = GetParam().bytes;
  FormatRecord record;
  std::unique_ptr<uint8_t[]> pcm;
  uint64_t length = 0;
  EXPECT_EQ(DescribeMp3(bytes.data(), bytes.size(), &record), ConvertResult::kFailed);
  EXPECT_EQ(DecodeMp3(bytes.data(), bytes.size(), &pcm, &length), ConvertResult::kFailed);
}

std::vector<uint8_t> Text(const std::string& text, int times) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < times; ++i) bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotMp3Test,
    testing::Values(NotMp3{"Empty", {}},
                    NotMp3{"Silence", std::vector<uint8_t>(50000, 0)},
                    NotMp3{"Text", Text("This is a letter, not a song. ", 2000)},
                    // An ID3v2 tag and nothing after it.
                    NotMp3{"TagOnly", {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 10, 'T', 'I', 'T', '2', 0, 0, 0, 2, 0, 0, 0, 'x'}}),
    [](const testing::TestParamInfo<NotMp3>& info) { return std::string(info.param.name); });

}  // namespace
