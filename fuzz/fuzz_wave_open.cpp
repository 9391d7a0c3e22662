// Opening a wave file: the scanning reader (one layer per data chunk, tags
// anywhere), the conversion of every layer to the working format and the
// mix-down that a wave save starts with.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_quiet.h"
#include "core/model/sound.h"
#include "core/model/working_format_conversion.h"
#include "fuzz/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FuzzInputFile file("wav");
  if (!file.Write(data, size)) return 0;
  CSound sound;
  sound.path = file.path();
  if (sound.ReadWaveFile() != ReadResult::kOk) return 0;
  // On this thread, not the converter's worker: a fuzzer keeps to one core.
  if (ConvertLayersToWorkingFormat(sound, ConvertOnCallingThread) != ConvertStatus::kConverted) return 0;
  sound.MixDown();
  return 0;
}
