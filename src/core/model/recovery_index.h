// The index of the recovery folder: which document file in the folder holds
// the unsaved state of which document (the file it came from, empty for an
// untitled one, and its title) and when that state was taken. It is a small
// text file, one line per document, so that a person looking into the
// folder after a crash can read it too:
//
//   TVF recovery index 1
//   <file name> TAB <seconds since 1970> TAB <original path> TAB <title>
//
// Paths and titles are bytes as the program holds them; '%', tabs, line
// breaks and every other control byte in them are written as %XX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct RecoveryEntry {
  std::string file;          // the document file's name inside the folder
  std::string originalPath;  // the file the document was read from or saved to; empty when untitled
  std::string title;         // the document's title, without the "*" of a modified one
  int64_t time = 0;          // when the state was taken, in seconds since 1970 (UTC)
  bool operator==(const RecoveryEntry&) const = default;
};

class RecoveryIndex {
 public:
  static std::string Format(const std::vector<RecoveryEntry>& entries);
  // Reads the lines of an index. A line that cannot be read (cut short,
  // a bad escape, a file name that is not one of ours) is left out and
  // counted in `damaged`; false, with no entries, when the text is not an
  // index at all.
  static bool Parse(const std::string& text, std::vector<RecoveryEntry>* entries, size_t* damaged = nullptr);

  // Whether `name` can be the name of an entry's document file: letters,
  // digits, '-' and '_' before ".tvf", and nothing that leads out of the
  // folder. A damaged or hand-edited index must not make the program read
  // or delete any other file.
  static bool IsEntryFileName(const std::string& name);
};
