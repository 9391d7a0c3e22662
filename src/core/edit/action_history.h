// A document's action history: at most ten rows, oldest first, and the
// index of the row whose action is in effect. Each row has its kind (which
// gives its name and icon), the local time it was recorded at, and, except
// for the first row ("Open" or "New"), the CHistoryAction with what the edit
// destroyed. Recording after undos discards the rows that could have been
// redone; the eleventh row pushes the oldest one out.
//
// The history also knows which row was in effect when the document was last
// saved, so that undoing or redoing back to it can say the document is as
// saved. A change that records no row (an envelope node, a tag) leaves no
// row that matches the saved file, and forgets it.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/edit/history_action.h"
#include "core/model/selection.h"
#include "core/model/sound.h"

struct HistoryRow {
  HistoryKind kind = HistoryKind::kOpen;
  std::string timeText;                    // "h:mm:ss AM" / "h:mm:ss PM"
  std::unique_ptr<CHistoryAction> action;  // null for the first row
  uint64_t serial = 0;                     // unique within the history

  // The kind's name and icon.
  std::string name() const { return std::string(InfoFor(kind).name); }
  int icon() const { return InfoFor(kind).icon; }
};

// The recording time as the history shows it: hours without a leading zero,
// reduced by twelve above 12, two-digit minutes and seconds, then "AM"
// before noon and "PM" from noon on ("1:05:09 PM").
std::string FormatHistoryTime(const std::tm& time);

class CActionHistory {
 public:
  static constexpr size_t kMaximumRows = 10;

  explicit CActionHistory(uint64_t spillThreshold = SavedBytes::kDefaultSpillThreshold);

  CActionHistory(const CActionHistory&) = delete;
  CActionHistory& operator=(const CActionHistory&) = delete;

  // The local time rows are stamped with; tests fix it.
  using Clock = std::function<std::tm()>;
  void SetClock(Clock clock) { m_clock = std::move(clock); }

  // Empties the history and adds its first row (kOpen or kNew), which has
  // no saved state. `saved` says whether the sound is as its file has it.
  void Start(HistoryKind first, bool saved);
  // Records an action that is about to happen. What is saved follows the
  // kind (see CHistoryAction). False, with the rows and the sound unchanged,
  // when the state cannot be saved; the caller must then not make the edit.
  [[nodiscard]] bool AddAction(CSound& sound, HistoryKind kind, int32_t layerIndex);
  // Stop playback, exchange the current row's state (undo) or the next row's
  // (redo) with the sound, bring the active layer and the selection back
  // into the layers, move the current index. False, with nothing changed,
  // when there is nothing to undo or redo or the saved bytes cannot be
  // brought back.
  [[nodiscard]] bool UndoAction(CSound& sound);
  [[nodiscard]] bool RedoAction(CSound& sound);

  bool CanUndo() const { return m_current > 0; }
  bool CanRedo() const { return m_current + 1 < static_cast<int32_t>(m_rows.size()); }
  // "&Undo - Cut\tCtrl+Z" / "&Undo\tCtrl+Z", "&Redo - Paste\tCtrl+Y" / "&Redo\tCtrl+Y".
  std::string UndoLabel() const;
  std::string RedoLabel() const;

  // The row in effect is the sound as it was saved; forgotten by a change
  // that records no row, or when the saved row is discarded.
  void MarkSaved();
  void ForgetSaved() { m_savedSerial = 0; }
  bool AtSavedRow() const;

  const std::vector<HistoryRow>& rows() const { return m_rows; }
  int32_t currentIndex() const { return m_current; }
  uint64_t spillThreshold() const { return m_spillThreshold; }

 private:
  void DeleteRowsAfterCurrent();
  void Insert(HistoryKind kind, std::unique_ptr<CHistoryAction> action);

  std::vector<HistoryRow> m_rows;
  int32_t m_current = -1;
  uint64_t m_spillThreshold;
  Clock m_clock;
  uint64_t m_nextSerial = 1;
  uint64_t m_savedSerial = 0;  // 0: no row is the saved state
};
