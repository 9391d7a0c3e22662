// Reading and writing wave files: hand-made files that show each rule of the
// scanning reader (and the damaged files it must survive), the exact bytes
// the writer produces, and the tag trailer read back.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/model/sound.h"
#include "core/model/wave_file.h"
#include "test_support.h"

namespace {

using test_support::Chunk;
using test_support::LE16;
using test_support::LE32;

// A 16-byte fmt chunk body.
std::string FmtBody(uint16_t tag = 1, uint16_t channels = 2, uint32_t rate = 44100, uint16_t bits = 16) {
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  return LE16(tag) + LE16(channels) + LE32(rate) + LE32(rate * align) + LE16(align) + LE16(bits);
}

std::string Riff(const std::string& chunks) { return "RIFF" + LE32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks; }

struct ReadCase {
  const char* name;
  std::string bytes;
  int result;
  std::vector<uint64_t> layerLengths;
  std::string title = "(empty)";
  std::string comment = "(empty)";
};

class WaveReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(WaveReadTest, ReadsLayersAndTags) {
  // Given a file with the case's bytes
  const ReadCase& c = GetParam();
  test_support::TemporaryFolder folder;
  CSound sound;
  sound.path = folder.File("in.wav");
  test_support::WriteFileBytes(sound.path, c.bytes);
  // When it is read
  EXPECT_EQ(sound.ReadWaveFile(), c.result);
  // Then it gives one layer per data chunk and the tags found
  std::vector<uint64_t> lengths;
  for (const auto& layer : sound.layers) {
    lengths.push_back(layer->length());
    EXPECT_EQ(layer->offset, 0);
  }
  EXPECT_EQ(lengths, c.layerLengths);
  EXPECT_EQ(sound.tags[kTagTitle], c.title);
  EXPECT_EQ(sound.tags[kTagComments], c.comment);
}

const std::string kFmt = Chunk("fmt ", FmtBody());
const std::string kList = Chunk("LIST", "INFO" + Chunk("INAM", std::string("Song\0", 5)) +
                                            Chunk("ICRD", std::string("2001\0", 5)) +
                                            Chunk("ICMT", std::string("hello\0", 6)));

INSTANTIATE_TEST_SUITE_P(
    WaveFile, WaveReadTest,
    testing::Values(
        ReadCase{"PlainFile", Riff(kFmt + Chunk("data", std::string(16, 'x'))), 0, {16}},
        ReadCase{"OddDataSkipsThePadByte", Riff(kFmt + Chunk("data", "abc") + Chunk("data", "wxyz")), 0, {3, 4}},
        ReadCase{"HeaderOnlyFileGivesAnEmptyLayer", Riff(kFmt + Chunk("data", "")), 0, {0}},
        ReadCase{"TwoDataChunks", Riff(kFmt + Chunk("data", "1234") + Chunk("data", "12345678")), 0, {4, 8}},
        ReadCase{"TagsInsideAListChunk", Riff(kFmt + kList + Chunk("data", "1234")), 0, {4}, "Song", "hello"},
        ReadCase{"TagWithoutNulTakesAllBytes", Riff(kFmt + Chunk("data", "1234") + Chunk("INAM", "Abcd")), 0, {4}, "Abcd"},
        ReadCase{"IdSpelledInsideAnotherChunkIsTaken",
                 Riff(kFmt + Chunk("junk", "..data" + LE32(2) + "zz..") + Chunk("data", "1234")), 0, {2, 4}},
        ReadCase{"NoDataChunk", Riff(kFmt + kList), 4, {}, "Song", "hello"},
        ReadCase{"TooShort", "RIFF" + LE32(4), 4, {}},
        ReadCase{"BigEndianRifx", "RIFX" + LE32(40) + "WAVE" + kFmt + Chunk("data", "1234"), 4, {}},
        ReadCase{"NotWave", "RIFF" + LE32(40) + "AVI " + kFmt + Chunk("data", "1234"), 4, {}},
        ReadCase{"FmtLargerThanTheFile", Riff("fmt " + LE32(1000000) + FmtBody()), 4, {}},
        ReadCase{"ChunksBeforeFmtAreWalked",
                 Riff(Chunk("bext", std::string(602, 'b')) + Chunk("JUNK", "xyz") + kList + kFmt + Chunk("data", "1234")),
                 0, {4}, "Song", "hello"},
        ReadCase{"NoFmtAnywhere", Riff(Chunk("JUNK", "xyzw") + Chunk("data", "1234")), 4, {}},
        ReadCase{"DataCutShortKeepsWholeBlocks", Riff(kFmt) + "data" + LE32(1000) + std::string(10, 'd'), 0, {8}},
        ReadCase{"AbsurdDataSizeAllocatesOnlyWhatTheFileHolds",
                 Riff(kFmt) + "data" + LE32(0xFFFFFFF0u) + std::string(6, 'd'), 0, {4}},
        ReadCase{"TagCutShortKeepsItsBytes", Riff(kFmt + Chunk("data", "1234")) + "INAM" + LE32(500) + "Part", 0,
                 {4}, "Part"},
        ReadCase{"DataIdAtTheVeryEnd", Riff(kFmt + Chunk("data", "1234")) + "data", 0, {4}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST(WaveFile, ReaderKeepsHeaderFieldsAndPadsTheFormatRecord) {
  test_support::TemporaryFolder folder;
  CSound sound;
  sound.path = folder.File("in.wav");
  test_support::WriteFileBytes(sound.path, Riff(Chunk("fmt ", FmtBody(1, 1, 22050, 8)) + Chunk("data", "ab")));
  ASSERT_EQ(sound.ReadWaveFile(), 0);
  EXPECT_STREQ(sound.riffId, "RIFF");
  EXPECT_STREQ(sound.waveId, "WAVE");
  EXPECT_EQ(sound.formatSize, 16u);
  ASSERT_EQ(sound.fileFormat.size(), 18u);  // extra-size 0 added
  const WaveFormat format = ParseWaveFormat(sound.fileFormat);
  EXPECT_EQ(format.channels, 1);
  EXPECT_EQ(format.samplesPerSec, 22050u);
  EXPECT_EQ(format.bitsPerSample, 8);
  EXPECT_EQ(format.extraSize, 0);
  EXPECT_EQ(sound.layers[0]->name, "Layer 1");
}

TEST(WaveFile, MissingFileCannotBeOpened) {
  CSound sound;
  sound.path = "/nonexistent/folder/x.wav";
  EXPECT_EQ(sound.ReadWaveFile(), kReadCannotOpen);
}

struct HeaderCase {
  const char* name;
  FormatRecord format;
  uint32_t fmtSize;
  uint32_t riffSizeForData10;
};

class WaveHeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(WaveHeaderTest, SizesFollowTheExtraSize) {
  const HeaderCase& c = GetParam();
  const std::string header = WaveFileHeader(c.format, 10);
  ASSERT_EQ(header.size(), 28 + c.fmtSize);
  EXPECT_EQ(header.substr(0, 4), "RIFF");
  EXPECT_EQ(header.substr(4, 4), LE32(c.riffSizeForData10));
  EXPECT_EQ(header.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(header.substr(16, 4), LE32(c.fmtSize));
  EXPECT_EQ(header.substr(20, c.fmtSize), std::string(c.format.begin(), c.format.begin() + c.fmtSize));
  EXPECT_EQ(header.substr(20 + c.fmtSize, 8), "data" + LE32(10));
}

INSTANTIATE_TEST_SUITE_P(
    WaveFile, WaveHeaderTest,
    testing::Values(HeaderCase{"PcmWritesSixteenBytes", MakeFormatRecord(WorkingFormat()), 16, 46},
                    HeaderCase{"MpegLayer3WritesThirty",
                               MakeFormatRecord(WaveFormat{85, 2, 44100, 16000, 1, 0, 12}, std::vector<uint8_t>(12, 7)),
                               30, 60}),
    [](const testing::TestParamInfo<HeaderCase>& info) { return info.param.name; });

TEST(WaveFile, TrailerHasNineBareSubChunks) {
  TagSet tags;
  tags.fill("(empty)");
  tags[kTagTitle] = "Song";
  const std::string trailer = WaveTagTrailer(tags);
  EXPECT_EQ(trailer.substr(0, 13), "INAM" + LE32(5) + std::string("Song\0", 5));
  EXPECT_EQ(trailer.substr(13, 16), "ICMT" + LE32(8) + std::string("(empty)\0", 8));
  EXPECT_EQ(trailer.size(), 13u + 8 * 16u);
  EXPECT_EQ(trailer.substr(trailer.size() - 16, 4), "ISBJ");
}

TEST(WaveFile, WrittenFileReadsBackWithItsTags) {
  // Given a sound written with a title tag after the RIFF chunk
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("out.wav");
  TagSet tags;
  tags.fill("(empty)");
  tags[kTagTitle] = "Abcd";
  tags[kTagSubject] = "last";
  const std::string samples = "\x01\x02\x03\x04\x05\x06\x07\x08";
  ASSERT_EQ(WriteWaveFile(MakeFormatRecord(WorkingFormat()),
                          reinterpret_cast<const uint8_t*>(samples.data()), 8, path, &tags),
            kWriteOk);
  const std::string bytes = test_support::ReadFileBytes(path);
  EXPECT_EQ(bytes.substr(4, 4), LE32(36 + 8));  // the trailer is not counted
  EXPECT_EQ(bytes.substr(44, 8), samples);
  EXPECT_EQ(bytes.substr(52, 13), "INAM" + LE32(5) + std::string("Abcd\0", 5));
  // When it is read back
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), 0);
  // Then it has its layer and tags
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sound.layers[0]->data()), 8), samples);
  EXPECT_EQ(sound.tags[kTagTitle], "Abcd");
  EXPECT_EQ(sound.tags[kTagSubject], "last");
  EXPECT_EQ(sound.tags[kTagArtist], "(empty)");
}

