// The readers of the editor read named files, as the open dialog hands them
// a path. Each fuzz input is written to a file of its own in a private folder
// (on /dev/shm when there is one, so that no disk is involved) and handed to
// the reader under a name with the extension that chooses it.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

class FuzzInputFile {
 public:
  explicit FuzzInputFile(const char* extension) : m_path(Folder() + "/input." + extension) {}
  ~FuzzInputFile() { ::unlink(m_path.c_str()); }

  // Replaces the file's contents with `size` bytes of `data`.
  bool Write(const uint8_t* data, size_t size) const {
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = true;
    while (size > 0) {
      const ssize_t written = ::write(fd, data, size);
      if (written <= 0) {
        ok = false;
        break;
      }
      data += written;
      size -= static_cast<size_t>(written);
    }
    return ::close(fd) == 0 && ok;
  }
  const std::string& path() const { return m_path; }

  // A private folder for the run's files, removed when the run exits
  // normally (a crash leaves it for the reproducer's sake).
  static const std::string& Folder() {
    static const std::string folder = [] {
      std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
      pattern += "/wavedesk-fuzz-XXXXXX";
      if (::mkdtemp(pattern.data()) == nullptr) std::abort();
      return pattern;
    }();
    static const bool registered = [] { return std::atexit([] { ::rmdir(Folder().c_str()); }) == 0; }();
    (void)registered;
    return folder;
  }

 private:

  std::string m_path;
};
