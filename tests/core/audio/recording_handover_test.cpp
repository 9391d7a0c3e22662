// The hand-over of a recording to a new document: the layer holds the
// recording's whole frames and nothing rendered before them, the document is
// marked modified, and a hand-over that cannot finish (a document that is
// not new, a cancel, a failed read) leaves the document as it was.
#include "core/audio/recording_handover.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

#include "core/audio/recording_file.h"
#include "core/audio/sound_device.h"
#include "core/model/sound_document.h"
#include "test_support.h"

namespace {

// Counts its polls, keeps the percentages, and cancels at poll `cancelAt`.
class CountingProgress : public ProgressReport {
 public:
  explicit CountingProgress(int cancelAt = 0) : m_cancelAt(cancelAt) {}
  bool Poll(int percent) override {
    percents.push_back(percent);
    return static_cast<int>(percents.size()) != m_cancelAt;
  }
  std::vector<int> percents;

 private:
  int m_cancelAt;
};

class ModifiedWatch : public SoundDocumentObserver {
 public:
  void ModifiedChanged(bool modified) override { changes += modified ? "M" : "s"; }
  std::string changes;
};

class RecordingHandOverTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RecordingFile::Create(m_folder.path().string(), &m_file));
    m_document.SetObserver(&m_watch);
  }
  // Records `bytes` bytes of a count that tells every byte's place.
  std::vector<uint8_t> Record(size_t bytes) {
    std::vector<uint8_t> take(bytes);
    for (size_t i = 0; i < bytes; ++i) take[i] = static_cast<uint8_t>(i * 31 + i / 4093);
    EXPECT_TRUE(m_file->Append(take.data(), take.size()));
    return take;
  }

  test_support::TemporaryFolder m_folder;
  std::unique_ptr<RecordingFile> m_file;
  SoundDocument m_document{DefaultSettings()};
  ModifiedWatch m_watch;
};

TEST_F(RecordingHandOverTest, TheNewDocumentHoldsTheRecordingsWholeFrames) {
  // Given a take of 2.5 MiB and half a frame (the end of a failed write that
  // could not be cut off)
  std::vector<uint8_t> take = Record((5u << 19) + 2);
  CountingProgress progress;
  // When it is handed to a new, empty document
  const HandOverResult result = AdoptRecording(m_document, *m_file, progress);
  // Then the document holds one layer of exactly the whole frames
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.bytes, 5u << 19);
  const CSound& sound = m_document.sound();
  ASSERT_EQ(sound.layers.size(), 1u);
  const CSoundLayer& layer = *sound.layers.front();
  ASSERT_EQ(layer.length(), 5u << 19);
  EXPECT_EQ(std::memcmp(layer.data(), take.data(), layer.length()), 0);
  EXPECT_EQ(layer.offset, 0);
  EXPECT_EQ(sound.activeLayerIndex, 0);
  EXPECT_TRUE(IsDeviceFormat(sound.workingFormat));
  EXPECT_EQ(sound.GetLength(), 5u << 19);
  // And it is modified, the progress having moved up to its end
  EXPECT_TRUE(m_document.IsModified());
  EXPECT_EQ(m_watch.changes, "M");
  EXPECT_EQ(progress.percents, (std::vector<int>{40, 80, 100}));
}

TEST_F(RecordingHandOverTest, AnEmptyRecordingGivesAnEmptyLayer) {
  CountingProgress progress;
  const HandOverResult result = AdoptRecording(m_document, *m_file, progress);
  ASSERT_TRUE(result.ok());
  ASSERT_EQ(m_document.sound().layers.size(), 1u);
  EXPECT_EQ(m_document.sound().layers.front()->length(), 0u);
  EXPECT_TRUE(m_document.IsModified());
}

ssize_t FailingPread(int, void*, size_t, off_t) {
  errno = EIO;
  return -1;
}
constexpr RecordingFileCalls kFailingReads{::pwrite, ::ftruncate, FailingPread};

enum class Trouble { kDocumentHasALayer, kCancelAtTheSecondPiece, kReadFails };

struct TroubleCase {
  const char* name;
  Trouble trouble;
  HandOverStatus status;
  int systemError;
};

void PrintTo(const TroubleCase& c, std::ostream* out) { *out << c.name; }

class RecordingHandOverTroubleTest : public RecordingHandOverTest,
                                     public testing::WithParamInterface<TroubleCase> {};

TEST_P(RecordingHandOverTroubleTest, LeavesTheDocumentAsItWas) {
  const TroubleCase& c = GetParam();
  (void)Record(3u << 20);
  if (c.trouble == Trouble::kDocumentHasALayer) {
    GeneratorParameters tone;
    tone.length = 100;
    SilentProgress silent;
    ASSERT_TRUE(m_document.New(tone, silent));
  }
  const size_t layersBefore = m_document.sound().layers.size();
  CountingProgress progress(c.trouble == Trouble::kCancelAtTheSecondPiece ? 2 : 0);
  const RecordingFileCalls* real =
      RecordingFile::UseSystemCalls(c.trouble == Trouble::kReadFails ? &kFailingReads : nullptr);
  const HandOverResult result = AdoptRecording(m_document, *m_file, progress);
  RecordingFile::UseSystemCalls(real);
  EXPECT_EQ(result.status, c.status);
  EXPECT_EQ(result.systemError, c.systemError);
  EXPECT_EQ(m_document.sound().layers.size(), layersBefore);
  if (layersBefore == 1) {
    EXPECT_EQ(m_document.sound().layers.front()->length(), 400u);
  }
  EXPECT_FALSE(m_document.IsModified());
  EXPECT_EQ(m_watch.changes, "");
  // And the take is still there for another try
  EXPECT_EQ(m_file->Length(), 3u << 20);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordingHandOverTroubleTest,
    testing::Values(TroubleCase{"DocumentHasALayer", Trouble::kDocumentHasALayer, HandOverStatus::kNotFresh, 0},
                    TroubleCase{"Cancelled", Trouble::kCancelAtTheSecondPiece, HandOverStatus::kCancelled, 0},
                    TroubleCase{"ReadFails", Trouble::kReadFails, HandOverStatus::kReadFailed, EIO}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
