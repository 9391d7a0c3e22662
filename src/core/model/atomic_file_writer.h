// Writes a file so that the old one survives any failure: the bytes go to a
// temporary file beside the target, which replaces the target (rename) only
// after everything was written and flushed to disk. A writer that is
// destroyed without a successful Commit removes its temporary file.
// A target that is a symbolic link stays one: the file it names is replaced,
// and the new file takes over the old one's permission bits (and owner and
// group, as far as the process may give them).
// Writers that go back to fill in a header once they know the sizes (the
// muxers of FLAC, MP4, AIFF and MP3's Xing frame) may seek within the file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The system calls by which a writer puts its file on disk. Tests install
// their own to make the n-th of them fail, or to stop a save midway; the
// program always uses the real ones.
struct FileSystemCalls {
  ssize_t (*write)(int fd, const void* bytes, size_t size);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
};

class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file in the folder of the target, or of the file
  // the target links to.
  bool Open(const std::string& targetPath);
  // Appends bytes; false once any write has failed.
  bool Write(const void* bytes, size_t size);
  bool WriteLE32(uint32_t value);
  // Moves the place where the next Write goes; false once any write has
  // failed. The bytes written so far stay where they are.
  bool Seek(uint64_t offset);
  // Where the next Write goes, and how far the file reaches.
  uint64_t Position() const { return m_position + m_buffer.size(); }
  uint64_t Size() const { return m_size; }
  // Flushes, syncs and renames over the target. False leaves the target as
  // it was.
  bool Commit();

  bool ok() const { return m_fd >= 0 && !m_failed; }
  // Why the first failure happened (an errno value), 0 while none did. After
  // a failed Open or Commit, errno holds it too, for callers that only see
  // a result code; the clean-up of a failed save never overwrites it.
  int error() const { return m_error; }

  // Installs `calls` for every writer from now on (nullptr: the real ones)
  // and returns the table used until then.
  static const FileSystemCalls* UseSystemCalls(const FileSystemCalls* calls);

 private:
  bool FlushBuffer();
  // Marks the writer failed, keeping the errno of the first failure.
  void Fail();
  void Abandon();

  std::string m_target;
  std::string m_temporary;
  int m_fd = -1;
  bool m_failed = false;
  int m_error = 0;
  // The file offset at which the buffer's bytes go, and the largest offset
  // any byte has reached.
  uint64_t m_position = 0;
  uint64_t m_size = 0;
  std::vector<uint8_t> m_buffer;
};
