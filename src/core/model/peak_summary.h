// A summary of one layer's samples for drawing: the smallest and largest
// value of each channel per block of 256 frames and per block of 65,536
// frames. Asking for the true extremes of a channel over any run of frames
// then reads the coarse blocks for the middle of the run and the samples
// themselves only at its two ragged ends, so the cost of a waveform column
// does not grow with the zoom and a repaint does not grow with the sound.
//
// The summary is a copy of facts about a sample block: it must be rebuilt
// whenever that block changes. It holds no pointer to the samples; a query
// is handed the same block the summary was built from.
#pragma once

#include <cstdint>
#include <memory>

class LayerPeakSummary {
 public:
  static constexpr int kChannels = 2;
  static constexpr uint64_t kFineFrames = 256;
  static constexpr uint64_t kCoarseFrames = 65536;

  // The extremes of one channel over a run; `empty` when the run held no
  // sample of that channel.
  struct Extremes {
    int16_t smallest = 0;
    int16_t largest = 0;
    bool empty = true;
  };

  LayerPeakSummary() = default;

  // Summarises `sampleCount` interleaved 16-bit values (left, right, left,
  // ...). An odd count leaves a last frame with a left value only. False,
  // with the summary left empty, when its tables cannot be allocated.
  bool Build(const int16_t* samples, uint64_t sampleCount);
  void Clear();

  // The sample count the summary was built for.
  uint64_t sampleCount() const { return m_sampleCount; }
  // The frames that hold a value of `channel` (0 left, 1 right).
  uint64_t FrameCount(int channel) const;

  // The smallest and largest value of `channel` over frames [first, end),
  // clipped to the frames that hold a value of that channel. `samples` must
  // be the block the summary was built from.
  Extremes ChannelExtremes(const int16_t* samples, int channel, int64_t first, int64_t end) const;

 private:
  struct Span {
    int16_t smallest;
    int16_t largest;
  };
  // Index of a block's span of one channel in a level table.
  static uint64_t Slot(uint64_t block, int channel) { return block * kChannels + static_cast<uint64_t>(channel); }

  static void ScanSamples(const int16_t* samples, int channel, uint64_t first, uint64_t end, Extremes& into);
  static void Merge(const Span& span, Extremes& into);

  uint64_t m_sampleCount = 0;
  std::unique_ptr<Span[]> m_fine;    // per 256 frames, both channels
  std::unique_ptr<Span[]> m_coarse;  // per 65,536 frames, both channels
};
