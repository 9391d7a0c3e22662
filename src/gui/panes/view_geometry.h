// The waveform view's coordinate rules in one place: where a byte position of
// the sound lands on screen at a zoom and scroll position, how tall a layer's
// band is and which band a y falls in. The view, its painters and the mouse
// and playback code all measure with these, so that a click lands on the
// sample that was drawn under it.
//
// Content x is the view's own horizontal coordinate: one column per `zoom`
// frames, with a 40-pixel header left of position 0. Client x is content x
// minus the scroll position. Divisions truncate toward zero throughout, as the
// positions stored in documents were always measured that way.
#pragma once

#include <cstdint>

#include "core/model/wave_format.h"

struct ViewGeometry {
  static constexpr int kHeaderWidth = 40;  // left of content x 40 lies the header of a layer at 0
  static constexpr int kRulerHeight = 15;  // the time ruler on top, the frame ruler below

  int zoom = 4;         // frames per pixel column, a power of two
  int scroll = 0;       // horizontal scroll position, in content x
  int width = 0;        // client width
  int height = 0;       // client height
  int layerCount = 0;

  // Content x of a byte position of the sound.
  int64_t ContentX(int64_t bytePosition) const { return bytePosition / 2 / 2 / zoom + kHeaderWidth; }
  int64_t ClientX(int64_t bytePosition) const { return ContentX(bytePosition) - scroll; }
  // Byte position of a content x (the first byte of its column).
  int64_t Position(int64_t contentX) const { return (contentX - kHeaderWidth) * zoom * kWorkingBlockAlign; }

  // Height of one layer's band; 0 without layers.
  int BandHeight() const { return layerCount > 0 ? (height - 2 * kRulerHeight) / layerCount : 0; }
  int BandTop(int layerIndex) const { return layerIndex * BandHeight() + kRulerHeight; }
  int BandBottom(int layerIndex) const { return BandTop(layerIndex) + BandHeight(); }
  // The layer whose band holds client y, or -1. The index is truncated toward
  // zero, so the few rows of the top ruler just above the first band count
  // as layer 0.
  int LayerAt(int clientY) const {
    const int band = BandHeight();
    if (band <= 0) return -1;
    const int index = (clientY - kRulerHeight) / band;
    return index >= 0 && index < layerCount ? index : -1;
  }

  // Content x of an envelope node: its position is relative to the layer.
  int64_t NodeContentX(int32_t layerOffset, int64_t nodePosition) const {
    return ContentX(static_cast<int64_t>(layerOffset) + nodePosition);
  }
  // Client y of an envelope level in a layer's band: +1 lies 5 pixels below
  // the band's top, -1 5 pixels above its bottom, 0 on the centre line.
  int NodeY(int layerIndex, double level) const {
    const int half = BandHeight() / 2;
    return static_cast<int>(static_cast<double>(BandTop(layerIndex) + half) - (half - 5) * level);
  }
};
