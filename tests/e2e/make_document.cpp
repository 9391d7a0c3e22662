// Writes a small layered document with the program's own writer, for the
// tests that open one as a user would: two generated layers, the second
// placed a quarter of a second into the sound.
//
//   e2e_make_document <document.tvf>
#include <cstdio>

#include "core/model/sound.h"

#include "core/model/wave_format.h"
#include "core/model/wave_generator.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: e2e_make_document document.tvf\n");
    return 2;
  }
  CSound sound;
  GeneratorParameters tone;
  tone.length = 22050;
  GeneratorParameters saw = tone;
  saw.functionType = kGenerateSaw;
  saw.period = 9;
  if (!sound.CreateGenerated(tone) || !sound.AddGeneratedLayer(saw)) {
    std::fprintf(stderr, "e2e_make_document: the layers could not be generated\n");
    return 1;
  }
  sound.layers[1]->offset = 11025 * kWorkingBlockAlign;
  if (sound.WriteDocumentFile(argv[1]) != WriteResult::kOk) {
    std::fprintf(stderr, "e2e_make_document: %s could not be written\n", argv[1]);
    return 1;
  }
  return 0;
}
