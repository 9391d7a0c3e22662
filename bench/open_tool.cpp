// Opens a sound file the way opening a document does, without the window:
// a ".mp3" file is read whole and converted from the record its stream
// describes, a ".wav" file is read as a wave file and its first layer is
// converted, on the converter's worker thread, to the working format, and
// any other file goes through the document's open, which recognises it by
// its contents and decodes it with FFmpeg straight to the working format.
// bench/open_vs_ffmpeg.py times it against ffmpeg decoding the same file.
//
//   open_tool FILE
//
// Prints the number of working-format frames; exits non-zero on failure.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "core/model/mp3_decoder.h"
#include "core/model/raw_file.h"
#include "core/model/sound.h"
#include "core/model/sound_document.h"
#include "core/model/wave_converter.h"

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

int ConvertOnWorker(FormatRecord source, std::unique_ptr<uint8_t[]> data, uint64_t length) {
  FormatRecord target = MakeFormatRecord(WorkingFormat());
  CWaveConverter converter;
  converter.Start(&source, &target, std::move(data), length, 4294967295u);
  while (converter.IsBusy()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::unique_ptr<uint8_t[]> result;
  uint64_t resultLength = 0;
  converter.Collect(&result, &resultLength);
  if (converter.HasFailed()) return 1;
  std::printf("%llu\n", static_cast<unsigned long long>(resultLength / kWorkingBlockAlign));
  return 0;
}

// A file that would need the raw PCM dialog is not one this tool opens.
class NoRawAnswers : public RawPCMQuestions {
 public:
  bool Ask(RawPCMAnswers*) override { return false; }
};

int OpenAsDocument(const std::string& path) {
  SoundDocument document(DefaultSettings());
  NoRawAnswers raw;
  SilentProgress progress;
  if (!document.Open(path, raw, progress).ok() || document.sound().layers.empty()) return 1;
  std::printf("%llu\n", static_cast<unsigned long long>(document.sound().layers[0]->length() / kWorkingBlockAlign));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  if (EndsWith(path, ".mp3")) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return 1;
    const auto size = static_cast<uint64_t>(in.tellg());
    auto bytes = std::make_unique<uint8_t[]>(size);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.get()), static_cast<std::streamsize>(size));
    FormatRecord record;
    if (DescribeMp3(bytes.get(), size, &record) != ConvertResult::kOk) return 1;
    return ConvertOnWorker(record, std::move(bytes), size);
  }
  if (!EndsWith(path, ".wav")) return OpenAsDocument(path);
  CSound sound;
  sound.path = path;
  if (sound.ReadWaveFile() != ReadResult::kOk || sound.layers.empty()) return 1;
  const uint64_t length = sound.layers[0]->length();
  return ConvertOnWorker(sound.fileFormat, sound.layers[0]->TakeData(), length);
}
