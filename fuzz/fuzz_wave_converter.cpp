// CWaveConverter on its own: an arbitrary format record and data, converted
// from the record's format to the working format or from the working format
// to the record's. The first byte picks the direction and the record's
// length (a reader pads every record to at least 18 bytes with zeros, so
// this does too); the record's bytes follow, then the data.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/fuzz_quiet.h"
#include "core/model/wave_converter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool toWorking = (data[0] & 0x80) == 0;
  const size_t recordSize = data[0] & 0x7F;
  ++data;
  --size;
  if (size < recordSize) return 0;
  FormatRecord record(data, data + recordSize);
  if (record.size() < kWaveFormatHeadSize) record.resize(kWaveFormatHeadSize, 0);
  data += recordSize;
  size -= recordSize;

  FormatRecord working = MakeFormatRecord(WorkingFormat());
  uint64_t length = size;
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
  if (size > 0) std::memcpy(bytes.get(), data, size);
  CWaveConverter converter;
  if (toWorking)
    (void)converter.Convert(record, working, &bytes, &length);
  else
    (void)converter.Convert(working, record, &bytes, &length);
  return 0;
}
