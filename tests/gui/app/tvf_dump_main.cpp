// Reads a layered document with the program's own reader and prints what a
// test needs to check it from a shell: the layer count, then per layer its
// offset and byte length; with an output prefix, each layer's samples go to
// <prefix><n>.raw (n from 0) for a byte-wise comparison with sox's output.
#include <cstdio>
#include <string>

#include "core/model/sound.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tvf_dump document.tvf [raw-prefix]\n");
    return 2;
  }
  CSound sound;
  const ReadResult code = sound.ReadDocumentFile(argv[1]);
  if (code != ReadResult::kOk) {
    std::fprintf(stderr, "tvf_dump: %s cannot be read (%d)\n", argv[1], static_cast<int>(code));
    return 1;
  }
  std::printf("layers %zu\n", sound.layers.size());
  for (size_t i = 0; i < sound.layers.size(); ++i) {
    const CSoundLayer& layer = *sound.layers[i];
    std::printf("layer %zu offset %d length %llu\n", i, layer.offset, static_cast<unsigned long long>(layer.length()));
    if (argc < 3) continue;
    const std::string name = std::string(argv[2]) + std::to_string(i) + ".raw";
    std::FILE* out = std::fopen(name.c_str(), "wb");
    if (out == nullptr || std::fwrite(layer.data(), 1, layer.length(), out) != layer.length() || std::fclose(out) != 0) {
      std::fprintf(stderr, "tvf_dump: cannot write %s\n", name.c_str());
      return 1;
    }
  }
  return 0;
}
