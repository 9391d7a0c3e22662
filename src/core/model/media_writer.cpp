// The encoding of a mix-down into a media file: the resampler between the
// working format and the stream (media_encoder_choice.h says which stream),
// the encoder's frames, and the muxer's output through an AVIOContext into
// an AtomicFileWriter (which lets the muxers seek back to finish their
// headers). The worker thread runs Encode; Write polls on the calling thread
// meanwhile and puts the finished file in place.
#include "core/model/media_writer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "core/model/atomic_file_writer.h"
#include "core/model/ffmpeg_handles.h"
#include "core/model/media_encoder_choice.h"
#include "core/model/media_tags.h"
#include "core/model/wave_format.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace {

struct FormatContextFree {
  void operator()(AVFormatContext* p) const { avformat_free_context(p); }
};
using FormatContextHandle = std::unique_ptr<AVFormatContext, FormatContextFree>;

// The AVIOContext owns a buffer that FFmpeg may have replaced.
struct OutputFree {
  void operator()(AVIOContext* p) const {
    av_freep(&p->buffer);
    avio_context_free(&p);
  }
};
using OutputHandle = std::unique_ptr<AVIOContext, OutputFree>;

struct DictionaryFree {
  void operator()(AVDictionary* p) const { av_dict_free(&p); }
};

// Converted samples between the resampler and the encoder's frames.
class SampleBuffer {
 public:
  SampleBuffer() = default;
  ~SampleBuffer() {
    if (m_planes != nullptr) av_freep(&m_planes[0]);
    av_freep(&m_planes);
  }
  SampleBuffer(const SampleBuffer&) = delete;
  SampleBuffer& operator=(const SampleBuffer&) = delete;
  int Allocate(int channels, int frames, AVSampleFormat format) {
    m_frames = frames;
    return av_samples_alloc_array_and_samples(&m_planes, nullptr, channels, frames, format, 0);
  }
  uint8_t** planes() const { return m_planes; }
  int frames() const { return m_frames; }

 private:
  uint8_t** m_planes = nullptr;
  int m_frames = 0;
};

// FFmpeg 6.1 made the written bytes const.
#if defined(FF_API_AVIO_WRITE_NONCONST) && !FF_API_AVIO_WRITE_NONCONST
using OutputBytes = const uint8_t*;
#else
using OutputBytes = uint8_t*;
#endif

int WriteOutput(void* opaque, OutputBytes bytes, int size) {
  auto* file = static_cast<AtomicFileWriter*>(opaque);
  if (file->Write(bytes, static_cast<size_t>(size))) return size;
  return AVERROR(file->error() != 0 ? file->error() : EIO);
}

int64_t SeekOutput(void* opaque, int64_t offset, int whence) {
  auto* file = static_cast<AtomicFileWriter*>(opaque);
  whence &= ~AVSEEK_FORCE;
  if (whence == AVSEEK_SIZE) return static_cast<int64_t>(file->Size());
  int64_t target = offset;
  if (whence == SEEK_CUR) target += static_cast<int64_t>(file->Position());
  else if (whence == SEEK_END) target += static_cast<int64_t>(file->Size());
  else if (whence != SEEK_SET) return AVERROR(EINVAL);
  if (target < 0) return AVERROR(EINVAL);
  if (!file->Seek(static_cast<uint64_t>(target))) return AVERROR(file->error() != 0 ? file->error() : EIO);
  return target;
}

constexpr int kOutputBufferSize = 1 << 16;
// Source frames converted at a time: the steps between two looks at the
// cancel flag and two updates of the progress.
constexpr uint64_t kBlockFrames = 16384;
// Encoders that take frames of any size (PCM) get this many at a time.
constexpr int kDefaultFrameSize = 4096;

// Everything one encoding holds, freed in reverse order of making.
struct EncodingSession {
  explicit EncodingSession(AtomicFileWriter& output_file) : file(output_file) {}

  AtomicFileWriter& file;
  OutputHandle output;
  FormatContextHandle muxer;
  CodecContextHandle encoder;
  AVStream* stream = nullptr;
  ResamplerHandle resampler;
  AudioFifoHandle fifo;
  SampleBuffer converted;
  FrameHandle frame;
  PacketHandle packet;
  int frameSize = 0;  // the encoder's, or ours for encoders that take any
  int64_t samplesSent = 0;

  // The encoder's packets so far, into the muxer.
  int Drain() {
    for (;;) {
      const int received = avcodec_receive_packet(encoder.get(), packet.get());
      if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return 0;
      if (received < 0) return received;
      av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
      packet->stream_index = stream->index;
      const int written = av_interleaved_write_frame(muxer.get(), packet.get());
      if (written < 0) return written;
    }
  }

