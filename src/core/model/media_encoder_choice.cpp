// The encoder, muxer and stream settings of each media format; see the header.
#include "core/model/media_encoder_choice.h"

#include <cstdlib>

#include "core/model/wave_format.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace {

// Opus knows 48,000 Hz and a few lower rates; the lower ones would only
// lose the top of the band, so it is always written at 48,000 Hz.
constexpr int kOpusRate = 48000;

}  // namespace

// The external libraries are asked for by name: FFmpeg's own Vorbis and
// Opus encoders are experimental, and its MP3 encoder may be shine, which
// knows no VBR.
MediaCodecNames MediaCodecNamesOf(MediaSaveFormat format) {
  switch (format) {
    case MediaSaveFormat::kFlac: return {"flac", "flac", "flac"};
    case MediaSaveFormat::kVorbis: return {"libvorbis", "libvorbis", "ogg"};
    case MediaSaveFormat::kOpus: return {"libopus", "libopus", "opus"};
    case MediaSaveFormat::kMp3: return {"libmp3lame", "libmp3lame", "mp3"};
    case MediaSaveFormat::kAac: return {"aac", "aac", "ipod"};
    case MediaSaveFormat::kAiff: return {"pcm_s16be", "pcm_s24be", "aiff"};
  }
  return {"flac", "flac", "flac"};
}

const AVCodec* MediaEncoderFor(const MediaSaveOptions& options) {
  const MediaCodecNames names = MediaCodecNamesOf(options.format);
  return avcodec_find_encoder_by_name(options.bits == 24 ? names.encoder24 : names.encoder);
}

int MediaStreamRate(const AVCodec* codec, const MediaSaveOptions& options) {
  int wanted = static_cast<int>(options.sampleRate != 0 ? options.sampleRate : kWorkingSampleRate);
  if (options.format == MediaSaveFormat::kOpus) wanted = kOpusRate;
  if (codec == nullptr || codec->supported_samplerates == nullptr) return wanted;
  int nearest = codec->supported_samplerates[0];
  for (const int* rate = codec->supported_samplerates; *rate != 0; ++rate) {
    if (std::abs(*rate - wanted) < std::abs(nearest - wanted)) nearest = *rate;
  }
  return nearest;
}

AVChannelLayout MediaStreamLayout(const AVCodec* codec, const MediaSaveOptions& options) {
  const int wanted = static_cast<int>(options.channels != 0 ? options.channels : WorkingFormat().channels);
  AVChannelLayout layout{};
  if (codec != nullptr && codec->ch_layouts != nullptr) {
    const AVChannelLayout* best = nullptr;
    for (const AVChannelLayout* c = codec->ch_layouts; c->nb_channels != 0; ++c) {
      if (c->nb_channels == wanted) {
        best = c;
        break;
      }
      if (c->nb_channels < wanted && (best == nullptr || c->nb_channels > best->nb_channels)) best = c;
    }
    if (best == nullptr) best = codec->ch_layouts;
    if (av_channel_layout_copy(&layout, best) == 0) return layout;
  }
  av_channel_layout_default(&layout, wanted);
  return layout;
}

AVSampleFormat MediaStreamSampleFormat(const AVCodec* codec, const MediaSaveOptions& options) {
  // FLAC takes 24-bit samples in 32-bit words and is told the bits apart.
  if (options.format == MediaSaveFormat::kFlac) return options.bits == 24 ? AV_SAMPLE_FMT_S32 : AV_SAMPLE_FMT_S16;
  if (codec->sample_fmts != nullptr) return codec->sample_fmts[0];
  return AV_SAMPLE_FMT_S16;
}

void ApplyMediaEncoderOptions(const MediaSaveOptions& options, AVCodecContext* encoder) {
  switch (options.format) {
    case MediaSaveFormat::kFlac:
      encoder->compression_level = options.flacLevel;
      if (options.bits == 24) encoder->bits_per_raw_sample = 24;
      break;
    case MediaSaveFormat::kVorbis:
      // libvorbis reads the quality (-1 ... 10) from global_quality.
      encoder->flags |= AV_CODEC_FLAG_QSCALE;
      encoder->global_quality = options.vorbisQuality * FF_QP2LAMBDA;
      break;
    case MediaSaveFormat::kOpus:
      // Constrained VBR: libopus left free spends up to half as much again
      // on tonal sound, and the user chose a rate to budget the file's size.
      encoder->bit_rate = int64_t{options.opusKbps} * 1000;
      av_opt_set(encoder->priv_data, "vbr", "constrained", 0);
      break;
    case MediaSaveFormat::kMp3:
      if (options.mp3Vbr) {
        encoder->flags |= AV_CODEC_FLAG_QSCALE;
        encoder->global_quality = options.mp3VbrQuality * FF_QP2LAMBDA;
      } else {
        encoder->bit_rate = int64_t{options.mp3Kbps} * 1000;
      }
      break;
    case MediaSaveFormat::kAac:
      encoder->bit_rate = int64_t{options.aacKbps} * 1000;
      break;
    case MediaSaveFormat::kAiff:
      break;
  }
}
