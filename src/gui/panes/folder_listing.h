// What the explorer shows of one folder: its sub-folders and its sound files,
// folders first and then by the bytes of their names, so that the order is
// the same whatever the user's locale. A folder is read only when asked for
// (the trees read one level ahead of what is open), never a whole disk.
#pragma once

#include <QString>
#include <vector>

struct FolderEntry {
  QString name;
  QString path;  // the folder's path and the name, without a trailing "/"
  bool isFolder = false;
};

class CFolderListing {
 public:
  // A sound file ends in one of the extensions the program opens (wave,
  // layered document, MP3, FLAC, Ogg, ...), in any case: recorders write
  // "TAKE01.WAV", and the open path takes those as well.
  static bool IsSoundFileName(const QString& name);

  // The sub-folders and sound files of `folder`, sorted. Hidden entries and
  // other files are left out; a folder that cannot be read (gone, no
  // permission) gives an empty list.
  static std::vector<FolderEntry> List(const QString& folder);

  // True when `folder` holds at least one entry List would give; stops at
  // the first, so a huge folder costs no more than a small one.
  static bool HasEntries(const QString& folder);

  // The order of List: folders before files, then byte order of the names
  // ("B" before "a").
  static bool Precedes(const FolderEntry& first, const FolderEntry& second);

  // `folder` and `name` joined by one "/" ("/" and "home" give "/home").
  static QString Join(const QString& folder, const QString& name);
};
