// The MP3 demuxer run over bytes in memory through a custom I/O context, and
// the frame header reading the format record is built from.
#include "core/model/mp3_decoder.h"

#include <algorithm>
#include <cstring>

#include "core/model/codec_format.h"
#include "core/model/decode_stage.h"
#include "core/model/ffmpeg_handles.h"

namespace {

constexpr int kIoBufferSize = 65536;

// The stream as the demuxer's I/O sees it: the pieces laid end to end.
struct PieceReader {
  const std::vector<ByteSpan>* pieces = nullptr;
  uint64_t total = 0;
  uint64_t position = 0;
};

int ReadPieces(void* opaque, uint8_t* buffer, int size) {
  auto* reader = static_cast<PieceReader*>(opaque);
  if (reader->position >= reader->total) return AVERROR_EOF;
  int copied = 0;
  uint64_t start = 0;
  for (const ByteSpan& piece : *reader->pieces) {
    const uint64_t end = start + piece.size;
    if (reader->position < end && copied < size) {
      const uint64_t offset = reader->position - start;
      const uint64_t count = std::min<uint64_t>(piece.size - offset, static_cast<uint64_t>(size - copied));
      std::memcpy(buffer + copied, piece.data + offset, count);
      copied += static_cast<int>(count);
      reader->position += count;
    }
    start = end;
  }
  return copied == 0 ? AVERROR_EOF : copied;
}

int64_t SeekPieces(void* opaque, int64_t offset, int whence) {
  auto* reader = static_cast<PieceReader*>(opaque);
  const int how = whence & ~AVSEEK_FORCE;
  if (how == AVSEEK_SIZE) return static_cast<int64_t>(reader->total);
  int64_t base = 0;
  if (how == SEEK_CUR) base = static_cast<int64_t>(reader->position);
  else if (how == SEEK_END) base = static_cast<int64_t>(reader->total);
  else if (how != SEEK_SET) return AVERROR(EINVAL);
  // The demuxer computes offsets from fields of the file: any value can come.
  int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) return AVERROR(EINVAL);
  reader->position = static_cast<uint64_t>(target);
  return target;
}

// The demuxer with its I/O context; both are freed together.
class Mp3Demuxer {
 public:
  ~Mp3Demuxer() {
    avformat_close_input(&m_format);
    if (m_io != nullptr) av_freep(&m_io->buffer);
    avio_context_free(&m_io);
  }

  ConvertResult Open(const std::vector<ByteSpan>& pieces) {
    m_reader.pieces = &pieces;
    for (const ByteSpan& piece : pieces) m_reader.total += piece.size;
    if (m_reader.total == 0) return ConvertResult::kFailed;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (buffer == nullptr) return ConvertResult::kOutOfMemory;
    m_io = avio_alloc_context(buffer, kIoBufferSize, 0, &m_reader, ReadPieces, nullptr, SeekPieces);
    if (m_io == nullptr) {
      av_free(buffer);
      return ConvertResult::kOutOfMemory;
    }
    m_format = avformat_alloc_context();
    if (m_format == nullptr) return ConvertResult::kOutOfMemory;
    m_format->pb = m_io;
    m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The bytes are known to be MP3: no probing, which could mistake a
    // damaged stream for something else.
    const int opened = avformat_open_input(&m_format, nullptr, av_find_input_format("mp3"), nullptr);
    if (opened < 0) return ResultFromAVError(opened);  // the context is already freed
    if (m_format->nb_streams < 1) return ConvertResult::kFailed;
    return ConvertResult::kOk;
  }

  AVFormatContext* format() { return m_format; }
  AVStream* stream() { return m_format->streams[0]; }
  uint64_t size() const { return m_reader.total; }

 private:
  PieceReader m_reader;
  AVIOContext* m_io = nullptr;
  AVFormatContext* m_format = nullptr;
};

struct FrameHeader {
  uint32_t samplesPerSec = 0;
  uint16_t channels = 0;
  uint32_t bitRate = 0;  // bits per second
};

