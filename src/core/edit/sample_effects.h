// The sample arithmetic of the effects (amplify, normalize, fades, DC
// removal, reverse, invert, silence): pure functions on a block of frames in
// the working format, interleaved 16-bit stereo, that know nothing of layers,
// selections or history. The editor's effect operations call them on the
// bytes they change. None of them allocates, and none can fail: every input,
// however odd, gives a defined result.
//
// Every scaling effect rounds to the nearest integer (an exact half goes to
// the even neighbour, the processor's own rounding) and holds the result to
// the 16-bit range. Levels are in dB relative to full scale, where full scale
// is 32767; a -32768 sample therefore peaks a hair above 0 dBFS.
#pragma once

#include <cstddef>
#include <cstdint>

// The largest magnitude of each channel, -32768 counting as 32768; 0 for
// silence and for no frames at all.
struct ChannelPeaks {
  uint32_t left = 0;
  uint32_t right = 0;

  uint32_t together() const { return left > right ? left : right; }
};

ChannelPeaks PeakLevels(const int16_t* frames, size_t count);

// 20 log10(peak / 32767): 0 for 32767, minus infinity for silence.
double PeakToDbfs(uint32_t peak);

// Multiplies every sample by 10^(gainDb / 20). Gains above about +96.3 dB
// act alike (every sample other than 0 saturates); minus infinity gives
// silence; NaN leaves the samples as they are.
void Amplify(int16_t* frames, size_t count, double gainDb);

// The largest gain, in whole tenths of a dB, that Amplify can apply to a
// block with this peak without any sample saturating: the gain that brings
// the peak to exactly 32767, rounded down to 0.1 dB. Plus infinity for
// silence, since no gain makes silence clip. A peak of 32768 (a -32768
// sample) gives -0.1 dB.
double LargestGainWithoutClipping(uint32_t peak);

// Scales the block so that its peak lands on targetDb (dBFS): each channel
// by its own gain when perChannel is set, both by the one gain that brings
// the louder channel there otherwise. A silent channel stays silent. The peak
// lands on round(32767 × 10^(targetDb / 20)); targets above 0 dBFS saturate
// the samples the gain takes past the 16-bit limits.
void NormalizeToPeak(int16_t* frames, size_t count, double targetDb, bool perChannel);

// Subtracts from each channel its mean over the block, rounded to the nearest
// integer (an exact half away from zero), holding the results to 16 bits.
void RemoveDcOffset(int16_t* frames, size_t count);

enum class FadeDirection { kIn, kOut };

// The shape of a fade's gain g(t) as t runs from 0 (silence) to 1 (full).
//   kLinear:      g(t) = t
//   kLogarithmic: g(t) = 10^(3 (t - 1)), a straight line in dB from -60 dB
//                 at t = 0 to 0 dB at t = 1, except that g(0) = 0: the fade
//                 starts from true silence
//   kSCurve:      g(t) = (1 - cos(pi t)) / 2, a raised cosine, computed as
//                 (1 + sin(pi (t - 1/2))) / 2 so that g(1/2) is exactly 1/2
//                 and g(1 - t) = 1 - g(t) holds to the last bit
enum class FadeCurve { kLinear, kLogarithmic, kSCurve };

// A fade over the whole block of n frames. Fading in, frame i gets the gain
// g(i / n): the first frame is silent and the last just under full. Fading
// out mirrors it in time, frame i gets g((n - 1 - i) / n): the first frame
// is just under full and the last silent, and a fade out equals a fade in
// of the reversed frames, reversed. Both channels of a frame get the same
// gain. Each sample is what the formula, evaluated in double precision
// (i / n, pow(10, -3 (n - i) / n), (1 + sin(pi (2i - n) / 2n)) / 2), gives
// after rounding.
void Fade(int16_t* frames, size_t count, FadeDirection direction, FadeCurve curve);

// The frames in reverse order, each frame's two channels kept in place.
void Reverse(int16_t* frames, size_t count);

// Each sample negated; -32768, whose negation has no 16-bit value, becomes
// 32767.
void Invert(int16_t* frames, size_t count);

// Every sample 0.
void Silence(int16_t* frames, size_t count);
