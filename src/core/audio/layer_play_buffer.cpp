// Filling a layer's playback ring through its envelope.
#include "core/audio/layer_play_buffer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/model/envelope_walker.h"
#include "core/model/mix_kernels.h"

namespace {

inline int16_t Saturate(double value) {
  value = value < 32767.0 ? value : 32767.0;
  value = value > -32768.0 ? value : -32768.0;
  return static_cast<int16_t>(static_cast<int32_t>(value));
}

}  // namespace

void FillLayerSamples(CSoundLayer& layer, uint64_t position, int16_t* out, size_t count) {
  std::memset(out, 0, count * sizeof(int16_t));
  // Sound value i holds layer value i - offset / 2 (offset halved toward
  // zero), the same placement the mix-down uses; the envelope is read at
  // twice the layer value's index.
  const int64_t shift = layer.offset / 2;
  const int64_t firstSound = static_cast<int64_t>(position / 2);
  const int64_t values = static_cast<int64_t>(layer.sampleCount());
  const int64_t slots = static_cast<int64_t>(count);
  // Slots j in [jFirst, jLast) have a layer value d = firstSound + j - shift
  // in [0, values).
  const int64_t jFirst = std::clamp<int64_t>(shift - firstSound, 0, slots);
  const int64_t jLast = std::clamp<int64_t>(shift + values - firstSound, jFirst, slots);
  if (jFirst >= jLast) return;
  const int16_t* data = layer.samples();
  const bool active = layer.EnvelopeActive();
  const std::vector<EnvelopeNode>& nodes = layer.snapshot();
  EnvelopeWalker walker(nodes, active);
  int64_t d = firstSound + jFirst - shift;
  const int64_t dLast = firstSound + jLast - shift;
  int16_t* slot = out + jFirst;
  // Envelope positions are 32-bit: values beyond 4 GiB into a layer, or an
  // unsorted node copy, go through the reference evaluation one by one.
  if (!walker.sorted() || static_cast<uint64_t>(dLast) * 2 > UINT32_MAX) {
    for (; d < dLast; ++d, ++slot) {
      const double gain = active ? EvaluateEnvelope(nodes, static_cast<uint32_t>(2 * d)) : 1.0;
      *slot = Saturate(gain * data[d]);
    }
    return;
  }
  // Adding into zeroed slots gives trunc(gain × value): the mix-down's
  // kernels then serve the fill unchanged.
  while (d < dLast) {
    const uint64_t at = static_cast<uint64_t>(d) * 2;
    const EnvelopeWalker::Segment segment = walker.SegmentAt(at);
    const uint64_t endValue = segment.end == UINT64_MAX ? UINT64_MAX : (segment.end + 1) / 2;
    const int64_t stop =
        static_cast<int64_t>(std::min<uint64_t>(endValue, static_cast<uint64_t>(dLast)));
    const size_t run = static_cast<size_t>(stop - d);
    if (segment.linear) {
      const double x0 = static_cast<double>(static_cast<int64_t>(at) - segment.position0);
      MixEnvelopeSegment(data + d, slot, run, segment.level0, segment.slope, x0);
    } else {
      MixConstantGain(data + d, slot, run, segment.gain);
    }
    slot += run;
    d = stop;
  }
}

DeviceResult LayerPlayBuffer::FillPlayBuffer(SoundOutputDevice& device, const WaveFormat& format,
                                             uint64_t position) {
  layer_->RebuildSnapshot();
  StopPlayBuffer();
  DeviceResult made = device.CreateBuffer(kPlayRingBytes, format, &buffer_);
  if (!made.Succeeded() || !buffer_) {
    buffer_.reset();
    return made.Succeeded() ? DeviceResult::Fail(kDeviceErrorGeneric, "SOUND_ERR_NO_BUFFER",
                                                 "The sound buffer could not be made.")
                            : made;
  }
  LockedRegion region;
  if (!buffer_->Lock(0, 0, &region, /*entireBuffer=*/true).Succeeded()) return DeviceResult::Ok();
  FillLayerSamples(*layer_, position, reinterpret_cast<int16_t*>(region.data), region.bytes / 2);
  buffer_->Unlock(region);
  return DeviceResult::Ok();
}

void LayerPlayBuffer::FillPlayBlock(uint64_t position, int block) {
  if (!buffer_ || block < 0 || block >= kPlayBlockCount) return;
  LockedRegion region;
  const uint32_t offset = static_cast<uint32_t>(block) * kPlayBlockBytes;
  if (!buffer_->Lock(offset, kPlayBlockBytes, &region).Succeeded()) return;
  FillLayerSamples(*layer_, position, reinterpret_cast<int16_t*>(region.data), region.bytes / 2);
  buffer_->Unlock(region);
}

DeviceResult LayerPlayBuffer::StartPlayBuffer() {
  if (!buffer_) {
    return DeviceResult::Fail(kDeviceErrorGeneric, "SOUND_ERR_NO_BUFFER",
                              "The layer has no sound buffer.");
  }
  DeviceResult moved = buffer_->SetCurrentPosition(0);
  if (!moved.Succeeded()) return moved;
  return buffer_->Play(/*looping=*/true);
}

void LayerPlayBuffer::StopPlayBuffer() {
  if (!buffer_) return;
  buffer_->Stop();
  buffer_.reset();
}
