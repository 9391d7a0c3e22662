// RecordingFile on POSIX file calls: mkstemp for the unique name, positioned
// writes at the recording's end that retry short writes and cut a failed
// one back to the last whole frame, positioned reads for the hand-over and
// the preview.
#include "core/audio/recording_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <new>
#include <vector>

namespace {

constexpr RecordingFileCalls kRealCalls{::pwrite, ::ftruncate, ::pread};
std::atomic<const RecordingFileCalls*> g_calls{&kRealCalls};

const RecordingFileCalls& Calls() { return *g_calls.load(std::memory_order_acquire); }

}  // namespace

const RecordingFileCalls* RecordingFile::UseSystemCalls(const RecordingFileCalls* calls) {
  return g_calls.exchange(calls != nullptr ? calls : &kRealCalls, std::memory_order_acq_rel);
}

bool RecordingFile::Create(const std::string& folder, std::unique_ptr<RecordingFile>* file) {
  file->reset();
  std::string pattern = (folder.empty() ? std::string("/tmp") : folder) + "/RECXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return false;
  file->reset(new (std::nothrow) RecordingFile(std::string(name.data()), fd));
  if (!*file) {
    close(fd);
    unlink(name.data());
    return false;
  }
  return true;
}

RecordingFile::~RecordingFile() {
  close(m_fd);
  unlink(m_path.c_str());
}

bool RecordingFile::Truncate() {
  if (Calls().ftruncate(m_fd, 0) != 0) return false;
  m_length = 0;
  return true;
}

bool RecordingFile::Append(const uint8_t* data, size_t bytes) {
  uint64_t done = 0;
  while (done < bytes) {
    const ssize_t written =
        Calls().pwrite(m_fd, data + done, bytes - done, static_cast<off_t>(m_length + done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<uint64_t>(written);
  }
  if (done == bytes) {
    m_length += done;
    return true;
  }
  // A part of a frame on disk would put every later sample off the frame.
  // The recording ends at the last whole frame; should the cut fail too,
  // the next append writes over the part frame, as m_length says.
  const int error = errno;
  m_length = (m_length + done) / kFrameBytes * kFrameBytes;
  (void)Calls().ftruncate(m_fd, static_cast<off_t>(m_length));
  errno = error;
  return false;
}

int64_t RecordingFile::ReadAt(uint64_t offset, uint8_t* into, size_t bytes) const {
  if (offset >= m_length) return 0;
  bytes = static_cast<size_t>(std::min<uint64_t>(bytes, m_length - offset));
  for (;;) {
    const ssize_t got = Calls().pread(m_fd, into, bytes, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

uint64_t RecordingFile::ReadAll(uint8_t* into, uint64_t length, size_t piece,
                                const std::function<bool(uint64_t done)>& between) const {
  uint64_t done = 0;
  while (done < length && piece > 0) {
    const int64_t got = ReadAt(done, into + done, static_cast<size_t>(std::min<uint64_t>(piece, length - done)));
    if (got <= 0) break;
    done += static_cast<uint64_t>(got);
    if (between && !between(done)) break;
  }
  return done;
}
