// Recognising a sound file by its first bytes, opening its first audio
// stream, and decoding it through the resampler into the working format.
// The decode goes through libavformat's and libavcodec's ordinary paths, as
// the ffmpeg tool does, so that priming and padding (Opus pre-skip, the
// encoder delay of AAC and MP3, Ogg's end trimming, MP4 edit lists) are
// honoured and the length matches ffmpeg's to the frame.
#include "core/model/media_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

extern "C" {
#include <libavutil/avstring.h>
}

#include "core/model/encode_stage.h"
#include "core/model/ffmpeg_handles.h"
#include "core/model/file_reader.h"
#include "core/model/wave_format.h"

namespace {

// A demuxer that reads the content's own header scores 100; one that finds
// a run of sync words of a raw stream (MP3, AAC, AC-3) with nothing around
// them scores 51 once the run is long enough to be no accident. A file
// name's extension alone gives 50, and the low scores FFmpeg still accepts
// (down to 1, "misdetection possible") are what random bytes and headerless
// PCM get. So a sound file must score more than an extension could give.
constexpr int kMinimumProbeScore = AVPROBE_SCORE_EXTENSION + 1;
// The probe starts with 2 KiB and doubles up to this, as FFmpeg's own does.
constexpr int kFirstProbeBytes = 2048;
constexpr int kMostProbeBytes = 1 << 20;
// What avformat_find_stream_info may read and decode before it settles:
// enough for any stream header, little enough that a file of junk that
// a demuxer accepted is given up on quickly.
constexpr int64_t kStreamInfoBytes = 2 << 20;
constexpr int64_t kStreamInfoMicroseconds = 5 * AV_TIME_BASE;
// How far into the file the probe looks for a first decoded frame.
constexpr int kMostProbePackets = 2000;

// The demuxers that read a stored sound stream from a single file. Left
// out on purpose: playlists and reference lists (hls, dash, concat), image
// sequences and pictures, subtitles, text ("tty"), devices and filter
// graphs (lavfi), and the synthesisers that render a tracker module or a
// game's music rather than read a recorded one. Names as FFmpeg spells them;
// "matroska" and "mov" match the demuxers named "matroska,webm" and
// "mov,mp4,m4a,3gp,3g2,mj2".
constexpr const char* kSoundDemuxers =
    "aac,ac3,aiff,amr,amrnb,amrwb,ape,asf,au,avi,caf,dsf,dts,dtshd,eac3,flac,flv,ircam,loas,matroska,mlp,mov,"
    "mp3,mpc,mpc8,mpeg,mpegts,nut,ogg,oma,qcp,rm,sox,tak,truehd,tta,voc,vqf,w64,wav,wv,xwma";

// The extensions of files in those formats. Many of the demuxers name none
// (wav, aiff, caf, w64), and Ogg's names only "ogg", so the list is ours.
constexpr std::string_view kSoundExtensions[] = {
    "3gp", "aac", "ac3",  "aif", "aifc", "aiff", "amr", "ape", "asf",  "au",  "avi", "bwf",  "caf",
    "dsf", "dts", "eac3", "flac", "flv", "m4a", "m4b", "mka", "mkv", "mlp", "mov", "mp4", "mpc",
    "mpg", "mpeg", "nut", "oga", "ogg", "oma", "opus", "ra",  "rf64", "rm",  "snd", "spx", "tak",
    "thd", "tta", "voc", "w64", "wave", "webm", "wma", "wmv", "wv",
};

// Sample rates and channel counts the resampler is given; a frame outside
// them is damage (a fuzzed FLAC header can say 1 Hz, which would turn a few
// bytes into gigabytes at 44.1 kHz).
constexpr int kLowestRate = 1000;
constexpr int kHighestRate = 384000;
constexpr int kMostChannels = 64;

// A decoder that keeps reporting an error without taking input is given up
// on after this many in a row.
constexpr int kMostErrorsInARow = 64;

// How much shorter than its stated length a stream may decode before it
// counts as cut short.
constexpr double kLengthMarginSeconds = 0.1;
constexpr double kLengthMarginShare = 0.01;

// An Ogg page: "OggS", version 0, flags, granule, serial, sequence, CRC,
// the segment count and that many lacing values, then the body.
constexpr int kOggPageHead = 27;
constexpr int kOggLargestPage = kOggPageHead + 255 + 255 * 255;

// True when the last page in the file ends within it. Looks back from the
// end for the last capture pattern whose header fits.
bool OggEndsWithWholePage(AVIOContext* io, uint64_t fileSize) {
  const uint64_t tail = std::min<uint64_t>(fileSize, 2 * kOggLargestPage);
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[tail]);
  if (!bytes || tail < kOggPageHead) return tail < kOggPageHead;
  const int64_t start = static_cast<int64_t>(fileSize - tail);
  if (avio_seek(io, start, SEEK_SET) != start || avio_read(io, bytes.get(), static_cast<int>(tail)) != static_cast<int>(tail))
    return false;
  for (uint64_t at = tail - 3; at-- > 0;) {
    const uint8_t* page = bytes.get() + at;
    if (std::memcmp(page, "OggS", 4) != 0) continue;
    // A head cut short is the end of a page cut short.
    if (at + kOggPageHead > tail) return false;
    if (page[4] != 0) continue;
    const int segments = page[26];
    if (at + kOggPageHead + segments > tail) return false;
    uint64_t end = at + kOggPageHead + segments;
    for (int i = 0; i < segments; ++i) end += page[kOggPageHead + i];
    return end <= tail;
  }
  return true;
}

