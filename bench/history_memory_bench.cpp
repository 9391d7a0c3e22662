// Peak memory of ten cuts of a long stereo sound, each with its history
// entry. Not a timing: it reports the process's peak resident size (VmHWM)
// above what it used before the sound existed, as a multiple of the sound's
// size. With entries over 64 MiB kept in temporary files the peak stays near
// one sound; kept in memory it would grow by one sound per cut.
//
//   history_memory_bench [--minutes N] [--in-memory]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "core/edit/document_editor.h"

namespace {

// Peak resident set of this process in bytes, from /proc/self/status.
uint64_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int minutes = 60;
  bool inMemory = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--minutes") == 0 && i + 1 < argc) minutes = std::atoi(argv[++i]);
    if (std::strcmp(argv[i], "--in-memory") == 0) inMemory = true;
  }
  const uint64_t before = PeakResidentBytes();
  const uint64_t length = uint64_t{kWorkingBytesPerSecond} * 60 * static_cast<uint64_t>(minutes);

  SettingsRecord settings;
  SoundDocument document(settings);
  DocumentEditor editor(document, inMemory ? UINT64_MAX : SavedBytes::kDefaultSpillThreshold);
  {
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[length]);
    if (data == nullptr) {
      std::fprintf(stderr, "cannot allocate the sound\n");
      return 1;
    }
    // Every page touched, as a sound read from a file would be.
    for (uint64_t i = 0; i < length; ++i) data[i] = static_cast<uint8_t>(i * 7);
    document.sound().AppendLayer("long", std::move(data), length);
  }
  const uint64_t withSound = PeakResidentBytes();

  // Ten cuts of one second each from the middle, the clip handed out as the
  // clipboard would take it.
  for (int cut = 0; cut < 10; ++cut) {
    const uint64_t half = document.sound().layers[0]->length() / 2;
    const auto middle = static_cast<int32_t>(half / kWorkingBlockAlign * kWorkingBlockAlign);
    document.sound().selectionStart = middle;
    document.sound().selectionEnd = middle + static_cast<int32_t>(kWorkingBytesPerSecond);
    ClipBytes clip;
    if (editor.Cut(&clip) != EditResult::kDone) {
      std::fprintf(stderr, "cut %d failed\n", cut + 1);
      return 1;
    }
  }
  const uint64_t afterCuts = PeakResidentBytes();
  // One undo and redo: an entry read back from its file while the layer
  // still holds the current bytes.
  if (editor.Undo() != EditResult::kDone || editor.Redo() != EditResult::kDone) {
    std::fprintf(stderr, "undo or redo failed\n");
    return 1;
  }
  const uint64_t peak = PeakResidentBytes();
  const double sound = static_cast<double>(length);
  std::printf("sound %.0f MiB (%d min stereo), entries %s\n", sound / 1048576.0, minutes,
              inMemory ? "in memory" : "in temporary files above 64 MiB");
  std::printf("peak with the sound loaded = %.2f x the sound\n", static_cast<double>(withSound - before) / sound);
  std::printf("peak after ten cuts = %.2f x the sound\n", static_cast<double>(afterCuts - before) / sound);
  std::printf("peak after an undo and a redo as well = %.2f x the sound\n", static_cast<double>(peak - before) / sound);
  return 0;
}
