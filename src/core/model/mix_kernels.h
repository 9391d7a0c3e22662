// The inner loops of every mix, shared by the mix-down and the playback
// fills: one layer's values scaled by a constant gain or along a straight
// envelope segment, each truncated toward zero and held to 16 bits, added
// into 32-bit sums; and the one saturation that turns the sums of all layers
// back into 16-bit samples. Kept apart so that they can be built for the
// vector units of the machine they run on.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The sum of all layers at one value, held to the 16-bit range. Every mix
// (the mix-down, the output mixer) saturates once, after the last layer, so
// that the order of the layers never changes the result.
inline int16_t SaturateSample(int32_t sum) {
  return static_cast<int16_t>(std::clamp<int32_t>(sum, INT16_MIN, INT16_MAX));
}

// One layer's value: gain × sample truncated toward zero, held to 16 bits
// (a playback ring slot holds no more). Clamping before the truncation
// equals clamping after it at the integer limits, keeps the conversion
// defined for any input, and sends NaN to the top.
inline int32_t LayerValue(double product) {
  product = product < 32767.0 ? product : 32767.0;
  product = product > -32768.0 ? product : -32768.0;
  return static_cast<int32_t>(product);
}

// Each kernel comes in two forms, told apart by where the values go: into
// 32-bit sums, where they are added (the mix-down, several layers), or into
// 16-bit slots, where they are stored (a playback ring, one layer, no sum
// needed since one layer's values are already held to 16 bits).

// sums[i] += LayerValue(gain × data[i]), or slots[i] = the same value.
void MixConstantGain(const int16_t* data, int32_t* sums, size_t count, double gain);
void MixConstantGain(const int16_t* data, int16_t* slots, size_t count, double gain);

// sums[i] += LayerValue(((level0 + slope × (x0 + 2i)) + 1) / 2 × data[i]),
// or slots[i] = the same value: value i sits 2 bytes after value i − 1, x0
// is the first value's distance in bytes from the segment's node. The
// operations and their order are those of CSoundLayer::GetGain, so the
// gains are bit for bit its own.
void MixEnvelopeSegment(const int16_t* data, int32_t* sums, size_t count, double level0,
                        double slope, double x0);
void MixEnvelopeSegment(const int16_t* data, int16_t* slots, size_t count, double level0,
                        double slope, double x0);

// out[i] = SaturateSample(sums[i]).
void SaturateSums(const int32_t* sums, int16_t* out, size_t count);
