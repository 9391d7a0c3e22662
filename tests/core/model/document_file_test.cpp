// The layered document file: its exact bytes, a round trip of every field,
// and damaged files (cut short anywhere, absurd lengths) refused cleanly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/model/sound.h"
#include "test_support.h"

namespace {

using test_support::LE32;

const SettingsRecord& NoEnvelope() {
  static const SettingsRecord settings = [] {
    SettingsRecord s;
    s.autoCreateEnvelope = 0;
    return s;
  }();
  return settings;
}

std::unique_ptr<uint8_t[]> Bytes(const std::string& text) {
  auto data = std::make_unique<uint8_t[]>(text.size());
  std::memcpy(data.get(), text.data(), text.size());
  return data;
}

std::string LayerChunk(const std::string& name, const std::string& data, uint32_t nodeCount = 0) {
  return "LAYR" + std::string("\x01", 1) + LE32(0) + std::string("\x01", 1) + "\x66\x99\xFF" +
         std::string(1, '\0') + "\x7B\x93\xB7" + std::string(1, '\0') + LE32(static_cast<uint32_t>(name.size())) +
         name + LE32(static_cast<uint32_t>(data.size())) + LE32(0) + data + "NODS" + LE32(nodeCount);
}

std::string DefaultTags() {
  std::string tags;
  for (int i = 0; i < kTagCount; ++i) tags += LE32(7) + "(empty)";
  return tags;
}

TEST(DocumentFile, WritesTheExactBytes) {
  // Given a sound with two layers, default colours, no nodes, default tags
  test_support::TemporaryFolder folder;
  CSound sound(NoEnvelope());
  sound.AppendLayer("Layer 1", Bytes("12345678"), 8);
  sound.AppendLayer("", Bytes("ab"), 2);
  // When it is written
  ASSERT_EQ(sound.WriteDocumentFile(folder.File("a.tvf")), WriteResult::kOk);
  // Then the file is the magic, the count, the chunks and the tags
  const std::string chunk = LayerChunk("Layer 1", "12345678");
  EXPECT_EQ(chunk.size(), 53u);
  EXPECT_EQ(test_support::ReadFileBytes(folder.File("a.tvf")),
            "TVF " + LE32(2) + chunk + LayerChunk("Layer 2", "ab") + DefaultTags());
}

TEST(DocumentFile, RoundTripKeepsEveryField) {
  test_support::TemporaryFolder folder;
  CSound original(NoEnvelope());
  CSoundLayer& a = original.AppendLayer("first", Bytes("abcdefgh"), 8);
  a.offset = -12;
  a.flag = 7;
  a.envelopeOn = 0;
  a.waveColor = 0x00123456;
  a.envelopeColor = 0x00ABCDEF;
  a.nodes = {{0.25, 6}, {-1.0, 0}, {1.0, 8}};  // kept in file order
  CSoundLayer& b = original.AppendLayer("", Bytes(""), 0);
  b.name.clear();
  original.tags[kTagTitle] = "Title";
  original.tags[kTagSubject] = "";
  ASSERT_EQ(original.WriteDocumentFile(folder.File("r.tvf")), WriteResult::kOk);

  CSound copy;  // automatic envelope on: the read must replace that node
  ASSERT_EQ(copy.ReadDocumentFile(folder.File("r.tvf")), ReadResult::kOk);
  ASSERT_EQ(copy.layers.size(), 2u);
  const CSoundLayer& x = *copy.layers[0];
  EXPECT_EQ(x.name, "first");
  EXPECT_EQ(x.offset, -12);
  EXPECT_EQ(x.flag, 7);
  EXPECT_EQ(x.envelopeOn, 0);
  EXPECT_EQ(x.waveColor, 0x00123456u);
  EXPECT_EQ(x.envelopeColor, 0x00ABCDEFu);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(x.data()), 8), "abcdefgh");
  ASSERT_EQ(x.nodes.size(), 3u);
  EXPECT_EQ(x.nodes[0].level, 0.25);
  EXPECT_EQ(x.nodes[0].position, 6);
  EXPECT_EQ(x.nodes[1].position, 0);
  EXPECT_EQ(x.nodes[2].position, 8);
  EXPECT_EQ(copy.layers[1]->name, "");
  EXPECT_EQ(copy.layers[1]->length(), 0u);
  EXPECT_TRUE(copy.layers[1]->nodes.empty());
  EXPECT_EQ(copy.tags[kTagTitle], "Title");
  EXPECT_EQ(copy.tags[kTagSubject], "");
  EXPECT_EQ(copy.tags[kTagArtist], "(empty)");
  // The header fields describe the working format in a 200-byte record.
  EXPECT_EQ(copy.fileFormat.size(), 200u);
  EXPECT_EQ(ParseWaveFormat(copy.fileFormat), WorkingFormat());
  EXPECT_EQ(copy.formatSize, 18u);
  EXPECT_STREQ(copy.riffId, "RIFF");
  EXPECT_EQ(copy.riffSize, copy.GetLength());
}

