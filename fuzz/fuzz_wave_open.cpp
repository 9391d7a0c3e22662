// Opening a wave file: the scanning reader (one layer per data chunk, tags
// anywhere), the conversion of every layer to the working format and the
// mix-down that a wave save starts with.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_quiet.h"
#include "core/model/sound.h"
#include "fuzz/fuzz_input_file.h"
#include "fuzz/open_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FuzzInputFile file("wav");
  if (!file.Write(data, size)) return 0;
  CSound sound;
  sound.path = file.path();
  if (sound.ReadWaveFile() != kReadOk) return 0;
  if (!ConvertLayersToWorking(sound)) return 0;
  sound.MixDown();
  return 0;
}