bool IsSoundDemuxer(const AVInputFormat* format) {
  return format != nullptr && av_match_list(format->name, kSoundDemuxers, ',') > 0;
}

bool InWorkingFormat(const AVFrame* frame) {
  static const AVChannelLayout kStereo = AV_CHANNEL_LAYOUT_STEREO;
  return frame->format == AV_SAMPLE_FMT_S16 && frame->sample_rate == static_cast<int>(kWorkingSampleRate) &&
         frame->ch_layout.nb_channels == 2 &&
         (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_compare(&frame->ch_layout, &kStereo) == 0);
}

bool UsableFrame(const AVFrame* frame) {
  return frame->nb_samples > 0 && frame->sample_rate >= kLowestRate && frame->sample_rate <= kHighestRate &&
         frame->ch_layout.nb_channels >= 1 && frame->ch_layout.nb_channels <= kMostChannels;
}

std::string CodecTagText(uint32_t tag) {
  char text[AV_FOURCC_MAX_STRING_SIZE] = {};
  bool printable = true;
  for (int i = 0; i < 4; ++i) printable = printable && std::isprint(static_cast<int>((tag >> (8 * i)) & 0xFF));
  if (printable) return av_fourcc_make_string(text, tag);
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(tag));
  return text;
}

}  // namespace

bool HasSoundFileExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::find(std::begin(kSoundExtensions), std::end(kSoundExtensions), extension) != std::end(kSoundExtensions);
}

struct MediaReader::Parts {
  ~Parts() {
    // The demuxer runs on our I/O context and leaves it open.
    avformat_close_input(&format);
    avio_closep(&io);
  }

  AVIOContext* io = nullptr;
  AVFormatContext* format = nullptr;
  AVStream* stream = nullptr;
  CodecContextHandle decoder;
  FrameHandle frame;
  PacketHandle packet;
  // The probe's first frame, not yet handed to a sink.
  bool framePending = false;
  // The demuxer reached the end during the probe and the decoder was
  // flushed: only the frames it still holds are left.
  bool flushed = false;
  // Something was damaged in what the probe read.
  bool damaged = false;
};

MediaReader::MediaReader() = default;
MediaReader::~MediaReader() = default;

AVDictionary* MediaReader::containerMetadata() const {
  return m_parts && m_parts->format != nullptr ? m_parts->format->metadata : nullptr;
}

