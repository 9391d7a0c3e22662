// Wave (RIFF/WAVE) files as the editor writes them: RIFF header, fmt chunk,
// a fact chunk for every format that is not PCM, the set tags as a LIST/INFO
// chunk, one data chunk, and optionally a trailer of the nine INFO tag
// sub-chunks placed behind the RIFF chunk's declared end (no LIST wrapper).
// Other programs find the tags in the LIST chunk; earlier versions of this
// program read only the trailer, so both are written with the same values.
// The reader, CSound::ReadWaveFile, lives in wave_file_reader.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "core/model/file_result.h"
#include "core/model/sound.h"
#include "core/model/wave_format.h"

// Asks the writer to count the sample frames for the fact chunk from the
// data: exact for fixed-size frames (float, A-law, mu-law), whole codec
// blocks for ADPCM and GSM (the padding of the last block counted too).
inline constexpr uint64_t kFramesFromData = UINT64_MAX;

// Writes `length` bytes of `data` in `format` to `path`, with the tags both
// as a LIST/INFO chunk and as the trailer when `tags` is given. A format that
// is not PCM gets a fact chunk holding `sampleFrames`: the frames of sound the
// data stands for, without the silence a codec pads its last block with.
// The old file at `path` is replaced only when everything was written; on
// failure it stays as it was. Returns WriteResult::kOk, kFailed or
// kTooLarge (checked before anything is written).
[[nodiscard]] WriteResult WriteWaveFile(const FormatRecord& format, const uint8_t* data, uint64_t length,
                                        const std::string& path, const TagSet* tags = nullptr,
                                        uint64_t sampleFrames = kFramesFromData);

// The bytes WriteWaveFile puts before the samples: the RIFF header, fmt,
// fact, LIST/INFO and the data chunk's header. Empty when the RIFF sizes
// cannot describe `dataLength` bytes.
std::string WaveFileHeader(const FormatRecord& format, uint64_t dataLength, const TagSet* tags = nullptr,
                           uint64_t sampleFrames = kFramesFromData);
// The bytes of the tag trailer: nine sub-chunks, each id, size N = text + 1,
// the text and a NUL; no pad bytes.
std::string WaveTagTrailer(const TagSet& tags);

// The size of the fmt chunk written for `format`: 16 bytes (no extra-size
// field) for plain PCM only, the 18-byte head and its extra bytes otherwise.
uint32_t FmtChunkSize(const WaveFormat& format);

// How many frames `frames` at `fromRate` become at `toRate`, rounded to the
// nearest: the length in frames of a conversion's result, for the fact chunk.
uint64_t FramesAtRate(uint64_t frames, uint32_t fromRate, uint32_t toRate);
