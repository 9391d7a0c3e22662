// MP3 streams held in memory: a whole .mp3 file, or the data of a wave file
// with format tag 85. They are read through FFmpeg's MP3 demuxer, which
// skips ID3 tags, finds the next frame after a damaged stretch and honours
// the encoder delay and padding that a Xing/LAME header records, and they
// are decoded with the stream's own rate and channels, whatever a format
// record around them claims.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/model/encode_stage.h"
#include "core/model/wave_format.h"

// Decodes the MP3 file in `bytes` to the working format. Returns
// ConvertResult::kOk with the samples in *pcm and their byte count in
// *length, kFailed when no MP3 audio can be found in the bytes, or
// kOutOfMemory.
[[nodiscard]] ConvertResult DecodeMp3(const uint8_t* bytes, size_t size, std::unique_ptr<uint8_t[]>* pcm,
                                      uint64_t* length);

// The record that describes the MP3 stream in `bytes`: tag 85 with the
// stream's channels, sample rate and average byte rate (from the Xing header
// of a variable-rate file, else from the first frame), block align 1, and
// the 12 extra bytes MP3 records have always carried in this program (id 1,
// flags 2, block size 1, one frame per block, codec delay 1,393). Returns
// ConvertResult::kOk, or kFailed when no MP3 frame is found.
[[nodiscard]] ConvertResult DescribeMp3(const uint8_t* bytes, size_t size, FormatRecord* record);

// One piece of a stream cut into several blocks.
struct ByteSpan {
  const uint8_t* data = nullptr;
  uint64_t size = 0;
};

// Decodes the MP3 stream formed by `pieces` laid end to end into `sink`.
// `stop`, when given, is polled between frames. Returns ConvertResult::kOk,
// kFailed (nothing decodable, or stopped) or kOutOfMemory.
[[nodiscard]] ConvertResult DecodeMp3Stream(const std::vector<ByteSpan>& pieces, EncodeStage& sink,
                                            const std::atomic<bool>* stop);
