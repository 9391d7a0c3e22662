// What opening does after a reader has filled a sound: every layer of a file
// in another format goes through the converter's worker (Start, then
// Collect once it is idle), as the document's open flow runs it, without the
// progress window's pauses between polls.
#pragma once

#include <thread>

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
    CWaveConverter converter;
    converter.Start(&source, &target, layer->TakeData(), length, 4294967295ull);
    while (converter.IsBusy()) std::this_thread::yield();
    std::unique_ptr<uint8_t[]> data;
    converter.Collect(&data, &length);
    if (converter.HasFailed() || !data) return false;
    layer->SetData(std::move(data), length);
  }
  return true;
}
