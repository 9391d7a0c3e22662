// Conversions between the packed little-endian format record and WaveFormat.
#include "core/model/wave_format.h"

#include <algorithm>
#include <cstring>

WaveFormat ParseWaveFormat(const uint8_t* bytes, size_t size) {
  uint8_t head[kWaveFormatHeadSize] = {};
  if (bytes != nullptr) std::memcpy(head, bytes, std::min(size, sizeof head));
  WaveFormat f;
  f.formatTag = ReadLE16(head + 0);
  f.channels = ReadLE16(head + 2);
  f.samplesPerSec = ReadLE32(head + 4);
  f.avgBytesPerSec = ReadLE32(head + 8);
  f.blockAlign = ReadLE16(head + 12);
  f.bitsPerSample = ReadLE16(head + 14);
  f.extraSize = ReadLE16(head + 16);
  return f;
}

FormatRecord MakeFormatRecord(const WaveFormat& format,
                              const std::vector<uint8_t>& extra) {
  FormatRecord record(kWaveFormatHeadSize + extra.size());
  uint8_t* p = record.data();
  WriteLE16(p + 0, format.formatTag);
  WriteLE16(p + 2, format.channels);
  WriteLE32(p + 4, format.samplesPerSec);
  WriteLE32(p + 8, format.avgBytesPerSec);
  WriteLE16(p + 12, format.blockAlign);
  WriteLE16(p + 14, format.bitsPerSample);
  WriteLE16(p + 16, static_cast<uint16_t>(extra.size()));
  std::copy(extra.begin(), extra.end(), p + kWaveFormatHeadSize);
  return record;
}
