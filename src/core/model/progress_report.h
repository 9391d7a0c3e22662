// How long work in the core (a conversion, a long generated sound) reports
// its progress and learns that the user cancelled it. The work itself runs on
// worker threads; the thread that started it waits, calling Poll about every
// 20 ms, so that the caller can keep its windows alive and show a progress
// bar. The core never knows what is on the other side: the GUI's progress
// window, a test, or nothing at all.
#pragma once

class ProgressReport {
 public:
  virtual ~ProgressReport() = default;
  // `percent` (0 ... 100) is the work's own estimate of how far it got.
  // Returns false to cancel the work. Always called on the thread that
  // started the work, never on a worker.
  [[nodiscard]] virtual bool Poll(int percent) = 0;
};

// For callers that show nothing and never cancel.
class SilentProgress final : public ProgressReport {
 public:
  bool Poll(int) override { return true; }
};
