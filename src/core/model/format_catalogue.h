// The formats a sound can be saved in: every format the converter can encode
// the working format to, in the order a format chooser lists them, each with
// the texts it shows and the complete record the file will carry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/wave_format.h"

struct CatalogueFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint16_t bitsPerSample = 0;  // 0 for codecs without a sample depth
  uint32_t bitRate = 0;        // bits per second of the stored stream
  std::string formatName;      // "PCM", "IMA ADPCM", "MPEG Layer-3", ...
  std::string attributes;      // "44,100 Hz, 16 Bit, Stereo", "128 kBit/s, 44,100 Hz, Stereo"
  std::string bytesPerSecond;  // "172 KB/sec"
  FormatRecord record;         // with its extra bytes, ready for the fmt chunk
};

// All encodable targets, grouped by format tag and ordered by rate,
// depth or bit rate, and channels. Built once; the list never changes.
const std::vector<CatalogueFormat>& FormatCatalogue();

// The format names in the order the catalogue lists them, one per tag.
std::vector<std::string> CatalogueFormatNames();
