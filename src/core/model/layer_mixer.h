// One layer as every mix reads it: its samples placed in the sound at half
// its byte offset (truncated toward zero) and scaled value by value by its
// envelope, each value truncated toward zero and held to 16 bits. The
// mix-down adds all layers through this into 32-bit sums and saturates once;
// a playback fill adds its one layer into a ring the same way, and the
// output mixer sums the rings and saturates once. So what is saved is what
// is heard, sample for sample, whatever the order of the layers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/model/envelope_walker.h"
#include "core/model/mix_kernels.h"
#include "core/model/sound_layer.h"

// Mixes go through 32-bit sums this many values at a time: small enough to
// stay in the cache while every layer is added, large enough that the
// per-run bookkeeping does not show.
constexpr size_t kMixChunkValues = 4096;

class LayerMixer {
 public:
  // A layer that adds nothing.
  LayerMixer() = default;
  // Reads `layer`'s samples and node snapshot (built if absent, not
  // rebuilt); both must stay as they are while the mixer is used.
  explicit LayerMixer(CSoundLayer& layer);

  // Adds the layer's values at the sound's 16-bit values first ...
  // first + count − 1 into sums[0 ... count − 1]; values outside the layer
  // add nothing. Successive calls (AddTo or WriteTo) must not go backwards.
  void AddTo(uint64_t first, int32_t* sums, size_t count);
  // Writes the same values into slots[0 ... count − 1], and 0 where the
  // layer has no value: a playback ring's contents.
  void WriteTo(uint64_t first, int16_t* slots, size_t count);

  // The mixing loop: mixes layer values first ... last − 1 of `data` into
  // out[0 ...] (added into 32-bit sums, stored into 16-bit slots), run by
  // run, taking each run's gain rule from segmentAt(byte position relative
  // to the layer). Every step takes at least the value at hand, so the loop
  // ends whatever a segment claims.
  template <typename Out, typename SegmentAt>
  static void MixRuns(const int16_t* data, uint64_t first, uint64_t last, Out* out,
                      SegmentAt&& segmentAt) {
    uint64_t j = first;
    while (j < last) {
      const uint64_t position = 2 * j;
      const EnvelopeWalker::Segment segment = segmentAt(position);
      // Values whose position 2j lies before the segment's end.
      const uint64_t covered = segment.end / 2 + (segment.end & 1);
      const uint64_t stop = std::clamp(covered, j + 1, last);
      const size_t count = static_cast<size_t>(stop - j);
      Out* at = out + (j - first);
      if (segment.linear) {
        const double x0 = PositionDistance(static_cast<int64_t>(position), segment.position0);
        MixEnvelopeSegment(data + j, at, count, segment.level0, segment.slope, x0);
      } else {
        MixConstantGain(data + j, at, count, segment.gain);
      }
      j = stop;
    }
  }

 private:
  // The rule for the run at relative position p.
  EnvelopeWalker::Segment SegmentAt(uint64_t p);
  // The layer values that fall on sound values first ... first + count − 1:
  // [*layerFirst, *layerLast), empty when none does.
  void Overlap(uint64_t first, size_t count, int64_t* layerFirst, int64_t* layerLast) const;

  const int16_t* data_ = nullptr;
  int64_t values_ = 0;  // whole 16-bit values in the layer
  int64_t shift_ = 0;   // sound value of layer value 0
  std::span<const EnvelopeNode> nodes_;
  // An unsorted node copy, or positions beyond 32 bits, go through the
  // reference evaluation one value at a time.
  bool exact_ = false;
  EnvelopeWalker walker_{{}, false};
};
