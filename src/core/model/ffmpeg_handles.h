// Owning handles for the FFmpeg objects the converter uses, so that every
// early return of a codec routine frees what it opened.
#pragma once

#include <memory>

#include "core/model/codec_format.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

struct CodecContextFree {
  void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FrameFree {
  void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ResamplerFree {
  void operator()(SwrContext* p) const { swr_free(&p); }
};
struct AudioFifoFree {
  void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};

using CodecContextHandle = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FrameHandle = std::unique_ptr<AVFrame, FrameFree>;
using PacketHandle = std::unique_ptr<AVPacket, PacketFree>;
using ResamplerHandle = std::unique_ptr<SwrContext, ResamplerFree>;
using AudioFifoHandle = std::unique_ptr<AVAudioFifo, AudioFifoFree>;

// FFmpeg reports a failed allocation as ENOMEM; everything else is a codec
// failure to us.
inline ConvertResult ResultFromAVError(int error) {
  return error == AVERROR(ENOMEM) ? ConvertResult::kOutOfMemory : ConvertResult::kFailed;
}
