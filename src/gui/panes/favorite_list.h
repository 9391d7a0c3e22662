// The explorer's favourites as the profile keeps them: folders and links to
// single sound files, each a path and the name shown for it, in the order
// the Favorites page lists them.
//
// Two forms are stored, in section "Settings". "Favorites" is an array of
// path and name pairs that keeps every character as it is. "Custom Folders"
// is the older comma-joined form ("path/,name,path/,name,"), which cannot
// hold a comma inside a path or a name; it is still written, for anything
// that reads it, and read only when no "Favorites" array is stored.
#pragma once

#include <QString>
#include <vector>

class QSettings;

struct Favorite {
  QString path;  // ends in "/", for a file link too ("/x/song.wav/")
  QString name;  // the text shown on the Favorites page
};

class CFavoriteList {
 public:
  // The favourites stored in `settings`; an empty list when there are none.
  static std::vector<Favorite> Load(QSettings& settings);
  static void Save(QSettings& settings, const std::vector<Favorite>& favorites);

  // The comma-joined form: split at commas, where consecutive commas count
  // as one and a leading comma is skipped, then taken two at a time as path
  // and name; a piece left without its partner is dropped.
  static std::vector<Favorite> ParseCommaJoined(const QString& value);
  static QString CommaJoined(const std::vector<Favorite>& favorites);
};
