// Reproducible noise for benchmark layers: `bytes` bytes from a linear
// congruential generator seeded with `seed`, so every run mixes and plays
// the same samples.
#pragma once

#include <cstdint>
#include <memory>

inline std::unique_ptr<uint8_t[]> NoiseBlock(uint64_t bytes, uint32_t seed) {
  auto data = std::make_unique<uint8_t[]>(bytes);
  uint32_t state = seed;
  for (uint64_t i = 0; i < bytes; ++i) {
    state = state * 1664525u + 1013904223u;
    data[i] = static_cast<uint8_t>(state >> 24);
  }
  return data;
}
