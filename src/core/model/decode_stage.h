// The source side of a conversion for every format held as plain blocks:
// PCM and float samples go to the resampler as they lie, A-law, mu-law,
// ADPCM and GSM go through an FFmpeg decoder one codec block per packet, the
// way a wave file's blocks are meant to be cut. (MPEG layer 3 has no fixed
// block and is read through the demuxer instead, see mp3_decoder.h.)
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "core/model/encode_stage.h"
#include "core/model/ffmpeg_handles.h"
#include "core/model/wave_format.h"

// Receives every frame an FFmpeg decoder has ready and writes it to `sink`,
// adding the frame count to `*frames`. Damaged packets are passed over.
[[nodiscard]] ConvertResult DrainDecoder(AVCodecContext* decoder, AVFrame* frame, EncodeStage& sink, uint64_t* frames);

class DecodeStage {
 public:
  // `stop`, when given, is polled between packets; once it reads true every
  // call fails with ConvertResult::kFailed.
  explicit DecodeStage(const std::atomic<bool>* stop = nullptr);
  ~DecodeStage();

  DecodeStage(const DecodeStage&) = delete;
  DecodeStage& operator=(const DecodeStage&) = delete;

  // Accepts PCM of 8, 16, 24 or 32 bits, float of 32 or 64 bits, A-law,
  // mu-law, MS ADPCM, IMA ADPCM, GSM 6.10 and extensible records with a PCM
  // or float sub-format; 1 to 64 channels at 1,000 to 384,000 Hz. Returns
  // ConvertResult::kOk, kFailed or kOutOfMemory.
  [[nodiscard]] ConvertResult Open(const FormatRecord& source);

  // About how many frames at the source rate `bytes` of data hold.
  uint64_t EstimateFrames(uint64_t bytes) const;
  int sampleRate() const { return m_rate; }

  // Decodes the next `size` bytes of the stream into `sink`. The bytes may
  // end inside a block: the rest waits for the next call.
  [[nodiscard]] ConvertResult Feed(const uint8_t* data, uint64_t size, EncodeStage& sink);
  // Decodes a trailing short block and drains the decoder.
  [[nodiscard]] ConvertResult Finish(EncodeStage& sink);

  // Frames handed to the sink so far.
  uint64_t framesDecoded() const { return m_framesOut; }

 private:
  bool Stopped() const { return m_stop != nullptr && m_stop->load(std::memory_order_relaxed); }
  ConvertResult FeedUnits(const uint8_t* data, uint64_t size, EncodeStage& sink);
  ConvertResult DecodePacket(const uint8_t* data, int size, EncodeStage& sink);
  ConvertResult Drain(EncodeStage& sink);

  const std::atomic<bool>* m_stop;
  int m_rate = 0;
  int m_channels = 0;
  AVChannelLayout m_layout{};
  // Samples that need no decoder go to the resampler in this format.
  AVSampleFormat m_directFormat = AV_SAMPLE_FMT_NONE;
  // Bytes of one unit the stream is cut into: a sample frame for PCM-like
  // formats, a codec block for the others.
  uint32_t m_unitBytes = 1;
  // How many units one packet or one resampler call takes.
  uint32_t m_unitsPerCall = 1;
  uint32_t m_samplesPerUnit = 1;

  CodecContextHandle m_decoder;
  FrameHandle m_frame;
  PacketHandle m_packet;
  // A unit split between two Feed calls waits here (m_unitBytes long).
  std::unique_ptr<uint8_t[]> m_pending;
  uint32_t m_pendingSize = 0;
  uint64_t m_framesOut = 0;
};
