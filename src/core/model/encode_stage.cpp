// The resampler and encoder half of a conversion. The resampler runs with
// FFmpeg's default options so that rate changes and multi-channel mix-downs
// give the same samples as the ffmpeg tool, which the tests compare us
// against. Mono and stereo are the exception: a mono file opens as the same
// signal on both channels at its own level, and stereo saves to mono as
// (L + R) / 2, so a mono file keeps its level however often it is opened
// and saved. (The default matrix puts mono on each side at -3 dB, and
// mixes stereo back at -3 dB per side, normalised for integer output only:
// each round trip lost 3 dB, and a float save went past full scale.)
#include "core/model/encode_stage.h"

#include <algorithm>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include "core/model/codec_format.h"

namespace {

// Frames handed to encoders that take any frame size (A-law, mu-law).
constexpr int kVariableFrameSamples = 4096;

const AVCodec* FindEncoder(uint16_t tag) {
  switch (tag) {
    case kFormatALaw: return avcodec_find_encoder(AV_CODEC_ID_PCM_ALAW);
    case kFormatMuLaw: return avcodec_find_encoder(AV_CODEC_ID_PCM_MULAW);
    case kFormatMSADPCM: return avcodec_find_encoder(AV_CODEC_ID_ADPCM_MS);
    case kFormatIMAADPCM: return avcodec_find_encoder(AV_CODEC_ID_ADPCM_IMA_WAV);
    // By name: the built-in GSM and layer-3 encoders are not the ones whose
    // output other programs read back best.
    case kFormatGSM610: return avcodec_find_encoder_by_name("libgsm_ms");
    case kFormatMPEGLayer3: return avcodec_find_encoder_by_name("libmp3lame");
    default: return nullptr;
  }
}

// 16-bit input is what the intermediate PCM holds; an encoder that takes it
// needs no further sample conversion.
AVSampleFormat PreferredSampleFormat(const AVCodec* codec) {
  const AVSampleFormat* formats = codec->sample_fmts;
  if (formats == nullptr) return AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* f = formats; *f != AV_SAMPLE_FMT_NONE; ++f) {
    if (*f == AV_SAMPLE_FMT_S16 || *f == AV_SAMPLE_FMT_S16P) return *f;
  }
  return formats[0];
}

// Mono to stereo at unity gain on both sides, stereo to mono as the mean of
// the two; any other pair of channel counts keeps the resampler's own
// matrix. Must be set before the resampler is initialised.
ConvertResult SetMonoStereoMatrix(SwrContext* resampler, int inChannels, int outChannels) {
  static const double kSpread[2] = {1.0, 1.0};     // [out][in], stride 1
  static const double kMean[2] = {0.5, 0.5};       // [out 0][in], stride 2
  int set = 0;
  if (inChannels == 1 && outChannels == 2) {
    set = swr_set_matrix(resampler, kSpread, 1);
  } else if (inChannels == 2 && outChannels == 1) {
    set = swr_set_matrix(resampler, kMean, 2);
  }
  return set < 0 ? ResultFromAVError(set) : ConvertResult::kOk;
}

}  // namespace

EncodeStage::EncodeStage(const std::atomic<bool>* stop) : m_stop(stop) {}

EncodeStage::~EncodeStage() {
  if (m_scratch != nullptr) av_freep(&m_scratch[0]);
  av_freep(&m_scratch);
  av_channel_layout_uninit(&m_targetLayout);
  av_channel_layout_uninit(&m_inLayout);
}

ConvertResult EncodeStage::Open(const FormatRecord& target, int adpcmTrellis) {
  m_target = ParseWaveFormat(target);
  av_channel_layout_default(&m_targetLayout, m_target.channels);

  switch (m_target.formatTag) {
    case kFormatPCM:
      switch (m_target.bitsPerSample) {
        case 8: m_targetFormat = AV_SAMPLE_FMT_U8; break;
        case 16: m_targetFormat = AV_SAMPLE_FMT_S16; break;
        case 24: m_targetFormat = AV_SAMPLE_FMT_S32; m_pack24 = true; break;
        case 32: m_targetFormat = AV_SAMPLE_FMT_S32; break;
        default: return ConvertResult::kFailed;
      }
      return ConvertResult::kOk;
    case kFormatIEEEFloat:
      if (m_target.bitsPerSample != 32) return ConvertResult::kFailed;
      m_targetFormat = AV_SAMPLE_FMT_FLT;
      return ConvertResult::kOk;
    default:
      break;
  }

  const AVCodec* codec = FindEncoder(m_target.formatTag);
  if (codec == nullptr) return ConvertResult::kFailed;
  m_encoder.reset(avcodec_alloc_context3(codec));
  m_frame.reset(av_frame_alloc());
  m_packet.reset(av_packet_alloc());
  if (!m_encoder || !m_frame || !m_packet) return ConvertResult::kOutOfMemory;
  AVCodecContext* c = m_encoder.get();
  m_targetFormat = PreferredSampleFormat(codec);
  c->sample_fmt = m_targetFormat;
  c->sample_rate = static_cast<int>(m_target.samplesPerSec);
  c->time_base = AVRational{1, c->sample_rate};
  if (av_channel_layout_copy(&c->ch_layout, &m_targetLayout) < 0) return ConvertResult::kOutOfMemory;
  if (m_target.formatTag == kFormatMPEGLayer3) {
    c->bit_rate = static_cast<int64_t>(m_target.avgBytesPerSec) * 8;
  }
  if (m_target.formatTag == kFormatMSADPCM || m_target.formatTag == kFormatIMAADPCM) {
    if (av_opt_set_int(c->priv_data, "block_size", m_target.blockAlign, 0) < 0) {
      return ConvertResult::kFailed;
    }
    c->trellis = adpcmTrellis;
  }
  const int opened = avcodec_open2(c, codec, nullptr);
  if (opened < 0) return ResultFromAVError(opened);
  // The record promises a block size; an encoder that chose another would
  // write a file its own header misdescribes.
  if (m_target.blockAlign > 1 && c->block_align != 0 && c->block_align != m_target.blockAlign) {
    return ConvertResult::kFailed;
  }
  const int fifoSamples = std::max(c->frame_size, kVariableFrameSamples) * 2;
  m_fifo.reset(av_audio_fifo_alloc(m_targetFormat, m_target.channels, fifoSamples));
  if (!m_fifo) return ConvertResult::kOutOfMemory;
  return ConvertResult::kOk;
}

