// The two summary levels and the query that stitches them together with the
// raw samples at the ends of a run.
#include "core/model/peak_summary.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

constexpr int16_t kNoSmallest = std::numeric_limits<int16_t>::max();
constexpr int16_t kNoLargest = std::numeric_limits<int16_t>::min();

constexpr uint64_t RoundUp(uint64_t value, uint64_t unit) { return (value + unit - 1) / unit * unit; }
constexpr uint64_t RoundDown(uint64_t value, uint64_t unit) { return value / unit * unit; }

}  // namespace

bool LayerPeakSummary::Build(const int16_t* samples, uint64_t sampleCount) {
  Clear();
  if (samples == nullptr || sampleCount == 0) return true;
  const uint64_t frames = (sampleCount + 1) / 2;
  const uint64_t fineBlocks = RoundUp(frames, kFineFrames) / kFineFrames;
  const uint64_t coarseBlocks = RoundUp(frames, kCoarseFrames) / kCoarseFrames;
  std::unique_ptr<Span[]> fine(new (std::nothrow) Span[fineBlocks * kChannels]);
  std::unique_ptr<Span[]> coarse(new (std::nothrow) Span[coarseBlocks * kChannels]);
  if (!fine || !coarse) return false;

  // Whole frames first, in a loop the compiler can vectorise; an odd last
  // value (a frame with no right value) is folded in afterwards.
  const uint64_t wholeFrames = sampleCount / 2;
  for (uint64_t block = 0; block < fineBlocks; ++block) {
    const uint64_t first = block * kFineFrames;
    const uint64_t end = std::min(first + kFineFrames, wholeFrames);
    int16_t leftLow = kNoSmallest, leftHigh = kNoLargest, rightLow = kNoSmallest, rightHigh = kNoLargest;
    for (uint64_t f = first; f < end; ++f) {
      const int16_t left = samples[2 * f];
      const int16_t right = samples[2 * f + 1];
      leftLow = std::min(leftLow, left);
      leftHigh = std::max(leftHigh, left);
      rightLow = std::min(rightLow, right);
      rightHigh = std::max(rightHigh, right);
    }
    fine[Slot(block, 0)] = Span{leftLow, leftHigh};
    fine[Slot(block, 1)] = Span{rightLow, rightHigh};
  }
  if (sampleCount % 2 != 0) {
    Span& last = fine[Slot(fineBlocks - 1, 0)];
    const int16_t value = samples[sampleCount - 1];
    last.smallest = std::min(last.smallest, value);
    last.largest = std::max(last.largest, value);
  }

  constexpr uint64_t kFinePerCoarse = kCoarseFrames / kFineFrames;
  for (uint64_t block = 0; block < coarseBlocks; ++block) {
    const uint64_t firstFine = block * kFinePerCoarse;
    const uint64_t endFine = std::min(firstFine + kFinePerCoarse, fineBlocks);
    for (int channel = 0; channel < kChannels; ++channel) {
      Span span{kNoSmallest, kNoLargest};
      for (uint64_t f = firstFine; f < endFine; ++f) {
        span.smallest = std::min(span.smallest, fine[Slot(f, channel)].smallest);
        span.largest = std::max(span.largest, fine[Slot(f, channel)].largest);
      }
      coarse[Slot(block, channel)] = span;
    }
  }

  m_fine = std::move(fine);
  m_coarse = std::move(coarse);
  m_sampleCount = sampleCount;
  return true;
}

void LayerPeakSummary::Clear() {
  m_fine.reset();
  m_coarse.reset();
  m_sampleCount = 0;
}

uint64_t LayerPeakSummary::FrameCount(int channel) const {
  return channel == 0 ? (m_sampleCount + 1) / 2 : m_sampleCount / 2;
}

void LayerPeakSummary::ScanSamples(const int16_t* samples, int channel, uint64_t first, uint64_t end,
                                   Extremes& into) {
  if (first >= end) return;
  int16_t low = kNoSmallest, high = kNoLargest;
  for (uint64_t f = first; f < end; ++f) {
    const int16_t value = samples[2 * f + static_cast<uint64_t>(channel)];
    low = std::min(low, value);
    high = std::max(high, value);
  }
  Merge(Span{low, high}, into);
}

void LayerPeakSummary::Merge(const Span& span, Extremes& into) {
  if (span.smallest > span.largest) return;  // a block without values of this channel
  if (into.empty) {
    into.smallest = span.smallest;
    into.largest = span.largest;
    into.empty = false;
    return;
  }
  into.smallest = std::min(into.smallest, span.smallest);
  into.largest = std::max(into.largest, span.largest);
}

LayerPeakSummary::Extremes LayerPeakSummary::ChannelExtremes(const int16_t* samples, int channel, int64_t first,
                                                             int64_t end) const {
  Extremes result;
  if (samples == nullptr || channel < 0 || channel >= kChannels || m_sampleCount == 0) return result;
  const uint64_t low = static_cast<uint64_t>(std::max<int64_t>(first, 0));
  const uint64_t high = std::min(static_cast<uint64_t>(std::max<int64_t>(end, 0)), FrameCount(channel));
  if (low >= high) return result;

  // Ragged head and tail from the samples; whole 256-frame blocks from the
  // fine level; whole 65,536-frame blocks from the coarse level.
  const uint64_t fineFirst = RoundUp(low, kFineFrames);
  const uint64_t fineEnd = RoundDown(high, kFineFrames);
  if (fineFirst >= fineEnd) {
    ScanSamples(samples, channel, low, high, result);
    return result;
  }
  ScanSamples(samples, channel, low, fineFirst, result);
  const uint64_t coarseFirst = std::min(RoundUp(fineFirst, kCoarseFrames), fineEnd);
  const uint64_t coarseEnd = std::max(RoundDown(fineEnd, kCoarseFrames), coarseFirst);
  for (uint64_t f = fineFirst; f < coarseFirst; f += kFineFrames) Merge(m_fine[Slot(f / kFineFrames, channel)], result);
  for (uint64_t f = coarseFirst; f < coarseEnd; f += kCoarseFrames)
    Merge(m_coarse[Slot(f / kCoarseFrames, channel)], result);
  for (uint64_t f = coarseEnd; f < fineEnd; f += kFineFrames) Merge(m_fine[Slot(f / kFineFrames, channel)], result);
  ScanSamples(samples, channel, fineEnd, high, result);
  return result;
}
