// The timers, the copies and the worker that keep the unsaved work of open
// documents in the recovery folder (see the header).
#include "gui/document/recovery_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>

#include "core/model/sound_snapshot.h"
#include "gui/document/wavedesk_doc.h"

CRecoveryStore::CRecoveryStore(QObject* parent) : QObject(parent) {
  m_worker.setMaxThreadCount(1);
}

CRecoveryStore::~CRecoveryStore() {
  // The jobs use the folder, and a normal exit's deletions must be done
  // before the program ends.
  m_worker.waitForDone();
}

QString CRecoveryStore::DefaultFolder() {
  // Without a data folder (no home) there is nowhere to keep anything.
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  return data.isEmpty() ? QString() : data + QStringLiteral("/recovery");
}

bool CRecoveryStore::Open(const QString& folder) {
  m_open = m_folder.Open(QFile::encodeName(folder).toStdString());
  return m_open;
}

QString CRecoveryStore::folder() const { return QFile::decodeName(QByteArray::fromStdString(m_folder.path())); }

std::vector<RecoveryEntry> CRecoveryStore::Entries() const { return m_folder.Entries(); }

void CRecoveryStore::SetTimes(int quietMs, int intervalMs) {
  m_quietMs = quietMs;
  m_intervalMs = intervalMs;
}

void CRecoveryStore::WaitForWorker() { m_worker.waitForDone(); }

CRecoveryStore::Watched* CRecoveryStore::Find(uint64_t id) {
  const auto found = m_watched.find(id);
  return found != m_watched.end() ? &found->second : nullptr;
}

const CRecoveryStore::Watched* CRecoveryStore::Find(const CWavedeskDoc* document) const {
  for (const auto& [id, watched] : m_watched) {
    if (watched.document == document) return &watched;
  }
  return nullptr;
}

std::string CRecoveryStore::EntryFile(const CWavedeskDoc* document) const {
  const Watched* watched = Find(document);
  return watched != nullptr ? watched->file : std::string();
}

int CRecoveryStore::RemainingMs(const CWavedeskDoc* document) const {
  const Watched* watched = Find(document);
  return watched != nullptr && watched->timer->isActive() ? watched->timer->remainingTime() : -1;
}

void CRecoveryStore::Watch(CWavedeskDoc* document, const std::string& entryFile) {
  if (!m_open || document == nullptr || Find(document) != nullptr) return;
  const uint64_t id = m_nextId++;
  Watched& watched = m_watched[id];
  watched.document = document;
  watched.listed = !entryFile.empty();
  watched.file = watched.listed ? entryFile : m_folder.NewEntryFile();
  watched.timer = new QTimer(this);
  watched.timer->setSingleShot(true);
  connect(watched.timer, &QTimer::timeout, this, [this, id] { WriteNow(id); });
  connect(document, &CWavedeskDoc::contentChanged, this, [this, id] { OnChanged(id); });
  connect(document, &CWavedeskDoc::modifiedChanged, this, [this, id](bool modified) {
    if (!modified) OnSaved(id);
  });
  connect(document, &QObject::destroyed, this, [this, id] { OnClosed(id); });
}

void CRecoveryStore::Arm(Watched& watched) {
  if (watched.timer->isActive() || watched.writing) return;
  // A quiet moment after the change, and the interval after the last write.
  qint64 delay = m_quietMs;
  if (watched.lastWrite.isValid()) delay = std::max(delay, m_intervalMs - watched.lastWrite.elapsed());
  watched.timer->start(static_cast<int>(delay));
}

void CRecoveryStore::OnChanged(uint64_t id) {
  Watched* watched = Find(id);
  if (watched == nullptr) return;
  watched->changedSinceCopy = true;
  // While a write runs, the timer is armed when it ends.
  Arm(*watched);
}

void CRecoveryStore::WriteNow(uint64_t id) {
  Watched* watched = Find(id);
  if (watched == nullptr || !watched->changedSinceCopy || !watched->document->IsModified()) return;
  watched->writing = true;
  watched->lastWrite.start();
  const std::vector<uint64_t> lengths = SoundSnapshot::LayerLengths(watched->document->sound());
  m_worker.start([this, id, lengths] {
    std::shared_ptr<SoundSnapshot> prepared(SoundSnapshot::Prepare(lengths));
    // Delivered on this object's thread; dropped if the store is gone,
    // which waits for this job before it goes.
    QMetaObject::invokeMethod(this, [this, id, prepared] { OnPrepared(id, prepared); }, Qt::QueuedConnection);
  });
}

void CRecoveryStore::OnPrepared(uint64_t id, std::shared_ptr<SoundSnapshot> snapshot) {
  Watched* watched = Find(id);
  // Closed, or saved, while the blocks were prepared: nothing to write.
  if (watched == nullptr || !watched->document->IsModified()) {
    if (watched != nullptr) watched->writing = false;
    Drop(std::move(snapshot));
    return;
  }
  CWavedeskDoc& document = *watched->document;
  // The copy holds everything up to here, including changes made while the
  // blocks were prepared.
  if (!snapshot || !snapshot->Fill(document.sound())) {
    // Not enough memory for the copy now; perhaps after the next interval.
    watched->writing = false;
    Drop(std::move(snapshot));
    Arm(*watched);
    return;
  }
  RecoveryEntry entry;
  entry.file = watched->file;
  entry.originalPath = QFile::encodeName(document.pathName()).toStdString();
  entry.title = document.title().toUtf8().toStdString();
  entry.time = QDateTime::currentSecsSinceEpoch();
  watched->changedSinceCopy = false;
  watched->listed = true;
  // The job holds the copy and the entry by value: nothing of the document.
  m_worker.start([this, id, snapshot = std::move(snapshot), entry]() mutable {
    const bool ok = m_folder.Store(entry, *snapshot);
    snapshot.reset();
    QMetaObject::invokeMethod(this, [this, id, ok] { OnWritten(id, ok); }, Qt::QueuedConnection);
  });
}

void CRecoveryStore::Drop(std::shared_ptr<SoundSnapshot> snapshot) {
  if (snapshot) m_worker.start([snapshot = std::move(snapshot)]() mutable { snapshot.reset(); });
}

void CRecoveryStore::OnWritten(uint64_t id, bool ok) {
  Watched* watched = Find(id);
  if (watched != nullptr) {
    watched->writing = false;
    // A failed write is tried again after the interval, with whatever
    // the document holds by then.
    if (!ok) watched->changedSinceCopy = true;
    if (watched->changedSinceCopy && watched->document->IsModified()) Arm(*watched);
    emit stored(QString::fromStdString(watched->file), ok);
  }
}

void CRecoveryStore::RemoveEntry(const std::string& file) {
  m_worker.start([this, file] { m_folder.Remove(file); });
}

void CRecoveryStore::OnSaved(uint64_t id) {
  Watched* watched = Find(id);
  if (watched == nullptr) return;
  watched->timer->stop();
  watched->changedSinceCopy = false;
  if (watched->listed) RemoveEntry(watched->file);
  watched->listed = false;
}

void CRecoveryStore::OnClosed(uint64_t id) {
  Watched* watched = Find(id);
  if (watched == nullptr) return;
  // The deletion queues behind a write still under way.
  if (watched->listed) RemoveEntry(watched->file);
  delete watched->timer;
  m_watched.erase(id);
}

void CRecoveryStore::Discard(const std::string& file) { m_folder.Remove(file); }
