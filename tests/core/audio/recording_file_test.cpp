// The recording file: a unique "REC" file that goes with its owner, appends,
// emptying for a new recording, reading the whole file back in pieces (each
// piece going on where the last really ended, whatever the length), and
// appends that the disk refuses part way, which must leave whole frames only.
#include "core/audio/recording_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <ostream>
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
  const uint64_t got = file->ReadAll(read.data(), c.askedBytes, kPiece, [&](uint64_t done) {
    progress.push_back(done);
    return true;
  });
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

TEST(RecordingFileTest, ReadAllStopsWhenAskedTo) {
  test_support::TemporaryFolder folder;
  std::unique_ptr<RecordingFile> file;
  ASSERT_TRUE(RecordingFile::Create(folder.path().string(), &file));
  const std::vector<uint8_t> written(5000, 7);
  ASSERT_TRUE(file->Append(written.data(), written.size()));
  std::vector<uint8_t> read(5000);
  EXPECT_EQ(file->ReadAll(read.data(), read.size(), 1000, [](uint64_t done) { return done < 2000; }), 2000u);
}

// What the injected calls do. One test thread at a time uses them.
struct WriteInjection {
  int failAt = 0;          // the n-th write takes only `partial` bytes (when > 0) and the next one fails,
                           // or fails itself (when 0)
  size_t partial = 0;
  bool truncateFails = false;
  int writes = 0;          // writes so far
};
WriteInjection g_injection;

ssize_t InjectedPwrite(int fd, const void* bytes, size_t size, off_t offset) {
  const int n = ++g_injection.writes;
  const bool partialNow = n == g_injection.failAt && g_injection.partial > 0;
  const bool failNow = n == (g_injection.partial > 0 ? g_injection.failAt + 1 : g_injection.failAt);
  if (failNow) {
    errno = ENOSPC;
    return -1;
  }
  if (partialNow) size = std::min(size, g_injection.partial);
  return ::pwrite(fd, bytes, size, offset);
}
int InjectedFtruncate(int fd, off_t length) {
  if (g_injection.truncateFails) {
    errno = EIO;
    return -1;
  }
  return ::ftruncate(fd, length);
}
constexpr RecordingFileCalls kInjectedCalls{InjectedPwrite, InjectedFtruncate, ::pread};

struct FailedAppendCase {
  const char* name;
  size_t partial;       // bytes of the failing append that reach the disk
  bool truncateFails;   // the cut back to the last whole frame fails as well
  uint64_t kept;        // bytes of the failing append the recording keeps
};

void PrintTo(const FailedAppendCase& c, std::ostream* out) { *out << c.name; }

class RecordingFileFailedAppendTest : public testing::TestWithParam<FailedAppendCase> {
 protected:
  void SetUp() override { m_real = RecordingFile::UseSystemCalls(&kInjectedCalls); }
  void TearDown() override { RecordingFile::UseSystemCalls(m_real); }
  const RecordingFileCalls* m_real = nullptr;
};

TEST_P(RecordingFileFailedAppendTest, KeepsWholeFramesAndGoesOnFromTheLastOne) {
  const FailedAppendCase& c = GetParam();
  test_support::TemporaryFolder folder;
  std::unique_ptr<RecordingFile> file;
  ASSERT_TRUE(RecordingFile::Create(folder.path().string(), &file));
  std::vector<uint8_t> stream(64);
  for (size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<uint8_t>(i + 1);
  // Given two frames recorded
  g_injection = WriteInjection{2, c.partial, c.truncateFails};
  ASSERT_TRUE(file->Append(stream.data(), 8));
  // When the disk refuses the next append of four frames part way
  EXPECT_FALSE(file->Append(stream.data() + 8, 16));
  // Then the recording ends on its last whole frame
  EXPECT_EQ(file->Length(), 8 + c.kept);
  if (!c.truncateFails) {
    EXPECT_EQ(std::filesystem::file_size(file->path()), 8 + c.kept) << "the part frame is cut off the file";
  }
  // And once the disk takes bytes again, the next frames follow it directly
  g_injection.truncateFails = false;
  ASSERT_TRUE(file->Append(stream.data() + 24, 8));
  EXPECT_EQ(file->Length(), 16 + c.kept);
  std::vector<uint8_t> expected(stream.begin(), stream.begin() + static_cast<long>(8 + c.kept));
  expected.insert(expected.end(), stream.begin() + 24, stream.begin() + 32);
  std::vector<uint8_t> read(expected.size() + 4, 0);
  EXPECT_EQ(file->ReadAll(read.data(), read.size(), 1000), expected.size());
  read.resize(expected.size());
  EXPECT_EQ(read, expected);
  EXPECT_EQ(std::filesystem::file_size(file->path()) % RecordingFile::kFrameBytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordingFileFailedAppendTest,
                         testing::Values(FailedAppendCase{"NothingReachesTheDisk", 0, false, 0},
                                         FailedAppendCase{"LessThanAFrame", 3, false, 0},
                                         FailedAppendCase{"AFrameAndAHalf", 6, false, 4},
                                         FailedAppendCase{"ThreeFramesAndAByte", 13, false, 12},
                                         FailedAppendCase{"ThePartFrameCannotBeCutOff", 6, true, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
