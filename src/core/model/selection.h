// The selection of a sound and every rule that keeps it sensible: a range
// of byte positions in the sound (equal ends are a cursor), held in the
// sound's two fields. The rules that clamp it to a layer, round it to whole
// frames, move it with a layer and repair it after the layer list changed
// live here once; the editor, the view and the side panel only call them.
#pragma once

#include <cstdint>

class CSound;
class CSoundLayer;

// A selection relative to one layer: byte positions inside the layer's
// bytes, start <= end, both on frame boundaries or at the layer's end.
struct LayerRange {
  uint64_t start = 0;
  uint64_t end = 0;
  uint64_t length() const { return end - start; }
  bool operator==(const LayerRange&) const = default;
};

struct Selection {
  int32_t start = 0;
  int32_t end = 0;

  static Selection Of(const CSound& sound);
  static Selection Cursor(int64_t position) { return Range(position, position); }
  // The range between `a` and `b` in either order, each end brought into
  // the positions a sound has (0 ... 2,147,483,647).
  static Selection Range(int64_t a, int64_t b);
  void ApplyTo(CSound& sound) const;

  bool empty() const { return start == end; }
  bool operator==(const Selection&) const = default;

  // Whether the whole selection lies in `layer` as a click on the layer
  // wants it: start at or after its offset and end before its end.
  bool LiesIn(const CSoundLayer& layer) const;
  // Each end held between the layer's offset and its last byte (the offset
  // itself for a layer without bytes).
  Selection ClampedTo(const CSoundLayer& layer) const;
  // Moved by `delta` bytes with each end kept in 0 ... 2,147,483,647.
  Selection MovedBy(int64_t delta) const;
  // The part of the selection inside `layer`, relative to it, with both
  // ends rounded up to the next frame boundary (never past the layer's end).
  // A cursor at "end - 2" or "length - 1" thus means the layer's end.
  LayerRange InLayer(const CSoundLayer& layer) const;
};

// The largest sound position.
constexpr int64_t kLargestSoundPosition = 2147483647;
// `position` brought into 0 ... kLargestSoundPosition.
int32_t ToSoundPosition(int64_t position);
// A pointer position as a byte position inside `layer`: at least its offset,
// and at most `shortOfEnd` bytes before its end once it reaches the end (a
// layer shorter than that keeps its offset).
int64_t ClampToLayer(int64_t position, const CSoundLayer& layer, int64_t shortOfEnd);

// Brings the active layer index into the layer list (0 when it is empty).
void ClampActiveLayerIndex(CSound& sound);
// After any change of the layer list: makes the active layer index name a
// layer, and when the selection does not lie in the active layer, makes the
// layer that holds it active, or else layer 0 with the selection collapsed
// to its offset.
void RepairActiveLayerAndSelection(CSound& sound);
// What becomes of the selection when another layer is made active.
enum class SelectionOnActivate {
  // A click on the layer in the view: a selection that does not lie in it
  // gives way to a cursor at its offset.
  kCursorUnlessInside,
  // A pick in the side panel's list: each end is held inside the layer.
  kClampInside,
};
// Makes layer `index` active; false, with nothing changed, when there is no
// such layer.
bool ActivateLayer(CSound& sound, int index, SelectionOnActivate rule);
