// Wave files exchanged with other programs: files that sox and ffmpeg write
// (tags that spell "data", bext chunks, streamed output whose sizes were
// never filled in) must read with their samples and tags, and files we write
// (tag trailer included) must read in sox and ffprobe with the right length,
// samples and tags.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <cstring>

#include "core/model/codec_format.h"
#include "core/model/sound.h"
#include "core/model/wave_converter.h"
#include "core/model/wave_file.h"
#include "test_support.h"

namespace {

using test_support::RunCommand;

// The raw 16-bit stereo samples of `path` as sox decodes them.
std::string SoxSamples(const std::string& path) {
  std::string raw;
  EXPECT_EQ(RunCommand("sox '" + path + "' -t raw -e signed -b 16 -c 2 -", &raw), 0);
  return raw;
}

TEST(WavePeers, FileWrittenBySoxReadsWithItsSamples) {
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("sox.wav");
  ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 '" + path + "' synth 0.25 sine 440 sine 660 2>&1"), 0);
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(ParseWaveFormat(sound.fileFormat), WorkingFormat());
  EXPECT_EQ(sound.layers[0]->length(), 11025u * 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sound.layers[0]->data()), sound.layers[0]->length()),
            SoxSamples(path));
}

TEST(WavePeers, InfoListWrittenByFfmpegGivesTheTags) {
  // ffmpeg puts a LIST/INFO chunk with INAM, ICMT and a creation date (ICRD)
  // between the fmt and data chunks.
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("tags.wav");
  ASSERT_EQ(RunCommand("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=0.1:sample_rate=44100 -ac 2 "
                       "-metadata comment='Hello there' -metadata title='A Title' -metadata date=2001 "
                       "-metadata artist=Someone '" + path + "' 2>&1"),
            0);
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers[0]->length(), 4410u * 4);
  EXPECT_EQ(sound.tags[kTagTitle], "A Title");
  EXPECT_EQ(sound.tags[kTagComments], "Hello there");
  EXPECT_EQ(sound.tags[kTagArtist], "Someone");
  EXPECT_EQ(sound.tags[kTagGenre], "(empty)");
}

// Reads `path` and checks that it gives one layer holding what sox decodes.
void ExpectOneLayerAsSoxReadsIt(const std::string& path, uint64_t frames) {
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers[0]->length(), frames * 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sound.layers[0]->data()), sound.layers[0]->length()),
            SoxSamples(path));
}

struct PeerFileCase {
  const char* name;
  std::string command;  // writes the file named by $F: 0.1 s of 44,100 Hz stereo 16-bit
  std::string title;
  std::string comment;
};

class WavePeerFileTest : public testing::TestWithParam<PeerFileCase> {};

TEST_P(WavePeerFileTest, ReadsOneLayerAndTheTags) {
  // Given a file a peer wrote
  const PeerFileCase& c = GetParam();
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("peer.wav");
  ASSERT_EQ(RunCommand("F='" + path + "'; " + c.command + " 2>&1"), 0);
  // When it is read, then it gives the samples and tags the peer wrote
  ExpectOneLayerAsSoxReadsIt(path, 4410);
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
  EXPECT_EQ(sound.tags[kTagTitle], c.title);
  EXPECT_EQ(sound.tags[kTagComments], c.comment);
}

const std::string kFfmpegTone = "ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=0.1:sample_rate=44100 -ac 2 ";

INSTANTIATE_TEST_SUITE_P(
    WavePeers, WavePeerFileTest,
    testing::Values(
        // ffmpeg's LIST/INFO chunk lies before the data: a tag reading
        // "metadata" (here the album, which we do not keep) must not become
        // a data chunk.
        PeerFileCase{"FfmpegTagsSpellingData",
                     kFfmpegTone + "-metadata album='album metadata' -metadata title='some metadata' "
                                   "-metadata comment='data about metadata' \"$F\"",
                     "some metadata", "data about metadata"},
        PeerFileCase{"FfmpegStreamedToAPipe",
                     kFfmpegTone + "-metadata album='streamed metadata' -metadata title=Streamed -f wav pipe:1 | "
                                   "cat > \"$F\"",
                     "Streamed", "(empty)"},
        PeerFileCase{"FfmpegBextDescriptionSpellingData",
                     kFfmpegTone + "-write_bext 1 -metadata description='metadata data' \"$F\"", "(empty)",
                     "(empty)"},
        PeerFileCase{"SoxStreamedToAPipe",
                     "sox -n -r 44100 -c 2 -b 16 -t wav - synth 0.1 sine 440 2>/dev/null | cat > \"$F\"", "(empty)",
                     "(empty)"}),
    [](const testing::TestParamInfo<PeerFileCase>& info) { return info.param.name; });

struct SavedFormatCase {
  const char* name;
  WaveFormat wanted;
  const char* codec;
};

class WaveSavedFormatTest : public testing::TestWithParam<SavedFormatCase> {};

