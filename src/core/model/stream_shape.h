// What a sound file keeps of the sound, in the four figures a user compares
// when a save would change them: the rate, the bits per sample, the channels,
// and whether the codec throws information away. File Save compares the
// shape the file had when it was opened with the shape it would be written
// in, and asks before it writes less than there was.
#pragma once

#include <cstdint>
#include <string>

#include "core/model/media_save_options.h"
#include "core/model/wave_format.h"

struct StreamShape {
  uint32_t sampleRate = 0;
  uint32_t channels = 0;
  uint32_t bits = 0;   // bits per sample of PCM, float or a lossless codec; 0 for a lossy codec
  bool lossy = false;  // a codec that keeps less than its samples (ADPCM, GSM, MP3, Vorbis, ...)
  std::string codec;   // the codec's short name for the user ("MP3"); empty for PCM

  bool operator==(const StreamShape&) const = default;
};

// The shape of a wave file of this format record: PCM and float by their
// bits (an extensible record by its valid bits), A-law and mu-law as 8 bits
// that keep less than 16 would, the other codecs as lossy.
StreamShape ShapeOfWaveFormat(const FormatRecord& record);
// The shape of a file the writer makes with `options` from the working
// format (0 rate or channels: the working format's).
StreamShape ShapeOfMediaSave(const MediaSaveOptions& options);

// Whether writing `written` keeps less than `was`: a lower rate, fewer bits,
// fewer channels, or a lossy codec where the file was not lossy.
bool LowersQuality(const StreamShape& was, const StreamShape& written);