TEST(DocumentFile, NodeAddedAfterAReadKeepsTheReadEnvelope) {
  // Given a document whose layer has a ramp envelope, read into a sound whose
  // new layers start with a full-level node
  test_support::TemporaryFolder folder;
  CSound original(NoEnvelope());
  original.AppendLayer("", Bytes(std::string(8000, 'x')), 8000).nodes = {{-1.0, 0}, {1.0, 4000}};
  ASSERT_EQ(original.WriteDocumentFile(folder.File("e.tvf")), WriteResult::kOk);
  CSound copy;
  ASSERT_EQ(copy.ReadDocumentFile(folder.File("e.tvf")), ReadResult::kOk);
  // When a node is added in the middle
  copy.layers[0]->AddNode(2000);
  // Then it takes the ramp's level there, not the discarded node's
  EXPECT_DOUBLE_EQ(copy.layers[0]->nodes[1].level, 0.0);
}

TEST(DocumentFile, ManyLayersAreAllRead) {
  test_support::TemporaryFolder folder;
  std::string file = "TVF " + LE32(12);
  for (int i = 0; i < 12; ++i) file += LayerChunk("", "");
  test_support::WriteFileBytes(folder.File("m.tvf"), file + DefaultTags());
  CSound sound;
  ASSERT_EQ(sound.ReadDocumentFile(folder.File("m.tvf")), ReadResult::kOk);
  EXPECT_EQ(sound.layers.size(), 12u);
  EXPECT_EQ(sound.layers[3]->name, "");
}

// Every layer is a band in the view and a ring while playing: a document of
// more layers than those can carry is refused whole, never cut.
TEST(DocumentFile, LayerCountIsHeldToWhatTheViewAndPlaybackCarry) {
  struct Case {
    uint32_t layers;
    ReadResult result;
  };
  for (const Case c : {Case{CSound::kMaximumDocumentLayers, ReadResult::kOk},
                       Case{CSound::kMaximumDocumentLayers + 1, ReadResult::kTooManyLayers}, Case{10000, ReadResult::kTooManyLayers}}) {
    test_support::TemporaryFolder folder;
    std::string file = "TVF " + LE32(c.layers);
    for (uint32_t i = 0; i < c.layers; ++i) file += LayerChunk("", "ab");
    test_support::WriteFileBytes(folder.File("m.tvf"), file + DefaultTags());
    CSound sound;
    EXPECT_EQ(sound.ReadDocumentFile(folder.File("m.tvf")), c.result) << c.layers;
    EXPECT_EQ(sound.layers.size(), c.result == ReadResult::kOk ? c.layers : 0u) << c.layers;
  }
}

// A node record as the file holds it: the level's bits, then the position.
std::string NodeRecord(double level, int64_t position) {
  std::string record(16, '\0');
  std::memcpy(record.data(), &level, 8);  // the file is little-endian, as this machine
  std::memcpy(record.data() + 8, &position, 8);
  return record;
}

TEST(DocumentFile, NodesOutsideTheirLayerOrRangeAreMovedInsideAndCounted) {
  // Given a layer of 8000 bytes whose nodes a damaged file placed anywhere
  test_support::TemporaryFolder folder;
  const std::string data(8000, '\x10');
  const std::string nodes = NodeRecord(-1.0, std::numeric_limits<int64_t>::min()) + NodeRecord(0.5, 4000) +
                            NodeRecord(std::nan(""), 6000) + NodeRecord(7.0, std::numeric_limits<int64_t>::max());
  test_support::WriteFileBytes(folder.File("n.tvf"),
                               "TVF " + LE32(1) + LayerChunk("", data, 4) + nodes + DefaultTags());
  // When it is read
  CSound sound(NoEnvelope());
  uint32_t repaired = 0;
  ASSERT_EQ(sound.ReadDocumentFile(folder.File("n.tvf"), &repaired), ReadResult::kOk);
  // Then the three impossible nodes are moved to the nearest place they
  // could have, the good one is kept, and the reader says how many moved
  EXPECT_EQ(repaired, 3u);
  const auto& read = sound.layers[0]->nodes;
  ASSERT_EQ(read.size(), 4u);
  EXPECT_EQ(read[0].position, 0);
  EXPECT_EQ(read[0].level, -1.0);
  EXPECT_EQ(read[1].position, 4000);
  EXPECT_EQ(read[2].level, 1.0);
  EXPECT_EQ(read[3].position, 8000);
  EXPECT_EQ(read[3].level, 1.0);
  // And the mix-down gives finite gains: every sample lies between silence
  // and the layer's own value
  sound.layers[0]->envelopeOn = 1;
  const std::unique_ptr<uint8_t[]> mixed = sound.MixDown();
  ASSERT_NE(mixed, nullptr);
  const uint64_t length = sound.GetLength();
  ASSERT_EQ(length, data.size());
  for (uint64_t i = 0; i + 1 < length; i += 2) {
    const int16_t sample = static_cast<int16_t>(mixed[i] | mixed[i + 1] << 8);
    ASSERT_GE(sample, 0) << i;
    ASSERT_LE(sample, 0x1010) << i;
  }
}

