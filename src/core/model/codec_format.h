// What the format records of the codecs we convert through look like: the
// comparison the converter starts with, the extensible record's sub-format,
// and the complete record of a format we encode. Completing a record stands
// where the platform's format suggestion stood: given a tag, channels, rate
// and a depth or bit rate, it fills in the block align, the average byte
// rate and the extra bytes that other programs need to read the file back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/model/wave_format.h"

// Results of the conversion functions (the numbers they have always had).
enum class ConvertResult : int {
  kOk = 0,
  kFailed = 2,       // format not supported, codec failure or stopped
  kOutOfMemory = 3,
};

// Equal formats share their first 16 bytes (tag, channels, rate, average
// byte rate, block align, bits); the extra size and extra bytes are not
// compared.
bool AreEqualFormats(const FormatRecord& a, const FormatRecord& b);

// The sub-format carried by an extensible record (tag 0xFFFE).
struct ExtensibleFormat {
  uint16_t subFormatTag = 0;   // 1 PCM or 3 IEEE float; 0 when unreadable
  uint16_t validBits = 0;
  uint32_t channelMask = 0;
};
// False when the record is not extensible or its 22 extra bytes are missing.
bool ParseExtensible(const FormatRecord& record, ExtensibleFormat* format);

// The extra bytes of the MPEG layer-3 record.
constexpr uint16_t kMp3ExtraSize = 12;
constexpr uint16_t kMp3IdMpeg = 1;
constexpr uint16_t kMp3FlagPaddingIso = 0;
// The delay the layer-3 encoder puts before the first sample (its own 576
// samples and the decoder's 529), written into the records we encode.
constexpr uint16_t kMp3EncoderDelay = 1105;

// Fills `record` with the complete record for encoding `wanted`: its tag,
// channels and sample rate are kept, and so are its bits per sample for PCM
// (8, 16, 24, 32) and float (32), and its bit rate (average bytes per second
// × 8) for MPEG layer 3, where the nearest bit rate the stream allows is
// taken. Everything else is computed. Returns ConvertResult::kOk, or kFailed
// for a format we cannot encode (record untouched).
[[nodiscard]] ConvertResult SuggestFormat(const WaveFormat& wanted, FormatRecord* record);

// The samples one block of a block codec holds: the samples-per-block field
// of ADPCM and GSM records, 1152 or 576 for MPEG layer 3, 1 for PCM-like
// formats.
uint32_t SamplesPerBlock(const FormatRecord& record);

// MPEG layer-3 bit rates (kbit/s) allowed at a sample rate; an empty list for
// a rate the stream format does not have.
struct Mp3BitRates {
  const uint16_t* rates = nullptr;
  size_t count = 0;
};
Mp3BitRates AllowedMp3BitRates(uint32_t samplesPerSec);
