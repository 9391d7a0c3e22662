// A wave file that fails to read part way must not open as if it were
// complete. Input errors (a failing disk, a network share that goes away)
// cannot be made here on demand, so this program replaces the C library's
// pread with one that fails reads of one chosen size; the core library,
// linked statically into it, calls this one.
#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "core/model/sound.h"
#include "test_support.h"

namespace {
// Reads of exactly this many bytes fail with EIO; 0 lets every read pass.
std::atomic<size_t> g_failingReadSize{0};
}  // namespace

extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
  if (count != 0 && count == g_failingReadSize.load()) {
    errno = EIO;
    return -1;
  }
  return ::syscall(SYS_pread64, fd, buffer, count, offset);
}

extern "C" ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
  return pread(fd, buffer, count, offset);
}

namespace {

using test_support::Chunk;
using test_support::LE16;
using test_support::LE32;

TEST(WaveFileReadError, FailedReadOfALaterDataChunkIsReported) {
  // Given a file of two data chunks, the second too large for the reader's
  // small-read window, and a disk that fails to read it
  test_support::TemporaryFolder folder;
  CSound sound;
  sound.path = folder.File("two.wav");
  const std::string fmt = Chunk("fmt ", LE16(1) + LE16(2) + LE32(44100) + LE32(176400) + LE16(4) + LE16(16));
  const std::string chunks = fmt + Chunk("data", "1234") + Chunk("data", std::string(40000, 's'));
  test_support::WriteFileBytes(sound.path, "RIFF" + LE32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks);
  g_failingReadSize = 40000;
  // When it is read
  const ReadResult result = sound.ReadWaveFile();
  g_failingReadSize = 0;
  // Then the read fails instead of opening the first chunk alone
  EXPECT_EQ(result, ReadResult::kCannotOpen);

  // And without the failure the same file reads whole
  CSound again;
  again.path = sound.path;
  ASSERT_EQ(again.ReadWaveFile(), ReadResult::kOk);
  ASSERT_EQ(again.layers.size(), 2u);
  EXPECT_EQ(again.layers[1]->length(), 40000u);
}

}  // namespace
