// The recording file: the temporary file "REC..." that the capture poll
// appends captured bytes to while a recording runs. It goes straight to
// disk so that a long recording costs no memory until it is handed to a
// document; it is deleted when its owner goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class RecordingFile {
 public:
  // Makes an empty file with a unique name starting "REC" in `folder`.
  [[nodiscard]] static bool Create(const std::string& folder, std::unique_ptr<RecordingFile>* file);
  // Closes and deletes the file.
  ~RecordingFile();
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

  const std::string& path() const { return m_path; }
  // Empties the file for a new recording.
  [[nodiscard]] bool Truncate();
  // Appends all `bytes`; false when the disk refused some of them.
  [[nodiscard]] bool Append(const uint8_t* data, size_t bytes);
  uint64_t Length() const;
  // Reads up to `bytes` bytes at `offset`; the count read (0 at the end), or
  // -1 on a read error.
  int64_t ReadAt(uint64_t offset, uint8_t* into, size_t bytes) const;
  // Reads the file from its start into `into` (room for `length` bytes) in
  // pieces of `piece` bytes, calling `between` with the count read so far
  // after each piece; each piece goes on where the last one really ended.
  // Returns the bytes read: less than `length` when the file is shorter or
  // a read failed.
  uint64_t ReadAll(uint8_t* into, uint64_t length, size_t piece,
                   const std::function<void(uint64_t done)>& between = {}) const;

 private:
  RecordingFile(std::string path, int fd) : m_path(std::move(path)), m_fd(fd) {}

  std::string m_path;
  int m_fd;
};
