// The figures the side panel shows about the file a sound came from: how many
// samples it holds at its own rate, how many bytes they take in its own
// format, and how long it plays. After opening, the layers hold the sound in
// the working format, so the figures are worked out from the working-format
// length and the file's format record; counting the layers' bytes as if they
// were the file's own would be right for 16-bit 44.1 kHz stereo only.
#pragma once

#include <cstdint>

#include "core/model/wave_format.h"

struct FileProperties {
  uint64_t totalSamples = 0;  // sample frames per channel, at the file's own rate
  uint64_t totalBytes = 0;    // what those samples take in the file's own format
  uint64_t milliseconds = 0;  // playing time, truncated
};

// `workingBytes` is the sound's length in the working format (the largest
// layer end). A record without a rate yields no samples and no bytes; the
// playing time never depends on the record.
FileProperties WorkOutFileProperties(const FormatRecord& fileFormat, uint64_t workingBytes);
