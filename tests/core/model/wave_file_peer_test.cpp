// Wave files exchanged with other programs: files that sox and ffmpeg write
// must read with their samples and tags, and files we write (tag trailer
// included) must read in sox and ffprobe with the right length and samples.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstring>

#include "core/model/sound.h"
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
  ASSERT_EQ(sound.ReadWaveFile(), 0);
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
  ASSERT_EQ(sound.ReadWaveFile(), 0);
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers[0]->length(), 4410u * 4);
  EXPECT_EQ(sound.tags[kTagTitle], "A Title");
  EXPECT_EQ(sound.tags[kTagComments], "Hello there");
  EXPECT_EQ(sound.tags[kTagArtist], "Someone");
  EXPECT_EQ(sound.tags[kTagGenre], "(empty)");
}

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
  ASSERT_EQ(WriteWaveFile(sound.fileFormat, mix.get(), sound.GetLength(), path, &sound.tags), kWriteOk);
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
  const int result = WriteWaveFile(MakeFormatRecord(WorkingFormat()), data.data(), data.size(), path);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(result, kWriteFailed);
  EXPECT_EQ(test_support::ReadFileBytes(path), "old contents");
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++files;
  EXPECT_EQ(files, 1u);
}

}  // namespace
