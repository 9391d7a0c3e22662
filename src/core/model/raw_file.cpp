#include "core/model/raw_file.h"

#include <cstring>
#include <new>

#include "core/model/file_reader.h"
#include "core/model/sound.h"

std::string DigitsOf(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits.push_back(c);
  }
  return digits;
}

uint32_t RawRateFromText(const std::string& text) {
  uint64_t value = 0;
  for (char c : DigitsOf(text)) {
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > UINT32_MAX) return UINT32_MAX;
  }
  return static_cast<uint32_t>(value);
}

FormatRecord RawFormatRecord(const RawPCMAnswers& answers) {
  WaveFormat format;
  format.formatTag = kFormatPCM;
  format.channels = static_cast<uint16_t>(answers.channels);
  format.samplesPerSec = RawRateFromText(answers.rateText);
  format.bitsPerSample = static_cast<uint16_t>(answers.bits);
  format.blockAlign = static_cast<uint16_t>(answers.channels * answers.bits / 8);
  format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
  format.extraSize = 0;
  return MakeFormatRecord(format);
}

ReadResult CSound::ReadRawFile(RawPCMQuestions& questions) {
  RawPCMAnswers answers;
  if (!questions.Ask(&answers)) return ReadResult::kCancelled;
  std::memcpy(riffId, "RIFF", 5);
  riffSize = 0;
  std::memcpy(waveId, "WAVE", 5);
  formatSize = 18;
  fileFormat = RawFormatRecord(answers);

  FileReader file;
  if (!file.Open(path)) return ReadResult::kCannotOpen;
  riffSize = static_cast<uint32_t>(std::min<uint64_t>(file.size(), UINT32_MAX));
  // A partial frame at the end is no sample: it is left out.
  const uint64_t blockAlign = std::max<uint16_t>(ParseWaveFormat(fileFormat).blockAlign, 1);
  const uint64_t length = file.size() - file.size() % blockAlign;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[length]);
  if (!data) return ReadResult::kOutOfMemory;
  if (!file.Read(0, data.get(), length)) return ReadResult::kCannotOpen;
  AppendLayer(std::string(), std::move(data), length);
  return layers.empty() ? ReadResult::kNotWave : ReadResult::kOk;
}
