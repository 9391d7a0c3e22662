// Bringing a sound just read from a file to the working format, and how a
// conversion that the user may cancel ends. The rule of which layers are
// converted, and from which record to which, lives here only; the one-layer
// step is passed in, because the open flow runs it on the converter's worker
// under a progress report while the fuzzers run it on their own thread, so
// that each of them keeps to one core.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/model/sound.h"
#include "core/model/wave_format.h"

enum class ConvertStatus {
  kConverted,  // also when there was nothing to convert
  kFailed,     // no codec could convert the data
  kCancelled,  // the user stopped the conversion
};

// Converts `*length` bytes of `*data` from `source` to `target`; on
// kConverted, *data and *length hold the converted samples. The records are
// the step's own copies: it may complete them as CWaveConverter does.
using SampleConversion = std::function<ConvertStatus(FormatRecord& source, FormatRecord& target,
                                                     std::unique_ptr<uint8_t[]>* data, uint64_t* length)>;

// Converts every layer of `sound` from its file format to the working
// format with `convert`, not only the first: a layer left in the file's
// format would play and save as noise. A sound already in the working
// format and empty layers are left alone. Stops at the first layer that is
// not converted and returns that step's status; that layer's samples are
// then gone, and the caller discards the sound.
[[nodiscard]] ConvertStatus ConvertLayersToWorkingFormat(CSound& sound, const SampleConversion& convert);

// The step on the calling thread (CWaveConverter::Convert): kFailed when
// the converter fails or hands out no data; never kCancelled.
[[nodiscard]] ConvertStatus ConvertOnCallingThread(FormatRecord& source, FormatRecord& target,
                                                   std::unique_ptr<uint8_t[]>* data, uint64_t* length);
