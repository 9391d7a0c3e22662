// The folder that keeps the unsaved work of every modified document, so that
// it survives a crash of the program or of the machine: one layered document
// per document, written whole to a temporary file and renamed into place,
// and the index that says which is which (RecoveryIndex).
//
// One running program owns the folder at a time: Open locks it (flock on the
// folder itself, released by the kernel however the process ends), so a
// second program never offers, overwrites or deletes the first one's
// entries.
//
// The entries are guarded by a mutex, so the program may write from a
// worker thread while its interface thread reads; a document file is written
// outside it, so that nothing waits for a large write but the next write.
// Store and Remove of one entry must not run at the same time (the program
// runs them one after the other on one worker).
//
// The order of the steps keeps the folder readable after a crash at any
// point: a document file is written before the index lists it, and deleted
// before the index forgets it. A document file the index does not list (a crash came between
// the two steps of the first store) is still offered, as an untitled one; an
// index line whose file is gone is dropped.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "core/model/file_result.h"
#include "core/model/recovery_index.h"

class CSound;
class SoundSnapshot;

class RecoveryFolder {
 public:
  static constexpr const char* kIndexName = "index";

  RecoveryFolder() = default;
  ~RecoveryFolder();
  RecoveryFolder(const RecoveryFolder&) = delete;
  RecoveryFolder& operator=(const RecoveryFolder&) = delete;

  // Makes the folder (and the folders above it) when missing, locks it and
  // reads what it holds; temporary files that a killed write left behind are
  // deleted. False when the folder cannot be made or opened, or another
  // running program holds it; error() then says why (EWOULDBLOCK for the
  // latter).
  [[nodiscard]] bool Open(const std::string& path);
  bool isOpen() const;
  const std::string& path() const { return m_path; }
  int error() const { return m_error; }

  // The entries the folder holds, in the order they were first stored.
  std::vector<RecoveryEntry> Entries() const;
  // Index lines that could not be read when the folder was opened.
  size_t damagedLines() const;

  // A file name that no entry uses, for a document that has none yet. Quick:
  // it waits for no write.
  std::string NewEntryFile();

  // Writes `snapshot` as the document file of `entry` and lists the entry
  // (replacing an older line for the same file). False when a write
  // failed: the entry then holds its older state (the document's write
  // failed) or the newer document under its older line (the index's).
  [[nodiscard]] bool Store(const RecoveryEntry& entry, SoundSnapshot& snapshot);
  // Deletes the entry's document file and its index line. Also true when
  // there was no such entry; false when the file could not be deleted (the
  // entry is then kept).
  bool Remove(const std::string& file);

  // Reads the entry's document into `sound`: the results of
  // CSound::ReadDocumentFile, and ReadResult::kBadDocument for a name that
  // is not an entry's.
  [[nodiscard]] ReadResult Load(const std::string& file, CSound& sound, uint32_t* repairedNodes = nullptr) const;

  std::string FilePath(const std::string& file) const;

 private:
  // Writes the index, or deletes it when no entry is left: a folder whose
  // documents were all saved or closed is empty. Called with m_mutex held.
  bool WriteIndex();
  void ReadFolder();

  mutable std::mutex m_mutex;
  std::string m_path;
  int m_lockFd = -1;
  int m_error = 0;
  std::vector<RecoveryEntry> m_entries;  // guarded by m_mutex
  size_t m_damagedLines = 0;
  std::atomic<uint64_t> m_counter{0};  // makes NewEntryFile's names unique in this process
};
