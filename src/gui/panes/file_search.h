// The explorer's search for sound files by part of their name. It walks the
// given folders on a worker thread of its own, so the window stays usable
// and the disks can be large; every hit and, now and then, the folder being
// searched reach the interface thread as queued calls, as they are found.
//
// The walk stays on the file system of the folder it started from (each
// disk is searched from its own root), never enters /proc, /sys, /dev or
// /run, and never follows a symbolic link to a folder, so a link that points
// back up the tree cannot loop. Cancel returns at once: the worker notices
// at its next entry and ends without reporting more.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class CFileSearch : public QObject {
  Q_OBJECT

 public:
  explicit CFileSearch(QObject* parent = nullptr);
  // Stops every worker and waits for it.
  ~CFileSearch() override;

  // Starts a search for sound files whose name contains `text` (case
  // ignored) in `roots` and below, one root after the other. A running
  // search is cancelled first. An empty text starts nothing.
  void Start(const QString& text, const QStringList& roots);
  // Stops the running search; what it reported so far stays reported.
  void Cancel();
  bool IsRunning() const { return m_running; }
  // Blocks until every worker has ended, a cancelled one included; reports
  // they posted arrive with the next pass of the event loop.
  void WaitForWorkers();

  // Called on the worker thread as it enters each folder (the path with its
  // trailing "/"), before reading it. Lets a test hold the walk at a chosen
  // folder.
  using FolderHook = std::function<void(const QString& folder)>;
  void SetFolderHook(FolderHook hook) { m_folderHook = std::move(hook); }

 signals:
  // A sound file `name` in folder `location` (ending in "/") of `size` bytes.
  void found(const QString& name, const QString& location, qint64 size);
  // The folder being searched (ending in "/"), at most a few times a second.
  void searching(const QString& location);
  // The search went through every folder (not sent after Cancel).
  void finished();

 private:
  struct Job {
    std::thread thread;
    // Set by Cancel or the destructor; the worker checks it at every entry.
    std::shared_ptr<std::atomic<bool>> stop;
    // Set by the worker as its last act, so that Start can reap it.
    std::shared_ptr<std::atomic<bool>> done;
  };

  void Walk(const std::string& text, const std::vector<std::string>& roots, const FolderHook& hook, int generation,
            const std::atomic<bool>& stop);
  void JoinFinishedJobs();

  // Interface-thread state. A worker's reports are taken only while its
  // generation is the current one: a new search drops the old one's late
  // reports.
  bool m_running = false;
  int m_generation = 0;
  std::vector<Job> m_jobs;
  FolderHook m_folderHook;
};
