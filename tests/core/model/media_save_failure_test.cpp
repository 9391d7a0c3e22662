// Media saves that do not finish: every write, fsync, close and rename of a
// FLAC, Ogg, Opus, MP3, M4A and AIFF save is made to fail in turn, and a save
// is cancelled through its progress; each time the file being replaced keeps
// its old bytes and no temporary file is left. The progress the caller sees
// is the share of the sound encoded, on the caller's own thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>

#include "core/model/media_writer.h"
#include "core/model/sound_document.h"
#include "injected_system_calls.h"
#include "test_support.h"

namespace {

using injected::Call;
using injected::CallName;
using injected::ErrorOf;
using injected::InjectedSystemCalls;

const std::string kOldBytes = "the file as it was before the save";

// A document of `seconds` of a 440 Hz tone in both channels.
void FillWithTone(SoundDocument& document, uint32_t seconds) {
  const uint64_t frames = uint64_t{seconds} * kWorkingSampleRate;
  auto data = std::make_unique<uint8_t[]>(frames * kWorkingBlockAlign);
  for (uint64_t i = 0; i < frames; ++i) {
    const auto value = static_cast<int16_t>(std::lround(16000 * std::sin(2 * M_PI * 440 * double(i) / kWorkingSampleRate)));
    std::memcpy(data.get() + i * 4, &value, 2);
    std::memcpy(data.get() + i * 4 + 2, &value, 2);
  }
  document.sound().AppendLayer("Tone", std::move(data), frames * kWorkingBlockAlign);
  document.sound().tags[kTagTitle] = "Tone";
  document.SetModifiedFlag(true);
}

// Answers every poll, on the thread that made it, with Cancel from the
// `cancelAt`-th on (0: never), and keeps the percentages.
class RecordingProgress : public ProgressReport {
 public:
  explicit RecordingProgress(int cancelAt = 0) : m_cancelAt(cancelAt) {}
  bool Poll(int percent) override {
    if (std::this_thread::get_id() != m_thread) offThread = true;
    percents.push_back(percent);
    return m_cancelAt == 0 || static_cast<int>(percents.size()) < m_cancelAt;
  }
  std::vector<int> percents;
  bool offThread = false;

 private:
  int m_cancelAt;
  std::thread::id m_thread = std::this_thread::get_id();
};

class MediaSaveFailureTest : public testing::TestWithParam<const char*> {
 protected:
  MediaSaveFailureTest() { FillWithTone(m_document, 1); }

  std::string Target() { return m_folder.File(std::string("take.") + GetParam()); }
  SaveResult Save(ProgressReport& progress) { return m_document.Save(Target(), SaveChoices{}, progress); }
  SaveResult Save() {
    SilentProgress silent;
    return Save(silent);
  }
  std::vector<std::string> FolderEntries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.path())) names.push_back(entry.path().filename());
    return names;
  }
  // The old file is there as it was, alone, and the document still modified.
  void ExpectOldFileAlone() {
    EXPECT_EQ(test_support::ReadFileBytes(Target()), kOldBytes);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{std::string("take.") + GetParam()});
    EXPECT_TRUE(m_document.IsModified());
  }

  test_support::TemporaryFolder m_folder;
  SettingsRecord m_settings;
  SoundDocument m_document{m_settings};
};

TEST_P(MediaSaveFailureTest, EveryFailingCallLeavesTheOldFile) {
  for (Call call : {Call::kWrite, Call::kFsync, Call::kClose, Call::kRename}) {
    SCOPED_TRACE(CallName(call));
    // How often a save makes this call.
    int calls = 0;
    {
      test_support::WriteFileBytes(Target(), kOldBytes);
      InjectedSystemCalls counting({call, 0, 0, 0});
      ASSERT_TRUE(Save().ok());
      calls = injected::g_injection.seen;
      m_document.SetModifiedFlag(true);
    }
    ASSERT_GE(calls, 1);
    for (int n = 1; n <= calls; ++n) {
      SCOPED_TRACE(testing::Message() << CallName(call) << " " << n << " of " << calls);
      // Given the old file, when the n-th call fails
      test_support::WriteFileBytes(Target(), kOldBytes);
      SaveResult result;
      {
        InjectedSystemCalls failing({call, n, 0, 0});
        result = Save();
      }
      // The last fsync is the folder's, after the rename: the save has
      // succeeded by then.
      if (call == Call::kFsync && n == calls) {
        EXPECT_TRUE(result.ok());
        m_document.SetModifiedFlag(true);
        continue;
      }
      // Then the save says why, and the old file is left alone
      EXPECT_EQ(result.status, SaveStatus::kWriteFailed);
      EXPECT_EQ(result.systemError, ErrorOf(call));
      ExpectOldFileAlone();
    }
  }
}

