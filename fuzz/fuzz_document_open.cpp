// Opening a layered document: the reader with its repairs of envelope nodes,
// the mix-down, and a playback fill of every layer's ring from the start and
// from the middle of the sound, as starting playback there would do.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_quiet.h"
#include "core/audio/layer_play_buffer.h"
#include "core/model/sound.h"
#include "fuzz/fuzz_input_file.h"

namespace {

constexpr uint32_t kLongestMixDown = 4u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FuzzInputFile file("tvf");
  if (!file.Write(data, size)) return 0;
  CSound sound;
  uint32_t repaired = 0;
  if (sound.ReadDocumentFile(file.path(), &repaired) != ReadResult::kOk) return 0;
  // A layer may sit anywhere up to 2 GiB into the sound, and the mix-down
  // (what a wave save writes) is as long as the sound: a small document can
  // rightly ask for a mix-down of that size, which a save reports as out of
  // memory when it cannot have it. The mix's cost grows with the length
  // while its code paths do not: past 4 Mi samples a single input took the
  // better part of a second and held the whole run to a few hundred
  // executions a second. Longer sounds are only filled at their start and
  // middle below, which reaches every layer's placement.
  if (sound.GetLength() <= kLongestMixDown) sound.MixDown();
  // A ring's worth would be 512 Ki slots; a block of it shows the same.
  static std::vector<int16_t> ring(16384);
  const uint64_t middle = sound.GetLength() / 2 / kWorkingBlockAlign * kWorkingBlockAlign;
  for (auto& layer : sound.layers) {
    layer->RebuildSnapshot();
    FillLayerSamples(*layer, 0, ring.data(), ring.size());
    FillLayerSamples(*layer, middle, ring.data(), ring.size());
  }
  return 0;
}
