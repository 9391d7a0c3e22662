// One layer's output buffer while its sound plays: a 1 MiB ring on the output
// device, split into four blocks, that the engine fills through the layer's
// envelope — the whole ring when playback starts, one block per timer tick
// afterwards. The buffer belongs to the engine, not to the layer, because the
// model knows nothing of sound devices.
//
// A slot of the ring holds the layer's value for one 16-bit position of the
// sound, scaled by the envelope's gain (read from the node snapshot) and
// truncated toward zero, or 0 where the layer has no sample. The values are
// those the mix-down adds for the layer, so what is heard is what is saved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/audio/sound_device.h"
#include "core/model/sound_layer.h"
#include "core/model/wave_format.h"

// The ring every playback buffer is: four blocks of 256 KiB, about 5.9 s of
// sound in all and about 1.5 s a block. Ring offset o lies in block o >> 18.
constexpr uint32_t kPlayRingBytes = 1048576;
constexpr uint32_t kPlayBlockBytes = 262144;
constexpr int kPlayBlockShift = 18;
constexpr int kPlayBlockCount = 4;

// Writes `count` 16-bit slots for the sound positions position,
// position + 2, ...: the layer's value at each through its envelope, 0 before
// the layer's offset and from its end on. Reads only the layer's samples and
// writes only the `count` slots, whatever the offset and position. The
// envelope is walked segment by segment, as the mix-down does, so its cost
// does not grow with the node count.
void FillLayerSamples(CSoundLayer& layer, uint64_t position, int16_t* out, size_t count);

class LayerPlayBuffer {
 public:
  explicit LayerPlayBuffer(CSoundLayer& layer) : layer_(&layer) {}
  ~LayerPlayBuffer() = default;  // releasing the buffer stops it
  LayerPlayBuffer(LayerPlayBuffer&&) = default;
  LayerPlayBuffer& operator=(LayerPlayBuffer&&) = default;

  CSoundLayer& layer() const { return *layer_; }
  SoundOutputBuffer* buffer() const { return buffer_.get(); }

  // Takes a fresh node snapshot, stops the ring it holds (or, without one,
  // creates a ring in `format`) and fills all of it from sound position
  // `position`. A failed creation is returned and leaves the layer without
  // a buffer; a failed lock leaves the ring as it was and is not an error.
  DeviceResult FillPlayBuffer(SoundOutputDevice& device, const WaveFormat& format,
                              uint64_t position);

  // Gives the layer a ring made earlier (a ring of kPlayRingBytes on the
  // same device, in the format the next fill names), so that the next
  // FillPlayBuffer makes none. Starting playback then allocates nothing.
  void AdoptRing(std::unique_ptr<SoundOutputBuffer> ring);
  // Stops the ring and hands it out for a later AdoptRing; the layer is
  // left without one.
  std::unique_ptr<SoundOutputBuffer> TakeRing();

  // Rewrites block `block` (0 to 3) from sound position `position`, with the
  // snapshot as it is. Without a buffer, or when the lock fails, nothing is
  // written.
  void FillPlayBlock(uint64_t position, int block);

  // From ring offset 0, looping.
  DeviceResult StartPlayBuffer();
  // Stops and releases the buffer, if there is one.
  void StopPlayBuffer();

 private:
  CSoundLayer* layer_;
  std::unique_ptr<SoundOutputBuffer> buffer_;
};
