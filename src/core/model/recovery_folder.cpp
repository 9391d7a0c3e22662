// The recovery folder: its lock, its index and its document files (see the
// header for the order of the steps and why).
#include "core/model/recovery_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/model/atomic_file_writer.h"
#include "core/model/file_reader.h"
#include "core/model/sound.h"
#include "core/model/sound_snapshot.h"

namespace {

// An index is a few lines per document; anything larger is not ours.
constexpr uint64_t kLargestIndex = 1 << 20;

bool IsRegularFile(const std::string& path, int64_t* modified = nullptr) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (modified != nullptr) *modified = st.st_mtim.tv_sec;
  return true;
}

// What AtomicFileWriter leaves when the process dies mid-write: the target's
// name, a dot and six characters of mkstemp's.
bool IsTemporaryOf(const std::string& name, const std::string& target) {
  return name.size() == target.size() + 7 && name.compare(0, target.size(), target) == 0 &&
         name[target.size()] == '.';
}

bool IsLeftOverTemporary(const std::string& name) {
  if (IsTemporaryOf(name, RecoveryFolder::kIndexName)) return true;
  if (name.size() <= 7) return false;
  const std::string target = name.substr(0, name.size() - 7);
  return RecoveryIndex::IsEntryFileName(target) && IsTemporaryOf(name, target);
}

}  // namespace

RecoveryFolder::~RecoveryFolder() {
  if (m_lockFd >= 0) ::close(m_lockFd);  // also releases the lock
}

bool RecoveryFolder::isOpen() const { return m_lockFd >= 0; }

std::string RecoveryFolder::FilePath(const std::string& file) const { return m_path + "/" + file; }

bool RecoveryFolder::Open(const std::string& path) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_lockFd >= 0) ::close(m_lockFd);
  m_lockFd = -1;
  m_error = 0;
  std::error_code failure;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), failure);
  // The folder holds the user's documents: private, like the files in it.
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    m_error = errno;
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    m_error = errno;
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    m_error = errno == EINTR ? EWOULDBLOCK : errno;
    ::close(fd);
    return false;
  }
  m_lockFd = fd;
  m_path = path;
  while (m_path.size() > 1 && m_path.back() == '/') m_path.pop_back();
  ReadFolder();
  return true;
}

void RecoveryFolder::ReadFolder() {
  std::vector<RecoveryEntry> listed;
  bool indexChanged = false;
  FileReader reader;
  const std::string indexPath = FilePath(kIndexName);
  if (reader.Open(indexPath)) {
    std::string text(static_cast<size_t>(std::min<uint64_t>(reader.size(), kLargestIndex)), '\0');
    if (!reader.Read(0, text.data(), text.size()) || !RecoveryIndex::Parse(text, &listed, &m_damagedLines)) {
      listed.clear();
      m_damagedLines = 1;
    }
    indexChanged = m_damagedLines > 0;
  }
  m_entries.clear();
  for (RecoveryEntry& entry : listed) {
    // A later line for the same file is the newer state.
    std::erase_if(m_entries, [&](const RecoveryEntry& e) { return e.file == entry.file; });
    if (IsRegularFile(FilePath(entry.file)))
      m_entries.push_back(std::move(entry));
    else
      indexChanged = true;  // its document was deleted just before a crash
  }

  DIR* folder = ::opendir(m_path.c_str());
  if (folder == nullptr) return;
  std::vector<RecoveryEntry> unlisted;
  while (const dirent* item = ::readdir(folder)) {
    const std::string name = item->d_name;
    if (IsLeftOverTemporary(name)) {
      ::unlink(FilePath(name).c_str());
      continue;
    }
    int64_t modified = 0;
    if (!RecoveryIndex::IsEntryFileName(name) || !IsRegularFile(FilePath(name), &modified)) continue;
    const bool known = std::any_of(m_entries.begin(), m_entries.end(), [&](const RecoveryEntry& e) { return e.file == name; });
    if (!known) unlisted.push_back(RecoveryEntry{name, std::string(), std::string(), modified});
  }
  ::closedir(folder);
  // The order of a folder listing is the file system's; the time is ours.
  std::sort(unlisted.begin(), unlisted.end(), [](const RecoveryEntry& a, const RecoveryEntry& b) {
    return a.time != b.time ? a.time < b.time : a.file < b.file;
  });
  indexChanged = indexChanged || !unlisted.empty();
  m_entries.insert(m_entries.end(), unlisted.begin(), unlisted.end());
  if (indexChanged) WriteIndex();
}

std::vector<RecoveryEntry> RecoveryFolder::Entries() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_entries;
}

size_t RecoveryFolder::damagedLines() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_damagedLines;
}

std::string RecoveryFolder::NewEntryFile() {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch()).count();
  // Every entry's file exists (a store writes it before listing it), so a
  // name no file has is free; the time and the process make a clash with
  // an earlier run unlikely, the check makes it impossible.
  for (;;) {
    char name[64];
    std::snprintf(name, sizeof name, "document-%llx-%x-%llu.tvf", static_cast<unsigned long long>(seconds),
                  static_cast<unsigned>(::getpid()), static_cast<unsigned long long>(++m_counter));
    if (!IsRegularFile(FilePath(name))) return name;
  }
}

bool RecoveryFolder::Store(const RecoveryEntry& entry, SoundSnapshot& snapshot) {
  if (!isOpen() || !RecoveryIndex::IsEntryFileName(entry.file)) return false;
  if (snapshot.Write(FilePath(entry.file)) != WriteResult::kOk) return false;
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto known = std::find_if(m_entries.begin(), m_entries.end(), [&](const RecoveryEntry& e) { return e.file == entry.file; });
  if (known != m_entries.end())
    *known = entry;
  else
    m_entries.push_back(entry);
  return WriteIndex();
}

bool RecoveryFolder::Remove(const std::string& file) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!isOpen() || !RecoveryIndex::IsEntryFileName(file)) return false;
  if (::unlink(FilePath(file).c_str()) != 0 && errno != ENOENT) return false;
  const size_t before = m_entries.size();
  std::erase_if(m_entries, [&](const RecoveryEntry& e) { return e.file == file; });
  return m_entries.size() == before || WriteIndex();
}

ReadResult RecoveryFolder::Load(const std::string& file, CSound& sound, uint32_t* repairedNodes) const {
  // A store replaces the file whole (a rename): a read sees the old or the new one.
  if (!RecoveryIndex::IsEntryFileName(file)) return ReadResult::kBadDocument;
  return sound.ReadDocumentFile(FilePath(file), repairedNodes);
}

bool RecoveryFolder::WriteIndex() {
  const std::string indexPath = FilePath(kIndexName);
  if (m_entries.empty()) return ::unlink(indexPath.c_str()) == 0 || errno == ENOENT;
  const std::string text = RecoveryIndex::Format(m_entries);
  AtomicFileWriter writer;
  if (!writer.Open(indexPath)) return false;
  writer.Write(text.data(), text.size());
  return writer.Commit();
}
