// Wave (RIFF/WAVE) files as the editor writes them: RIFF header, fmt chunk,
// one data chunk, and optionally a trailer of the nine INFO tag sub-chunks
// placed behind the RIFF chunk's declared end (no LIST wrapper). The reader,
// CSound::ReadWaveFile in wave_file.cpp, scans for chunk ids byte by byte and
// so finds the trailer again, as well as tags inside other programs' LIST
// chunks.
#pragma once

#include <cstdint>
#include <string>

#include "core/model/sound.h"
#include "core/model/wave_format.h"

enum WriteResult : int {
  kWriteOk = 0,
  kWriteFailed = 1,
};

// Writes `length` bytes of `data` in `format` to `path`, followed by the tag
// trailer when `trailer` is given. The old file at `path` is replaced only
// when everything was written; on failure it stays as it was.
int WriteWaveFile(const FormatRecord& format, const uint8_t* data, uint64_t length,
                  const std::string& path, const TagSet* trailer = nullptr);

// The bytes of the header that WriteWaveFile puts before the samples.
std::string WaveFileHeader(const FormatRecord& format, uint32_t dataLength);
// The bytes of the tag trailer: nine sub-chunks, each id, size N = text + 1,
// the text and a NUL; no pad bytes.
std::string WaveTagTrailer(const TagSet& tags);
