// The decoding half of a conversion for block-structured sources. Damaged
// blocks are skipped (the decoder reports them) and decoding goes on with
// the next one, so a file with a bad stretch still opens with the rest.
#include "core/model/decode_stage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "core/model/codec_format.h"

namespace {

constexpr uint32_t kLowestRate = 1000;
constexpr uint32_t kHighestRate = 384000;
constexpr int kMostChannels = 64;  // the resampler's limit
// Sample frames per resampler call or A-law/mu-law packet: large enough to
// keep call overhead small, small enough to notice a stop request quickly.
constexpr uint32_t kFramesPerCall = 16384;

struct SourceCodec {
  AVSampleFormat direct = AV_SAMPLE_FMT_NONE;  // no decoder needed
  AVCodecID decoder = AV_CODEC_ID_NONE;
};

SourceCodec ChooseCodec(uint16_t tag, uint16_t bits) {
  switch (tag) {
    case kFormatPCM:
      switch (bits) {
        case 8: return {AV_SAMPLE_FMT_U8, AV_CODEC_ID_NONE};
        case 16: return {AV_SAMPLE_FMT_S16, AV_CODEC_ID_NONE};
        case 24: return {AV_SAMPLE_FMT_NONE, AV_CODEC_ID_PCM_S24LE};
        case 32: return {AV_SAMPLE_FMT_S32, AV_CODEC_ID_NONE};
        default: return {};
      }
    case kFormatIEEEFloat:
      if (bits == 32) return {AV_SAMPLE_FMT_FLT, AV_CODEC_ID_NONE};
      if (bits == 64) return {AV_SAMPLE_FMT_DBL, AV_CODEC_ID_NONE};
      return {};
    case kFormatALaw: return {AV_SAMPLE_FMT_NONE, AV_CODEC_ID_PCM_ALAW};
    case kFormatMuLaw: return {AV_SAMPLE_FMT_NONE, AV_CODEC_ID_PCM_MULAW};
    case kFormatMSADPCM: return {AV_SAMPLE_FMT_NONE, AV_CODEC_ID_ADPCM_MS};
    case kFormatIMAADPCM: return {AV_SAMPLE_FMT_NONE, AV_CODEC_ID_ADPCM_IMA_WAV};
    case kFormatGSM610: return {AV_SAMPLE_FMT_NONE, AV_CODEC_ID_GSM_MS};
    default: return {};
  }
}

bool IsBlockCodec(uint16_t tag) {
  return tag == kFormatMSADPCM || tag == kFormatIMAADPCM || tag == kFormatGSM610;
}

}  // namespace

DecodeStage::DecodeStage(const std::atomic<bool>* stop) : m_stop(stop) {}

DecodeStage::~DecodeStage() { av_channel_layout_uninit(&m_layout); }

