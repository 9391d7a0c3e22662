// How the main window's bars are kept between runs: each bar's placement is
// a small record of raw bytes in the profile (section "Settings", one value
// per bar): whether the bar is shown and how large it is. The record is
// ours, so it reads the same whatever the window system; damaged or foreign
// bytes are ignored and leave the bar as it starts.
#pragma once

#include <QByteArray>
#include <QSize>
#include <optional>

class QMainWindow;
class QWidget;

struct BarPlacement {
  bool shown = true;
  QSize size;  // the bar's size when it was stored; invalid when unknown
};

// The record of `bar` as it stands now.
QByteArray BarPlacementBytes(const QWidget& bar);
// The placement a record holds, or nothing when `bytes` is not one.
std::optional<BarPlacement> ReadBarPlacement(const QByteArray& bytes);
// Shows or hides `bar` and gives a docked bar its stored depth again (its
// height at the top or bottom of `frame`, its width at a side). A bar that
// sizes itself at its first showing (a RestorableBar) is handed the stored
// size and takes it then.
void ApplyBarPlacement(QMainWindow& frame, QWidget& bar, const BarPlacement& placement);
