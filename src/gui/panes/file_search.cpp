// The search walk. It reads folders with opendir/readdir rather than QDir:
// the entry type comes with the name, so only folders and matching files
// cost a stat, which matters on a disk of a million files.
#include "gui/panes/file_search.h"

#include <QFile>
#include <QMetaObject>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <utility>

#include "core/model/sound_file_types.h"
#include "gui/panes/mount_list.h"

namespace {

// How often the "Searching: " line may change: often enough to show that
// the search moves, seldom enough not to flood the interface thread.
constexpr auto kStatusInterval = std::chrono::milliseconds(50);

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}

}  // namespace

CFileSearch::CFileSearch(QObject* parent) : QObject(parent) {}

CFileSearch::~CFileSearch() {
  for (Job& job : m_jobs) job.stop->store(true);
  WaitForWorkers();
}

void CFileSearch::WaitForWorkers() {
  for (Job& job : m_jobs) job.thread.join();
  m_jobs.clear();
}

void CFileSearch::Start(const QString& text, const QStringList& roots) {
  if (text.isEmpty()) return;
  Cancel();
  JoinFinishedJobs();
  ++m_generation;
  m_running = true;
  std::vector<std::string> rootPaths;
  for (const QString& root : roots) rootPaths.push_back(WithSlash(QFile::encodeName(root).toStdString()));
  Job job{{}, std::make_shared<std::atomic<bool>>(false), std::make_shared<std::atomic<bool>>(false)};
  job.thread = std::thread([this, needle = text.toStdString(), rootPaths, generation = m_generation,
                            hook = m_folderHook, stop = job.stop, done = job.done] {
    Walk(needle, rootPaths, hook, generation, *stop);
    done->store(true);
  });
  m_jobs.push_back(std::move(job));
}

void CFileSearch::Cancel() {
  m_running = false;
  for (Job& job : m_jobs) job.stop->store(true);
}

void CFileSearch::JoinFinishedJobs() {
  for (auto it = m_jobs.begin(); it != m_jobs.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = m_jobs.erase(it);
    } else {
      ++it;
    }
  }
}

void CFileSearch::Walk(const std::string& text, const std::vector<std::string>& roots, const FolderHook& hook,
                       int generation, const std::atomic<bool>& stop) {
  // Runs on the worker: `this` is used only to post to the interface
  // thread, where each call first checks that its search is still current.
  const QString needle = QString::fromStdString(text);
  auto lastStatus = std::chrono::steady_clock::now() - kStatusInterval;
  // Folders seen, by device and inode: a bind mount that shows a folder
  // inside itself must not make the walk endless.
  std::set<std::pair<dev_t, ino_t>> seen;

  for (const std::string& root : roots) {
    struct stat rootInfo {};
    if (stat(root.c_str(), &rootInfo) != 0 || !S_ISDIR(rootInfo.st_mode)) continue;
    // Depth first, each folder's sub-folders in the order the file system
    // gives them: the stack holds them in reverse.
    std::vector<std::string> pending{root};
    seen.insert({rootInfo.st_dev, rootInfo.st_ino});
    while (!pending.empty()) {
      if (stop.load()) return;
      const std::string folder = std::move(pending.back());
      pending.pop_back();
      const QString location = QFile::decodeName(QByteArray::fromStdString(folder));
      if (hook) hook(location);
      if (stop.load()) return;
      std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
      // A folder that cannot be read is skipped without a word.
      if (!dir) continue;
      const auto now = std::chrono::steady_clock::now();
      if (now - lastStatus >= kStatusInterval) {
        lastStatus = now;
        QMetaObject::invokeMethod(
            this,
            [this, generation, location] {
              if (generation == m_generation && m_running) emit searching(location);
            },
            Qt::QueuedConnection);
      }
      const int fd = dirfd(dir.get());
      std::vector<std::string> subfolders;
      while (dirent* entry = readdir(dir.get())) {
        if (stop.load()) return;
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = entry->d_type;
        struct stat info {};
        if (type == DT_UNKNOWN) {
          if (fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
          type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
        }
        if (type == DT_DIR) {
          // Hidden folders hold settings and caches, not a user's sounds.
          if (name[0] != '.') subfolders.push_back(name);
          continue;
        }
        // The extension is plain ASCII: most names are turned down before
        // they are decoded.
        if (!HasOpenableSoundExtension(name)) continue;
        const QString fileName = QFile::decodeName(QByteArray::fromStdString(name));
        if (!fileName.contains(needle, Qt::CaseInsensitive)) continue;
        // A link to a sound file is a hit like the file; a link to nothing,
        // or to a folder, is none.
        if (fstatat(fd, name.c_str(), &info, 0) != 0 || !S_ISREG(info.st_mode)) continue;
        const qint64 size = static_cast<qint64>(info.st_size);
        QMetaObject::invokeMethod(
            this,
            [this, generation, fileName, location, size] {
              if (generation == m_generation) emit found(fileName, location, size);
            },
            Qt::QueuedConnection);
      }
      for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) {
        struct stat info {};
        if (fstatat(fd, it->c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(info.st_mode)) continue;
        // Another file system is another disk, searched from its own root
        // (or not at all, when it is no local disk).
        if (info.st_dev != rootInfo.st_dev) continue;
        const std::string path = folder + *it + '/';
        if (CMountList::IsSystemPath(QFile::decodeName(QByteArray::fromStdString(path.substr(0, path.size() - 1)))))
          continue;
        if (!seen.insert({info.st_dev, info.st_ino}).second) continue;
        pending.push_back(path);
      }
    }
  }
  if (stop.load()) return;
  QMetaObject::invokeMethod(
      this,
      [this, generation] {
        if (generation != m_generation || !m_running) return;
        m_running = false;
        emit finished();
      },
      Qt::QueuedConnection);
}
