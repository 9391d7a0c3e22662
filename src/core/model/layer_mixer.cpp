// The reading of one layer by the mixes; see layer_mixer.h.
#include "core/model/layer_mixer.h"

LayerMixer::LayerMixer(CSoundLayer& layer)
    : data_(layer.samples()),
      values_(static_cast<int64_t>(layer.sampleCount())),
      shift_(layer.offset / 2),  // truncated toward zero
      nodes_(layer.snapshot()),
      walker_(nodes_, layer.EnvelopeActive()) {
  // GetGain takes 32-bit positions: a layer reaching past them, or an
  // unsorted copy, is evaluated exactly as GetGain does, value by value.
  const bool beyond32Bits = values_ > 0 && static_cast<uint64_t>(values_ - 1) * 2 > UINT32_MAX;
  exact_ = layer.EnvelopeActive() && (!walker_.sorted() || beyond32Bits);
}

EnvelopeWalker::Segment LayerMixer::SegmentAt(uint64_t p) {
  if (!exact_) return walker_.SegmentAt(p);
  EnvelopeWalker::Segment one;
  one.end = p + 1;
  one.gain = EvaluateEnvelope(nodes_, static_cast<uint32_t>(p));
  return one;
}

void LayerMixer::Overlap(uint64_t first, size_t count, int64_t* layerFirst,
                         int64_t* layerLast) const {
  // Sound value s holds layer value s − shift.
  const int64_t soundFirst = static_cast<int64_t>(first);
  *layerFirst = std::max<int64_t>(0, soundFirst - shift_);
  *layerLast = std::min<int64_t>(values_, soundFirst + static_cast<int64_t>(count) - shift_);
  if (data_ == nullptr || *layerLast < *layerFirst) *layerLast = *layerFirst;
}

void LayerMixer::AddTo(uint64_t first, int32_t* sums, size_t count) {
  int64_t layerFirst = 0, layerLast = 0;
  Overlap(first, count, &layerFirst, &layerLast);
  if (layerFirst == layerLast) return;
  MixRuns(data_, static_cast<uint64_t>(layerFirst), static_cast<uint64_t>(layerLast),
          sums + (layerFirst + shift_ - static_cast<int64_t>(first)),
          [this](uint64_t p) { return SegmentAt(p); });
}

void LayerMixer::WriteTo(uint64_t first, int16_t* slots, size_t count) {
  int64_t layerFirst = 0, layerLast = 0;
  Overlap(first, count, &layerFirst, &layerLast);
  if (layerFirst == layerLast) {
    std::fill_n(slots, count, int16_t{0});
    return;
  }
  const auto before = static_cast<size_t>(layerFirst + shift_ - static_cast<int64_t>(first));
  const auto inside = static_cast<size_t>(layerLast - layerFirst);
  std::fill_n(slots, before, int16_t{0});
  MixRuns(data_, static_cast<uint64_t>(layerFirst), static_cast<uint64_t>(layerLast),
          slots + before, [this](uint64_t p) { return SegmentAt(p); });
  std::fill_n(slots + before + inside, count - before - inside, int16_t{0});
}
