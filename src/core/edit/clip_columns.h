// What the clipboard manager's list shows for a clip: the four columns with
// their headings, widths and alignment, the text of each cell, and the label
// of a clip in the tool bar's Paste drop-down. Plain strings, so that the
// window only fills them in.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/edit/clip_store.h"

enum class ClipColumnAlignment { kLeft, kRight, kCentre };

struct ClipColumn {
  std::string_view heading;
  int width;
  ClipColumnAlignment alignment;
};

enum ClipColumnIndex : int { kClipColumnName, kClipColumnSize, kClipColumnLength, kClipColumnLocation };

inline constexpr std::array<ClipColumn, 4> kClipColumns = {{
    {"Clipboard", 140, ClipColumnAlignment::kLeft},
    {"Data Size", 140, ClipColumnAlignment::kRight},
    {"Clip Length", 140, ClipColumnAlignment::kCentre},
    {"File Location", 140, ClipColumnAlignment::kCentre},
}};

// The text of `column` (0-3) for `row`; empty for any other column. The
// length is whole seconds of working-format sound (176,400 bytes each),
// counted from the listed byte count even for a clip in another format.
std::string ClipColumnText(const ClipRow& row, int column);

// The Paste drop-down's label: the first column, " (", the second, ")".
std::string ClipPasteMenuText(const ClipRow& row);
