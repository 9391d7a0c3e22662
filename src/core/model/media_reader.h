// Sound files in the formats FFmpeg reads (FLAC, Ogg, Opus, MP4/M4A, AIFF,
// Wave64, CAF, WMA, Matroska, the sound of a video...), recognised by their
// contents rather than their names, and decoded to the working format.
//
// Only what FFmpeg recognises with confidence is opened: a demuxer must claim
// the first bytes with a score above what a file name alone or a few lucky
// sync words give (kMinimumProbeScore), it must be one of the sound-carrying
// containers listed in media_reader.cpp, and the first packets of its audio
// stream must decode. Everything else is left to the raw PCM import, so that
// headerless samples keep their dialog. The file is read through FFmpeg's
// "file" protocol alone, and no demuxer that follows references to other
// files or addresses (playlists, concat lists, image sequences, devices) is
// on the list.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class EncodeStage;
struct AVDictionary;

// What a file was, as it was opened: the container and the first audio
// stream in it, in FFmpeg's names.
struct MediaStreamInfo {
  std::string containerName;      // the demuxer: "flac", "ogg", "mov,mp4,m4a,3gp,3g2,mj2", ...
  std::string containerLongName;  // "raw FLAC", "Ogg", "QuickTime / MOV", ...
  std::string codecName;          // "flac", "opus", "aac"; a codec without a decoder by its tag
  std::string codecLongName;      // "FLAC (Free Lossless Audio Codec)", ...; may be empty
  uint32_t sampleRate = 0;
  uint16_t channels = 0;
  // The sample depth of a lossless or PCM stream; 0 for a lossy one.
  uint16_t bitsPerSample = 0;
  int64_t bitRate = 0;  // bits per second, 0 when unknown
  bool lossless = false;
  // The file also holds a video stream (not only cover art): its sound is
  // the first audio stream.
  bool fromVideo = false;

  bool empty() const { return codecName.empty(); }
};

enum class MediaProbe {
  kAudio,             // an audio stream whose first packets decode
  kNoAudio,           // a container we read that holds no audio stream
  kUnsupportedCodec,  // the first audio stream's codec has no decoder here (info names it)
  kUndecodable,       // a sound file by its contents or by its name, but no sound decodes from it
  kNotRecognised,     // not a sound format we recognise, nor named as one: headerless data
  kCannotRead,        // the file cannot be opened or read
};

// Recognises the file at `path` by its contents and fills *info (when given)
// with what it found, also when the result is not kAudio.
[[nodiscard]] MediaProbe ProbeMediaFile(const std::string& path, MediaStreamInfo* info);

// True when the name of `path` ends in an extension of a sound format FFmpeg
// reads (".flac", ".ogg", ".m4a", ...): such a file whose contents are not
// recognised is a damaged sound file, not headerless samples.
bool HasSoundFileExtension(const std::string& path);

// How much of a damaged stream was decoded, in working-format frames and
// milliseconds, and how long its container says it is (0: it does not say).
struct DamagedStream {
  uint64_t decodedFrames = 0;
  uint64_t decodedMilliseconds = 0;
  uint64_t statedFrames = 0;
  uint64_t statedMilliseconds = 0;
  // Not damage but size: the sound reached the most a sound can hold and
  // the rest of the file was not read.
  bool tooLong = false;
};

// How a decode ended.
enum class MediaDecodeEnd {
  kComplete,     // to the end of the stream without an error
  kDamaged,      // the demuxer failed before the end, or packets did not decode
  kLimitReached, // the output reached the byte limit; the rest was not decoded
  kStopped,      // the stop flag was raised
  kOutOfMemory,
};

// One opened file: the demuxer, the decoder of its first audio stream and
// the first frame the probe decoded, which the decode hands on first, so
// that nothing is read twice.
class MediaReader {
 public:
  MediaReader();
  ~MediaReader();
  MediaReader(const MediaReader&) = delete;
  MediaReader& operator=(const MediaReader&) = delete;

  // Opens and recognises `path` (see ProbeMediaFile). Decode may be called
  // only after kAudio.
  [[nodiscard]] MediaProbe Open(const std::string& path);
  const MediaStreamInfo& info() const { return m_info; }

  // The container's metadata and the audio stream's (Ogg keeps its
  // comments on the stream); null when there are none.
  AVDictionary* containerMetadata() const;
  AVDictionary* streamMetadata() const;

  // The stream's length at the working rate as the container's header
  // states it, 0 when it does not (a length guessed from the bit rate or
  // taken from the last Ogg page is no statement).
  uint64_t StatedWorkingFrames() const;
  // The length FFmpeg expects by any means, for sizing the output; 0 when
  // it has no idea.
  uint64_t ExpectedWorkingFrames() const;
  uint64_t fileSize() const { return m_fileSize; }

  // Decodes the audio stream into `sink` until it ends, `stop` reads true
  // or the sink holds `mostBytes` bytes. `percent` (when given) follows the
  // demuxer's position in the file. The sink is not finished.
  [[nodiscard]] MediaDecodeEnd Decode(EncodeStage& sink, const std::atomic<bool>* stop, std::atomic<int>* percent,
                                      uint64_t mostBytes);

 private:
  struct Parts;
  MediaProbe Recognise(const std::string& path);
  MediaProbe OpenDecoder();
  void DescribeStream();
  double LengthSeconds(bool statedOnly) const;
  // Whether a stream that decoded without an error reached its end: its
  // stated length, and for Ogg a last page that is whole.
  bool EndsWhole(double decodedSeconds);

  std::unique_ptr<Parts> m_parts;
  MediaStreamInfo m_info;
  uint64_t m_fileSize = 0;
};
