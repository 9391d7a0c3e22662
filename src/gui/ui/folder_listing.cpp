// Reading a folder for the explorer's trees.
#include "gui/ui/folder_listing.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

// Hidden entries stay out, as in any file manager: a home folder would
// otherwise open on a wall of configuration folders.
constexpr QDir::Filters kShown = QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot;

bool IsShown(const QFileInfo& entry) { return entry.isDir() || CFolderListing::IsSoundFileName(entry.fileName()); }

}  // namespace

bool CFolderListing::IsSoundFileName(const QString& name) {
  return name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) ||
         name.endsWith(QLatin1String(".tvf"), Qt::CaseInsensitive);
}

std::vector<FolderEntry> CFolderListing::List(const QString& folder) {
  std::vector<FolderEntry> entries;
  if (folder.isEmpty()) return entries;
  QDirIterator it(folder, kShown);
  while (it.hasNext()) {
    it.next();
    const QFileInfo info = it.fileInfo();
    if (!IsShown(info)) continue;
    entries.push_back({info.fileName(), Join(folder, info.fileName()), info.isDir()});
  }
  std::sort(entries.begin(), entries.end(), Precedes);
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
