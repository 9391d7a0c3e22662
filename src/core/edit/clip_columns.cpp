// The cell texts of the clipboard manager's list (see clip_columns.h).
#include "core/edit/clip_columns.h"

#include "core/model/wave_format.h"

std::string ClipColumnText(const ClipRow& row, int column) {
  switch (column) {
    case kClipColumnName: return " Sound Clip " + std::to_string(row.number);
    case kClipColumnSize: return std::to_string(row.byteCount) + " bytes";
    case kClipColumnLength: return std::to_string(row.byteCount / kWorkingBytesPerSecond) + " seconds";
    case kClipColumnLocation: return row.path;
    default: return {};
  }
}

std::string ClipPasteMenuText(const ClipRow& row) {
  return ClipColumnText(row, kClipColumnName) + " (" + ClipColumnText(row, kClipColumnSize) + ")";
}
