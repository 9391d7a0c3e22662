// The benchmarks' large sound: ten one-minute layers of noise at staggered
// offsets, each with a 100-node envelope, made once per run.
#pragma once

#include <cstdint>

#include "core/model/sound.h"
#include "noise_block.h"

inline constexpr uint64_t kMinuteBytes = 60ull * kWorkingBytesPerSecond;

// Replaces the layer's envelope with `nodeCount` nodes spread evenly over it.
inline void AddEnvelope(CSoundLayer& layer, int nodeCount) {
  layer.nodes.clear();
  const int64_t step = static_cast<int64_t>(layer.length()) / nodeCount;
  for (int i = 0; i < nodeCount; ++i) layer.nodes.push_back({(i % 7) / 3.0 - 1.0, i * step});
}

inline CSound& TenLayerSound() {
  static CSound sound;
  if (sound.layers.empty()) {
    for (int i = 0; i < 10; ++i) {
      CSoundLayer& layer = sound.AppendLayer("", NoiseBlock(kMinuteBytes, static_cast<uint32_t>(i + 1)), kMinuteBytes);
      layer.offset = i * static_cast<int32_t>(kWorkingBytesPerSecond / 10);
      AddEnvelope(layer, 100);
    }
  }
  return sound;
}
