// Saved bytes above the spill threshold live in an "SDF" temporary file that
// is read back on undo and redo and never left behind in the folder.
#include "core/edit/saved_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "edit_fixture.h"

using namespace edit_test;

namespace {

size_t OpenFileCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

TEST(SavedBytes, KeptInMemoryUpToTheThresholdAndInAFileAbove) {
  const std::vector<uint8_t> bytes = Bytes(0, 64);
  struct Case {
    uint64_t threshold;
    bool inFile;
  };
  for (const Case c : {Case{64, false}, Case{63, true}, Case{0, true}}) {
    SavedBytes saved;
    ASSERT_TRUE(saved.Store(bytes.data(), bytes.size(), c.threshold));
    EXPECT_EQ(saved.inFile(), c.inFile) << c.threshold;
    EXPECT_EQ(saved.length(), 64u);
    std::string path = saved.filePath();
    if (c.inFile) {
      EXPECT_EQ(std::filesystem::path(path).filename().string().substr(0, 3), "SDF");
      EXPECT_EQ(saved.fileSize(), 64u);
      EXPECT_FALSE(std::filesystem::exists(path));
    }
    std::unique_ptr<uint8_t[]> back;
    ASSERT_TRUE(saved.Take(&back));
    EXPECT_EQ(std::vector<uint8_t>(back.get(), back.get() + 64), bytes);
    // A shorter block adopted in place of the file's must not keep its tail.
    std::unique_ptr<uint8_t[]> shorter(new uint8_t[32]());
    saved.Adopt(std::move(shorter), 32, 16);
    EXPECT_TRUE(saved.inFile());
    if (c.inFile) {
      EXPECT_EQ(saved.filePath(), path);
    }
    EXPECT_EQ(saved.fileSize(), 32u);
    saved.Clear();
    EXPECT_FALSE(saved.inFile());
  }
}

TEST(SavedBytes, BigHistoryEntriesGoToAFileAndComeBack) {
  const size_t openBefore = OpenFileCount();
  {
    // Given a history that spills everything above 16 bytes
    EditDocument doc(16);
    CSoundLayer& layer = doc.AddLayer(40);
    layer.nodes = {{0.5, 0}, {0.0, 12}, {-0.5, 24}};
    doc.sound().selectionStart = 8;
    doc.sound().selectionEnd = 16;
    // When a cut is recorded, then its saved bytes are in a file
    ASSERT_EQ(doc.editor.Cut(nullptr), EditResult::kDone);
    const CHistoryAction& action = *doc.editor.history().rows().back().action;
    ASSERT_TRUE(action.savedBytes()->inFile());
    EXPECT_EQ(action.savedBytes()->fileSize(), 40u);
    // And undo and redo read them back, with the envelope
    for (int round = 0; round < 2; ++round) {
      ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
      EXPECT_EQ(LayerBytes(layer), Bytes(0, 40));
      EXPECT_EQ(NodePositions(layer), (std::vector<int64_t>{0, 12, 24}));
      EXPECT_EQ(action.savedBytes()->fileSize(), 32u);
      ASSERT_EQ(doc.editor.Redo(), EditResult::kDone);
      EXPECT_EQ(LayerBytes(layer), Join({Bytes(0, 8), Bytes(16, 40)}));
      EXPECT_EQ(NodePositions(layer), (std::vector<int64_t>{0, 16}));
    }
    EXPECT_EQ(OpenFileCount(), openBefore + 1);
  }
  // The file goes with the history.
  EXPECT_EQ(OpenFileCount(), openBefore);
}

}  // namespace
