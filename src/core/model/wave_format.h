// The wave format record as it lies in a RIFF "fmt " chunk, and the editor's
// working format. Every layer of every sound holds PCM in the working format;
// the record of the file a sound came from is kept as raw bytes
// (see FormatRecord) because codecs append extra bytes we must carry along.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum WaveFormatTag : uint16_t {
  kFormatPCM = 1,
  kFormatMSADPCM = 2,
  kFormatIEEEFloat = 3,
  kFormatALaw = 6,
  kFormatMuLaw = 7,
  kFormatIMAADPCM = 17,
  kFormatGSM610 = 49,
  kFormatMPEGLayer3 = 85,
  kFormatExtensible = 0xFFFE,
};

// The fixed 18-byte head of the record (WAVEFORMATEX). Extra bytes, when a
// codec needs them, follow it in a FormatRecord.
struct WaveFormat {
  uint16_t formatTag = kFormatPCM;
  uint16_t channels = 2;
  uint32_t samplesPerSec = 44100;
  uint32_t avgBytesPerSec = 176400;
  uint16_t blockAlign = 4;
  uint16_t bitsPerSample = 16;
  uint16_t extraSize = 0;

  bool operator==(const WaveFormat&) const = default;
};

constexpr size_t kWaveFormatHeadSize = 18;

// PCM, 2 channels, 44,100 Hz, 16 bits: the format of all sample data in memory.
constexpr WaveFormat WorkingFormat() { return WaveFormat{}; }

// The working format's numbers, for code that counts in it. Taken from
// WorkingFormat() so that there is one place that says what it is.
constexpr uint32_t kWorkingSampleRate = WorkingFormat().samplesPerSec;
constexpr uint32_t kWorkingBytesPerSecond = WorkingFormat().avgBytesPerSec;
constexpr uint32_t kWorkingBlockAlign = WorkingFormat().blockAlign;  // bytes of one stereo frame
static_assert(kWorkingBytesPerSecond == kWorkingSampleRate * kWorkingBlockAlign);

// A format record as raw little-endian bytes: the 18-byte head and its extra
// bytes. Records read from files may be shorter than 18 bytes on disk; they
// are padded with zeros so that the head can always be read.
using FormatRecord = std::vector<uint8_t>;

// Reads the head of a record (missing bytes read as zero).
WaveFormat ParseWaveFormat(const uint8_t* bytes, size_t size);
inline WaveFormat ParseWaveFormat(const FormatRecord& record) {
  return ParseWaveFormat(record.data(), record.size());
}

// Builds an 18-byte record from a head, followed by `extra` (whose size
// becomes the record's extra-size field).
FormatRecord MakeFormatRecord(const WaveFormat& format,
                              const std::vector<uint8_t>& extra = {});

// Little-endian helpers shared by the file readers and writers.
inline uint16_t ReadLE16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t ReadLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t ReadLE64(const uint8_t* p) {
  return static_cast<uint64_t>(ReadLE32(p)) |
         (static_cast<uint64_t>(ReadLE32(p + 4)) << 32);
}
inline void WriteLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void WriteLE64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
