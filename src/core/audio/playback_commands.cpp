// Jump to Start and Jump to End.
#include "core/audio/playback_commands.h"

#include <algorithm>
#include <cstdint>

bool JumpToStart(CSound& sound) {
  if (sound.IsPlaying()) return false;
  sound.selectionStart = sound.selectionEnd = 0;
  if (!sound.IsSelectionInActiveLayer() && !sound.SelectLayerFromSelection() &&
      !sound.layers.empty()) {
    // SelectLayerFromSelection has made the first layer active.
    sound.selectionStart = sound.selectionEnd = sound.layers.front()->offset;
  }
  return true;
}

bool JumpToEnd(CSound& sound) {
  if (sound.IsPlaying()) return false;
  // An empty sound has no last byte; length − 1 would wrap to −1.
  const uint32_t length = sound.GetLength();
  const int32_t last =
      length == 0 ? 0 : static_cast<int32_t>(std::min<uint32_t>(length - 1, INT32_MAX));
  sound.selectionStart = sound.selectionEnd = last;
  if (!sound.IsSelectionInActiveLayer()) sound.SelectLayerFromSelection();
  return true;
}
