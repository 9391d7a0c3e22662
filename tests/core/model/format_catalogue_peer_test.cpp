// We write, peers read: a sound saved in every format of the catalogue is
// read by ffprobe and sox with the format the catalogue names and the
// duration of the sound, and opens again in this program.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/model/codec_format.h"
#include "core/model/format_catalogue.h"
#include "core/model/sound.h"
#include "core/model/wave_converter.h"
#include "core/model/wave_file.h"
#include "wave_converter_peer_util.h"

namespace {

constexpr uint32_t kFrames = 22050;  // half a second of working-format sound

const char* FfprobeCodec(const CatalogueFormat& f) {
  switch (f.formatTag) {
    case kFormatPCM:
      switch (f.bitsPerSample) {
        case 8: return "pcm_u8";
        case 16: return "pcm_s16le";
        case 24: return "pcm_s24le";
        default: return "pcm_s32le";
      }
    case kFormatIEEEFloat: return "pcm_f32le";
    case kFormatALaw: return "pcm_alaw";
    case kFormatMuLaw: return "pcm_mulaw";
    case kFormatMSADPCM: return "adpcm_ms";
    case kFormatIMAADPCM: return "adpcm_ima_wav";
    case kFormatGSM610: return "gsm_ms";
    default: return "mp3";
  }
}

// What "sox --i" says under "Sample Encoding"; sox cannot read MPEG layer 3
// inside a wave file at all.
const char* SoxEncoding(const CatalogueFormat& f) {
  switch (f.formatTag) {
    case kFormatPCM: return f.bitsPerSample == 8 ? "Unsigned Integer PCM" : "Signed Integer PCM";
    case kFormatIEEEFloat: return "Floating Point PCM";
    case kFormatALaw: return "A-law";
    case kFormatMuLaw: return "u-law";
    case kFormatMSADPCM: return "MS ADPCM";
    case kFormatIMAADPCM: return "IMA ADPCM";
    case kFormatGSM610: return "GSM";
    default: return nullptr;
  }
}

// How far a codec's stored length may lie from the sound's, in seconds:
// the last block is filled up with silence, and the layer-3 encoder adds its
// delay before the first frame and pads the last.
double DurationSlack(const CatalogueFormat& f) {
  const double block = double(SamplesPerBlock(f.record)) / f.samplesPerSec;
  if (f.formatTag == kFormatMPEGLayer3) return 2 * block + double(kMp3EncoderDelay) / f.samplesPerSec;
  return block + 0.001;
}

std::string Field(const std::string& text, const std::string& key) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(key, 0) == 0) {
      std::string value = line.substr(line.find_first_of("=:") + 1);
      value.erase(0, value.find_first_not_of(' '));
      return value;
    }
  }
  return "";
}

std::vector<uint8_t> WorkingTone() {
  std::vector<uint8_t> bytes(kFrames * 4);
  for (uint32_t i = 0; i < kFrames; ++i) {
    const auto left = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * i / 44100.0));
    const auto right = static_cast<int16_t>(9000 * std::sin(2 * M_PI * 660 * i / 44100.0));
    WriteLE16(&bytes[4 * i], static_cast<uint16_t>(left));
    WriteLE16(&bytes[4 * i + 2], static_cast<uint16_t>(right));
  }
  return bytes;
}

class CatalogueFormatTest : public testing::TestWithParam<CatalogueFormat> {};

TEST_P(CatalogueFormatTest, PeersReadWhatWeSave) {
  const CatalogueFormat& format = GetParam();
  peer::ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.File("saved.wav");

  // Given half a second of sound saved in the catalogue's format
  const std::vector<uint8_t> tone = WorkingTone();
  FormatRecord source = MakeFormatRecord(WorkingFormat());
  FormatRecord target = format.record;
  auto data = std::make_unique<uint8_t[]>(tone.size());
  std::memcpy(data.get(), tone.data(), tone.size());
  uint64_t length = tone.size();
  CWaveConverter converter;
  ASSERT_EQ(converter.Convert(source, target, &data, &length), ConvertResult::kOk);
  // The record the chooser showed is the one the file carries.
  EXPECT_EQ(target, format.record);
  ASSERT_EQ(WriteWaveFile(target, data.get(), length, path), WriteResult::kOk);
  const double seconds = double(kFrames) / 44100;

  // When ffprobe reads it, then it finds the codec, rate, channels, length
  std::string probe;
  ASSERT_EQ(peer::Run("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,duration "
                      "-of default=nw=1 '" + path + "' 2>&1",
                      &probe),
            0)
      << probe;
  EXPECT_EQ(Field(probe, "codec_name"), FfprobeCodec(format)) << probe;
  EXPECT_EQ(Field(probe, "sample_rate"), std::to_string(format.samplesPerSec)) << probe;
  EXPECT_EQ(Field(probe, "channels"), std::to_string(format.channels)) << probe;
  // Without a fact chunk ffprobe estimates an ADPCM file's length at two
  // samples per data byte, block headers included.
  const bool estimated = format.formatTag == kFormatMSADPCM || format.formatTag == kFormatIMAADPCM;
  EXPECT_NEAR(std::stod("0" + Field(probe, "duration")), seconds,
              DurationSlack(format) + (estimated ? 0.1 * seconds : 0))
      << probe;

  // And sox, where it knows the codec, reads the same
  if (const char* encoding = SoxEncoding(format)) {
    std::string info;
    ASSERT_EQ(peer::Run("sox --i '" + path + "' 2>&1", &info), 0) << info;
    EXPECT_NE(Field(info, "Sample Encoding").find(encoding), std::string::npos) << info;
    EXPECT_EQ(Field(info, "Sample Rate"), std::to_string(format.samplesPerSec)) << info;
    EXPECT_EQ(Field(info, "Channels"), std::to_string(format.channels)) << info;
    std::string seconds_text;
    ASSERT_EQ(peer::Run("sox --i -D '" + path + "' 2>/dev/null", &seconds_text), 0);
    EXPECT_NEAR(std::stod(seconds_text), seconds, DurationSlack(format)) << info;
  }

  // And it opens again to the working format with the sound's length
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
  FormatRecord reread = sound.fileFormat;
  FormatRecord working = MakeFormatRecord(WorkingFormat());
  uint64_t layerLength = sound.layers.at(0)->length();
  auto layerData = sound.layers[0]->TakeData();
  CWaveConverter reader;
  ASSERT_EQ(reader.Convert(reread, working, &layerData, &layerLength), ConvertResult::kOk);
  EXPECT_NEAR(double(layerLength / 4) / 44100, seconds, DurationSlack(format));
}

std::string RowName(const testing::TestParamInfo<CatalogueFormat>& info) {
  std::string name;
  for (char c : info.param.formatName + "_" + info.param.attributes) {
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, CatalogueFormatTest, testing::ValuesIn(FormatCatalogue()), RowName);

}  // namespace