ConvertResult DecodeStage::Open(const FormatRecord& source) {
  const WaveFormat head = ParseWaveFormat(source);
  uint16_t tag = head.formatTag;
  uint32_t channelMask = 0;
  if (tag == kFormatExtensible) {
    ExtensibleFormat extensible;
    if (!ParseExtensible(source, &extensible)) return ConvertResult::kFailed;
    if (extensible.subFormatTag != kFormatPCM && extensible.subFormatTag != kFormatIEEEFloat) {
      return ConvertResult::kFailed;
    }
    tag = extensible.subFormatTag;
    channelMask = extensible.channelMask;
  }
  if (head.channels < 1 || head.channels > kMostChannels || head.samplesPerSec < kLowestRate ||
      head.samplesPerSec > kHighestRate) {
    return ConvertResult::kFailed;
  }
  const SourceCodec codec = ChooseCodec(tag, head.bitsPerSample);
  if (codec.direct == AV_SAMPLE_FMT_NONE && codec.decoder == AV_CODEC_ID_NONE) return ConvertResult::kFailed;

  m_rate = static_cast<int>(head.samplesPerSec);
  m_channels = head.channels;
  // The speakers named by an extensible record decide how more than two
  // channels mix down to stereo; without them, the usual layout for the
  // count is taken, as other players do.
  if (channelMask != 0 && std::popcount(channelMask) == m_channels) {
    av_channel_layout_from_mask(&m_layout, channelMask);
  } else {
    av_channel_layout_default(&m_layout, m_channels);
  }

  if (IsBlockCodec(tag)) {
    if (head.blockAlign == 0) return ConvertResult::kFailed;
    m_unitBytes = head.blockAlign;
    m_unitsPerCall = 1;
    // The record's samples-per-block field only sizes the output estimate
    // (the decoder counts the samples from the block itself), so a damaged
    // field must not make the estimate larger than a block can code: no
    // codec read here spends less than one bit on a sample.
    const uint64_t mostPerBlock = uint64_t{head.blockAlign} * 8 / std::max<uint16_t>(head.channels, 1) + 2;
    m_samplesPerUnit = static_cast<uint32_t>(std::clamp<uint64_t>(SamplesPerBlock(source), 1, mostPerBlock));
  } else {
    const uint32_t bytesPerSample =
        (tag == kFormatALaw || tag == kFormatMuLaw) ? 1 : head.bitsPerSample / 8u;
    m_unitBytes = bytesPerSample * head.channels;
    m_unitsPerCall = kFramesPerCall;
    m_samplesPerUnit = 1;
  }
  m_pending.reset(new (std::nothrow) uint8_t[m_unitBytes]);
  if (!m_pending) return ConvertResult::kOutOfMemory;

  if (codec.direct != AV_SAMPLE_FMT_NONE) {
    m_directFormat = codec.direct;
    return ConvertResult::kOk;
  }

  const AVCodec* decoder = avcodec_find_decoder(codec.decoder);
  if (decoder == nullptr) return ConvertResult::kFailed;
  m_decoder.reset(avcodec_alloc_context3(decoder));
  m_frame.reset(av_frame_alloc());
  m_packet.reset(av_packet_alloc());
  if (!m_decoder || !m_frame || !m_packet) return ConvertResult::kOutOfMemory;
  AVCodecContext* c = m_decoder.get();
  c->sample_rate = m_rate;
  if (av_channel_layout_copy(&c->ch_layout, &m_layout) < 0) return ConvertResult::kOutOfMemory;
  c->block_align = head.blockAlign;
  c->bits_per_coded_sample = head.bitsPerSample;
  const size_t extraSize = std::min<size_t>(head.extraSize, source.size() - std::min(source.size(), kWaveFormatHeadSize));
  if (extraSize > 0) {
    // The decoder reads the record's extra bytes (the MS ADPCM predictor
    // table, the samples per block) as its extradata.
    c->extradata = static_cast<uint8_t*>(av_mallocz(extraSize + AV_INPUT_BUFFER_PADDING_SIZE));
    if (c->extradata == nullptr) return ConvertResult::kOutOfMemory;
    std::memcpy(c->extradata, source.data() + kWaveFormatHeadSize, extraSize);
    c->extradata_size = static_cast<int>(extraSize);
  }
  const int opened = avcodec_open2(c, decoder, nullptr);
  if (opened < 0) return ResultFromAVError(opened);
  return ConvertResult::kOk;
}

uint64_t DecodeStage::EstimateFrames(uint64_t bytes) const {
  return (bytes / m_unitBytes + 1) * m_samplesPerUnit;
}

ConvertResult DecodeStage::Feed(const uint8_t* data, uint64_t size, EncodeStage& sink) {
  if (m_pendingSize != 0) {
    const uint32_t missing = m_unitBytes - m_pendingSize;
    const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(missing, size));
    std::memcpy(m_pending.get() + m_pendingSize, data, take);
    m_pendingSize += take;
    data += take;
    size -= take;
    if (m_pendingSize < m_unitBytes) return ConvertResult::kOk;
    m_pendingSize = 0;
    const ConvertResult fed = FeedUnits(m_pending.get(), m_unitBytes, sink);
    if (fed != ConvertResult::kOk) return fed;
  }
  const uint64_t whole = size - size % m_unitBytes;
  const ConvertResult fed = FeedUnits(data, whole, sink);
  if (fed != ConvertResult::kOk) return fed;
  m_pendingSize = static_cast<uint32_t>(size - whole);
  if (m_pendingSize != 0) std::memcpy(m_pending.get(), data + whole, m_pendingSize);
  return ConvertResult::kOk;
}

