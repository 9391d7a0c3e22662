// Saves working-format sound (a document's mix-down: 16-bit 44,100 Hz
// stereo) as FLAC, Ogg Vorbis, Ogg Opus, MP3, AAC in M4A or AIFF through
// FFmpeg's encoders and muxers, with the document's tags. The file is made
// the way every save here is: the muxer writes into a temporary file beside
// the target, which replaces the target only once everything is on disk, so
// that a failure or a cancel leaves the old file as it was. The encoding runs
// on a worker thread while the calling thread polls a ProgressReport.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/model/media_save_options.h"
#include "core/model/progress_report.h"
#include "core/model/sound.h"

class AtomicFileWriter;

enum class MediaWriteStatus {
  kWritten,
  kCancelled,       // the progress report asked to stop
  kEncoderMissing,  // this FFmpeg lacks the encoder or the muxer
  kEncodingFailed,  // the encoder or muxer refused the sound or its options
  kOutOfMemory,
  kWriteFailed,     // the file could not be written; systemError says why
};

struct [[nodiscard]] MediaWriteResult {
  MediaWriteStatus status = MediaWriteStatus::kWritten;
  int systemError = 0;  // errno of the failed write, 0 when unknown
  bool ok() const { return status == MediaWriteStatus::kWritten; }
};

// Whether the installed FFmpeg has the encoder and the muxer `format` needs.
// When it has not and `reason` is given, says which one is missing (for the
// program to show beside the greyed choice).
bool MediaEncoderAvailable(MediaSaveFormat format, std::string* reason);

class MediaWriter {
 public:
  // `options` are brought into their ranges first; `tags` must outlive the
  // writer.
  MediaWriter(const MediaSaveOptions& options, const TagSet& tags);
  MediaWriter(const MediaWriter&) = delete;
  MediaWriter& operator=(const MediaWriter&) = delete;

  // Encodes the `length` bytes of working-format sound at `pcm` into `path`.
  // The stream gets the options' rate and channels (0: the working
  // format's; resampled and mixed down or up as needed) or the nearest the
  // encoder allows; one channel is the average of the two sides. The tags
  // go in as Vorbis comments (FLAC, Ogg, Opus), ID3v2.3 frames (MP3), iTunes
  // atoms (M4A: title, artist, comment, copyright, genre and keywords only)
  // or AIFF's text chunks (title, author, copyright and comment only).
  // `progress` is polled about every 20 ms with the share
  // of frames encoded; a false Poll stops the work. @excsafety{Strong}: on
  // any failure or cancel the file at `path` is as it was and no temporary
  // file is left. `pcm` must stay valid until Write returns.
  MediaWriteResult Write(const std::string& path, const uint8_t* pcm, uint64_t length, ProgressReport& progress);

  // The stream a Write produces (after the encoder's limits are applied).
  uint32_t StreamSampleRate() const;
  uint32_t StreamChannels() const;

 private:
  MediaWriteResult Encode(AtomicFileWriter& file, const std::string& path, const uint8_t* pcm, uint64_t frames);
  MediaWriteResult Commit(AtomicFileWriter& file, const MediaWriteResult& encoded);

  MediaSaveOptions m_options;
  const TagSet& m_tags;
  // Frames of the source handed to the encoder so far: written by the
  // worker, read by the polling thread for the percentage.
  std::atomic<uint64_t> m_framesDone{0};
  // Set by the polling thread when the user cancels; the worker checks it
  // between blocks and then gives up, leaving the old file.
  std::atomic<bool> m_stop{false};
};