AVDictionary* MediaReader::streamMetadata() const {
  return m_parts && m_parts->stream != nullptr ? m_parts->stream->metadata : nullptr;
}

MediaProbe ProbeMediaFile(const std::string& path, MediaStreamInfo* info) {
  MediaReader reader;
  const MediaProbe result = reader.Open(path);
  if (info != nullptr) *info = reader.info();
  return result;
}

MediaProbe MediaReader::Open(const std::string& path) {
  m_parts.reset(new (std::nothrow) Parts);
  m_info = MediaStreamInfo();
  if (!m_parts) return MediaProbe::kCannotRead;
  const MediaProbe recognised = Recognise(path);
  if (recognised != MediaProbe::kAudio) return recognised;
  return OpenDecoder();
}

MediaProbe MediaReader::Recognise(const std::string& path) {
  // FFmpeg's file protocol would wait forever on a pipe: only regular files.
  if (ReadAccessError(path) != 0) return MediaProbe::kCannotRead;
  const MediaProbe unknown = HasSoundFileExtension(path) ? MediaProbe::kUndecodable : MediaProbe::kNotRecognised;
  // "file:" in front, so that a name like "http:x" stays a local file; the
  // whitelist keeps every other protocol out of whatever the demuxer opens.
  const std::string url = "file:" + path;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  const int opened = avio_open2(&m_parts->io, url.c_str(), AVIO_FLAG_READ, nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) return MediaProbe::kCannotRead;
  const int64_t size = avio_size(m_parts->io);
  if (size < 0) return MediaProbe::kCannotRead;
  m_fileSize = static_cast<uint64_t>(size);

  // The probe reads the first bytes in growing steps until a demuxer claims
  // them with confidence, as avformat_open_input would, but decides by our
  // threshold and without the file name (the contents decide).
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kMostProbeBytes + AVPROBE_PADDING_SIZE]);
  if (!buffer) return MediaProbe::kCannotRead;
  int filled = 0;
  int score = 0;
  const AVInputFormat* format = nullptr;
  for (int want = kFirstProbeBytes;; want = std::min(want * 2, kMostProbeBytes)) {
    const int read = avio_read(m_parts->io, buffer.get() + filled, want - filled);
    if (read > 0) filled += read;
    std::memset(buffer.get() + filled, 0, AVPROBE_PADDING_SIZE);
    AVProbeData probe{};
    probe.filename = "";
    probe.buf = buffer.get();
    probe.buf_size = filled;
    score = 0;
    format = filled > 0 ? av_probe_input_format3(&probe, 1, &score) : nullptr;
    if (score >= kMinimumProbeScore || filled < want || want == kMostProbeBytes) break;
  }
  buffer.reset();
  if (format == nullptr || score < kMinimumProbeScore || !IsSoundDemuxer(format)) return unknown;
  if (avio_seek(m_parts->io, 0, SEEK_SET) != 0) return MediaProbe::kCannotRead;

  AVFormatContext* context = avformat_alloc_context();
  if (context == nullptr) return MediaProbe::kCannotRead;
  context->pb = m_parts->io;
  context->flags |= AVFMT_FLAG_CUSTOM_IO;
  context->probesize = kStreamInfoBytes;
  context->max_analyze_duration = kStreamInfoMicroseconds;
  context->protocol_whitelist = av_strdup("file");
  context->format_whitelist = av_strdup(kSoundDemuxers);
  if (context->protocol_whitelist == nullptr || context->format_whitelist == nullptr) {
    avformat_free_context(context);
    return MediaProbe::kCannotRead;
  }
  // On failure avformat_open_input frees the context (not our I/O). The
  // contents said this format with confidence: a header it cannot read is
  // a damaged file of it, not headerless samples.
  if (avformat_open_input(&context, url.c_str(), format, nullptr) < 0) return MediaProbe::kUndecodable;
  m_parts->format = context;
  m_info.containerName = context->iformat->name;
  if (context->iformat->long_name != nullptr) m_info.containerLongName = context->iformat->long_name;
  // A stream whose parameters cannot all be found is still tried: the
  // decoder is what decides.
  (void)avformat_find_stream_info(context, nullptr);

  for (unsigned i = 0; i < context->nb_streams; ++i) {
    AVStream* stream = context->streams[i];
    const AVMediaType type = stream->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) m_info.fromVideo = true;
    if (type == AVMEDIA_TYPE_AUDIO && m_parts->stream == nullptr) m_parts->stream = stream;
  }
  if (m_parts->stream == nullptr) return MediaProbe::kNoAudio;
  // Only the audio stream is read; the demuxer drops the others' packets.
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    if (context->streams[i] != m_parts->stream) context->streams[i]->discard = AVDISCARD_ALL;
  }
  DescribeStream();
  return MediaProbe::kAudio;
}

