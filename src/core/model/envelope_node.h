// One node of a layer's volume envelope. The layout (a double level, then a
// signed 64-bit byte position relative to the layer) is also the node's
// 16-byte record in the layered document file.
#pragma once

#include <cstdint>

struct EnvelopeNode {
  double level = 1.0;    // -1 silence ... +1 full; gain = (level + 1) / 2
  int64_t position = 0;  // byte position relative to the layer's first byte
};
static_assert(sizeof(EnvelopeNode) == 16);
