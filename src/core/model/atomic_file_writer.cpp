#include "core/model/atomic_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

constexpr size_t kBufferSize = 1 << 20;

// The process's file-creation mask, read without changing it.
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  return 022;
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() { Abandon(); }

void AtomicFileWriter::Abandon() {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  if (!m_temporary.empty()) {
    ::unlink(m_temporary.c_str());
    m_temporary.clear();
  }
}

bool AtomicFileWriter::Open(const std::string& targetPath) {
  // Past a file-size limit the kernel would end the program with SIGXFSZ;
  // ignored, the write fails with EFBIG and the save fails cleanly instead.
  static const bool ignoreFileSizeSignal = (std::signal(SIGXFSZ, SIG_IGN), true);
  (void)ignoreFileSizeSignal;
  Abandon();
  m_failed = false;
  m_target = targetPath;
  std::string pattern = targetPath + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  m_fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (m_fd < 0) return false;
  m_temporary = name.data();
  // mkstemp makes the file private; give it the mode an ordinary new file
  // would have, or the mode of the file it replaces.
  struct stat existing;
  const mode_t mode = ::stat(targetPath.c_str(), &existing) == 0
                          ? (existing.st_mode & 07777)
                          : (0666 & ~CurrentUmask());
  ::fchmod(m_fd, mode);
  m_buffer.clear();
  m_buffer.reserve(kBufferSize);
  return true;
}

bool AtomicFileWriter::FlushBuffer() {
  const uint8_t* p = m_buffer.data();
  size_t left = m_buffer.size();
  while (left > 0 && !m_failed) {
    const ssize_t n = ::write(m_fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      m_failed = true;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  m_buffer.clear();
  return !m_failed;
}

bool AtomicFileWriter::Write(const void* bytes, size_t size) {
  if (!ok()) return false;
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  if (m_buffer.size() + size > kBufferSize) {
    if (!FlushBuffer()) return false;
    if (size >= kBufferSize) {
      // Large blocks go straight to the file.
      while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0) {
          if (errno == EINTR) continue;
          m_failed = true;
          return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
      }
      return true;
    }
  }
  m_buffer.insert(m_buffer.end(), p, p + size);
  return true;
}

bool AtomicFileWriter::WriteLE32(uint32_t value) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  return Write(bytes, 4);
}

bool AtomicFileWriter::Commit() {
  if (!ok() || !FlushBuffer() || ::fsync(m_fd) != 0) {
    Abandon();
    return false;
  }
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0 || ::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    Abandon();
    return false;
  }
  m_temporary.clear();
  return true;
}