// Reads a layer-3 frame header; false for anything else.
bool ParseFrameHeader(const uint8_t* p, size_t size, FrameHeader* header) {
  static constexpr uint16_t kMpeg1Kbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static constexpr uint16_t kMpeg2Kbps[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  static constexpr uint32_t kMpeg1Rates[3] = {44100, 48000, 32000};
  if (size < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  const int version = (p[1] >> 3) & 3;  // 0: MPEG 2.5, 2: MPEG 2, 3: MPEG 1
  const int layer = (p[1] >> 1) & 3;    // 1: layer 3
  const int bitRateIndex = p[2] >> 4;
  const int rateIndex = (p[2] >> 2) & 3;
  if (version == 1 || layer != 1 || rateIndex == 3) return false;
  const uint32_t divisor = version == 3 ? 1 : version == 2 ? 2 : 4;
  header->samplesPerSec = kMpeg1Rates[rateIndex] / divisor;
  header->channels = (p[3] >> 6) == 3 ? 1 : 2;
  header->bitRate = 1000u * (version == 3 ? kMpeg1Kbps[bitRateIndex] : kMpeg2Kbps[bitRateIndex]);
  return true;
}

// Reads packets until the first whole frame and returns its header.
ConvertResult FirstFrame(Mp3Demuxer& demuxer, FrameHeader* header) {
  PacketHandle packet(av_packet_alloc());
  if (!packet) return ConvertResult::kOutOfMemory;
  // Give up after a few packets: a stream whose first frames are all
  // unreadable is not one we can describe.
  for (int tries = 0; tries < 32; ++tries) {
    if (av_read_frame(demuxer.format(), packet.get()) < 0) return ConvertResult::kFailed;
    const bool found = ParseFrameHeader(packet->data, static_cast<size_t>(packet->size), header);
    av_packet_unref(packet.get());
    if (found) return ConvertResult::kOk;
  }
  return ConvertResult::kFailed;
}

}  // namespace

ConvertResult DecodeMp3Stream(const std::vector<ByteSpan>& pieces, EncodeStage& sink,
                                  const std::atomic<bool>* stop) {
  Mp3Demuxer demuxer;
  const ConvertResult opened = demuxer.Open(pieces);
  if (opened != ConvertResult::kOk) return opened;
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MP3);
  if (codec == nullptr) return ConvertResult::kFailed;
  CodecContextHandle decoder(avcodec_alloc_context3(codec));
  FrameHandle frame(av_frame_alloc());
  PacketHandle packet(av_packet_alloc());
  if (!decoder || !frame || !packet) return ConvertResult::kOutOfMemory;
  AVStream* stream = demuxer.stream();
  const int copied = avcodec_parameters_to_context(decoder.get(), stream->codecpar);
  if (copied < 0) return ResultFromAVError(copied);
  decoder->pkt_timebase = stream->time_base;
  const int codecOpened = avcodec_open2(decoder.get(), codec, nullptr);
  if (codecOpened < 0) return ResultFromAVError(codecOpened);

  uint64_t frames = 0;
  bool reserved = false;
  for (;;) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return ConvertResult::kFailed;
    const int read = av_read_frame(demuxer.format(), packet.get());
    // The end of the bytes, or bytes past which no frame can be found.
    if (read == AVERROR(ENOMEM)) return ConvertResult::kOutOfMemory;
    if (read < 0) break;
    if (!reserved) {
      // Size the output once from the first frame's bit rate; a
      // variable-rate stream may still make it grow.
      FrameHeader header;
      if (ParseFrameHeader(packet->data, static_cast<size_t>(packet->size), &header) &&
          header.bitRate != 0) {
        sink.Reserve(demuxer.size() * 8 * sink.targetRate() / header.bitRate);
        reserved = true;
      }
    }
    int sent = 0;
    if (packet->stream_index == 0) sent = avcodec_send_packet(decoder.get(), packet.get());
    av_packet_unref(packet.get());
    if (sent == AVERROR(ENOMEM)) return ConvertResult::kOutOfMemory;
    const ConvertResult drained = DrainDecoder(decoder.get(), frame.get(), sink, &frames);
    if (drained != ConvertResult::kOk) return drained;
  }
  if (avcodec_send_packet(decoder.get(), nullptr) == AVERROR(ENOMEM)) return ConvertResult::kOutOfMemory;
  const ConvertResult drained = DrainDecoder(decoder.get(), frame.get(), sink, &frames);
  if (drained != ConvertResult::kOk) return drained;
  return frames == 0 ? ConvertResult::kFailed : ConvertResult::kOk;
}

ConvertResult DecodeMp3(const uint8_t* bytes, size_t size, std::unique_ptr<uint8_t[]>* pcm, uint64_t* length) {
  EncodeStage sink;
  const ConvertResult opened = sink.Open(MakeFormatRecord(WorkingFormat()));
  if (opened != ConvertResult::kOk) return opened;
  const std::vector<ByteSpan> pieces = {ByteSpan{bytes, size}};
  const ConvertResult decoded = DecodeMp3Stream(pieces, sink, nullptr);
  if (decoded != ConvertResult::kOk) return decoded;
  const ConvertResult finished = sink.Finish();
  if (finished != ConvertResult::kOk) return finished;
  *pcm = sink.output().Take(length);
  return ConvertResult::kOk;
}

ConvertResult DescribeMp3(const uint8_t* bytes, size_t size, FormatRecord* record) {
  const std::vector<ByteSpan> pieces = {ByteSpan{bytes, size}};
  Mp3Demuxer demuxer;
  const ConvertResult opened = demuxer.Open(pieces);
  if (opened != ConvertResult::kOk) return opened;
  FrameHeader header;
  const ConvertResult found = FirstFrame(demuxer, &header);
  if (found != ConvertResult::kOk) return found;
  // A Xing header gives the average of a variable-rate stream.
  const int64_t average = demuxer.stream()->codecpar->bit_rate;
  const uint32_t bitRate = average > 0 ? static_cast<uint32_t>(average) : header.bitRate;

  WaveFormat f;
  f.formatTag = kFormatMPEGLayer3;
  f.channels = header.channels;
  f.samplesPerSec = header.samplesPerSec;
  f.avgBytesPerSec = bitRate / 8;
  f.blockAlign = 1;
  f.bitsPerSample = 0;
  std::vector<uint8_t> extra(kMp3ExtraSize, 0);
  WriteLE16(&extra[0], kMp3IdMpeg);
  WriteLE32(&extra[2], 2);      // flags: padding off
  WriteLE16(&extra[6], 1);      // block size
  WriteLE16(&extra[8], 1);      // frames per block
  WriteLE16(&extra[10], 1393);  // codec delay
  *record = MakeFormatRecord(f, extra);
  return ConvertResult::kOk;
}
