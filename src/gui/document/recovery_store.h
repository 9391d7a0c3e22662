// Keeps the unsaved work of every open document in the recovery folder
// (RecoveryFolder, in the core), so that it survives a crash of the program
// or of the machine.
//
// A document's first change arms a single-shot timer; when it runs out, the
// worker prepares blocks for a copy of the document's layers (allocating and
// touching memory is most of what a copy costs), this thread copies the
// layers into them (a memcpy into memory in use, quick), and the worker
// writes the copy as a layered document, so that neither the allocation nor
// the write holds the interface. A document is written at most once every
// kIntervalMs, a short while (kQuietMs) after the change that armed the timer
// at the earliest. No timer runs while nothing has changed since the last
// write, so an idle editor does nothing.
//
// One worker runs the writes and deletions one after the other, in the order
// they were asked for: a newer state always lands after an older one, and a
// deletion after every write before it. A document that is written while it
// is edited again is written again once the write ends; a document closed
// during a write loses its entry once the write ends. The copy belongs to the
// write, so a document may go away at any time.
//
// The entry goes when the document is saved (it is no longer modified) or
// closed: after a normal exit the folder is empty.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/model/recovery_folder.h"

class CWavedeskDoc;
class QTimer;
class SoundSnapshot;

class CRecoveryStore : public QObject {
  Q_OBJECT

 public:
  // How long after the change that arms the timer a document is written at
  // the earliest, and the least time between two writes of one document.
  static constexpr int kQuietMs = 3000;
  static constexpr int kIntervalMs = 30000;

  explicit CRecoveryStore(QObject* parent = nullptr);
  // Waits for the writes and deletions under way and queued.
  ~CRecoveryStore() override;

  // <the user's application data folder>/recovery; empty when there is no
  // such folder.
  static QString DefaultFolder();

  // Opens (makes, locks) the folder; false when it cannot be made or another
  // running program holds it. Nothing is kept then.
  bool Open(const QString& folder);
  QString folder() const;
  // The entries the folder held when it was opened and holds now.
  std::vector<RecoveryEntry> Entries() const;
  RecoveryFolder& recoveryFolder() { return m_folder; }

  // Keeps `document`'s unsaved work from its next change on, until it is
  // saved or closed. `entryFile` names the entry a recovered document was
  // read from: it holds the document's state already and is kept until the
  // document is saved or closed.
  void Watch(CWavedeskDoc* document, const std::string& entryFile = std::string());
  // Deletes an entry that no document uses (one the user chose not to
  // recover, or could not be read); on this thread, at once.
  void Discard(const std::string& file);

  // Waits until the worker has done everything asked of it so far.
  void WaitForWorker();
  // Shorter times for tests.
  void SetTimes(int quietMs, int intervalMs);

  // A watched document's entry file; empty when not watched.
  std::string EntryFile(const CWavedeskDoc* document) const;
  // Milliseconds until the document's state is written; -1 when its timer
  // does not run.
  int RemainingMs(const CWavedeskDoc* document) const;

 signals:
  // A write of the entry `file` ended (`ok` false: it failed and is tried
  // again later).
  void stored(const QString& file, bool ok);

 private:
  struct Watched {
    CWavedeskDoc* document = nullptr;
    std::string file;
    QTimer* timer = nullptr;
    QElapsedTimer lastWrite;       // invalid before the first write
    bool writing = false;          // a copy is being prepared or on its way to the folder
    bool changedSinceCopy = false; // changes the folder does not hold yet
    bool listed = false;           // the folder holds (or will hold) an entry
  };

  void OnChanged(uint64_t id);
  void OnSaved(uint64_t id);
  void OnClosed(uint64_t id);
  void Arm(Watched& watched);
  void WriteNow(uint64_t id);
  void OnPrepared(uint64_t id, std::shared_ptr<SoundSnapshot> snapshot);
  void OnWritten(uint64_t id, bool ok);
  // Lets the worker free a copy nobody writes: freeing a large block takes
  // a while too.
  void Drop(std::shared_ptr<SoundSnapshot> snapshot);
  void RemoveEntry(const std::string& file);
  Watched* Find(uint64_t id);
  const Watched* Find(const CWavedeskDoc* document) const;

  RecoveryFolder m_folder;
  bool m_open = false;
  // One thread: the folder's jobs run in the order they were given.
  QThreadPool m_worker;
  std::map<uint64_t, Watched> m_watched;  // by a number of their own: a closed document's address may come again
  uint64_t m_nextId = 1;
  int m_quietMs = kQuietMs;
  int m_intervalMs = kIntervalMs;
};