void EncodeStage::Reserve(uint64_t frames) {
  // Bytes per frame of the target stream, with room for a codec's last
  // padded block and a little resampler slack.
  const uint64_t bytes = frames * m_target.avgBytesPerSec / std::max<uint32_t>(m_target.samplesPerSec, 1) +
                         frames / 64 + 4 * static_cast<uint64_t>(m_target.blockAlign) + 65536;
  m_output.Reserve(bytes);  // a failure here shows again when the data comes
}

ConvertResult EncodeStage::ConfigureResampler(AVSampleFormat format, const AVChannelLayout& layout, int rate) {
  if (m_resampler) {
    // The source changed its stream parameters: what the old resampler
    // holds back belongs to the old ones.
    const ConvertResult flushed = Resample(nullptr, 0);
    if (flushed != ConvertResult::kOk) return flushed;
  }
  m_resampler.reset();
  SwrContext* raw = nullptr;
  // FFmpeg 5.1 declares the input layout non-const; it only reads it.
  const int allocated = swr_alloc_set_opts2(&raw, &m_targetLayout, m_targetFormat,
                                            static_cast<int>(m_target.samplesPerSec),
                                            const_cast<AVChannelLayout*>(&layout), format, rate, 0,
                                            nullptr);
  m_resampler.reset(raw);
  if (allocated < 0) return ResultFromAVError(allocated);
  const ConvertResult matrixSet = SetMonoStereoMatrix(raw, layout.nb_channels, m_target.channels);
  if (matrixSet != ConvertResult::kOk) return matrixSet;
  if (m_floatResampling && rate != static_cast<int>(m_target.samplesPerSec)) {
    av_opt_set_sample_fmt(raw, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
  }
  const int initialised = swr_init(raw);
  if (initialised < 0) return ResultFromAVError(initialised);
  av_channel_layout_uninit(&m_inLayout);
  if (av_channel_layout_copy(&m_inLayout, &layout) < 0) return ConvertResult::kOutOfMemory;
  m_inFormat = format;
  m_inRate = rate;
  return ConvertResult::kOk;
}

ConvertResult EncodeStage::Write(const uint8_t* const* planes, int samples, AVSampleFormat format,
                                 const AVChannelLayout& layout, int rate) {
  if (Stopped()) return ConvertResult::kFailed;
  if (samples <= 0) return ConvertResult::kOk;
  if (!m_resampler || format != m_inFormat || rate != m_inRate ||
      av_channel_layout_compare(&layout, &m_inLayout) != 0) {
    ConvertResult configured;
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC) {
      // A source that names no speakers gets the usual ones for its count.
      AVChannelLayout named{};
      av_channel_layout_default(&named, layout.nb_channels);
      configured = ConfigureResampler(format, named, rate);
      av_channel_layout_uninit(&named);
      // Remember the unnamed layout so the next frame does not reconfigure.
      av_channel_layout_uninit(&m_inLayout);
      if (configured == ConvertResult::kOk && av_channel_layout_copy(&m_inLayout, &layout) < 0) {
        configured = ConvertResult::kOutOfMemory;
      }
    } else {
      configured = ConfigureResampler(format, layout, rate);
    }
    if (configured != ConvertResult::kOk) return configured;
  }
  m_framesIn += static_cast<uint64_t>(samples);
  return Resample(planes, samples);
}

