// Opening an MP3 file: the whole file as one layer described by its first
// frame, then decoded to the working format.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_quiet.h"
#include "core/model/sound.h"
#include "core/model/working_format_conversion.h"
#include "fuzz/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FuzzInputFile file("mp3");
  if (!file.Write(data, size)) return 0;
  CSound sound;
  sound.path = file.path();
  if (sound.ReadMp3File() != ReadResult::kOk) return 0;
  (void)ConvertLayersToWorkingFormat(sound, ConvertOnCallingThread);
  return 0;
}
