// Saved layer bytes in memory or in an "SDF" temporary file (see the header).
#include "core/edit/saved_bytes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

namespace {

std::string TemporaryFolder() {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) folder = "/tmp";
  return folder.string();
}

bool WriteAll(int fd, const uint8_t* data, uint64_t length) {
  uint64_t done = 0;
  while (done < length) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(length - done, uint64_t{1} << 30));
    const ssize_t written = ::pwrite(fd, data + done, chunk, static_cast<off_t>(done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<uint64_t>(written);
  }
  return true;
}

bool ReadAll(int fd, uint8_t* data, uint64_t length) {
  uint64_t done = 0;
  while (done < length) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(length - done, uint64_t{1} << 30));
    const ssize_t got = ::pread(fd, data + done, chunk, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<uint64_t>(got);
  }
  return true;
}

}  // namespace

SavedBytes::~SavedBytes() { Clear(); }

uint64_t SavedBytes::fileSize() const {
  struct stat status {};
  if (m_fd < 0 || ::fstat(m_fd, &status) != 0) return 0;
  return static_cast<uint64_t>(status.st_size);
}

void SavedBytes::Clear() {
  m_data.reset();
  m_length = 0;
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  m_path.clear();
}

bool SavedBytes::WriteToFile(const uint8_t* data, uint64_t length) {
  if (m_fd < 0) {
    std::string name = TemporaryFolder() + "/SDFXXXXXX";
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return false;
    m_fd = fd;
    m_path = pattern.data();
    ::unlink(m_path.c_str());
  }
  // A shorter copy must not leave the tail of a longer one behind it.
  if (::ftruncate(m_fd, 0) != 0 || !WriteAll(m_fd, data, length)) {
    Clear();
    return false;
  }
  return true;
}

bool SavedBytes::Store(const uint8_t* data, uint64_t length, uint64_t spillThreshold) {
  m_data.reset();
  if (length > spillThreshold && WriteToFile(data, length)) {
    m_length = length;
    return true;
  }
  Clear();
  std::unique_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[length == 0 ? 1 : length]);
  if (copy == nullptr) return false;
  if (length != 0) std::memcpy(copy.get(), data, length);
  m_data = std::move(copy);
  m_length = length;
  return true;
}

void SavedBytes::Adopt(std::unique_ptr<uint8_t[]> data, uint64_t length, uint64_t spillThreshold) {
  if (length > spillThreshold && data != nullptr && WriteToFile(data.get(), length)) {
    m_data.reset();
    m_length = length;
    return;
  }
  Clear();
  m_data = std::move(data);
  m_length = m_data == nullptr ? 0 : length;
}

bool SavedBytes::Take(std::unique_ptr<uint8_t[]>* data) {
  if (m_fd < 0) {
    if (m_data == nullptr) {
      // Nothing kept, or an empty copy: hand out an empty block.
      std::unique_ptr<uint8_t[]> empty(new (std::nothrow) uint8_t[1]);
      if (empty == nullptr) return false;
      *data = std::move(empty);
    } else {
      *data = std::move(m_data);
    }
    m_length = 0;
    return true;
  }
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[m_length == 0 ? 1 : m_length]);
  if (block == nullptr || !ReadAll(m_fd, block.get(), m_length)) return false;
  *data = std::move(block);
  return true;
}
