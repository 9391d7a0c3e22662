// The sound file formats a document can be saved in through FFmpeg's
// encoders and muxers, beside the wave file and the layered document, and the
// choices each one offers. The program remembers the last choice per format
// and hands it back here; the writer (media_writer.h) turns it into encoder
// settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class MediaSaveFormat { kFlac, kVorbis, kOpus, kMp3, kAac, kAiff };

inline constexpr MediaSaveFormat kAllMediaSaveFormats[] = {MediaSaveFormat::kFlac, MediaSaveFormat::kVorbis,
                                                           MediaSaveFormat::kOpus, MediaSaveFormat::kMp3,
                                                           MediaSaveFormat::kAac,  MediaSaveFormat::kAiff};

struct MediaSaveOptions {
  MediaSaveFormat format = MediaSaveFormat::kFlac;
  int flacLevel = 5;       // compression level 0 ... 8
  int vorbisQuality = 5;   // -1 ... 10
  int opusKbps = 128;      // 32 ... 256
  bool mp3Vbr = true;      // variable bit rate by quality, else constant
  int mp3VbrQuality = 2;   // 0 (best) ... 9
  int mp3Kbps = 192;       // constant rate: 64 ... 320
  int aacKbps = 192;       // 64 ... 320
  // Bits per sample of the lossless formats (FLAC, AIFF): 16 or 24.
  int bits = 16;
  // The stream's rate and channels; 0 takes the working format's (44,100 Hz
  // stereo). Opus, which knows only 48,000 Hz and a few lower rates, is
  // always written at 48,000 Hz.
  uint32_t sampleRate = 0;
  uint32_t channels = 0;

  bool operator==(const MediaSaveOptions&) const = default;
};

// The defaults of `format` (the values above).
MediaSaveOptions DefaultMediaSaveOptions(MediaSaveFormat format);
// Brings every field into its range (the nearest allowed value).
MediaSaveOptions ClampedMediaSaveOptions(MediaSaveOptions options);

// The format a file name's extension asks for (case-insensitive): .flac,
// .ogg/.oga, .opus, .mp3, .m4a, .aif/.aiff/.aifc. None for anything else
// (.wav and .tvf included: those are saved by their own writers).
std::optional<MediaSaveFormat> MediaSaveFormatForPath(std::string_view path);
// The extension a saved file gets, without the dot: "flac", "ogg", "opus",
// "mp3", "m4a", "aiff".
std::string_view MediaSaveExtension(MediaSaveFormat format);
// Whether the format throws information away (Vorbis, Opus, MP3, AAC).
bool IsLossyMediaFormat(MediaSaveFormat format);
