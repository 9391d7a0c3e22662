// How reading or writing one of the editor's files ended. The readers
// (wave, MP3, raw PCM, layered document, the sound files FFmpeg reads)
// share one set of outcomes so that the open flow can pass any of them on;
// the writers share another. The program turns them into messages; the
// model never does.
#pragma once

// The values are the numbers these outcomes have always had.
enum class ReadResult : int {
  kOk = 0,
  kBadDocument = 1,    // a layered document that cannot be read
  kConvertFailed = 2,  // data no codec could bring to the working format
  kOutOfMemory = 3,
  kNotWave = 4,        // not a wave file this reader accepts
  kCannotOpen = 5,     // the file cannot be opened, or reading it failed part way
  kCancelled = 6,      // the user cancelled a raw import or a decode
  kTooManyLayers = 7,  // a layered document of more than CSound::kMaximumDocumentLayers
  kNoSound = 8,            // a sound or video file with no audio stream in it
  kUnsupportedCodec = 9,   // its audio stream's codec cannot be decoded here
  kDamaged = 10,           // only part of its sound could be decoded
};

enum class WriteResult : int {
  kOk = 0,
  kFailed = 1,    // the file could not be created or written; an old file stays as it was
  kTooLarge = 2,  // the RIFF chunk's 32-bit sizes cannot hold this much data (about 4 GiB);
                  // nothing was written, the old file stays as it was
};
