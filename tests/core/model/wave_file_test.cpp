// Reading and writing wave files: hand-made files that show each rule of the
// reader's chunk walk and of the scan it falls back to (and the damaged files
// they must survive), the exact bytes the writer produces, and the tags read
// back from the LIST chunk and the trailer.
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
  ReadResult result;
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
        ReadCase{"PlainFile", Riff(kFmt + Chunk("data", std::string(16, 'x'))), ReadResult::kOk, {16}},
        ReadCase{"OddDataSkipsThePadByte", Riff(kFmt + Chunk("data", "abc") + Chunk("data", "wxyz")), ReadResult::kOk, {3, 4}},
        ReadCase{"HeaderOnlyFileGivesAnEmptyLayer", Riff(kFmt + Chunk("data", "")), ReadResult::kOk, {0}},
        ReadCase{"TwoDataChunks", Riff(kFmt + Chunk("data", "1234") + Chunk("data", "12345678")), ReadResult::kOk, {4, 8}},
        ReadCase{"TagsInsideAListChunk", Riff(kFmt + kList + Chunk("data", "1234")), ReadResult::kOk, {4}, "Song", "hello"},
        ReadCase{"TagWithoutNulTakesAllBytes", Riff(kFmt + Chunk("data", "1234") + Chunk("INAM", "Abcd")), ReadResult::kOk, {4}, "Abcd"},
        // The chunks are walked by their sizes: bytes inside a chunk that
        // spell an id are its content, not a chunk.
        ReadCase{"IdSpelledInsideAnotherChunkIsSkipped",
                 Riff(kFmt + Chunk("junk", "..data" + LE32(2) + "zz..") + Chunk("data", "1234")), ReadResult::kOk, {4}},
        // An INFO text we do not keep (here the album) is walked over too.
        ReadCase{"TagTextSpellingDataIsNoChunk",
                 Riff(kFmt + Chunk("LIST", "INFO" + Chunk("IPRD", std::string("my metadata\0", 12)) +
                                               Chunk("INAM", std::string("Song\0", 5))) +
                      Chunk("data", "12345678")),
                 ReadResult::kOk, {8}, "Song"},
        ReadCase{"OddChunkBeforeDataKeepsItsPadByte",
                 Riff(kFmt + Chunk("bext", "xdata" + LE32(1) + "qq") + Chunk("data", "1234")), ReadResult::kOk, {4}},
        ReadCase{"RiffSizeZeroWalksToTheEnd",
                 "RIFF" + LE32(0) + "WAVE" + kFmt +
                     Chunk("LIST", "INFO" + Chunk("IPRD", std::string("metadata\0", 9)) +
                                       Chunk("ICMT", std::string("note\0", 5))) +
                     Chunk("data", "12345678"),
                 ReadResult::kOk, {8}, "(empty)", "note"},
        ReadCase{"StreamedSizesTakeTheDataToTheEnd",
                 "RIFF" + LE32(0xFFFFFFFFu) + "WAVE" + kFmt +
                     Chunk("LIST", "INFO" + Chunk("ICRD", std::string("metadata\0", 9))) + "data" +
                     LE32(0xFFFFFFFFu) + std::string(10, 'd'),
                 ReadResult::kOk, {8}},
        ReadCase{"InfoSubChunkWithoutItsPadByte",
                 Riff(kFmt + Chunk("LIST", "INFO" + Chunk("INAM", "abc", false) + Chunk("ICMT", std::string("de\0", 3))) +
                      Chunk("data", "1234")),
                 ReadResult::kOk, {4}, "abc", "de"},
        ReadCase{"InfoListOfAnotherKindIsSkipped",
                 Riff(kFmt + Chunk("LIST", "adtl" + Chunk("labl", "data" + LE32(2) + "zz")) + Chunk("data", "1234")),
                 ReadResult::kOk, {4}},
        // Where the walk cannot go on, the scan takes over.
        ReadCase{"TrailerBehindOddDataWithoutPad",
                 "RIFF" + LE32(36 + 3) + "WAVE" + kFmt + "data" + LE32(3) + "abc" + Chunk("INAM", std::string("Old\0", 4)) +
                     Chunk("ICMT", std::string("x\0", 2)),
                 ReadResult::kOk, {3}, "Old", "x"},
        ReadCase{"UnprintableChunkIdIsScanned",
                 Riff(kFmt + std::string("\x01\x02\x03\x04", 4) + LE32(2) + "zz" + Chunk("data", "1234")), ReadResult::kOk, {4}},
        ReadCase{"ChunkLargerThanTheFileIsScanned",
                 Riff(kFmt + "LIST" + LE32(1000) + "INFO" + Chunk("INAM", std::string("Cut\0", 4)) +
                      Chunk("data", "1234")),
                 ReadResult::kOk, {4}, "Cut"},
        ReadCase{"RiffSizeBelowTheChunksScansTheRest",
                 "RIFF" + LE32(4 + 24) + "WAVE" + kFmt + Chunk("JUNK", "ab") + Chunk("data", "1234"), ReadResult::kOk, {4}},
        ReadCase{"NoDataChunk", Riff(kFmt + kList), ReadResult::kNotWave, {}, "Song", "hello"},
        ReadCase{"TooShort", "RIFF" + LE32(4), ReadResult::kNotWave, {}},
        ReadCase{"BigEndianRifx", "RIFX" + LE32(40) + "WAVE" + kFmt + Chunk("data", "1234"), ReadResult::kNotWave, {}},
        ReadCase{"NotWave", "RIFF" + LE32(40) + "AVI " + kFmt + Chunk("data", "1234"), ReadResult::kNotWave, {}},
        ReadCase{"FmtLargerThanTheFile", Riff("fmt " + LE32(1000000) + FmtBody()), ReadResult::kNotWave, {}},
        ReadCase{"ChunksBeforeFmtAreWalked",
                 Riff(Chunk("bext", std::string(602, 'b')) + Chunk("JUNK", "xyz") + kList + kFmt + Chunk("data", "1234")),
                 ReadResult::kOk, {4}, "Song", "hello"},
        ReadCase{"NoFmtAnywhere", Riff(Chunk("JUNK", "xyzw") + Chunk("data", "1234")), ReadResult::kNotWave, {}},
        ReadCase{"DataCutShortKeepsWholeBlocks", Riff(kFmt) + "data" + LE32(1000) + std::string(10, 'd'), ReadResult::kOk, {8}},
        ReadCase{"AbsurdDataSizeAllocatesOnlyWhatTheFileHolds",
                 Riff(kFmt) + "data" + LE32(0xFFFFFFF0u) + std::string(6, 'd'), ReadResult::kOk, {4}},
        ReadCase{"TagCutShortKeepsItsBytes", Riff(kFmt + Chunk("data", "1234")) + "INAM" + LE32(500) + "Part", ReadResult::kOk,
                 {4}, "Part"},
        ReadCase{"DataIdAtTheVeryEnd", Riff(kFmt + Chunk("data", "1234")) + "data", ReadResult::kOk, {4}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

// A sound holds ten layers; the data chunks after the tenth follow on in the
// last layer, in file order. Many small chunks behind a large one are joined
// once, not one copy of the growing layer per chunk (which took hours).
TEST(WaveFile, DataChunksBeyondTheTenthFollowOnInTheLastLayer) {
  struct Case {
    const char* name;
    std::string tenth;       // the tenth chunk's bytes
    std::string following;   // the bytes of each chunk after it
    int followingCount;
  };
  const Case cases[] = {
      {"ThreeMoreChunks", "tenth...", "more", 3},
      {"EmptyChunksAddNothing", "tenth...", "", 5},
      {"ManySmallChunksBehindALargeOne", std::string(4 << 20, 'L'), "s", 60000},
  };
  for (const Case& c : cases) {
    std::string chunks = kFmt;
    for (int i = 0; i < 9; ++i) chunks += Chunk("data", std::string(4, static_cast<char>('0' + i)));
    chunks += Chunk("data", c.tenth);
    std::string expected = c.tenth;
    for (int i = 0; i < c.followingCount; ++i) {
      chunks += Chunk("data", c.following);
      expected += c.following;
    }
    test_support::TemporaryFolder folder;
    CSound sound;
    sound.path = folder.File("many.wav");
    test_support::WriteFileBytes(sound.path, Riff(chunks));
    ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk) << c.name;
    ASSERT_EQ(sound.layers.size(), CSound::kMaximumLayers) << c.name;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sound.layers[8]->data()), 4), "8888") << c.name;
    const CSoundLayer& last = *sound.layers.back();
    ASSERT_EQ(last.length(), expected.size()) << c.name;
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(last.data()), last.length()) == expected) << c.name;
  }
}

