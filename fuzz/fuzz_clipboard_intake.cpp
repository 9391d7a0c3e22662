// Wave data another program put on the system clipboard: the clipboard
// manager keeps it as a clip file when it looks like a wave file, and pasting
// it reads it back through the wave reader and the converter.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/fuzz_quiet.h"
#include "core/edit/clip_store.h"
#include "fuzz/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CClipStore store(FuzzInputFile::Folder());
  if (!store.AddWaveFile(data, size)) return 0;
  std::unique_ptr<uint8_t[]> clip;
  uint64_t length = 0;
  (void)store.GetSelectedClip(&clip, &length);
  return 0;
}