TEST_P(MediaSaveFailureTest, ShortWritesStillWriteTheWholeFile) {
  // Given a save that nothing disturbs
  ASSERT_TRUE(Save().ok());
  const std::string expected = test_support::ReadFileBytes(Target());
  m_document.SetModifiedFlag(true);
  // When every write takes no more than 4,093 bytes (and the muxer seeks
  // back to finish its header)
  {
    InjectedSystemCalls shortWrites({Call::kWrite, 0, 0, 4093});
    ASSERT_TRUE(Save().ok());
  }
  // Then the file is the same. Ogg streams get a random serial number: only
  // their length can be compared.
  const std::string written = test_support::ReadFileBytes(Target());
  const std::string extension = GetParam();
  if (extension == "ogg" || extension == "opus") {
    EXPECT_EQ(written.size(), expected.size());
  } else {
    EXPECT_TRUE(written == expected) << written.size() << " bytes, not " << expected.size();
  }
}

TEST_P(MediaSaveFailureTest, ACancelLeavesTheOldFile) {
  // Given the old file, when the user cancels at the first poll
  test_support::WriteFileBytes(Target(), kOldBytes);
  RecordingProgress cancelling(1);
  const SaveResult result = Save(cancelling);
  // Then the save says so and nothing changed
  EXPECT_EQ(result.status, SaveStatus::kCancelled);
  ExpectOldFileAlone();
}

TEST_P(MediaSaveFailureTest, ACancelledOptionsChoiceWritesNothing) {
  test_support::WriteFileBytes(Target(), kOldBytes);
  SilentProgress silent;
  MediaSaveOptions offered;
  const SaveResult result = m_document.Save(Target(), SoundDocument::FormatChooser{}, silent, [&offered](MediaSaveOptions* options) {
    offered = *options;
    return false;
  });
  EXPECT_EQ(result.status, SaveStatus::kCancelled);
  // The chooser was offered the defaults of the file's format.
  EXPECT_EQ(offered, DefaultMediaSaveOptions(*MediaSaveFormatForPath(Target())));
  ExpectOldFileAlone();
}

INSTANTIATE_TEST_SUITE_P(Formats, MediaSaveFailureTest, testing::Values("flac", "ogg", "opus", "mp3", "m4a", "aiff"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// Holds the first write back long enough for several polls.
std::atomic<int> g_writes{0};
ssize_t SlowFirstWrite(int fd, const void* bytes, size_t size) {
  if (g_writes.fetch_add(1) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(150));
  return ::write(fd, bytes, size);
}
constexpr FileSystemCalls kSlowCalls{SlowFirstWrite, ::fsync, ::close, ::rename};

TEST(MediaSaveProgress, ThePercentIsTheShareEncodedOnTheCallersThread) {
  // Given two seconds saved as 24-bit 96 kHz AIFF, over a megabyte: its
  // first write (the writer's full buffer) comes part of the way through,
  // and is slow
  test_support::TemporaryFolder folder;
  SettingsRecord settings;
  SoundDocument document(settings);
  FillWithTone(document, 2);
  g_writes = 0;
  const FileSystemCalls* previous = AtomicFileWriter::UseSystemCalls(&kSlowCalls);
  RecordingProgress progress;
  const SaveResult result = document.Save(folder.File("deep.aiff"), SoundDocument::FormatChooser{}, progress, [](MediaSaveOptions* options) {
    options->bits = 24;
    options->sampleRate = 96000;
    return true;
  });
  AtomicFileWriter::UseSystemCalls(previous);
  // Then the polls came on this thread, never went back, and showed the
  // save part of the way through while the write waited
  ASSERT_TRUE(result.ok());
  EXPECT_FALSE(progress.offThread);
  ASSERT_FALSE(progress.percents.empty());
  EXPECT_TRUE(std::is_sorted(progress.percents.begin(), progress.percents.end()));
  EXPECT_TRUE(std::any_of(progress.percents.begin(), progress.percents.end(), [](int p) { return p > 0 && p < 100; }));
  EXPECT_LE(progress.percents.back(), 100);
}

TEST(MediaSaveFolder, AMissingFolderSaysWhy) {
  test_support::TemporaryFolder folder;
  SettingsRecord settings;
  SoundDocument document(settings);
  FillWithTone(document, 1);
  SilentProgress silent;
  const SaveResult result = document.Save(folder.File("missing/take.flac"), SaveChoices{}, silent);
  EXPECT_EQ(result.status, SaveStatus::kWriteFailed);
  EXPECT_EQ(result.systemError, ENOENT);
  EXPECT_TRUE(document.IsModified());
}

}  // namespace