  // Hands `count` frames to the encoder, from the FIFO or else straight from
  // working-format `source` (the last frame of the sound may be shorter than
  // the encoder's frame size).
  int SendFrame(int count, const uint8_t* source = nullptr) {
    frame->nb_samples = count;
    int error = av_frame_make_writable(frame.get());
    if (error < 0) return error;
    if (source != nullptr) {
      std::memcpy(frame->data[0], source, static_cast<size_t>(count) * kWorkingBlockAlign);
    } else if (av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->data), count) != count) {
      return AVERROR_BUG;
    }
    frame->pts = samplesSent;
    samplesSent += count;
    error = avcodec_send_frame(encoder.get(), frame.get());
    return error < 0 ? error : Drain();
  }

  // Converts `count` source frames (none: the resampler's tail) into the
  // FIFO and encodes every whole frame there is. Without a resampler the
  // stream is the working format itself, and the samples go straight into
  // the frames: every block but the last is whole frames then.
  int Convert(const uint8_t* source, int count) {
    if (!resampler) {
      for (int sent = 0; source != nullptr && sent < count; sent += frameSize) {
        const int error = SendFrame(std::min(frameSize, count - sent), source + size_t(sent) * kWorkingBlockAlign);
        if (error < 0) return error;
      }
      return 0;
    }
    const uint8_t* inputs[1] = {source};
    for (;;) {
      const int made = swr_convert(resampler.get(), converted.planes(), converted.frames(),
                                   source != nullptr ? inputs : nullptr, count);
      if (made < 0) return made;
      if (made > 0 && av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(converted.planes()), made) != made)
        return AVERROR(ENOMEM);
      while (av_audio_fifo_size(fifo.get()) >= frameSize) {
        const int error = SendFrame(frameSize);
        if (error < 0) return error;
      }
      // A flush gives its tail in pieces of at most the buffer's size.
      if (source != nullptr || made == 0) return 0;
    }
  }
};

}  // namespace

bool MediaEncoderAvailable(MediaSaveFormat format, std::string* reason) {
  const MediaCodecNames names = MediaCodecNamesOf(format);
  for (const char* encoder : {names.encoder, names.encoder24}) {
    if (avcodec_find_encoder_by_name(encoder) == nullptr) {
      if (reason != nullptr) *reason = std::string("FFmpeg has no ") + encoder + " encoder";
      return false;
    }
  }
  if (av_guess_format(names.muxer, nullptr, nullptr) == nullptr) {
    if (reason != nullptr) *reason = std::string("FFmpeg has no ") + names.muxer + " muxer";
    return false;
  }
  if (reason != nullptr) reason->clear();
  return true;
}

MediaWriter::MediaWriter(const MediaSaveOptions& options, const TagSet& tags)
    : m_options(ClampedMediaSaveOptions(options)), m_tags(tags) {}

uint32_t MediaWriter::StreamSampleRate() const {
  return static_cast<uint32_t>(MediaStreamRate(MediaEncoderFor(m_options), m_options));
}

uint32_t MediaWriter::StreamChannels() const {
  AVChannelLayout layout = MediaStreamLayout(MediaEncoderFor(m_options), m_options);
  const int channels = layout.nb_channels;
  av_channel_layout_uninit(&layout);
  return static_cast<uint32_t>(channels);
}

MediaWriteResult MediaWriter::Write(const std::string& path, const uint8_t* pcm, uint64_t length,
                                    ProgressReport& progress) {
  m_stop.store(false);
  m_framesDone.store(0);
  const uint64_t frames = length / kWorkingBlockAlign;
  // Left uncommitted, it takes its temporary file with it.
  AtomicFileWriter file;
  MediaWriteResult result;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;  // guarded by `mutex`
  const auto work = [&] {
    try {
      result = Encode(file, path, pcm, frames);
    } catch (const std::bad_alloc&) {
      result = {MediaWriteStatus::kOutOfMemory, ENOMEM};
    }
  };
  std::thread worker;
  try {
    worker = std::thread([&] {
      work();
      const std::lock_guard<std::mutex> lock(mutex);
      done = true;
      finished.notify_one();
    });
  } catch (const std::system_error&) {
    // No thread to be had: encode here, without progress, rather than fail.
    work();
    return Commit(file, result);
  }
  std::unique_lock<std::mutex> lock(mutex);
  while (!done) {
    const uint64_t encoded = m_framesDone.load(std::memory_order_relaxed);
    const int percent = frames == 0 ? 100 : static_cast<int>(std::min<uint64_t>(100, encoded * 100 / frames));
    lock.unlock();
    const bool goOn = progress.Poll(percent);
    lock.lock();
    if (!goOn) {
      m_stop.store(true);
      break;
    }
    finished.wait_for(lock, std::chrono::milliseconds(20), [&] { return done; });
  }
  lock.unlock();
  worker.join();
  return Commit(file, result);
}

