// What opening does after a reader has filled a sound: every layer of a file
// in another format is converted to the working format. The open flow runs
// the conversion on the converter's worker; here it runs on the fuzzer's own
// thread (CWaveConverter::Convert, the same conversion over one block, which
// is what the worker makes of any file below 4 GiB), so that a fuzzer keeps
// to one core.
#pragma once

#include "core/model/codec_format.h"
#include "core/model/sound.h"
#include "core/model/wave_converter.h"

inline bool ConvertLayersToWorking(CSound& sound) {
  const FormatRecord working = MakeFormatRecord(WorkingFormat());
  if (AreEqualFormats(sound.fileFormat, working)) return true;
  for (auto& layer : sound.layers) {
    FormatRecord source = sound.fileFormat;
    FormatRecord target = working;
    uint64_t length = layer->length();
    if (length == 0) continue;
    std::unique_ptr<uint8_t[]> data = layer->TakeData();
    CWaveConverter converter;
    if (converter.Convert(source, target, &data, &length) != kConvertOk || !data) return false;
    layer->SetData(std::move(data), length);
  }
  return true;
}
