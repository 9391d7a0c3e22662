// The inner loops of the mix-down: add a run of 16-bit values into an output
// run through a constant gain or along a straight envelope segment,
// saturating at the 16-bit limits. Kept apart so that they can be built for
// the vector units of the machine they run on.
#pragma once

#include <cstddef>
#include <cstdint>

// out[i] = saturate(trunc(gain × data[i] + out[i])).
void MixConstantGain(const int16_t* data, int16_t* out, size_t count, double gain);

// out[i] = saturate(trunc(((level0 + slope × (x0 + 2i)) + 1) / 2 × data[i] + out[i])):
// value i sits 2 bytes after value i − 1, x0 is the first value's distance
// in bytes from the segment's node.
void MixEnvelopeSegment(const int16_t* data, int16_t* out, size_t count, double level0, double slope,
                        double x0);
