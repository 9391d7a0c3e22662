// Reading a folder for the explorer's trees.
#include "gui/panes/folder_listing.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "core/model/sound_file_types.h"

namespace {

// Hidden entries stay out, as in any file manager: a home folder would
// otherwise open on a wall of configuration folders.
constexpr QDir::Filters kShown = QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot;

bool IsShown(const QFileInfo& entry) { return entry.isDir() || CFolderListing::IsSoundFileName(entry.fileName()); }

}  // namespace

bool CFolderListing::IsSoundFileName(const QString& name) {
  return HasOpenableSoundExtension(QFile::encodeName(name).toStdString());
}

std::vector<FolderEntry> CFolderListing::List(const QString& folder) {
  if (folder.isEmpty()) return {};
  // The names' bytes are made once, not in every comparison of the sort.
  struct Keyed {
    QByteArray key;
    FolderEntry entry;
  };
  std::vector<Keyed> keyed;
  QDirIterator it(folder, kShown);
  while (it.hasNext()) {
    it.next();
    const QFileInfo info = it.fileInfo();
    if (!IsShown(info)) continue;
    const QString name = info.fileName();
    keyed.push_back({QFile::encodeName(name), {name, Join(folder, name), info.isDir()}});
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    if (a.entry.isFolder != b.entry.isFolder) return a.entry.isFolder;
    return a.key < b.key;
  });
  std::vector<FolderEntry> entries;
  entries.reserve(keyed.size());
  for (Keyed& item : keyed) entries.push_back(std::move(item.entry));
  return entries;
}

bool CFolderListing::HasEntries(const QString& folder) {
  if (folder.isEmpty()) return false;
  QDirIterator it(folder, kShown);
  while (it.hasNext()) {
    it.next();
    if (IsShown(it.fileInfo())) return true;
  }
  return false;
}

bool CFolderListing::Precedes(const FolderEntry& first, const FolderEntry& second) {
  if (first.isFolder != second.isFolder) return first.isFolder;
  // The names as the file system holds them, compared byte by byte.
  return QFile::encodeName(first.name) < QFile::encodeName(second.name);
}

QString CFolderListing::Join(const QString& folder, const QString& name) {
  if (folder.endsWith(QLatin1Char('/'))) return folder + name;
  return folder + QLatin1Char('/') + name;
}