TEST(WaveFile, FailedSaveLeavesTheOldFile) {
  // Given an existing file in a folder we may no longer write to
  if (::geteuid() == 0) {
    // root ignores folder permissions: use a path whose folder does not exist
    EXPECT_EQ(WriteWaveFile(MakeFormatRecord(WorkingFormat()), nullptr, 0, "/nonexistent/dir/x.wav"), kWriteFailed);
    return;
  }
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("old.wav");
  test_support::WriteFileBytes(path, "old contents");
  ::chmod(folder.path().c_str(), 0500);
  const uint8_t data[4] = {1, 2, 3, 4};
  EXPECT_EQ(WriteWaveFile(MakeFormatRecord(WorkingFormat()), data, 4, path), kWriteFailed);
  EXPECT_EQ(test_support::ReadFileBytes(path), "old contents");
}

TEST(WaveFile, SaveReplacesTheOldFileAndLeavesNoTemporary) {
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("x.wav");
  test_support::WriteFileBytes(path, "old contents");
  const uint8_t data[4] = {1, 2, 3, 4};
  ASSERT_EQ(WriteWaveFile(MakeFormatRecord(WorkingFormat()), data, 4, path), kWriteOk);
  EXPECT_EQ(test_support::ReadFileBytes(path).size(), 48u);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++files;
  EXPECT_EQ(files, 1u);
}

}  // namespace
