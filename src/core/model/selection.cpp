// The selection's rules (see the header).
#include "core/model/selection.h"

#include <algorithm>

#include "core/model/sound.h"
#include "core/model/wave_format.h"

namespace {

// Rounds a layer position up to the next frame boundary, never past the end.
uint64_t UpToFrame(uint64_t position, uint64_t length) {
  const uint64_t frame = WorkingFormat().blockAlign;
  const uint64_t rounded = (position + frame - 1) / frame * frame;
  return std::min(rounded, length);
}

}  // namespace

int32_t ToSoundPosition(int64_t position) {
  return static_cast<int32_t>(std::clamp<int64_t>(position, 0, kLargestSoundPosition));
}

int64_t ClampToLayer(int64_t position, const CSoundLayer& layer, int64_t shortOfEnd) {
  const int64_t offset = layer.offset;
  const int64_t last = std::max(offset, layer.end() - shortOfEnd);
  if (position < offset) position = offset;
  if (position >= layer.end()) position = last;
  return std::min(position, kLargestSoundPosition);
}

Selection Selection::Of(const CSound& sound) { return {sound.selectionStart, sound.selectionEnd}; }

Selection Selection::Range(int64_t a, int64_t b) {
  return {ToSoundPosition(std::min(a, b)), ToSoundPosition(std::max(a, b))};
}

void Selection::ApplyTo(CSound& sound) const {
  sound.selectionStart = start;
  sound.selectionEnd = end;
}

bool Selection::LiesIn(const CSoundLayer& layer) const { return start >= layer.offset && end < layer.end(); }

Selection Selection::ClampedTo(const CSoundLayer& layer) const {
  const int64_t first = layer.offset;
  // A layer without bytes keeps the selection on its offset instead of one
  // byte before it.
  const int64_t last = std::max(first, layer.end() - 1);
  return {ToSoundPosition(std::clamp<int64_t>(start, first, last)),
          ToSoundPosition(std::clamp<int64_t>(end, first, last))};
}

Selection Selection::MovedBy(int64_t delta) const {
  return {ToSoundPosition(int64_t{start} + delta), ToSoundPosition(int64_t{end} + delta)};
}

LayerRange Selection::InLayer(const CSoundLayer& layer) const {
  const int64_t length = static_cast<int64_t>(layer.length());
  const int64_t first = std::clamp<int64_t>(int64_t{start} - layer.offset, 0, length);
  const int64_t last = std::clamp<int64_t>(int64_t{end} - layer.offset, first, length);
  LayerRange range;
  range.start = UpToFrame(static_cast<uint64_t>(first), layer.length());
  range.end = std::max(range.start, UpToFrame(static_cast<uint64_t>(last), layer.length()));
  return range;
}

void ClampActiveLayerIndex(CSound& sound) {
  const int32_t count = static_cast<int32_t>(sound.layers.size());
  if (sound.activeLayerIndex >= count) sound.activeLayerIndex = count - 1;
  if (sound.activeLayerIndex < 0) sound.activeLayerIndex = 0;
}

void RepairActiveLayerAndSelection(CSound& sound) {
  ClampActiveLayerIndex(sound);
  if (sound.layers.empty() || sound.IsSelectionInActiveLayer()) return;
  if (!sound.SelectLayerFromSelection()) {
    sound.activeLayerIndex = 0;
    Selection::Cursor(sound.layers.front()->offset).ApplyTo(sound);
  }
}

bool ActivateLayer(CSound& sound, int index, SelectionOnActivate rule) {
  if (index < 0 || static_cast<size_t>(index) >= sound.layers.size()) return false;
  sound.activeLayerIndex = index;
  const CSoundLayer& layer = *sound.layers[static_cast<size_t>(index)];
  const Selection selection = Selection::Of(sound);
  switch (rule) {
    case SelectionOnActivate::kCursorUnlessInside:
      if (!selection.LiesIn(layer)) Selection::Cursor(layer.offset).ApplyTo(sound);
      break;
    case SelectionOnActivate::kClampInside:
      selection.ClampedTo(layer).ApplyTo(sound);
      break;
  }
  return true;
}
