// A document's action history: at most ten rows, oldest first, and the
// index of the row whose action is in effect. Each row has its action name,
// kind (the icon the side panel shows), the local time it was recorded at,
// and, except for the first row ("Open" or "New"), the CHistoryAction with
// what the edit destroyed. Recording after undos discards the rows that
// could have been redone; the eleventh row pushes the oldest one out.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/edit/history_action.h"
#include "core/model/sound.h"

// Row kinds: the index of the row's icon.
enum HistoryKind : int {
  kHistoryOpen = 1,
  kHistoryNew = 2,
  kHistoryCut = 3,  // also "Crop"
  kHistoryPaste = 4,
  kHistoryNewLayer = 5,
  kHistoryRemoveLayer = 6,
  kHistoryMerge = 7,
};

struct HistoryRow {
  std::string name;
  int kind = 0;
  std::string timeText;                    // "h:mm:ss AM" / "h:mm:ss PM"
  std::unique_ptr<CHistoryAction> action;  // null for the first row
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

  // Records an action that is about to happen (layer index -1: a row with
  // no saved state, used for the first row). What is saved follows the name
  // (see CHistoryAction). False, with the rows and the sound unchanged, when
  // the state cannot be saved; the caller must then not make the edit.
  [[nodiscard]] bool AddAction(CSound& sound, const std::string& name, int kind, int32_t layerIndex);
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

  const std::vector<HistoryRow>& rows() const { return m_rows; }
  int32_t currentIndex() const { return m_current; }
  uint64_t spillThreshold() const { return m_spillThreshold; }

 private:
  void DeleteRowsAfterCurrent();

  std::vector<HistoryRow> m_rows;
  int32_t m_current = -1;
  uint64_t m_spillThreshold;
  Clock m_clock;
};

// After an undo or redo, or any change of the layer list: makes the active
// layer index name a layer, and when the selection does not lie in the
// active layer, makes the layer that holds it active, or else layer 0 with
// the selection collapsed to its offset.
void RepairActiveLayerAndSelection(CSound& sound);
// Brings the active layer index into the layer list (0 when it is empty).
void ClampActiveLayerIndex(CSound& sound);
