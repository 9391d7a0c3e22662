// Saves a working-format wave file (16-bit 44,100 Hz stereo) as a media file
// the way saving a document does, without the window: the samples are read
// whole, then the media writer encodes them on its worker thread into a
// temporary file that replaces the target. bench/save_vs_ffmpeg.py times it
// against ffmpeg encoding the same file.
//
//   save_tool INPUT.wav OUTPUT.(flac|ogg|opus|mp3|m4a|aiff)
//
// The format's default choices apply (FLAC level 5, MP3 VBR quality 2, Opus
// 128 kbit/s, ...). Exits non-zero on failure.
#include <cstdio>
#include <string>

#include "core/model/codec_format.h"
#include "core/model/media_writer.h"
#include "core/model/sound.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s INPUT.wav OUTPUT\n", argv[0]);
    return 2;
  }
  const std::optional<MediaSaveFormat> format = MediaSaveFormatForPath(argv[2]);
  if (!format) {
    std::fprintf(stderr, "%s: not a media file name\n", argv[2]);
    return 2;
  }
  CSound sound;
  sound.path = argv[1];
  if (sound.ReadWaveFile() != ReadResult::kOk || sound.layers.empty() ||
      !AreEqualFormats(sound.fileFormat, MakeFormatRecord(WorkingFormat()))) {
    std::fprintf(stderr, "%s: not a 16-bit 44,100 Hz stereo wave file\n", argv[1]);
    return 1;
  }
  CSoundLayer& layer = *sound.layers[0];
  MediaWriter writer(DefaultMediaSaveOptions(*format), sound.tags);
  SilentProgress silent;
  const MediaWriteResult result = writer.Write(argv[2], layer.data(), layer.length(), silent);
  if (!result.ok()) {
    std::fprintf(stderr, "save failed: %d (errno %d)\n", static_cast<int>(result.status), result.systemError);
    return 1;
  }
  return 0;
}
