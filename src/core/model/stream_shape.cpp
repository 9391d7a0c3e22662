#include "core/model/stream_shape.h"

#include "core/model/codec_format.h"

StreamShape ShapeOfWaveFormat(const FormatRecord& record) {
  const WaveFormat format = ParseWaveFormat(record);
  StreamShape shape;
  shape.sampleRate = format.samplesPerSec;
  shape.channels = format.channels;
  switch (format.formatTag) {
    case kFormatPCM:
    case kFormatIEEEFloat:
      shape.bits = format.bitsPerSample;
      break;
    case kFormatExtensible: {
      ExtensibleFormat extensible;
      if (ParseExtensible(record, &extensible) &&
          (extensible.subFormatTag == kFormatPCM || extensible.subFormatTag == kFormatIEEEFloat)) {
        shape.bits = extensible.validBits != 0 ? extensible.validBits : format.bitsPerSample;
      } else {
        shape.lossy = true;
      }
      break;
    }
    case kFormatALaw:
    case kFormatMuLaw:
      // Eight bits that stand for about 13 or 14: nothing 16-bit PCM loses.
      shape.bits = 8;
      shape.codec = format.formatTag == kFormatALaw ? "A-law" : "mu-law";
      break;
    case kFormatMPEGLayer3:
      shape.lossy = true;
      shape.codec = "MP3";
      break;
    default:
      shape.lossy = true;
      shape.codec = format.formatTag == kFormatGSM610 ? "GSM 6.10" : "ADPCM";
      break;
  }
  return shape;
}

StreamShape ShapeOfMediaSave(const MediaSaveOptions& options) {
  StreamShape shape;
  shape.sampleRate = options.sampleRate != 0 ? options.sampleRate : kWorkingSampleRate;
  if (options.format == MediaSaveFormat::kOpus) shape.sampleRate = 48000;
  shape.channels = options.channels != 0 ? options.channels : WorkingFormat().channels;
  shape.lossy = IsLossyMediaFormat(options.format);
  shape.bits = shape.lossy ? 0 : static_cast<uint32_t>(options.bits);
  switch (options.format) {
    case MediaSaveFormat::kFlac: shape.codec = "FLAC"; break;
    case MediaSaveFormat::kVorbis: shape.codec = "Vorbis"; break;
    case MediaSaveFormat::kOpus: shape.codec = "Opus"; break;
    case MediaSaveFormat::kMp3: shape.codec = "MP3"; break;
    case MediaSaveFormat::kAac: shape.codec = "AAC"; break;
    case MediaSaveFormat::kAiff: break;
  }
  return shape;
}

bool LowersQuality(const StreamShape& was, const StreamShape& written) {
  if (written.sampleRate < was.sampleRate) return true;
  if (written.channels < was.channels) return true;
  if (written.lossy && !was.lossy) return true;
  // Bits count between two files that keep their samples; a lossy file has
  // no depth to lose.
  return !was.lossy && !written.lossy && written.bits < was.bits;
}