ConvertResult EncodeStage::Resample(const uint8_t* const* inputPlanes, int samples) {
  SwrContext* swr = m_resampler.get();
  // swr_convert takes its input without the inner const; it only reads it.
  const uint8_t** planes = const_cast<const uint8_t**>(inputPlanes);
  const bool flushing = planes == nullptr;
  for (;;) {
    if (Stopped()) return ConvertResult::kFailed;
    const int room = swr_get_out_samples(swr, samples) + 16;
    int produced;
    if (!m_encoder && !m_pack24) {
      const uint64_t frameBytes = m_target.blockAlign;
      if (!m_output.Reserve(static_cast<uint64_t>(room) * frameBytes)) return ConvertResult::kOutOfMemory;
      uint8_t* out = m_output.end();
      produced = swr_convert(swr, &out, room, planes, samples);
      if (produced < 0) return ResultFromAVError(produced);
      m_output.Commit(static_cast<uint64_t>(produced) * frameBytes);
    } else {
      if (room > m_scratchSamples) {
        if (m_scratch != nullptr) av_freep(&m_scratch[0]);
        av_freep(&m_scratch);
        m_scratchSamples = 0;
        if (av_samples_alloc_array_and_samples(&m_scratch, nullptr, m_target.channels, room,
                                               m_targetFormat, 0) < 0) {
          return ConvertResult::kOutOfMemory;
        }
        m_scratchSamples = room;
      }
      produced = swr_convert(swr, m_scratch, room, planes, samples);
      if (produced < 0) return ResultFromAVError(produced);
      if (m_pack24) {
        // Keep the upper three bytes of each little-endian 32-bit sample.
        const uint64_t values = static_cast<uint64_t>(produced) * m_target.channels;
        if (!m_output.Reserve(values * 3)) return ConvertResult::kOutOfMemory;
        const uint8_t* in = m_scratch[0];
        uint8_t* out = m_output.end();
        for (uint64_t i = 0; i < values; ++i, in += 4, out += 3) {
          out[0] = in[1];
          out[1] = in[2];
          out[2] = in[3];
        }
        m_output.Commit(values * 3);
      } else if (produced > 0) {
        if (av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(m_scratch), produced) < produced) {
          return ConvertResult::kOutOfMemory;
        }
        const ConvertResult encoded = EncodeFromFifo(false);
        if (encoded != ConvertResult::kOk) return encoded;
      }
    }
    // A call with input converts all of it; a flush may need several rounds.
    if (!flushing || produced == 0) return ConvertResult::kOk;
    samples = 0;
  }
}

ConvertResult EncodeStage::EncodeFromFifo(bool final) {
  AVCodecContext* c = m_encoder.get();
  const bool exactFrames = c->frame_size > 0 &&
                           !(c->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  const int frameSamples = exactFrames ? c->frame_size : kVariableFrameSamples;
  for (;;) {
    if (Stopped()) return ConvertResult::kFailed;
    const int available = av_audio_fifo_size(m_fifo.get());
    if (available == 0 || (available < frameSamples && !final)) return ConvertResult::kOk;
    const int take = std::min(available, frameSamples);
    // Block codecs need whole blocks; the last one is filled with silence
    // unless the codec can end on a short frame.
    const bool pad = take < frameSamples && exactFrames &&
                     !(c->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
    AVFrame* frame = m_frame.get();
    av_frame_unref(frame);
    frame->nb_samples = pad ? frameSamples : take;
    frame->format = m_targetFormat;
    frame->sample_rate = c->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &m_targetLayout) < 0) return ConvertResult::kOutOfMemory;
    const int allocated = av_frame_get_buffer(frame, 0);
    if (allocated < 0) return ResultFromAVError(allocated);
    if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->extended_data), take) < take) {
      return ConvertResult::kFailed;
    }
    if (pad) {
      av_samples_set_silence(frame->extended_data, take, frameSamples - take, m_target.channels,
                             m_targetFormat);
    }
    frame->pts = m_nextPts;
    m_nextPts += frame->nb_samples;
    const ConvertResult sent = SendFrame(frame);
    if (sent != ConvertResult::kOk) return sent;
  }
}

ConvertResult EncodeStage::SendFrame(AVFrame* frame) {
  AVCodecContext* c = m_encoder.get();
  const int sent = avcodec_send_frame(c, frame);
  if (sent < 0) return ResultFromAVError(sent);
  for (;;) {
    const int received = avcodec_receive_packet(c, m_packet.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return ConvertResult::kOk;
    if (received < 0) return ResultFromAVError(received);
    const bool appended = m_output.Append(m_packet->data, static_cast<uint64_t>(m_packet->size));
    av_packet_unref(m_packet.get());
    if (!appended) return ConvertResult::kOutOfMemory;
  }
}

ConvertResult EncodeStage::Finish() {
  if (m_resampler) {
    const ConvertResult flushed = Resample(nullptr, 0);
    if (flushed != ConvertResult::kOk) return flushed;
  }
  if (!m_encoder) return ConvertResult::kOk;
  const ConvertResult drained = EncodeFromFifo(true);
  if (drained != ConvertResult::kOk) return drained;
  // A codec that never got a frame has nothing to flush.
  if (m_nextPts == 0) return ConvertResult::kOk;
  return SendFrame(nullptr);
}
