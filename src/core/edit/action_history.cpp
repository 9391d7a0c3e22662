// The rows of a document's action history and the moves through them.
#include "core/edit/action_history.h"

#include <cstdio>

namespace {

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

std::string FormatHistoryTime(const std::tm& time) {
  const int hour = time.tm_hour > 12 ? time.tm_hour - 12 : time.tm_hour;
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour, time.tm_min, time.tm_sec,
                time.tm_hour >= 12 ? "PM" : "AM");
  return text;
}

CActionHistory::CActionHistory(uint64_t spillThreshold) : m_spillThreshold(spillThreshold), m_clock(LocalNow) {}

void CActionHistory::DeleteRowsAfterCurrent() {
  // Rows own their saved state as what it is: a discarded "Merge" row frees
  // the layers of the list it held, a "Remove Layer" row its layer.
  m_rows.erase(m_rows.begin() + (m_current + 1), m_rows.end());
}

void CActionHistory::Start(HistoryKind first, bool saved) {
  m_rows.clear();
  m_current = -1;
  m_savedSerial = 0;
  m_nextSerial = 1;
  Insert(first, nullptr);
  if (saved) MarkSaved();
}

bool CActionHistory::AddAction(CSound& sound, HistoryKind kind, int32_t layerIndex) {
  auto action = std::make_unique<CHistoryAction>(kind, layerIndex, m_spillThreshold);
  if (!action->Record(sound)) return false;
  Insert(kind, std::move(action));
  return true;
}

void CActionHistory::Insert(HistoryKind kind, std::unique_ptr<CHistoryAction> action) {
  const size_t before = m_rows.size();
  DeleteRowsAfterCurrent();
  // The oldest row leaves whenever ten existed, even if the discarded redo
  // rows already made room.
  if (before == kMaximumRows) {
    m_rows.erase(m_rows.begin());
    --m_current;
  }
  HistoryRow row;
  row.kind = kind;
  row.timeText = FormatHistoryTime(m_clock());
  row.action = std::move(action);
  row.serial = m_nextSerial++;
  m_rows.insert(m_rows.begin() + (m_current + 1), std::move(row));
  ++m_current;
}

void CActionHistory::MarkSaved() {
  m_savedSerial = m_current >= 0 ? m_rows[static_cast<size_t>(m_current)].serial : 0;
}

bool CActionHistory::AtSavedRow() const {
  return m_savedSerial != 0 && m_current >= 0 && m_rows[static_cast<size_t>(m_current)].serial == m_savedSerial;
}

bool CActionHistory::UndoAction(CSound& sound) {
  if (!CanUndo()) return false;
  sound.Stop();
  CHistoryAction* action = m_rows[static_cast<size_t>(m_current)].action.get();
  if (action == nullptr || !action->Undo(sound)) return false;
  RepairActiveLayerAndSelection(sound);
  --m_current;
  return true;
}

bool CActionHistory::RedoAction(CSound& sound) {
  if (!CanRedo()) return false;
  sound.Stop();
  CHistoryAction* action = m_rows[static_cast<size_t>(m_current + 1)].action.get();
  if (action == nullptr || !action->Redo(sound)) return false;
  RepairActiveLayerAndSelection(sound);
  ++m_current;
  return true;
}

std::string CActionHistory::UndoLabel() const {
  if (!CanUndo()) return "&Undo\tCtrl+Z";
  return "&Undo - " + m_rows[static_cast<size_t>(m_current)].name() + "\tCtrl+Z";
}

std::string CActionHistory::RedoLabel() const {
  if (!CanRedo()) return "&Redo\tCtrl+Y";
  return "&Redo - " + m_rows[static_cast<size_t>(m_current + 1)].name() + "\tCtrl+Y";
}
