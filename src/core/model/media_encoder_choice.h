// Which FFmpeg encoder and muxer make each media format, and the stream they
// are given for a set of choices: its rate, channel layout and sample format
// within what the encoder takes, and the encoder's settings (compression
// level, quality, bit rate). The writer (media_writer.h) builds on these.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include "core/model/media_save_options.h"

// FFmpeg's names of what a format is made with.
struct MediaCodecNames {
  const char* encoder;
  const char* encoder24;  // for 24-bit samples, where that is another encoder
  const char* muxer;
};
MediaCodecNames MediaCodecNamesOf(MediaSaveFormat format);

// The encoder for the options' format and bits; null when this FFmpeg lacks it.
const AVCodec* MediaEncoderFor(const MediaSaveOptions& options);

// The stream's sample rate: the options' (0: the working format's), 48,000 Hz
// for Opus, or the nearest rate `codec` takes.
int MediaStreamRate(const AVCodec* codec, const MediaSaveOptions& options);
// The stream's channel layout: the options' count of channels (0: the
// working format's) when `codec` takes it, else the most it takes below
// that. The caller uninitialises it.
AVChannelLayout MediaStreamLayout(const AVCodec* codec, const MediaSaveOptions& options);
AVSampleFormat MediaStreamSampleFormat(const AVCodec* codec, const MediaSaveOptions& options);

// Puts the options' level, quality or bit rate into `encoder` before it is
// opened.
void ApplyMediaEncoderOptions(const MediaSaveOptions& options, AVCodecContext* encoder);
