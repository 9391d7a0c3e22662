// RecordingFile on POSIX file calls: mkstemp for the unique name, appends
// that retry short writes, positioned reads for the hand-over and preview.
#include "core/audio/recording_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

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

bool RecordingFile::Truncate() { return ftruncate(m_fd, 0) == 0 && lseek(m_fd, 0, SEEK_SET) == 0; }

bool RecordingFile::Append(const uint8_t* data, size_t bytes) {
  if (lseek(m_fd, 0, SEEK_END) < 0) return false;
  while (bytes > 0) {
    const ssize_t written = write(m_fd, data, bytes);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    bytes -= static_cast<size_t>(written);
  }
  return true;
}

uint64_t RecordingFile::Length() const {
  struct stat status {};
  return fstat(m_fd, &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

int64_t RecordingFile::ReadAt(uint64_t offset, uint8_t* into, size_t bytes) const {
  for (;;) {
    const ssize_t got = pread(m_fd, into, bytes, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

uint64_t RecordingFile::ReadAll(uint8_t* into, uint64_t length, size_t piece,
                                const std::function<void(uint64_t done)>& between) const {
  uint64_t done = 0;
  while (done < length && piece > 0) {
    const int64_t got = ReadAt(done, into + done, static_cast<size_t>(std::min<uint64_t>(piece, length - done)));
    if (got <= 0) break;
    done += static_cast<uint64_t>(got);
    if (between) between(done);
  }
  return done;
}
