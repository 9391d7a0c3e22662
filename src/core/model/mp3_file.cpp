// CSound::ReadMp3File: the whole MP3 file becomes one layer, described by a
// format record with the stream's own rate and channels. The open flow then
// converts that layer to the working format on the converter's worker, so
// that a long file can be cancelled.
#include <cstring>
#include <new>

#include "core/model/encode_stage.h"
#include "core/model/file_reader.h"
#include "core/model/mp3_decoder.h"
#include "core/model/sound.h"

ReadResult CSound::ReadMp3File() {
  FileReader file;
  if (!file.Open(path)) return ReadResult::kNotWave;  // the answer this reader has always given here
  std::memcpy(riffId, "RIFF", 5);
  std::memcpy(waveId, "WAVE", 5);
  riffSize = static_cast<uint32_t>(std::min<uint64_t>(file.size(), UINT32_MAX));
  formatSize = 30;
  const uint64_t length = file.size();
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[length]);
  if (!data) return ReadResult::kOutOfMemory;
  if (!file.Read(0, data.get(), length)) return ReadResult::kCannotOpen;
  FormatRecord record;
  if (DescribeMp3(data.get(), static_cast<size_t>(length), &record) != ConvertResult::kOk) return ReadResult::kNotWave;
  fileFormat = std::move(record);
  AppendLayer(std::string(), std::move(data), length);
  return layers.empty() ? ReadResult::kNotWave : ReadResult::kOk;
}
