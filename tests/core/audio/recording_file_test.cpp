// The recording file: a unique "REC" file that goes with its owner, appends,
// emptying for a new recording, and reading the whole file back in pieces
// (each piece going on where the last really ended, whatever the length).
#include "core/audio/recording_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "test_support.h"

namespace {

TEST(RecordingFileTest, IsMadeEmptyInTheFolderAndDeletedWithItsOwner) {
  test_support::TemporaryFolder folder;
  std::unique_ptr<RecordingFile> file, other;
  ASSERT_TRUE(RecordingFile::Create(folder.path().string(), &file));
  ASSERT_TRUE(RecordingFile::Create(folder.path().string(), &other));
  const std::filesystem::path path(file->path());
  EXPECT_EQ(path.parent_path(), folder.path());
  EXPECT_EQ(path.filename().string().substr(0, 3), "REC");
  EXPECT_NE(file->path(), other->path());
  EXPECT_EQ(file->Length(), 0u);
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  ASSERT_TRUE(file->Append(bytes, 5));
  ASSERT_TRUE(file->Append(bytes, 2));
  EXPECT_EQ(file->Length(), 7u);
  ASSERT_TRUE(file->Truncate());
  EXPECT_EQ(file->Length(), 0u);
  ASSERT_TRUE(file->Append(bytes + 3, 2));
  uint8_t back[2] = {};
  EXPECT_EQ(file->ReadAt(0, back, 2), 2);
  EXPECT_EQ(back[0], 4);
  file.reset();
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(RecordingFile::Create((folder.path() / "missing").string(), &file));
}

struct ReadAllCase {
  const char* name;
  uint64_t fileBytes;
  uint64_t askedBytes;
};

class RecordingFileReadAllTest : public testing::TestWithParam<ReadAllCase> {};

TEST_P(RecordingFileReadAllTest, ReadsEveryByteInPieces) {
  constexpr size_t kPiece = 1000;
  const ReadAllCase& c = GetParam();
  test_support::TemporaryFolder folder;
  std::unique_ptr<RecordingFile> file;
  ASSERT_TRUE(RecordingFile::Create(folder.path().string(), &file));
  std::vector<uint8_t> written(c.fileBytes);
  for (size_t i = 0; i < written.size(); ++i) written[i] = static_cast<uint8_t>(i * 13 + i / 256);
  ASSERT_TRUE(file->Append(written.data(), written.size()));
  std::vector<uint8_t> read(c.askedBytes + 1, 0xEE);
  std::vector<uint64_t> progress;
  const uint64_t got = file->ReadAll(read.data(), c.askedBytes, kPiece, [&](uint64_t done) { progress.push_back(done); });
  const uint64_t expected = std::min(c.fileBytes, c.askedBytes);
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(std::equal(written.begin(), written.begin() + static_cast<long>(expected), read.begin()));
  EXPECT_EQ(read[c.askedBytes], 0xEE) << "nothing written past the room given";
  EXPECT_EQ(progress.size(), (expected + kPiece - 1) / kPiece);
  if (!progress.empty()) {
    EXPECT_EQ(progress.back(), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordingFileReadAllTest,
                         testing::Values(ReadAllCase{"Empty", 0, 0}, ReadAllCase{"LessThanAPiece", 3, 3},
                                         ReadAllCase{"OnePiece", 1000, 1000},
                                         ReadAllCase{"PiecesAndARest", 2503, 2503},
                                         ReadAllCase{"FileShorterThanAsked", 1500, 4000},
                                         ReadAllCase{"RoomShorterThanTheFile", 4000, 1500}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
