// Opening a sound file by its contents: the probe that decides whether FFmpeg
// recognises it (and must turn junk away quickly), then the decode of its
// first audio stream to the working format with its tags.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_quiet.h"
#include "core/model/media_reader.h"
#include "core/model/progress_report.h"
#include "core/model/sound.h"
#include "fuzz/fuzz_input_file.h"

namespace {

// A few bytes of a legal stream can code minutes of sound (a FLAC frame of
// constant samples takes a dozen bytes for 65,535 of them). The program
// takes such a sound up to the size a sound can have; the fuzzer stops at
// six minutes of it, which every code path has long been through by then.
constexpr uint64_t kMostBytes = 64u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A name no sound format uses: the contents alone decide.
  static const FuzzInputFile file("dat");
  if (!file.Write(data, size)) return 0;
  MediaStreamInfo info;
  if (ProbeMediaFile(file.path(), &info) != MediaProbe::kAudio) return 0;
  CSound sound;
  sound.path = file.path();
  SilentProgress progress;
  DamagedStream damage;
  (void)sound.ReadMediaFile(progress, &damage, kMostBytes);
  return 0;
}
