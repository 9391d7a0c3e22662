// The target side of a conversion: decoded audio in whatever sample format,
// channel layout and rate the source gives goes through the resampler into
// the intermediate PCM (the target's channels and rate) and from there into
// the target's codec. PCM and float targets are written by the resampler
// straight into the output; the other targets go through an FFmpeg encoder
// fed in frames of the size its blocks need.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/model/ffmpeg_handles.h"
#include "core/model/output_block.h"
#include "core/model/wave_format.h"

class EncodeStage {
 public:
  // `stop`, when given, is polled between frames; once it reads true every
  // call fails with ConvertResult::kFailed.
  explicit EncodeStage(const std::atomic<bool>* stop = nullptr);
  ~EncodeStage();

  EncodeStage(const EncodeStage&) = delete;
  EncodeStage& operator=(const EncodeStage&) = delete;

  // How many candidate paths the MS and IMA ADPCM encoders keep in their
  // trellis search (as a power of two; 0 turns the search off). The search
  // picks each block's codes by the error they leave over the whole block
  // instead of sample by sample. Four gives most of what a deeper search
  // gives (about 1.2 dB of the 1.6 dB that eight gives on tones) at a
  // fraction of its time; each step deeper doubles the time.
  static constexpr int kAdpcmTrellis = 4;

  // `target` must be a complete record (see SuggestFormat). Returns
  // ConvertResult::kOk, kFailed or kOutOfMemory. `adpcmTrellis` is for
  // measuring the search against no search.
  [[nodiscard]] ConvertResult Open(const FormatRecord& target, int adpcmTrellis = kAdpcmTrellis);

  // Makes the resampler work in floating point whatever its input: for
  // 16-bit samples cut down from a deeper source, whose rate changes then
  // come out as the deeper source's would.
  void ResampleInFloat() { m_floatResampling = true; }

  // Sizes the output for about `frames` frames at the target rate, so that
  // the usual conversion allocates once. Growing later still works.
  void Reserve(uint64_t frames);

  // Takes `samples` frames of audio; `planes` as FFmpeg lays them out for
  // `format` (one plane when interleaved).
  [[nodiscard]] ConvertResult Write(const uint8_t* const* planes, int samples, AVSampleFormat format,
                                    const AVChannelLayout& layout, int rate);

  // Drains the resampler (it holds back samples for its filter) and the
  // encoder, padding the last codec block with silence where the codec
  // needs whole blocks.
  [[nodiscard]] ConvertResult Finish();

  uint32_t targetRate() const { return m_target.samplesPerSec; }
  uint64_t framesWritten() const { return m_framesIn; }
  OutputBlock& output() { return m_output; }

 private:
  bool Stopped() const { return m_stop != nullptr && m_stop->load(std::memory_order_relaxed); }
  ConvertResult ConfigureResampler(AVSampleFormat format, const AVChannelLayout& layout, int rate);
  // Runs the resampler over `samples` input frames (null to flush) and
  // passes what it gives on.
  ConvertResult Resample(const uint8_t* const* planes, int samples);
  ConvertResult EncodeFromFifo(bool final);
  ConvertResult SendFrame(AVFrame* frame);

  const std::atomic<bool>* m_stop;
  WaveFormat m_target;
  AVChannelLayout m_targetLayout{};
  AVSampleFormat m_targetFormat = AV_SAMPLE_FMT_NONE;
  bool m_pack24 = false;  // 24-bit PCM: resampled as 32-bit, then packed

  ResamplerHandle m_resampler;
  AVSampleFormat m_inFormat = AV_SAMPLE_FMT_NONE;
  AVChannelLayout m_inLayout{};
  int m_inRate = 0;
  bool m_floatResampling = false;

  CodecContextHandle m_encoder;
  AudioFifoHandle m_fifo;
  FrameHandle m_frame;
  PacketHandle m_packet;
  int64_t m_nextPts = 0;
  // Scratch planes for resampled audio on its way to the encoder or packer.
  uint8_t** m_scratch = nullptr;
  int m_scratchSamples = 0;

  uint64_t m_framesIn = 0;
  OutputBlock m_output;
};