TEST(WaveFile, ReaderKeepsHeaderFieldsAndPadsTheFormatRecord) {
  test_support::TemporaryFolder folder;
  CSound sound;
  sound.path = folder.File("in.wav");
  test_support::WriteFileBytes(sound.path, Riff(Chunk("fmt ", FmtBody(1, 1, 22050, 8)) + Chunk("data", "ab")));
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
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
  EXPECT_EQ(sound.ReadWaveFile(), ReadResult::kCannotOpen);
}

struct HeaderCase {
  const char* name;
  FormatRecord format;
  uint64_t dataLength;
  uint32_t fmtSize;
  uint32_t riffSize;
  int64_t factFrames;  // -1: no fact chunk
};

class WaveHeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(WaveHeaderTest, SizesFollowTheFormat) {
  // Given a format and a data length, when the header is made
  const HeaderCase& c = GetParam();
  const std::string header = WaveFileHeader(c.format, c.dataLength);
  // Then fmt holds F bytes of the record, a fact chunk counts the frames of
  // every format but PCM, and the RIFF size counts the data's pad byte
  const size_t factSize = c.factFrames < 0 ? 0 : 12;
  ASSERT_EQ(header.size(), 28 + c.fmtSize + factSize);
  EXPECT_EQ(header.substr(0, 4), "RIFF");
  EXPECT_EQ(header.substr(4, 4), LE32(c.riffSize));
  EXPECT_EQ(header.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(header.substr(16, 4), LE32(c.fmtSize));
  FormatRecord padded = c.format;
  padded.resize(c.fmtSize, 0);
  EXPECT_EQ(header.substr(20, c.fmtSize), std::string(padded.begin(), padded.end()));
  if (c.factFrames >= 0) {
    EXPECT_EQ(header.substr(20 + c.fmtSize, 12), "fact" + LE32(4) + LE32(static_cast<uint32_t>(c.factFrames)));
  }
  EXPECT_EQ(header.substr(20 + c.fmtSize + factSize, 8), "data" + LE32(static_cast<uint32_t>(c.dataLength)));
}

FormatRecord ImaAdpcmMono22050() {
  return MakeFormatRecord(WaveFormat{kFormatIMAADPCM, 1, 22050, 11100, 512, 4, 2}, {0xF9, 0x03});  // 1017 per block
}

FormatRecord ExtensibleRecord(uint16_t subFormat) {
  std::vector<uint8_t> extra(22, 0);
  extra[0] = 16;    // valid bits
  extra[2] = 0x03;  // channel mask: front left and right
  extra[6] = static_cast<uint8_t>(subFormat);
  return MakeFormatRecord(WaveFormat{kFormatExtensible, 2, 44100, 176400, 4, 16, 22}, extra);
}

INSTANTIATE_TEST_SUITE_P(
    WaveFile, WaveHeaderTest,
    testing::Values(
        HeaderCase{"PcmWritesSixteenBytes", MakeFormatRecord(WorkingFormat()), 10, 16, 46, -1},
        HeaderCase{"OddPcmDataCountsItsPadByte", MakeFormatRecord(WaveFormat{1, 1, 8000, 8000, 1, 8, 0}), 11, 16,
                   48, -1},
        HeaderCase{"MpegLayer3WritesThirty",
                   MakeFormatRecord(WaveFormat{85, 2, 44100, 16000, 1, 0, 12}, std::vector<uint8_t>(12, 7)), 16000, 30,
                   4 + 38 + 12 + 8 + 16000, 44100},
        HeaderCase{"FloatWritesEighteenAndFact", MakeFormatRecord(WaveFormat{kFormatIEEEFloat, 2, 44100, 352800, 8, 32, 0}),
                   80, 18, 4 + 26 + 12 + 8 + 80, 10},
        HeaderCase{"ALawWritesEighteenAndFact", MakeFormatRecord(WaveFormat{kFormatALaw, 1, 8000, 8000, 1, 8, 0}), 10,
                   18, 4 + 26 + 12 + 8 + 10, 10},
        HeaderCase{"MuLawWritesEighteenAndFact", MakeFormatRecord(WaveFormat{kFormatMuLaw, 1, 8000, 8000, 1, 8, 0}), 9,
                   18, 4 + 26 + 12 + 8 + 10, 9},
        HeaderCase{"ImaAdpcmCountsWholeBlocks", ImaAdpcmMono22050(), 1024, 20, 4 + 28 + 12 + 8 + 1024, 2 * 1017},
        HeaderCase{"ExtensiblePcmHasNoFact", ExtensibleRecord(kFormatPCM), 8, 40, 4 + 48 + 8 + 8, -1},
        HeaderCase{"ExtensibleFloatHasFact", ExtensibleRecord(kFormatIEEEFloat), 8, 40, 4 + 48 + 12 + 8 + 8, 2}),
    [](const testing::TestParamInfo<HeaderCase>& info) { return info.param.name; });

TEST(WaveFile, FactHoldsTheFramesTheCallerGives) {
  // A codec pads its last block with silence: the caller knows the frames
  // the sound really has.
  const std::string header = WaveFileHeader(ImaAdpcmMono22050(), 1024, nullptr, 1500);
  EXPECT_EQ(header.substr(40, 12), "fact" + LE32(4) + LE32(1500));
  EXPECT_EQ(FramesAtRate(132300, 44100, 22050), 66150u);
  EXPECT_EQ(FramesAtRate(3, 44100, 8000), 1u);  // 0.54 rounds up
  EXPECT_EQ(FramesAtRate(0xFFFFFFFFull, 44100, 48000), 4674794335ull);
}

struct TooLargeCase {
  const char* name;
  uint64_t length;
  bool tags;
  bool fits;
};

class WaveTooLargeTest : public testing::TestWithParam<TooLargeCase> {};

TEST_P(WaveTooLargeTest, RiffSizeMustNotWrap) {
  // Given a data length near the 32-bit limit of the RIFF size, and an old
  // file at the target
  const TooLargeCase& c = GetParam();
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("big.wav");
  test_support::WriteFileBytes(path, "old contents");
  TagSet tags;
  tags.fill("(empty)");
  tags[kTagTitle] = "Big";
  const FormatRecord pcm = MakeFormatRecord(WorkingFormat());
  // When the header is made
  const std::string header = WaveFileHeader(pcm, c.length, c.tags ? &tags : nullptr);
  // Then it is made only when its sizes fit, and otherwise the save is
  // refused before anything is written (the data are never touched)
  EXPECT_EQ(header.empty(), !c.fits);
  if (c.fits) {
    EXPECT_EQ(ReadLE32(reinterpret_cast<const uint8_t*>(header.data()) + 4), 0xFFFFFFFEu);
    return;
  }
  const uint8_t oneByte = 0;
  EXPECT_EQ(WriteWaveFile(pcm, &oneByte, c.length, path, c.tags ? &tags : nullptr), WriteResult::kTooLarge);
  EXPECT_EQ(test_support::ReadFileBytes(path), "old contents");
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++files;
  EXPECT_EQ(files, 1u);
}

INSTANTIATE_TEST_SUITE_P(WaveFile, WaveTooLargeTest,
                         testing::Values(TooLargeCase{"NearFourGiB", 0xFFFFFFF0u, false, false},
                                         TooLargeCase{"LargestThatFits", 0xFFFFFFFEu - 36, false, true},
                                         TooLargeCase{"OddLengthWhosePadByteOverflows", 0xFFFFFFFFu - 36, false, false},
                                         TooLargeCase{"TagsTipItOver", 0xFFFFFFFEu - 36, true, false},
                                         TooLargeCase{"BeyondThirtyTwoBits", 0x100000010ull, false, false}),
                         [](const testing::TestParamInfo<TooLargeCase>& info) { return info.param.name; });

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
  // Given a sound written with a title and a subject tag
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("out.wav");
  TagSet tags;
  tags.fill("(empty)");
  tags[kTagTitle] = "Abcd";
  tags[kTagSubject] = "last";
  const std::string samples = "\x01\x02\x03\x04\x05\x06\x07\x08";
  ASSERT_EQ(WriteWaveFile(MakeFormatRecord(WorkingFormat()),
                          reinterpret_cast<const uint8_t*>(samples.data()), 8, path, &tags),
            WriteResult::kOk);
  // Then the set tags lie in a LIST/INFO chunk inside the RIFF chunk, and
  // all nine in the trailer behind it, which the RIFF size does not count
  const std::string bytes = test_support::ReadFileBytes(path);
  const std::string list = "LIST" + LE32(4 + 14 + 14) + "INFO" + "INAM" + LE32(5) + std::string("Abcd\0\0", 6) +
                           "ISBJ" + LE32(5) + std::string("last\0\0", 6);
  EXPECT_EQ(bytes.substr(36, list.size()), list);
  EXPECT_EQ(bytes.substr(36 + list.size(), 16), "data" + LE32(8) + samples);
  const std::string trailer = WaveTagTrailer(tags);
  EXPECT_EQ(bytes.substr(4, 4), LE32(static_cast<uint32_t>(bytes.size() - 8 - trailer.size())));
  EXPECT_EQ(bytes.substr(bytes.size() - trailer.size()), trailer);
  // When it is read back
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
  // Then it has its layer and tags
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sound.layers[0]->data()), 8), samples);
  EXPECT_EQ(sound.tags[kTagTitle], "Abcd");
  EXPECT_EQ(sound.tags[kTagSubject], "last");
  EXPECT_EQ(sound.tags[kTagArtist], "(empty)");
}