void MediaReader::DescribeStream() {
  const AVCodecParameters* parameters = m_parts->stream->codecpar;
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(parameters->codec_id);
  if (descriptor != nullptr) {
    m_info.codecName = descriptor->name;
    if (descriptor->long_name != nullptr) m_info.codecLongName = descriptor->long_name;
    m_info.lossless = (descriptor->props & AV_CODEC_PROP_LOSSLESS) != 0;
  } else {
    // A codec FFmpeg does not know: the container's tag for it is all
    // there is to name it by.
    m_info.codecName = CodecTagText(parameters->codec_tag);
  }
  m_info.sampleRate = static_cast<uint32_t>(std::max(parameters->sample_rate, 0));
  m_info.channels = static_cast<uint16_t>(std::clamp(parameters->ch_layout.nb_channels, 0, 65535));
  m_info.bitRate = parameters->bit_rate > 0 ? parameters->bit_rate : 0;
  // A file of sound alone: the container's rate is the stream's.
  if (m_info.bitRate == 0 && !m_info.fromVideo && m_parts->format->bit_rate > 0)
    m_info.bitRate = m_parts->format->bit_rate;
  if (m_info.lossless) {
    int bits = parameters->bits_per_raw_sample;
    if (bits <= 0) bits = av_get_bits_per_sample(parameters->codec_id);  // PCM: the coded depth
    if (bits <= 0) bits = av_get_bytes_per_sample(static_cast<AVSampleFormat>(parameters->format)) * 8;
    m_info.bitsPerSample = static_cast<uint16_t>(std::clamp(bits, 0, 64));
  }
}

