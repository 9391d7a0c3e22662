#include "core/model/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/model/wave_format.h"

namespace {
constexpr uint64_t kWindow = 64 * 1024;
}

FileReader::~FileReader() {
  if (m_fd >= 0) ::close(m_fd);
}

bool FileReader::Open(const std::string& path) {
  // Without O_NONBLOCK, opening a named pipe waits for a writer that may
  // never come; only regular files are read, so nothing else may block us.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  const bool known = ::fstat(fd, &st) == 0;
  if (!known || !S_ISREG(st.st_mode)) {
    const int error = !known ? errno : S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
    ::close(fd);
    errno = error;
    return false;
  }
  m_fd = fd;
  m_size = static_cast<uint64_t>(st.st_size);
  return true;
}

int ReadAccessError(const std::string& path) {
  FileReader file;
  return file.Open(path) ? 0 : errno;
}

bool FileReader::Read(uint64_t position, void* target, uint64_t n) {
  if (position > m_size || n > m_size - position) return false;
  if (n <= kWindow / 4) {
    if (position < m_windowStart || position + n > m_windowStart + m_window.size()) {
      m_windowStart = position;
      m_window.resize(static_cast<size_t>(std::min<uint64_t>(kWindow, m_size - position)));
      if (!ReadDirect(position, m_window.data(), m_window.size())) {
        m_window.clear();
        return false;
      }
    }
    if (n > 0) std::memcpy(target, m_window.data() + (position - m_windowStart), static_cast<size_t>(n));
    return true;
  }
  return ReadDirect(position, static_cast<uint8_t*>(target), n);
}

bool FileReader::ReadDirect(uint64_t position, uint8_t* target, uint64_t n) {
  while (n > 0) {
    const ssize_t got = ::pread(m_fd, target, static_cast<size_t>(std::min<uint64_t>(n, 1 << 30)),
                                static_cast<off_t>(position));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    target += got;
    position += static_cast<uint64_t>(got);
    n -= static_cast<uint64_t>(got);
  }
  return true;
}

bool SequentialReader::ReadLE32(uint32_t* value) {
  uint8_t bytes[4];
  if (!Read(bytes, 4)) return false;
  *value = ::ReadLE32(bytes);
  return true;
}

bool SequentialReader::ReadLE64(uint64_t* value) {
  uint8_t bytes[8];
  if (!Read(bytes, 8)) return false;
  *value = ::ReadLE64(bytes);
  return true;
}