TEST_P(WaveSavedFormatTest, PeersReadTheExactLengthAndTheTags) {
  // Given three seconds of working-format sound converted to the format and
  // written with its frame count and a title
  const SavedFormatCase& c = GetParam();
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("saved.wav");
  constexpr uint64_t kFrames = 3 * 44100;
  uint64_t length = kFrames * 4;
  auto data = std::make_unique<uint8_t[]>(length);
  for (uint64_t i = 0; i < length / 2; ++i)
    WriteLE16(data.get() + 2 * i, static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 0.031))));
  FormatRecord source = MakeFormatRecord(WorkingFormat());
  FormatRecord target;
  ASSERT_EQ(SuggestFormat(c.wanted, &target), ConvertResult::kOk);
  CWaveConverter converter;
  ASSERT_EQ(converter.Convert(source, target, &data, &length), ConvertResult::kOk);
  TagSet tags;
  tags.fill("(empty)");
  tags[kTagTitle] = "Saved Title";
  tags[kTagArtist] = "Someone";
  ASSERT_EQ(WriteWaveFile(target, data.get(), length, path, &tags,
                          FramesAtRate(kFrames, 44100, c.wanted.samplesPerSec)),
            WriteResult::kOk);
  // Then ffprobe reads the codec, the exact duration and the tags
  std::string probe;
  ASSERT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_name:format=duration:format_tags "
                       "-of default=nw=1 '" + path + "'", &probe),
            0);
  EXPECT_NE(probe.find(std::string("codec_name=") + c.codec), std::string::npos) << probe;
  EXPECT_NE(probe.find("duration=3.000000"), std::string::npos) << probe;
  EXPECT_NE(probe.find("TAG:title=Saved Title"), std::string::npos) << probe;
  EXPECT_NE(probe.find("TAG:artist=Someone"), std::string::npos) << probe;
  EXPECT_EQ(probe.find("(empty)"), std::string::npos) << probe;
  // And sox reads it without complaint
  std::string soxOutput;
  EXPECT_EQ(RunCommand("sox '" + path + "' -n stat 2>&1", &soxOutput), 0);
  EXPECT_EQ(soxOutput.find("WARN"), std::string::npos) << soxOutput;
  EXPECT_NE(soxOutput.find("Length (seconds):      3.0"), std::string::npos) << soxOutput;
  // And this program reads it back with the same tags
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
  EXPECT_EQ(sound.tags[kTagTitle], "Saved Title");
  EXPECT_EQ(sound.tags[kTagArtist], "Someone");
  EXPECT_EQ(sound.tags[kTagGenre], "(empty)");
}

INSTANTIATE_TEST_SUITE_P(
    WavePeers, WaveSavedFormatTest,
    testing::Values(SavedFormatCase{"ImaAdpcm", WaveFormat{kFormatIMAADPCM, 1, 22050, 0, 0, 4, 0}, "adpcm_ima_wav"},
                    SavedFormatCase{"MsAdpcm", WaveFormat{kFormatMSADPCM, 2, 44100, 0, 0, 4, 0}, "adpcm_ms"},
                    SavedFormatCase{"Gsm", WaveFormat{kFormatGSM610, 1, 8000, 0, 0, 0, 0}, "gsm_ms"},
                    SavedFormatCase{"Float", WaveFormat{kFormatIEEEFloat, 2, 44100, 0, 0, 32, 0}, "pcm_f32le"},
                    SavedFormatCase{"ALaw", WaveFormat{kFormatALaw, 1, 8000, 0, 0, 8, 0}, "pcm_alaw"},
                    SavedFormatCase{"MuLaw", WaveFormat{kFormatMuLaw, 2, 22050, 0, 0, 8, 0}, "pcm_mulaw"}),
    [](const testing::TestParamInfo<SavedFormatCase>& info) { return info.param.name; });

TEST(WavePeers, FileWeWriteWithTheTrailerReadsInSoxAndFfprobe) {
  // Given a mix-down written with the tag trailer behind the RIFF chunk
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("ours.wav");
  CSound sound;
  GeneratorParameters tone;
  tone.length = 22050;
  ASSERT_TRUE(sound.CreateGenerated(tone));
  sound.tags[kTagTitle] = "Tone";
  auto mix = sound.MixDown();
  ASSERT_EQ(WriteWaveFile(sound.fileFormat, mix.get(), sound.GetLength(), path, &sound.tags), WriteResult::kOk);
  // Then sox reads its length and samples
  std::string samples;
  ASSERT_EQ(RunCommand("sox --i -s '" + path + "' 2>/dev/null", &samples), 0);
  EXPECT_EQ(std::stoul(samples), 22050u);
  EXPECT_EQ(SoxSamples(path), std::string(reinterpret_cast<const char*>(mix.get()), sound.GetLength()));
  // And ffprobe its format and duration
  std::string probe;
  ASSERT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,duration_ts "
                       "-of default=nw=1 '" + path + "'", &probe), 0);
  EXPECT_NE(probe.find("codec_name=pcm_s16le"), std::string::npos) << probe;
  EXPECT_NE(probe.find("sample_rate=44100"), std::string::npos) << probe;
  EXPECT_NE(probe.find("channels=2"), std::string::npos) << probe;
  EXPECT_NE(probe.find("duration_ts=22050"), std::string::npos) << probe;
}

TEST(WavePeers, SavePastTheFileSizeLimitFailsAndKeepsTheOldFile) {
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("old.wav");
  test_support::WriteFileBytes(path, "old contents");
  std::vector<uint8_t> data(256 * 1024, 1);
  rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 64 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  const WriteResult result = WriteWaveFile(MakeFormatRecord(WorkingFormat()), data.data(), data.size(), path);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(result, WriteResult::kFailed);
  EXPECT_EQ(test_support::ReadFileBytes(path), "old contents");
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++files;
  EXPECT_EQ(files, 1u);
}

}  // namespace