ConvertResult DecodeStage::FeedUnits(const uint8_t* data, uint64_t size, EncodeStage& sink) {
  const uint64_t callBytes = static_cast<uint64_t>(m_unitBytes) * m_unitsPerCall;
  while (size > 0) {
    if (Stopped()) return ConvertResult::kFailed;
    const uint64_t bytes = std::min(size, callBytes);
    ConvertResult done;
    if (m_decoder) {
      done = DecodePacket(data, static_cast<int>(bytes), sink);
    } else {
      const int frames = static_cast<int>(bytes / m_unitBytes);
      done = sink.Write(&data, frames, m_directFormat, m_layout, m_rate);
      m_framesOut += static_cast<uint64_t>(frames);
    }
    if (done != ConvertResult::kOk) return done;
    data += bytes;
    size -= bytes;
  }
  return ConvertResult::kOk;
}

ConvertResult DecodeStage::DecodePacket(const uint8_t* data, int size, EncodeStage& sink) {
  AVPacket* packet = m_packet.get();
  const int allocated = av_new_packet(packet, size);
  if (allocated < 0) return ResultFromAVError(allocated);
  std::memcpy(packet->data, data, static_cast<size_t>(size));
  const int sent = avcodec_send_packet(m_decoder.get(), packet);
  av_packet_unref(packet);
  // A block the decoder rejects is skipped; only running out of memory ends
  // the conversion.
  if (sent == AVERROR(ENOMEM)) return ConvertResult::kOutOfMemory;
  return Drain(sink);
}

ConvertResult DecodeStage::Drain(EncodeStage& sink) {
  return DrainDecoder(m_decoder.get(), m_frame.get(), sink, &m_framesOut);
}

ConvertResult DrainDecoder(AVCodecContext* decoder, AVFrame* frame, EncodeStage& sink, uint64_t* frames) {
  // A damaged block shows as an error here; the decoder drops it and the
  // next call goes on. The cap only guards against a decoder that keeps
  // repeating an error.
  int errors = 0;
  for (;;) {
    const int received = avcodec_receive_frame(decoder, frame);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return ConvertResult::kOk;
    if (received == AVERROR(ENOMEM)) return ConvertResult::kOutOfMemory;
    if (received < 0) {
      if (++errors > 64) return ConvertResult::kOk;
      continue;
    }
    const ConvertResult written = sink.Write(frame->extended_data, frame->nb_samples,
                                             static_cast<AVSampleFormat>(frame->format), frame->ch_layout,
                                             frame->sample_rate);
    *frames += static_cast<uint64_t>(std::max(frame->nb_samples, 0));
    av_frame_unref(frame);
    if (written != ConvertResult::kOk) return written;
  }
}

ConvertResult DecodeStage::Finish(EncodeStage& sink) {
  if (m_pendingSize != 0) {
    // A short last block: decoders of block codecs decode what it holds;
    // a partial PCM sample frame has nothing to give.
    const uint32_t size = m_pendingSize;
    m_pendingSize = 0;
    if (m_decoder) {
      const ConvertResult fed = DecodePacket(m_pending.get(), static_cast<int>(size), sink);
      if (fed != ConvertResult::kOk) return fed;
    }
  }
  if (!m_decoder) return ConvertResult::kOk;
  const int sent = avcodec_send_packet(m_decoder.get(), nullptr);
  if (sent == AVERROR(ENOMEM)) return ConvertResult::kOutOfMemory;
  return Drain(sink);
}
