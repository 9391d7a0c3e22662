// Reads a file at any position with a small window cache, so that scans
// that step one byte at a time do not cost a system call per byte. Every
// read states how many bytes it needs and fails when the file cannot supply
// them: callers never allocate from a length the file cannot back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class FileReader {
 public:
  FileReader() = default;
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Opens a regular file for reading only. False otherwise, with errno
  // saying why: EISDIR for a folder, ENODEV for a pipe, socket or device.
  bool Open(const std::string& path);
  uint64_t size() const { return m_size; }
  // Reads exactly `n` bytes at `position`; false when the file ends first.
  bool Read(uint64_t position, void* target, uint64_t n);
  // The bytes left from `position` to the end of the file.
  uint64_t Remaining(uint64_t position) const { return position < m_size ? m_size - position : 0; }

 private:
  bool ReadDirect(uint64_t position, uint8_t* target, uint64_t n);

  int m_fd = -1;
  uint64_t m_size = 0;
  std::vector<uint8_t> m_window;
  uint64_t m_windowStart = 0;
};

// Why `path` cannot be opened by a FileReader (an errno value as Open leaves
// it), 0 when it can.
int ReadAccessError(const std::string& path);

// A reader that walks forward through a FileReader.
class SequentialReader {
 public:
  explicit SequentialReader(FileReader& file) : m_file(file) {}

  uint64_t position() const { return m_position; }
  uint64_t remaining() const { return m_file.Remaining(m_position); }
  bool Read(void* target, uint64_t n) {
    if (!m_file.Read(m_position, target, n)) return false;
    m_position += n;
    return true;
  }
  bool ReadU8(uint8_t* value) { return Read(value, 1); }
  bool ReadLE32(uint32_t* value);
  bool ReadLE64(uint64_t* value);

 private:
  FileReader& m_file;
  uint64_t m_position = 0;
};