MediaProbe MediaReader::OpenDecoder() {
  Parts& p = *m_parts;
  const AVCodec* codec = avcodec_find_decoder(p.stream->codecpar->codec_id);
  if (codec == nullptr) return MediaProbe::kUnsupportedCodec;
  p.decoder.reset(avcodec_alloc_context3(codec));
  p.frame.reset(av_frame_alloc());
  p.packet.reset(av_packet_alloc());
  if (!p.decoder || !p.frame || !p.packet) return MediaProbe::kCannotRead;
  AVCodecContext* decoder = p.decoder.get();
  if (avcodec_parameters_to_context(decoder, p.stream->codecpar) < 0) return MediaProbe::kCannotRead;
  decoder->pkt_timebase = p.stream->time_base;
  // Frame-threaded decoders (FLAC, ALAC) decode several frames at once, on
  // as many threads as FFmpeg chooses for the machine (0), as the ffmpeg
  // tool lets them; the others ignore it.
  decoder->thread_count = 0;
  decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  if (avcodec_open2(decoder, codec, nullptr) < 0) return MediaProbe::kUndecodable;

  // A demuxer may accept a file whose packets are no sound: it is one only
  // when a frame decodes.
  int errorsInARow = 0;
  for (int packets = 0; packets < kMostProbePackets;) {
    const int received = avcodec_receive_frame(decoder, p.frame.get());
    if (received >= 0) {
      if (UsableFrame(p.frame.get())) {
        p.framePending = true;
        break;
      }
      p.damaged = true;
      av_frame_unref(p.frame.get());
      continue;
    }
    if (received == AVERROR_EOF) break;
    if (received != AVERROR(EAGAIN)) {
      p.damaged = true;
      if (++errorsInARow > kMostErrorsInARow) break;
      continue;
    }
    errorsInARow = 0;
    if (p.flushed) break;
    const int read = av_read_frame(p.format, p.packet.get());
    if (read < 0) {
      if (read != AVERROR_EOF) p.damaged = true;
      // What the decoder still holds (a frame-threaded one holds several
      // packets) comes out when it is flushed.
      (void)avcodec_send_packet(decoder, nullptr);
      p.flushed = true;
      continue;
    }
    if (p.packet->stream_index == p.stream->index && p.packet->size > 0) {
      ++packets;
      if (avcodec_send_packet(decoder, p.packet.get()) < 0) p.damaged = true;
    }
    av_packet_unref(p.packet.get());
  }
  if (!p.framePending) return MediaProbe::kUndecodable;
  // The decoder knows what the header may not have said.
  if (m_info.sampleRate == 0) m_info.sampleRate = static_cast<uint32_t>(p.frame->sample_rate);
  if (m_info.channels == 0) m_info.channels = static_cast<uint16_t>(p.frame->ch_layout.nb_channels);
  if (m_info.lossless && decoder->bits_per_raw_sample > 0 && p.stream->codecpar->bits_per_raw_sample <= 0 &&
      av_get_bits_per_sample(p.stream->codecpar->codec_id) <= 0) {
    m_info.bitsPerSample = static_cast<uint16_t>(std::min(decoder->bits_per_raw_sample, 64));
  }
  return MediaProbe::kAudio;
}

double MediaReader::LengthSeconds(bool statedOnly) const {
  if (!m_parts || m_parts->format == nullptr || m_parts->stream == nullptr) return 0;
  const AVFormatContext* format = m_parts->format;
  // A length guessed from the bit rate, or (Ogg) read from the last page
  // there is, says nothing about where the stream was meant to end.
  if (statedOnly && (format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE ||
                     std::string_view(format->iformat->name) == "ogg"))
    return 0;
  const AVStream* stream = m_parts->stream;
  double seconds = 0;
  if (stream->duration > 0 && stream->time_base.den > 0)
    seconds = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
  else if (format->duration > 0)
    seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
  // A header can claim anything; a length beyond the sound's limit is no
  // length.
  if (!(seconds > 0) || seconds * kWorkingSampleRate > static_cast<double>(UINT32_MAX / kWorkingBlockAlign)) return 0;
  return seconds;
}

uint64_t MediaReader::StatedWorkingFrames() const {
  return static_cast<uint64_t>(LengthSeconds(true) * kWorkingSampleRate + 0.5);
}

uint64_t MediaReader::ExpectedWorkingFrames() const {
  return static_cast<uint64_t>(LengthSeconds(false) * kWorkingSampleRate + 0.5);
}

bool MediaReader::EndsWhole(double decodedSeconds) {
  Parts& p = *m_parts;
  // A stream that stops well short of the length its header states was cut
  // (a FLAC's STREAMINFO, Matroska's Duration, a wave chunk's size). The
  // margin covers priming and padding, which some containers count in.
  const double stated = LengthSeconds(true);
  if (stated > 0 && decodedSeconds < stated - std::max(kLengthMarginSeconds, stated * kLengthMarginShare)) return false;
  // Ogg states no length (FFmpeg takes the last page's position for one)
  // and its demuxer drops a page cut short at the end without a word: the
  // last page must be whole.
  if (std::string_view(p.format->iformat->name) == "ogg") return OggEndsWithWholePage(p.format->pb, m_fileSize);
  return true;
}

