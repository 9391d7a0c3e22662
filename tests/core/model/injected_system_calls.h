// System calls for the atomic writer that fail on purpose: the n-th write,
// fsync, close or rename fails with a typical errno, or every write is cut
// short. The save failure tests install them to check that a save that fails
// anywhere leaves the old file.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "core/model/atomic_file_writer.h"

namespace injected {

enum class Call { kWrite, kFsync, kClose, kRename };

inline const char* CallName(Call call) {
  switch (call) {
    case Call::kWrite: return "write";
    case Call::kFsync: return "fsync";
    case Call::kClose: return "close";
    case Call::kRename: return "rename";
  }
  return "?";
}

inline int ErrorOf(Call call) {
  switch (call) {
    case Call::kWrite: return ENOSPC;
    case Call::kFsync: return EIO;
    case Call::kClose: return EDQUOT;
    case Call::kRename: return EXDEV;
  }
  return EIO;
}

// What the injected calls do. One save at a time uses them (from its own
// thread or a worker it waits for).
struct Injection {
  Call call = Call::kWrite;
  int failAt = 0;       // the n-th call of `call` fails (0: none does)
  int seen = 0;         // calls of `call` so far
  size_t shortWrite = 0;  // when > 0, no write takes more than this many bytes
};
inline Injection g_injection;

inline bool Hit(Call call) {
  if (call != g_injection.call) return false;
  ++g_injection.seen;
  if (g_injection.seen != g_injection.failAt) return false;
  errno = ErrorOf(call);
  return true;
}

inline ssize_t InjectedWrite(int fd, const void* bytes, size_t size) {
  if (Hit(Call::kWrite)) return -1;
  if (g_injection.shortWrite > 0) size = std::min(size, g_injection.shortWrite);
  return ::write(fd, bytes, size);
}
inline int InjectedFsync(int fd) { return Hit(Call::kFsync) ? -1 : ::fsync(fd); }
inline int InjectedClose(int fd) {
  // A failed close has still closed the descriptor, as on Linux.
  const bool fail = Hit(Call::kClose);
  ::close(fd);
  if (fail) errno = ErrorOf(Call::kClose);
  return fail ? -1 : 0;
}
inline int InjectedRename(const char* from, const char* to) { return Hit(Call::kRename) ? -1 : ::rename(from, to); }

inline constexpr FileSystemCalls kInjectedCalls{InjectedWrite, InjectedFsync, InjectedClose, InjectedRename};

// Every writer uses the injected calls while one of these lives.
class InjectedSystemCalls {
 public:
  explicit InjectedSystemCalls(Injection injection) : m_previous(AtomicFileWriter::UseSystemCalls(&kInjectedCalls)) {
    g_injection = injection;
  }
  ~InjectedSystemCalls() { AtomicFileWriter::UseSystemCalls(m_previous); }
  InjectedSystemCalls(const InjectedSystemCalls&) = delete;
  InjectedSystemCalls& operator=(const InjectedSystemCalls&) = delete;

 private:
  const FileSystemCalls* m_previous;
};

}  // namespace injected
