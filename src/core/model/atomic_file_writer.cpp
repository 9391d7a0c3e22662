#include "core/model/atomic_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

constexpr size_t kBufferSize = 1 << 20;

constexpr FileSystemCalls kRealCalls{::write, ::fsync, ::close, ::rename};
std::atomic<const FileSystemCalls*> g_calls{&kRealCalls};

const FileSystemCalls& Calls() { return *g_calls.load(std::memory_order_acquire); }

// Makes a finished rename last through a power cut: the folder's entry is
// written too. Only best effort: the new file is already in place, and the
// save has succeeded whatever this says.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  [[maybe_unused]] const int synced = Calls().fsync(fd);
  ::close(fd);
}

// The process's file-creation mask, read without changing it.
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  return 022;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

// The file a save to `path` must replace: a symbolic link is followed to
// the file it names (which need not exist yet), so that the link stays a
// link. Links in the folders above are left alone: the temporary file is
// made beside the final file either way, on the same file system.
std::string FollowLinks(const std::string& path) {
  std::string current = path;
  for (int depth = 0; depth < 40; ++depth) {  // 40: the kernel's own limit on a chain of links
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return current;
    const std::string next(target.data(), static_cast<size_t>(n));
    current = next.front() == '/' ? next : FolderOf(current) + next;
  }
  return current;
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() { Abandon(); }

const FileSystemCalls* AtomicFileWriter::UseSystemCalls(const FileSystemCalls* calls) {
  return g_calls.exchange(calls != nullptr ? calls : &kRealCalls, std::memory_order_acq_rel);
}

void AtomicFileWriter::Fail() {
  if (!m_failed && m_error == 0) m_error = errno;
  m_failed = true;
}

void AtomicFileWriter::Abandon() {
  // Cleaning up must not hide why the save failed.
  const int saved = errno;
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  if (!m_temporary.empty()) {
    ::unlink(m_temporary.c_str());
    m_temporary.clear();
  }
  errno = saved;
}

bool AtomicFileWriter::Open(const std::string& targetPath) {
  // Past a file-size limit the kernel would end the program with SIGXFSZ;
  // ignored, the write fails with EFBIG and the save fails cleanly instead.
  static const bool ignoreFileSizeSignal = (std::signal(SIGXFSZ, SIG_IGN), true);
  (void)ignoreFileSizeSignal;
  Abandon();
  m_failed = false;
  m_error = 0;
  m_target = FollowLinks(targetPath);
  std::string pattern = m_target + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  m_fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (m_fd < 0) {
    m_error = errno;
    return false;
  }
  m_temporary = name.data();
  // mkstemp makes the file private; give it the mode an ordinary new file
  // would have, or the mode and owner of the file it replaces. Only a
  // privileged process may give a file away, and a group only to a member;
  // otherwise the new file keeps ours. The owner goes first: changing it
  // clears the set-id bits the mode then restores.
  struct stat existing;
  const bool replacing = ::stat(m_target.c_str(), &existing) == 0;
  if (replacing && ::fchown(m_fd, existing.st_uid, existing.st_gid) != 0) {
    [[maybe_unused]] const int groupOnly = ::fchown(m_fd, static_cast<uid_t>(-1), existing.st_gid);
  }
  ::fchmod(m_fd, replacing ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask()));
  m_position = 0;
  m_size = 0;
  m_buffer.clear();
  m_buffer.reserve(kBufferSize);
  return true;
}

bool AtomicFileWriter::FlushBuffer() {
  const uint8_t* p = m_buffer.data();
  size_t left = m_buffer.size();
  while (left > 0 && !m_failed) {
    const ssize_t n = Calls().write(m_fd, p, left);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      // Nothing written of a non-empty block: it would never end otherwise.
      if (n == 0) errno = EIO;
      Fail();
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
    m_position += static_cast<uint64_t>(n);
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
        const ssize_t n = Calls().write(m_fd, p, size);
        if (n <= 0) {
          if (n < 0 && errno == EINTR) continue;
          if (n == 0) errno = EIO;
          Fail();
          return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
        m_position += static_cast<uint64_t>(n);
      }
      m_size = std::max(m_size, m_position);
      return true;
    }
  }
  m_buffer.insert(m_buffer.end(), p, p + size);
  m_size = std::max(m_size, Position());
  return true;
}

bool AtomicFileWriter::Seek(uint64_t offset) {
  if (!ok() || !FlushBuffer()) return false;
  if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    Fail();
    return false;
  }
  m_position = offset;
  return true;
}

bool AtomicFileWriter::WriteLE32(uint32_t value) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  return Write(bytes, 4);
}

bool AtomicFileWriter::Commit() {
  if (!ok() || !FlushBuffer() || Calls().fsync(m_fd) != 0) {
    if (m_error == 0) m_error = errno;
    Abandon();
    errno = m_error;
    return false;
  }
  const int fd = m_fd;
  m_fd = -1;
  if (Calls().close(fd) != 0 || Calls().rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    m_error = errno;
    Abandon();
    errno = m_error;
    return false;
  }
  m_temporary.clear();
  SyncFolder(FolderOf(m_target));
  return true;
}