TEST(WaveFile, OddDataIsPaddedBeforeTheTrailer) {
  // Given three bytes of 8-bit mono written with the tags
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("odd.wav");
  TagSet tags;
  tags.fill("(empty)");
  tags[kTagComments] = "odd";
  const uint8_t data[3] = {1, 2, 3};
  ASSERT_EQ(WriteWaveFile(MakeFormatRecord(WaveFormat{1, 1, 8000, 8000, 1, 8, 0}), data, 3, path, &tags), WriteResult::kOk);
  // Then the pad byte ends the RIFF chunk, and the file reads back whole
  const std::string bytes = test_support::ReadFileBytes(path);
  const uint32_t riffEnd = 8 + ReadLE32(reinterpret_cast<const uint8_t*>(bytes.data()) + 4);
  EXPECT_EQ(bytes.substr(riffEnd - 4, 5), std::string("\x01\x02\x03\0", 4) + "I");
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers[0]->length(), 3u);
  EXPECT_EQ(sound.tags[kTagComments], "odd");
}

TEST(WaveFile, FailedSaveLeavesTheOldFile) {
  // Given an existing file in a folder we may no longer write to
  if (::geteuid() == 0) {
    // root ignores folder permissions: use a path whose folder does not exist
    EXPECT_EQ(WriteWaveFile(MakeFormatRecord(WorkingFormat()), nullptr, 0, "/nonexistent/dir/x.wav"), WriteResult::kFailed);
    return;
  }
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("old.wav");
  test_support::WriteFileBytes(path, "old contents");
  ::chmod(folder.path().c_str(), 0500);
  const uint8_t data[4] = {1, 2, 3, 4};
  EXPECT_EQ(WriteWaveFile(MakeFormatRecord(WorkingFormat()), data, 4, path), WriteResult::kFailed);
  EXPECT_EQ(test_support::ReadFileBytes(path), "old contents");
}

TEST(WaveFile, SaveReplacesTheOldFileAndLeavesNoTemporary) {
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("x.wav");
  test_support::WriteFileBytes(path, "old contents");
  const uint8_t data[4] = {1, 2, 3, 4};
  ASSERT_EQ(WriteWaveFile(MakeFormatRecord(WorkingFormat()), data, 4, path), WriteResult::kOk);
  EXPECT_EQ(test_support::ReadFileBytes(path).size(), 48u);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++files;
  EXPECT_EQ(files, 1u);
}

}  // namespace
