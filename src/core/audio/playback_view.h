// What the playback engine needs from the document's waveform view: its 40 ms
// play timer, the few numbers that decide where it should scroll, and three
// ways of showing a new play position. The engine lives in the core and knows
// no windows; the waveform view implements this and the engine tells it what
// to do, so the arithmetic of following the play position stays testable
// without a window.
#pragma once

#include <cstdint>

// The view's state as the engine reads it once per timer tick.
struct PlaybackViewport {
  int32_t zoom = 4;            // frames per pixel, a power of two, at least 1
  int32_t clientWidth = 0;     // pixels
  int32_t scrollPosition = 0;  // horizontal, in pixels of content x
  bool hasHorizontalScrollBar = true;
  bool busy = false;  // a programmatic scroll or a popup menu is under way
};

class PlaybackView {
 public:
  virtual ~PlaybackView() = default;

  // Starts the view's play timer (timer 1, every 40 ms, replacing a running
  // one) or kills it. Each tick of it calls CSoundPlayback::OnPlayTimer.
  virtual void SetPlayTimer(bool running) = 0;

  virtual PlaybackViewport Viewport() const = 0;

  // The view's scroll operation: unless busy, sets the horizontal scroll
  // position (the scroll bar clamps it) and repaints fully.
  virtual void ScrollTo(int32_t scrollPosition) = 0;

  // Repaints the whole view from the sound as it is now.
  virtual void Repaint() = 0;

  // Moves the selection mark without a full repaint: inverts the old
  // selection's rectangle in the old layer's band (none when oldLayer < 0),
  // then the current selection's in the active layer's band.
  virtual void InvertSelectionChange(int32_t oldStart, int32_t oldEnd, int32_t oldLayer) = 0;
};