struct BadCase {
  const char* name;
  std::string bytes;
  ReadResult result;
};

class BadDocumentTest : public testing::TestWithParam<BadCase> {};

TEST_P(BadDocumentTest, IsRefusedWithoutLayers) {
  test_support::TemporaryFolder folder;
  test_support::WriteFileBytes(folder.File("bad.tvf"), GetParam().bytes);
  CSound sound;
  EXPECT_EQ(sound.ReadDocumentFile(folder.File("bad.tvf")), GetParam().result);
  EXPECT_TRUE(sound.layers.empty());
}

std::string WithChunk(const std::string& chunk) { return "TVF " + LE32(1) + chunk + DefaultTags(); }

INSTANTIATE_TEST_SUITE_P(
    DocumentFile, BadDocumentTest,
    testing::Values(
        BadCase{"WaveFileIsNotADocument", "RIFF" + LE32(36) + "WAVEfmt ", ReadResult::kBadDocument},
        BadCase{"Empty", "", ReadResult::kBadDocument},
        BadCase{"WrongChunkId", WithChunk("LAYX" + LayerChunk("", "").substr(4)), ReadResult::kBadDocument},
        BadCase{"WrongNodeMarker", WithChunk(LayerChunk("", "").substr(0, 39) + "NODX" + LE32(0)), ReadResult::kBadDocument},
        BadCase{"AbsurdNameLength", "TVF " + LE32(1) + "LAYR" + std::string(18, '\0') + LE32(0xFFFFFFF0u), ReadResult::kBadDocument},
        BadCase{"AbsurdDataLength",
                "TVF " + LE32(1) + "LAYR" + std::string(14, '\0') + LE32(0) + LE32(0xFFFFFFFFu) + LE32(0xFFFF), ReadResult::kBadDocument},
        BadCase{"AbsurdNodeCount", WithChunk(LayerChunk("", "").substr(0, 43) + LE32(0x7FFFFFFF)), ReadResult::kBadDocument},
        BadCase{"AbsurdLayerCount", "TVF " + LE32(0xFFFFFFFFu) + LayerChunk("", "") + DefaultTags(), ReadResult::kBadDocument},
        BadCase{"AbsurdTagLength", "TVF " + LE32(1) + LayerChunk("", "") + LE32(1000000), ReadResult::kBadDocument},
        BadCase{"NoLayers", "TVF " + LE32(0) + DefaultTags(), ReadResult::kBadDocument}),
    [](const testing::TestParamInfo<BadCase>& info) { return info.param.name; });

TEST(DocumentFile, FileCutAtAnyByteIsRefused) {
  // Given a small document with two layers and nodes
  test_support::TemporaryFolder folder;
  CSound sound(NoEnvelope());
  sound.AppendLayer("one", Bytes("abcd"), 4).nodes = {{0.5, 2}};
  sound.AppendLayer("two", Bytes("efghijkl"), 8);
  ASSERT_EQ(sound.WriteDocumentFile(folder.File("whole.tvf")), WriteResult::kOk);
  const std::string whole = test_support::ReadFileBytes(folder.File("whole.tvf"));
  // When any prefix of it is read, it is refused
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    test_support::WriteFileBytes(folder.File("cut.tvf"), whole.substr(0, cut));
    CSound reader;
    ASSERT_EQ(reader.ReadDocumentFile(folder.File("cut.tvf")), ReadResult::kBadDocument) << "cut at " << cut;
    ASSERT_TRUE(reader.layers.empty());
  }
  CSound reader;
  EXPECT_EQ(reader.ReadDocumentFile(folder.File("whole.tvf")), ReadResult::kOk);
}

TEST(DocumentFile, MissingFileCannotBeOpened) {
  CSound sound;
  EXPECT_EQ(sound.ReadDocumentFile("/nonexistent/x.tvf"), ReadResult::kNotWave);
}

TEST(DocumentFile, FailedSaveLeavesTheOldFile) {
  test_support::TemporaryFolder folder;
  CSound sound(NoEnvelope());
  sound.AppendLayer("", Bytes("abcd"), 4);
  EXPECT_EQ(sound.WriteDocumentFile("/nonexistent/folder/x.tvf"), WriteResult::kFailed);
  // A folder in place of the file: the rename fails, the folder stays.
  std::filesystem::create_directory(folder.File("taken.tvf"));
  EXPECT_EQ(sound.WriteDocumentFile(folder.File("taken.tvf")), WriteResult::kFailed);
  EXPECT_TRUE(std::filesystem::is_directory(folder.File("taken.tvf")));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++entries;
  EXPECT_EQ(entries, 1u);  // no temporary left behind
}

}  // namespace
