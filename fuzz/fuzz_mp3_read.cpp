// Opening an MP3 file: the whole file as one layer described by its first
// frame, then decoded to the working format.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_quiet.h"
#include "core/model/sound.h"
#include "fuzz/fuzz_input_file.h"
#include "fuzz/open_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FuzzInputFile file("mp3");
  if (!file.Write(data, size)) return 0;
  CSound sound;
  sound.path = file.path();
  if (sound.ReadMp3File() != kReadOk) return 0;
  ConvertLayersToWorking(sound);
  return 0;
}