MediaDecodeEnd MediaReader::Decode(EncodeStage& sink, const std::atomic<bool>* stop, std::atomic<int>* percent,
                                   uint64_t mostBytes) {
  Parts& p = *m_parts;
  AVCodecContext* decoder = p.decoder.get();
  AVFrame* frame = p.frame.get();
  bool damaged = p.damaged;
  double decodedSeconds = 0;
  // While every frame is in the working format already (16-bit stereo FLAC
  // or PCM at 44.1 kHz) it is copied as it is: the resampler would copy it
  // value by value to the same values. Once one frame needs the resampler,
  // all that follow take it too, so that none overtakes what it holds back.
  bool direct = true;
  const auto stopped = [stop] { return stop != nullptr && stop->load(std::memory_order_relaxed); };

  // Hands every frame the decoder has ready to the sink.
  const auto drain = [&]() -> MediaDecodeEnd {
    int errorsInARow = 0;
    for (;;) {
      if (!p.framePending) {
        const int received = avcodec_receive_frame(decoder, frame);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return MediaDecodeEnd::kComplete;
        if (received == AVERROR(ENOMEM)) return MediaDecodeEnd::kOutOfMemory;
        if (received < 0) {
          damaged = true;
          if (++errorsInARow > kMostErrorsInARow) return MediaDecodeEnd::kComplete;
          continue;
        }
      }
      p.framePending = false;
      errorsInARow = 0;
      if (!UsableFrame(frame)) {
        damaged = true;
        av_frame_unref(frame);
        continue;
      }
      ConvertResult written = ConvertResult::kOk;
      direct = direct && InWorkingFormat(frame);
      if (direct) {
        if (!sink.output().Append(frame->data[0], static_cast<uint64_t>(frame->nb_samples) * kWorkingBlockAlign))
          written = ConvertResult::kOutOfMemory;
      } else {
        written = sink.Write(frame->extended_data, frame->nb_samples, static_cast<AVSampleFormat>(frame->format),
                             frame->ch_layout, frame->sample_rate);
      }
      decodedSeconds += static_cast<double>(frame->nb_samples) / frame->sample_rate;
      av_frame_unref(frame);
      if (written == ConvertResult::kOutOfMemory) return MediaDecodeEnd::kOutOfMemory;
      if (stopped()) return MediaDecodeEnd::kStopped;
      // The resampler refused the frame's layout: it is lost, the rest goes on.
      if (written != ConvertResult::kOk) damaged = true;
      if (sink.output().size() >= mostBytes) return MediaDecodeEnd::kLimitReached;
    }
  };

  MediaDecodeEnd end = drain();
  while (end == MediaDecodeEnd::kComplete && !p.flushed) {
    if (stopped()) return MediaDecodeEnd::kStopped;
    const int read = av_read_frame(p.format, p.packet.get());
    if (read == AVERROR(ENOMEM)) return MediaDecodeEnd::kOutOfMemory;
    if (read < 0) {
      // The end of the file, or a demuxer that cannot go on before it.
      if (read != AVERROR_EOF) damaged = true;
      if (avcodec_send_packet(decoder, nullptr) == AVERROR(ENOMEM)) return MediaDecodeEnd::kOutOfMemory;
      p.flushed = true;
    } else {
      int sent = 0;
      if (p.packet->stream_index == p.stream->index && p.packet->size > 0) {
        sent = avcodec_send_packet(decoder, p.packet.get());
      }
      av_packet_unref(p.packet.get());
      if (sent == AVERROR(ENOMEM)) return MediaDecodeEnd::kOutOfMemory;
      // The decoder drops a packet it cannot decode and goes on with the next.
      if (sent < 0) damaged = true;
      if (percent != nullptr && m_fileSize > 0) {
        const int64_t position = avio_tell(p.format->pb);
        if (position > 0)
          percent->store(static_cast<int>(std::min<uint64_t>(100, static_cast<uint64_t>(position) * 100 / m_fileSize)),
                         std::memory_order_relaxed);
      }
    }
    end = drain();
  }
  if (end != MediaDecodeEnd::kComplete) return end;
  if (!damaged && !EndsWhole(decodedSeconds)) damaged = true;
  return damaged ? MediaDecodeEnd::kDamaged : MediaDecodeEnd::kComplete;
}
