// Filling a layer's playback ring through its envelope.
#include "core/audio/layer_play_buffer.h"

#include <algorithm>

#include "core/model/layer_mixer.h"

void FillLayerSamples(CSoundLayer& layer, uint64_t position, int16_t* out, size_t count) {
  // The mix-down's own loop, with this one layer: what the ring plays is
  // exactly what the mix-down adds for the layer.
  LayerMixer(layer).WriteTo(position / 2, out, count);
}

DeviceResult LayerPlayBuffer::FillPlayBuffer(SoundOutputDevice& device, const WaveFormat& format,
                                             uint64_t position) {
  layer_->RebuildSnapshot();
  if (buffer_ && buffer_->Size() == kPlayRingBytes) {
    buffer_->Stop();  // kept: filled again below
  } else {
    StopPlayBuffer();
    DeviceResult made = device.CreateBuffer(kPlayRingBytes, format, &buffer_);
    if (!made.Succeeded() || !buffer_) {
      buffer_.reset();
      return made.Succeeded() ? DeviceResult::Fail(kDeviceErrorGeneric, "SOUND_ERR_NO_BUFFER",
                                                   "The sound buffer could not be made.")
                              : made;
    }
  }
  LockedRegion region;
  if (!buffer_->Lock(0, 0, &region, /*entireBuffer=*/true).Succeeded()) return DeviceResult::Ok();
  FillLayerSamples(*layer_, position, reinterpret_cast<int16_t*>(region.data), region.bytes / 2);
  buffer_->Unlock(region);
  return DeviceResult::Ok();
}

void LayerPlayBuffer::AdoptRing(std::unique_ptr<SoundOutputBuffer> ring) {
  StopPlayBuffer();
  buffer_ = std::move(ring);
}

std::unique_ptr<SoundOutputBuffer> LayerPlayBuffer::TakeRing() {
  if (buffer_) buffer_->Stop();
  return std::move(buffer_);
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
