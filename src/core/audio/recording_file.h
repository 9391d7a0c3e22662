// The recording file: the temporary file "REC..." that the capture poll
// appends captured bytes to while a recording runs. It goes straight to
// disk so that a long recording costs no memory until it is handed to a
// document; it is deleted when its owner goes.
//
// The file holds whole frames of the working format and nothing else: a
// write that fails part way (the disk is full) keeps the whole frames that
// reached the disk and drops the rest, so that whatever is appended later
// stays on the frame, left sample in the left channel.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The system calls by which the file grows, is cut back and is read. Tests
// install their own to make a write fail part way or a read fail; the
// program always uses the real ones.
struct RecordingFileCalls {
  ssize_t (*pwrite)(int fd, const void* bytes, size_t size, off_t offset);
  int (*ftruncate)(int fd, off_t length);
  ssize_t (*pread)(int fd, void* into, size_t size, off_t offset);
};

class RecordingFile {
 public:
  // The size of one frame of the working format, the unit the file is kept in.
  static constexpr uint64_t kFrameBytes = 4;

  // Makes an empty file with a unique name starting "REC" in `folder`.
  [[nodiscard]] static bool Create(const std::string& folder, std::unique_ptr<RecordingFile>* file);
  // Closes and deletes the file.
  ~RecordingFile();
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

  const std::string& path() const { return m_path; }
  // Empties the file for a new recording.
  [[nodiscard]] bool Truncate();
  // Appends all `bytes`. False when the disk refused some of them: the file
  // then ends after the last whole frame that was written (Length() says
  // where), and the next append goes on from there.
  [[nodiscard]] bool Append(const uint8_t* data, size_t bytes);
  // The bytes the recording holds.
  uint64_t Length() const { return m_length; }
  // Reads up to `bytes` bytes at `offset`; the count read (0 at the end), or
  // -1 on a read error.
  int64_t ReadAt(uint64_t offset, uint8_t* into, size_t bytes) const;
  // Reads the file from its start into `into` (room for `length` bytes) in
  // pieces of `piece` bytes, calling `between` with the count read so far
  // after each piece; each piece goes on where the last one really ended.
  // `between` may return false to stop the reading there. Returns the bytes
  // read: less than `length` when the file is shorter, a read failed or
  // `between` stopped it.
  uint64_t ReadAll(uint8_t* into, uint64_t length, size_t piece,
                   const std::function<bool(uint64_t done)>& between = {}) const;

  // Installs `calls` for every recording file from now on (nullptr: the
  // real ones) and returns the table used until then.
  static const RecordingFileCalls* UseSystemCalls(const RecordingFileCalls* calls);

 private:
  RecordingFile(std::string path, int fd) : m_path(std::move(path)), m_fd(fd) {}

  std::string m_path;
  int m_fd;
  // Where the recording ends. Bytes beyond it (the partial frame of a
  // failed write that could not be cut off) are not part of it, and the
  // next append writes over them.
  uint64_t m_length = 0;
};
