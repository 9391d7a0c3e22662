// Saves that fail midway: every write, fsync, close and rename of a wave save,
// a layered document save and an AIFF save is made to fail in turn, and each time the
// file being replaced must still hold its old bytes (or, once the rename is
// done, the whole new file), with no temporary file left beside it. A save
// killed with SIGKILL in the middle of its writes leaves the old file too.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/model/atomic_file_writer.h"
#include "core/model/sound_document.h"
#include "injected_system_calls.h"
#include "test_support.h"

namespace {

using injected::Call;
using injected::CallName;
using injected::ErrorOf;
using injected::g_injection;
using injected::InjectedSystemCalls;

const std::string kOldBytes = "the file as it was before the save";

class SaveFailureTest : public testing::TestWithParam<const char*> {
 protected:
  SaveFailureTest() {
    // A layer of 3.2 MB and a blank one: a save writes its buffer and the large
    // blocks apart, so each kind of call happens more than once.
    GeneratorParameters tone;
    tone.length = 800000;
    SilentProgress silent;
    EXPECT_TRUE(m_document.New(tone, silent));
    EXPECT_TRUE(m_document.sound().AddGeneratedLayer(BlankLayerParameters()));
    m_document.SetModifiedFlag(true);
  }

  std::string Target() { return m_folder.File(std::string("take.") + GetParam()); }
  SaveResult Save(const std::string& path) {
    SilentProgress silent;
    return m_document.Save(path, SaveChoices{}, silent);
  }
  std::vector<std::string> FolderEntries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.path())) names.push_back(entry.path().filename());
    return names;
  }
  // The bytes a save that nothing disturbs writes.
  std::string ExpectedBytes() {
    const std::string path = m_reference.File(std::string("reference.") + GetParam());
    EXPECT_TRUE(Save(path).ok());
    m_document.SetModifiedFlag(true);
    return test_support::ReadFileBytes(path);
  }

  test_support::TemporaryFolder m_folder;
  test_support::TemporaryFolder m_reference;
  SettingsRecord m_settings;
  SoundDocument m_document{m_settings};
};

TEST_P(SaveFailureTest, EveryFailingCallLeavesTheOldFileOrTheWholeNewOne) {
  const std::string expected = ExpectedBytes();
  ASSERT_GT(expected.size(), 3u << 20);
  for (Call call : {Call::kWrite, Call::kFsync, Call::kClose, Call::kRename}) {
    SCOPED_TRACE(CallName(call));
    // How often a save makes this call.
    int calls = 0;
    {
      test_support::WriteFileBytes(Target(), kOldBytes);
      InjectedSystemCalls counting({call, 0, 0, 0});
      ASSERT_TRUE(Save(Target()).ok());
      calls = g_injection.seen;
      m_document.SetModifiedFlag(true);
    }
    ASSERT_GE(calls, 1) << CallName(call);
    if (call == Call::kWrite) {
      EXPECT_GE(calls, 3);
    }
    for (int n = 1; n <= calls; ++n) {
      SCOPED_TRACE(testing::Message() << CallName(call) << " " << n << " of " << calls);
      test_support::WriteFileBytes(Target(), kOldBytes);
      SaveResult result;
      {
        InjectedSystemCalls failing({call, n, 0, 0});
        result = Save(Target());
      }
      // The last fsync is the folder's, after the rename: the new file is
      // in place by then and the save has succeeded.
      const bool folderSync = call == Call::kFsync && n == calls;
      EXPECT_EQ(result.ok(), folderSync);
      const std::string now = test_support::ReadFileBytes(Target());
      if (result.ok()) {
        EXPECT_TRUE(now == expected) << "a save that succeeded left " << now.size() << " bytes";
        // A wave file keeps only the mix of the two layers: still modified.
        EXPECT_EQ(m_document.IsModified(), result.flattened);
        m_document.SetModifiedFlag(true);
      } else {
        EXPECT_EQ(result.status, SaveStatus::kWriteFailed);
        EXPECT_EQ(result.systemError, ErrorOf(call)) << "the reason the user is told";
        EXPECT_EQ(now, kOldBytes);
        EXPECT_TRUE(m_document.IsModified());
      }
      EXPECT_EQ(FolderEntries(), std::vector<std::string>{std::string("take.") + GetParam()});
    }
  }
}

TEST_P(SaveFailureTest, ShortWritesStillWriteTheWholeFile) {
  const std::string expected = ExpectedBytes();
  test_support::WriteFileBytes(Target(), kOldBytes);
  {
    InjectedSystemCalls shortWrites({Call::kWrite, 0, 0, 4093});
    ASSERT_TRUE(Save(Target()).ok());
  }
  EXPECT_TRUE(test_support::ReadFileBytes(Target()) == expected);
}

// The child's writes: the second one tells the parent it is under way and
// then waits to be killed.
int g_killPipe = -1;
int g_childWrites = 0;
ssize_t StallingWrite(int fd, const void* bytes, size_t size) {
  if (++g_childWrites == 2) {
    const ssize_t written = ::write(fd, bytes, size / 2);
    [[maybe_unused]] const ssize_t told = ::write(g_killPipe, "w", 1);
    for (;;) ::pause();
    return written;
  }
  return ::write(fd, bytes, size);
}
constexpr FileSystemCalls kStallingCalls{StallingWrite, ::fsync, ::close, ::rename};

TEST_P(SaveFailureTest, ASaveKilledMidwayLeavesTheOldFile) {
  test_support::WriteFileBytes(Target(), kOldBytes);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    g_killPipe = fds[1];
    AtomicFileWriter::UseSystemCalls(&kStallingCalls);
    SilentProgress silent;
    (void)m_document.Save(Target(), SaveChoices{}, silent);
    ::_exit(3);  // never reached: the second write stalls
  }
  ::close(fds[1]);
  pollfd ready{fds[0], POLLIN, 0};
  const bool underWay = ::poll(&ready, 1, 60000) == 1;
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::close(fds[0]);
  ASSERT_TRUE(underWay) << "the save never reached its second write";
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  EXPECT_EQ(test_support::ReadFileBytes(Target()), kOldBytes);
  // The killed save's temporary file is left (nothing ran to remove it); it
  // does not stand in the way of the next save.
  EXPECT_EQ(FolderEntries().size(), 2u);
  const std::string expected = ExpectedBytes();
  ASSERT_TRUE(Save(Target()).ok());
  EXPECT_TRUE(test_support::ReadFileBytes(Target()) == expected);
}

// AIFF stands for the files FFmpeg's muxers write, which seek back to
// finish their headers.
INSTANTIATE_TEST_SUITE_P(WaveAndDocument, SaveFailureTest, testing::Values("wav", "tvf", "aiff"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