// The file replaces the old one here, on the calling thread, so that a
// cancel is honoured whenever it came before the save was done, also when
// the worker had already finished encoding.
MediaWriteResult MediaWriter::Commit(AtomicFileWriter& file, const MediaWriteResult& encoded) {
  if (!encoded.ok()) return encoded;
  if (m_stop.load()) return {MediaWriteStatus::kCancelled, 0};
  if (!file.Commit()) return {MediaWriteStatus::kWriteFailed, file.error()};
  return {};
}

MediaWriteResult MediaWriter::Encode(AtomicFileWriter& file, const std::string& path, const uint8_t* pcm,
                                     uint64_t frames) {
  const AVCodec* codec = MediaEncoderFor(m_options);
  const AVOutputFormat* container = av_guess_format(MediaCodecNamesOf(m_options.format).muxer, nullptr, nullptr);
  if (codec == nullptr || container == nullptr) return {MediaWriteStatus::kEncoderMissing, 0};

  EncodingSession s(file);
  // What went wrong: a write the file refused, or else FFmpeg's error.
  const auto failure = [&s](int error) -> MediaWriteResult {
    if (!s.file.ok() && s.file.error() != 0) return {MediaWriteStatus::kWriteFailed, s.file.error()};
    if (error == AVERROR(ENOMEM)) return {MediaWriteStatus::kOutOfMemory, ENOMEM};
    return {MediaWriteStatus::kEncodingFailed, 0};
  };
  const auto cancelled = [this] { return m_stop.load(std::memory_order_relaxed); };

  if (!s.file.Open(path)) return {MediaWriteStatus::kWriteFailed, s.file.error()};

  AVFormatContext* muxer = nullptr;
  int error = avformat_alloc_output_context2(&muxer, container, nullptr, nullptr);
  s.muxer.reset(muxer);
  if (error < 0) return failure(error);
  auto* buffer = static_cast<uint8_t*>(av_malloc(kOutputBufferSize));
  if (buffer == nullptr) return failure(AVERROR(ENOMEM));
  s.output.reset(avio_alloc_context(buffer, kOutputBufferSize, 1, &s.file, nullptr, WriteOutput, SeekOutput));
  if (!s.output) {
    av_free(buffer);
    return failure(AVERROR(ENOMEM));
  }
  // Seekable, so that the muxers go back to finish their headers: FLAC's
  // STREAMINFO (length, MD5), MP4's moov, AIFF's sizes, MP3's Xing frame.
  s.output->seekable = AVIO_SEEKABLE_NORMAL;
  muxer->pb = s.output.get();
  muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
  // Only named: some muxers check the extension (and warn on a missing one).
  muxer->url = av_strdup(path.c_str());
  if (muxer->url == nullptr) return failure(AVERROR(ENOMEM));

  s.encoder.reset(avcodec_alloc_context3(codec));
  if (!s.encoder) return failure(AVERROR(ENOMEM));
  AVCodecContext* encoder = s.encoder.get();
  const int rate = MediaStreamRate(codec, m_options);
  encoder->sample_rate = rate;
  encoder->time_base = AVRational{1, rate};
  encoder->sample_fmt = MediaStreamSampleFormat(codec, m_options);
  encoder->ch_layout = MediaStreamLayout(codec, m_options);
  ApplyMediaEncoderOptions(m_options, encoder);
  if (container->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  error = avcodec_open2(encoder, codec, nullptr);
  if (error < 0) return failure(error);

  s.stream = avformat_new_stream(muxer, nullptr);
  if (s.stream == nullptr) return failure(AVERROR(ENOMEM));
  error = avcodec_parameters_from_context(s.stream->codecpar, encoder);
  if (error < 0) return failure(error);
  s.stream->time_base = encoder->time_base;
  // Ogg keeps its comments with each stream, the other containers with the
  // file.
  const bool ogg = m_options.format == MediaSaveFormat::kVorbis || m_options.format == MediaSaveFormat::kOpus;
  if (!WriteMediaTags(m_tags, m_options.format, ogg ? &s.stream->metadata : &muxer->metadata))
    return failure(AVERROR(ENOMEM));

  std::unique_ptr<AVDictionary, DictionaryFree> muxerOptions;
  if (m_options.format == MediaSaveFormat::kMp3) {
    // ID3v2.3: what every player and tag editor reads (2.4's UTF-8 frames
    // are still unknown to some); the Xing/LAME frame gives the exact length.
    AVDictionary* dictionary = nullptr;
    if (av_dict_set(&dictionary, "id3v2_version", "3", 0) < 0 || av_dict_set(&dictionary, "write_xing", "1", 0) < 0) {
      av_dict_free(&dictionary);
      return failure(AVERROR(ENOMEM));
    }
    muxerOptions.reset(dictionary);
  }
  AVDictionary* options = muxerOptions.release();
  error = avformat_write_header(muxer, &options);
  av_dict_free(&options);
  if (error < 0) return failure(error);

  AVChannelLayout sourceLayout = AV_CHANNEL_LAYOUT_STEREO;
  // 16-bit FLAC and AIFF of the working format need no resampler, which
  // would only copy every sample once more (an eighth of a FLAC save).
  const bool workingFormat = rate == static_cast<int>(kWorkingSampleRate) && encoder->sample_fmt == AV_SAMPLE_FMT_S16 &&
                             av_channel_layout_compare(&encoder->ch_layout, &sourceLayout) == 0;
  int outputFrames = static_cast<int>(kBlockFrames);
  if (!workingFormat) {
    SwrContext* resampler = nullptr;
    error = swr_alloc_set_opts2(&resampler, &encoder->ch_layout, encoder->sample_fmt, rate, &sourceLayout,
                                AV_SAMPLE_FMT_S16, static_cast<int>(kWorkingSampleRate), 0, nullptr);
    s.resampler.reset(resampler);
    if (error < 0) return failure(error);
    if (encoder->ch_layout.nb_channels == 1) {
      // A mono file is the two sides' average, so that a mono file opened
      // (both sides the same) and saved again keeps its level; FFmpeg's own
      // mix would lower it by 3 dB or 6 dB depending on the sample format.
      const double average[2] = {0.5, 0.5};
      error = swr_set_matrix(resampler, average, 2);
      if (error < 0) return failure(error);
    }
    error = swr_init(resampler);
    if (error < 0) return failure(error);
    outputFrames = swr_get_out_samples(resampler, outputFrames) + 256;
    error = s.converted.Allocate(encoder->ch_layout.nb_channels, outputFrames, encoder->sample_fmt);
    if (error < 0) return failure(error);
  }

  s.frameSize = encoder->frame_size > 0 ? encoder->frame_size : kDefaultFrameSize;
  const int channels = encoder->ch_layout.nb_channels;
  s.fifo.reset(av_audio_fifo_alloc(encoder->sample_fmt, channels, outputFrames + s.frameSize));
  s.frame.reset(av_frame_alloc());
  s.packet.reset(av_packet_alloc());
  if (!s.fifo || !s.frame || !s.packet) return failure(AVERROR(ENOMEM));
  s.frame->format = encoder->sample_fmt;
  s.frame->sample_rate = rate;
  s.frame->nb_samples = s.frameSize;
  error = av_channel_layout_copy(&s.frame->ch_layout, &encoder->ch_layout);
  if (error >= 0) error = av_frame_get_buffer(s.frame.get(), 0);
  if (error < 0) return failure(error);

  const uint64_t blockFrames =
      s.resampler ? kBlockFrames : std::max<uint64_t>(1, kBlockFrames / uint64_t(s.frameSize)) * uint64_t(s.frameSize);
  for (uint64_t done = 0; done < frames;) {
    if (cancelled()) return {MediaWriteStatus::kCancelled, 0};
    const uint64_t count = std::min(blockFrames, frames - done);
    error = s.Convert(pcm + done * kWorkingBlockAlign, static_cast<int>(count));
    if (error < 0) return failure(error);
    done += count;
    m_framesDone.store(done, std::memory_order_relaxed);
  }
  error = s.Convert(nullptr, 0);
  if (error >= 0 && av_audio_fifo_size(s.fifo.get()) > 0) error = s.SendFrame(av_audio_fifo_size(s.fifo.get()));
  if (error >= 0) error = avcodec_send_frame(encoder, nullptr);
  if (error >= 0) error = s.Drain();
  if (error >= 0) error = av_write_trailer(muxer);
  if (error >= 0) {
    avio_flush(s.output.get());
    error = s.output->error;
  }
  if (error < 0 || !s.file.ok()) return failure(error);
  return {};
}
