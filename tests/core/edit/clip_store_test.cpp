// The clipboard manager's store: clip files as they are written, the list
// of at most 24 clips with its selection, Remove and Clear All taking files
// with their rows, foreign wave files coming back in the working format,
// no clip file outliving the store, and the clips of a killed run cleaned
// up without touching anything else.
#include "core/edit/clip_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/edit/clip_columns.h"
#include "core/model/wave_converter_peer_util.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using test_support::LE16;
using test_support::LE32;
using namespace std::string_literals;

std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

size_t FilesIn(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::string ExpectedHeader(uint32_t n) {
  return "RIFF" + LE32(n + 36) + "WAVE" + "fmt " + LE32(16) + LE16(1) + LE16(2) + LE32(44100) +
         LE32(176400) + LE16(4) + LE16(16) + "data" + LE32(n);
}

class ClipStoreTest : public ::testing::Test {
 protected:
  test_support::TemporaryFolder folder;
};

TEST_F(ClipStoreTest, CopyOfNBytesMakesFileOfNPlus44WithCanonicalHeader) {
  for (const size_t n : {size_t{0}, size_t{3}, size_t{4000}}) {
    SCOPED_TRACE(n);
    CClipStore store(folder.path().string());
    const std::vector<uint8_t> bytes = Pattern(n, 11);
    ASSERT_TRUE(store.AddClip(bytes.data(), n));
    ASSERT_EQ(store.size(), 1u);
    const ClipRow& row = store.rows()[0];
    EXPECT_EQ(row.byteCount, n);
    EXPECT_EQ(fs::path(row.path).parent_path(), folder.path());
    EXPECT_EQ(fs::path(row.path).filename().string().rfind("SDF", 0), 0u) << row.path;

    const std::string file = test_support::ReadFileBytes(row.path);
    ASSERT_EQ(file.size(), n + 44);
    EXPECT_EQ(file.substr(0, 44), ExpectedHeader(static_cast<uint32_t>(n)));
    EXPECT_EQ(file.substr(44), std::string(bytes.begin(), bytes.end()));

    // A copied clip is already in the working format: it comes back as it went in.
    std::unique_ptr<uint8_t[]> data;
    uint64_t length = 99;
    ASSERT_EQ(store.GetClip(0, &data, &length), ClipResult::kOk);
    ASSERT_EQ(length, n);
    if (n > 0) {
      EXPECT_EQ(std::vector<uint8_t>(data.get(), data.get() + n), bytes);
    }
  }
}

TEST_F(ClipStoreTest, TwentyFifthClipPushesOldestOutWithItsFile) {
  CClipStore store(folder.path().string());
  std::vector<std::string> paths;
  for (int i = 0; i < 24; ++i) {
    const std::vector<uint8_t> bytes = Pattern(8, static_cast<uint8_t>(i));
    ASSERT_TRUE(store.AddClip(bytes.data(), bytes.size()));
    paths.push_back(store.rows()[0].path);
  }
  ASSERT_EQ(store.size(), 24u);
  store.Select(5);

  const std::vector<uint8_t> newest = Pattern(8, 200);
  ASSERT_TRUE(store.AddClip(newest.data(), newest.size()));

  EXPECT_EQ(store.size(), 24u);
  EXPECT_EQ(FilesIn(folder.path()), 24u);
  EXPECT_FALSE(fs::exists(paths.front())) << "the oldest clip's file stays behind";
  EXPECT_EQ(store.rows().back().path, paths[1]);
  EXPECT_EQ(store.rows()[0].number, 25);
  EXPECT_EQ(store.selected(), 0);
  // Every clip got a file of its own.
  for (size_t i = 1; i < paths.size(); ++i) EXPECT_NE(paths[i], paths[i - 1]);
}

TEST_F(ClipStoreTest, RemoveTakesTheSelectedRowAndItsFile) {
  CClipStore store(folder.path().string());
  for (int i = 0; i < 3; ++i) {
    const std::vector<uint8_t> bytes = Pattern(4, static_cast<uint8_t>(i));
    ASSERT_TRUE(store.AddClip(bytes.data(), bytes.size()));
  }
  // Rows are newest first: numbers 3, 2, 1.
  const std::string last = store.rows()[2].path;
  EXPECT_EQ(store.Select(2), 2);

  // Given the last row selected, when it is removed, then the selection
  // moves to the new last row.
  store.Remove();
  EXPECT_EQ(store.size(), 2u);
  EXPECT_FALSE(fs::exists(last));
  EXPECT_EQ(store.selected(), 1);
  EXPECT_EQ(store.rows()[1].number, 2);

  // A row in the middle: the selection stays at its index.
  store.Select(0);
  store.Remove();
  EXPECT_EQ(store.selected(), 0);
  EXPECT_EQ(store.rows()[0].number, 2);

  store.Remove();
  EXPECT_TRUE(store.empty());
  EXPECT_EQ(store.selected(), -1);
  EXPECT_EQ(FilesIn(folder.path()), 0u);
  store.Remove();  // nothing selected: nothing happens
  EXPECT_EQ(store.selected(), -1);
}

TEST_F(ClipStoreTest, ClearAllLeavesNothingToPaste) {
  CClipStore store(folder.path().string());
  for (int i = 0; i < 3; ++i) {
    const std::vector<uint8_t> bytes = Pattern(16, static_cast<uint8_t>(i));
    ASSERT_TRUE(store.AddClip(bytes.data(), bytes.size()));
  }
  store.ClearAll();
  EXPECT_TRUE(store.empty());
  EXPECT_EQ(store.selected(), -1);
  EXPECT_EQ(FilesIn(folder.path()), 0u);

  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 99;
  EXPECT_EQ(store.GetSelectedClip(&data, &length), ClipResult::kNone);
  EXPECT_EQ(store.GetClip(0, &data, &length), ClipResult::kNone);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(length, 0u);
}

TEST_F(ClipStoreTest, SelectionFollowsClicksOnRowsOnly) {
  CClipStore store(folder.path().string());
  EXPECT_EQ(store.selected(), -1);
  EXPECT_EQ(store.Select(0), -1);  // no rows yet
  for (int i = 0; i < 3; ++i) {
    const std::vector<uint8_t> bytes = Pattern(4, static_cast<uint8_t>(i));
    ASSERT_TRUE(store.AddClip(bytes.data(), bytes.size()));
  }
  EXPECT_EQ(store.selected(), 0);
  EXPECT_EQ(store.Select(2), 2);
  // A click beside the rows keeps the previous selection.
  EXPECT_EQ(store.Select(-1), 2);
  EXPECT_EQ(store.Select(3), 2);

  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  ASSERT_EQ(store.GetSelectedClip(&data, &length), ClipResult::kOk);
  EXPECT_EQ(std::vector<uint8_t>(data.get(), data.get() + length), Pattern(4, 0));
}

TEST_F(ClipStoreTest, ClipNumbersRepeatAfterDeletions) {
  CClipStore store(folder.path().string());
  const std::vector<uint8_t> bytes = Pattern(4, 1);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(store.AddClip(bytes.data(), bytes.size()));
  store.Remove();  // the newest, number 3
  ASSERT_TRUE(store.AddClip(bytes.data(), bytes.size()));
  EXPECT_EQ(store.rows()[0].number, 3);
  EXPECT_EQ(ClipColumnText(store.rows()[0], kClipColumnName), " Sound Clip 3");
}

TEST_F(ClipStoreTest, ForeignWaveFileIsKeptAsItCameAndComesBackInTheWorkingFormat) {
  // 8-bit unsigned mono at 22,050 Hz: every byte of it means something else
  // in the working format, so a clip handed back unconverted shows at once.
  const std::string source = folder.File("foreign.wav");
  ASSERT_EQ(test_support::RunCommand("sox -n -r 22050 -c 1 -b 8 -e unsigned '" + source +
                                     "' synth 0.5 sine 523 vol 0.6 2>&1"),
            0);
  const std::string file = test_support::ReadFileBytes(source);
  ASSERT_GT(file.size(), 44u);

  const std::string reference = folder.File("reference.raw");
  const std::vector<int16_t> expected = peer::FfmpegWorkingFormat(source, reference);
  ASSERT_FALSE(expected.empty());
  fs::remove(source);
  fs::remove(reference);

  CClipStore store(folder.path().string());
  ASSERT_TRUE(store.AddWaveFile(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
  ASSERT_EQ(store.size(), 1u);
  EXPECT_EQ(store.selected(), 0);
  // Listed with its whole size, header included, and stored byte for byte.
  EXPECT_EQ(store.rows()[0].byteCount, file.size());
  EXPECT_EQ(test_support::ReadFileBytes(store.rows()[0].path), file);

  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  ASSERT_EQ(store.GetClip(0, &data, &length), ClipResult::kOk);
  // Half a second at 44,100 Hz, 4 bytes a frame.
  EXPECT_EQ(length, 88200u);
  const std::vector<int16_t> got = peer::ToSamples(data.get(), length);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_NEAR(got[i], expected[i], 1) << "sample " << i;
  }
}

TEST_F(ClipStoreTest, RefusedOrFailedClipsLeaveStoreAndFolderUnchanged) {
  CClipStore store(folder.path().string());
  const std::vector<uint8_t> kept = Pattern(8, 3);
  ASSERT_TRUE(store.AddClip(kept.data(), kept.size()));
  store.Select(0);

  const std::string notWave = "RIFX\x10\0\0\0WAVEfmt "s;
  const std::string tooShort = "RIFF\0\0"s;
  EXPECT_FALSE(store.AddWaveFile(reinterpret_cast<const uint8_t*>(notWave.data()), notWave.size()));
  EXPECT_FALSE(store.AddWaveFile(reinterpret_cast<const uint8_t*>(tooShort.data()), tooShort.size()));
  EXPECT_FALSE(store.AddWaveFile(nullptr, 0));

  CClipStore nowhere((folder.path() / "missing").string());
  EXPECT_FALSE(nowhere.AddClip(kept.data(), kept.size()));
  EXPECT_TRUE(nowhere.empty());

  // A disk that fills up half way through a clip: the partial file goes.
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::vector<uint8_t> big = Pattern(4000, 9);
  const bool added = store.AddClip(big.data(), big.size());
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(added);

  EXPECT_EQ(store.size(), 1u);
  EXPECT_EQ(store.selected(), 0);
  EXPECT_EQ(FilesIn(folder.path()), 1u);
}

TEST_F(ClipStoreTest, MissingOrDamagedClipFileGivesNothing) {
  CClipStore store(folder.path().string());
  const std::vector<uint8_t> bytes = Pattern(8, 5);
  ASSERT_TRUE(store.AddClip(bytes.data(), bytes.size()));
  ASSERT_TRUE(store.AddClip(bytes.data(), bytes.size()));
  fs::remove(store.rows()[0].path);
  test_support::WriteFileBytes(store.rows()[1].path, "RIFF\4\0\0\0WAVEjunk"s);

  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  EXPECT_EQ(store.GetClip(0, &data, &length), ClipResult::kUnreadable);
  EXPECT_EQ(store.GetClip(1, &data, &length), ClipResult::kUnreadable);
  EXPECT_EQ(length, 0u);
  store.ClearAll();  // a file already gone is no trouble
  EXPECT_EQ(FilesIn(folder.path()), 0u);
}

TEST_F(ClipStoreTest, NoClipFileOutlivesTheStore) {
  const std::string foreign = "RIFF" + LE32(40) + "WAVE" + "fmt " + LE32(16) + LE16(1) + LE16(1) +
                              LE32(8000) + LE32(8000) + LE16(1) + LE16(8) + "data" + LE32(4) + "\x80\x90\x70\x80";
  {
    CClipStore store(folder.path().string());
    for (int i = 0; i < 30; ++i) {
      const std::vector<uint8_t> bytes = Pattern(64, static_cast<uint8_t>(i));
      ASSERT_TRUE(store.AddClip(bytes.data(), bytes.size()));
    }
    ASSERT_TRUE(store.AddWaveFile(reinterpret_cast<const uint8_t*>(foreign.data()), foreign.size()));
    store.Select(3);
    store.Remove();
    EXPECT_EQ(FilesIn(folder.path()), 23u);
  }
  EXPECT_EQ(FilesIn(folder.path()), 0u);
}

TEST_F(ClipStoreTest, ClipFilesOfAKilledRunAreRemovedAndNothingElse) {
  // Given the clips of a run that was killed before it could delete them
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CClipStore store(folder.path().string());
    const std::vector<uint8_t> bytes = Pattern(400, 3);
    const std::string foreign = "RIFF" + LE32(4) + "WAVE";
    const bool added = store.AddClip(bytes.data(), bytes.size()) && store.AddClip(bytes.data(), 0) &&
                       store.AddWaveFile(reinterpret_cast<const uint8_t*>(foreign.data()), foreign.size());
    std::raise(added ? SIGKILL : SIGTERM);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  ASSERT_EQ(FilesIn(folder.path()), 3u);
  std::vector<fs::path> leftovers;
  for (const auto& entry : fs::directory_iterator(folder.path())) leftovers.push_back(entry.path());

  // and, beside them, files that only look like clips
  const std::string wave = "RIFF" + LE32(4) + "WAVE";
  struct Kept {
    const char* name;
    std::string bytes;
  };
  const Kept kept[] = {
      {"SDFnotwav", "saved layer bytes"},  // a clip's name, no wave inside
      {"SDFshort", wave},                   // five letters behind "SDF"
      {"SDFtoolong1", wave},
      {"SDF-x_y.z", wave},                  // letters mkstemp never uses
      {"sdfabcdef", wave},
      {"take.wav", wave},
      {"SDFempty0", ""},                    // too short to be a wave file
  };
  for (const Kept& file : kept) test_support::WriteFileBytes(folder.File(file.name), file.bytes);
  fs::create_directory(folder.path() / "SDFfolder");
  test_support::TemporaryFolder elsewhere;
  test_support::WriteFileBytes(elsewhere.File("target.wav"), wave);
  fs::create_symlink(elsewhere.path() / "target.wav", folder.path() / "SDFlinked");

  // When the leftovers are cleaned up
  EXPECT_EQ(CClipStore::RemoveLeftoverClipFiles(folder.path().string()), 3u);

  // Then the killed run's clips are gone, and everything else is still there
  for (const fs::path& path : leftovers) EXPECT_FALSE(fs::exists(path)) << path;
  for (const Kept& file : kept) EXPECT_TRUE(fs::exists(folder.path() / file.name)) << file.name;
  EXPECT_TRUE(fs::is_directory(folder.path() / "SDFfolder"));
  EXPECT_TRUE(fs::is_symlink(folder.path() / "SDFlinked"));
  EXPECT_TRUE(fs::exists(elsewhere.path() / "target.wav"));
  // and a folder that cannot be read has nothing to clean
  EXPECT_EQ(CClipStore::RemoveLeftoverClipFiles((folder.path() / "missing").string()), 0u);
}

TEST(ClipColumnsTest, CellTextsAndPasteLabel) {
  ClipRow row;
  row.number = 7;
  row.byteCount = 2 * 176400 + 176399;  // just under three seconds
  row.path = "/tmp/SDFab12Cd";
  struct Case {
    int column;
    const char* text;
  };
  const Case cases[] = {
      {kClipColumnName, " Sound Clip 7"},
      {kClipColumnSize, "529199 bytes"},
      {kClipColumnLength, "2 seconds"},
      {kClipColumnLocation, "/tmp/SDFab12Cd"},
      {4, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ClipColumnText(row, c.column), c.text) << c.column;
  EXPECT_EQ(ClipPasteMenuText(row), " Sound Clip 7 (529199 bytes)");

  EXPECT_EQ(kClipColumns[0].heading, "Clipboard");
  EXPECT_EQ(kClipColumns[1].alignment, ClipColumnAlignment::kRight);
  EXPECT_EQ(kClipColumns[2].heading, "Clip Length");
  EXPECT_EQ(kClipColumns[3].alignment, ClipColumnAlignment::kCentre);
}

}  // namespace
