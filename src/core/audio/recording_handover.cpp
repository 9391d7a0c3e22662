// AdoptRecording: one allocation for the whole take, read back in 1 MiB
// pieces, installed only once every byte is in.
#include "core/audio/recording_handover.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "core/audio/recording_file.h"
#include "core/model/progress_report.h"
#include "core/model/sound_document.h"
#include "core/model/wave_format.h"

namespace {

// Large enough to read an hour in a few hundred pieces, small enough that
// the progress report is polled several times a second on a slow disk.
constexpr size_t kReadPiece = size_t{1} << 20;

}  // namespace

HandOverResult AdoptRecording(SoundDocument& document, const RecordingFile& file, ProgressReport& progress) {
  HandOverResult result;
  CSound& sound = document.sound();
  if (!sound.layers.empty()) {
    result.status = HandOverStatus::kNotFresh;
    return result;
  }
  // The recording file keeps whole frames; a part frame here would put the
  // layer's channels the wrong way round from there on.
  const uint64_t length = file.Length() / RecordingFile::kFrameBytes * RecordingFile::kFrameBytes;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[std::max<uint64_t>(length, 1)]);
  if (!data) {
    result.status = HandOverStatus::kOutOfMemory;
    return result;
  }
  bool cancelled = false;
  errno = 0;
  const uint64_t read = file.ReadAll(data.get(), length, kReadPiece, [&](uint64_t done) {
    const int percent = static_cast<int>(done * 100 / length);
    if (!progress.Poll(percent)) cancelled = true;
    // Whatever the program did meanwhile is not why a later read fails.
    errno = 0;
    return !cancelled;
  });
  if (cancelled) {
    result.status = HandOverStatus::kCancelled;
    return result;
  }
  if (read < length) {
    result.status = HandOverStatus::kReadFailed;
    // A file that ended early has no errno to tell.
    result.systemError = errno;
    return result;
  }

  // The header fields of a new sound in the working format.
  std::memcpy(sound.riffId, "RIFF", 5);
  sound.riffSize = 0;
  std::memcpy(sound.waveId, "WAVE", 5);
  sound.path = "(no name)";
  sound.formatSize = 18;
  sound.fileFormat = MakeFormatRecord(WorkingFormat());
  sound.workingFormat = ParseWaveFormat(sound.fileFormat);
  sound.AppendLayer(std::string(), std::move(data), length).offset = 0;
  sound.activeLayerIndex = 0;
  sound.selectionStart = 0;
  sound.selectionEnd = 0;
  document.SetModifiedFlag(true);
  result.bytes = length;
  return result;
}
