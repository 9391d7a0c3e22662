// The conversion of a freshly read sound to the working format, shared by
// the open flow and the fuzzers so that both exercise the same rule.
#include "core/model/working_format_conversion.h"

#include <utility>

#include "core/model/codec_format.h"
#include "core/model/wave_converter.h"

ConvertStatus ConvertLayersToWorkingFormat(CSound& sound, const SampleConversion& convert) {
  const FormatRecord working = MakeFormatRecord(WorkingFormat());
  if (AreEqualFormats(sound.fileFormat, working)) return ConvertStatus::kConverted;
  for (auto& layer : sound.layers) {
    // Nothing to convert: a codec given no bytes hands back none either,
    // which would read as a failure.
    if (layer->length() == 0) continue;
    // Each layer starts from the file's record: a conversion may rewrite
    // the records it is given.
    FormatRecord source = sound.fileFormat;
    FormatRecord target = working;
    uint64_t length = layer->length();
    std::unique_ptr<uint8_t[]> data = layer->TakeData();
    const ConvertStatus status = convert(source, target, &data, &length);
    if (status != ConvertStatus::kConverted) return status;
    layer->SetData(std::move(data), length);
  }
  return ConvertStatus::kConverted;
}

ConvertStatus ConvertOnCallingThread(FormatRecord& source, FormatRecord& target, std::unique_ptr<uint8_t[]>* data,
                                     uint64_t* length) {
  CWaveConverter converter;
  if (converter.Convert(source, target, data, length) != ConvertResult::kOk || !*data) return ConvertStatus::kFailed;
  return ConvertStatus::kConverted;
}
