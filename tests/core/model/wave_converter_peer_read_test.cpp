// Peers write, we read: sox and ffmpeg write a wave file in each format we
// decode, the program's own reader loads it, and the converter brings it to
// the working format on its worker thread as opening a document does. The
// result must last as long as the source and hold the samples ffmpeg's own
// decode gives.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/model/sound.h"
#include "core/model/wave_converter.h"
#include "wave_converter_peer_util.h"

namespace {

enum class Match {
  kWithinOneStep,  // every sample within 1 LSB of ffmpeg's decode
  kSignalToNoise,  // at least 30 dB against ffmpeg's decode
  // 24- and 32-bit PCM is cut to 16 bits before a rate change, so the
  // resampler starts from values up to one step away from the ones ffmpeg
  // resamples; its output may then differ by two.
  kWithinTwoSteps,
};

struct PeerFile {
  const char* name;
  // Writes the file named by $OUT; two seconds of sound.
  const char* command;
  uint16_t expectedTag;
  Match match;
  // Frames in one codec block at the source rate, for the duration check.
  int blockFrames;
  int sourceRate;
  bool nominalDuration;  // false where the codec adds its own delay
};

// Two tones, different per channel, so a swapped or dropped channel shows.
#define STEREO_TONES(rate) \
  "-f lavfi -i \"aevalsrc=exprs='0.5*sin(2*PI*440*t)+0.2*sin(2*PI*3100*t)|0.4*sin(2*PI*660*t)':s=" #rate ":d=2\" "
#define MONO_TONE(rate) "-f lavfi -i \"aevalsrc=exprs='0.6*sin(2*PI*523*t)+0.2*sin(2*PI*1700*t)':s=" #rate ":d=2\" "
#define SIX_TONES(rate)                                                                          \
  "-f lavfi -i \"aevalsrc=exprs='0.3*sin(2*PI*300*t)|0.3*sin(2*PI*500*t)|0.3*sin(2*PI*700*t)|" \
  "0.3*sin(2*PI*90*t)|0.3*sin(2*PI*1100*t)|0.3*sin(2*PI*1300*t)':s=" #rate ":d=2:c=5.1\" "
#define FF "ffmpeg -v error -nostdin -y "
#define TAGS " -metadata title=Peer -metadata comment=Tones "

const PeerFile kPeerFiles[] = {
    {"PcmUnsigned8Mono22050", FF MONO_TONE(22050) TAGS "-c:a pcm_u8 $OUT", kFormatPCM, Match::kWithinOneStep, 1, 22050, true},
    {"Pcm16Stereo48000BySox", "sox -n -r 48000 -c 2 -b 16 -e signed --comment Tones $OUT synth 2 sine 440 sine 660 vol 0.7", kFormatPCM, Match::kWithinOneStep, 1, 48000, true},
    {"Pcm16Mono8000", FF MONO_TONE(8000) "-c:a pcm_s16le $OUT", kFormatPCM, Match::kWithinOneStep, 1, 8000, true},
    {"Pcm24StereoExtensible44100", FF STEREO_TONES(44100) TAGS "-c:a pcm_s24le $OUT", kFormatExtensible, Match::kWithinOneStep, 1, 44100, true},
    {"Pcm24Mono96000BySox", "sox -n -r 96000 -c 1 -b 24 -e signed $OUT synth 2 sine 523 vol 0.7", kFormatExtensible, Match::kWithinTwoSteps, 1, 96000, true},
    {"Pcm32Stereo44100", FF STEREO_TONES(44100) "-c:a pcm_s32le $OUT", kFormatExtensible, Match::kWithinOneStep, 1, 44100, true},
    {"Pcm32Stereo32000", FF STEREO_TONES(32000) "-c:a pcm_s32le $OUT", kFormatExtensible, Match::kWithinTwoSteps, 1, 32000, true},
    {"Float32Stereo44100", FF STEREO_TONES(44100) TAGS "-c:a pcm_f32le $OUT", kFormatExtensible, Match::kWithinOneStep, 1, 44100, true},
    {"Float64Mono16000", FF MONO_TONE(16000) "-c:a pcm_f64le $OUT", kFormatExtensible, Match::kWithinOneStep, 1, 16000, true},
    {"Float32Mono11025BySox", "sox -n -r 11025 -c 1 -b 32 -e floating-point $OUT synth 2 sine 523 vol 0.7", kFormatIEEEFloat, Match::kWithinOneStep, 1, 11025, true},
    {"ALawMono8000", FF MONO_TONE(8000) "-c:a pcm_alaw $OUT", kFormatALaw, Match::kWithinOneStep, 1, 8000, true},
    {"ALawStereo22050BySox", "sox -n -r 22050 -c 2 -e a-law $OUT synth 2 sine 440 sine 660 vol 0.7", kFormatALaw, Match::kWithinOneStep, 1, 22050, true},
    {"MuLawStereo44100", FF STEREO_TONES(44100) TAGS "-c:a pcm_mulaw $OUT", kFormatMuLaw, Match::kWithinOneStep, 1, 44100, true},
    {"MuLawMono8000BySox", "sox -n -r 8000 -c 1 -e mu-law $OUT synth 2 sine 523 vol 0.7", kFormatMuLaw, Match::kWithinOneStep, 1, 8000, true},
    {"MsAdpcmStereo44100", FF STEREO_TONES(44100) TAGS "-c:a adpcm_ms $OUT", kFormatMSADPCM, Match::kSignalToNoise, 1012, 44100, true},
    {"MsAdpcmMono22050BySox", "sox -n -r 22050 -c 1 -e ms-adpcm $OUT synth 2 sine 523 vol 0.7", kFormatMSADPCM, Match::kSignalToNoise, 1012, 22050, true},
    {"ImaAdpcmMono22050", FF MONO_TONE(22050) "-c:a adpcm_ima_wav $OUT", kFormatIMAADPCM, Match::kSignalToNoise, 2041, 22050, true},
    {"ImaAdpcmStereo8000BySox", "sox -n -r 8000 -c 2 -e ima-adpcm --comment Tones $OUT synth 2 sine 440 sine 660 vol 0.7", kFormatIMAADPCM, Match::kSignalToNoise, 505, 8000, true},
    {"Gsm610Mono8000BySox", "sox -n -r 8000 -c 1 -e gsm-full-rate $OUT synth 2 sine 523 vol 0.7", kFormatGSM610, Match::kSignalToNoise, 320, 8000, true},
    {"Gsm610Mono8000", FF MONO_TONE(8000) "-c:a libgsm_ms $OUT", kFormatGSM610, Match::kSignalToNoise, 320, 8000, true},
    {"Mp3InWaveStereo44100", FF STEREO_TONES(44100) "-c:a libmp3lame -b:a 160k $OUT", kFormatMPEGLayer3, Match::kSignalToNoise, 1152, 44100, false},
    {"SixChannels48000", FF SIX_TONES(48000) TAGS "-c:a pcm_s16le $OUT", kFormatExtensible, Match::kWithinOneStep, 1, 48000, true},
    {"SixChannels44100BySox", "sox -n -r 44100 -c 6 -b 16 $OUT synth 2 sine 300 sine 500 sine 700 sine 90 sine 1100 sine 1300 vol 0.3", kFormatExtensible, Match::kWithinOneStep, 1, 44100, true},
};

std::string WithOutput(const std::string& command, const std::string& path) {
  std::string result = command;
  result.replace(result.find("$OUT"), 4, "'" + path + "'");
  return result + " 2>&1";
}

class PeerReadTest : public testing::TestWithParam<PeerFile> {};

TEST_P(PeerReadTest, OpensIntoTheWorkingFormatAsFfmpegDecodesIt) {
  const PeerFile& row = GetParam();
  peer::ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.File("source.wav");

  // Given a file a peer wrote in the row's format
  std::string log;
  ASSERT_EQ(peer::Run(WithOutput(row.command, path), &log), 0) << log;
  CSound sound;
  sound.path = path;
  ASSERT_EQ(sound.ReadWaveFile(), ReadResult::kOk);
  ASSERT_FALSE(sound.layers.empty());
  EXPECT_EQ(ParseWaveFormat(sound.fileFormat).formatTag, row.expectedTag);

  // When the first layer is converted on the worker, as opening does
  FormatRecord source = sound.fileFormat;
  FormatRecord target = MakeFormatRecord(WorkingFormat());
  CSoundLayer& layer = *sound.layers[0];
  const uint64_t sourceLength = layer.length();
  CWaveConverter converter;
  converter.Start(&source, &target, layer.TakeData(), sourceLength, 4294967295u);
  while (converter.IsBusy()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  converter.Collect(&data, &length);

  // Then it lasts as long as the source and holds ffmpeg's samples
  ASSERT_FALSE(converter.HasFailed());
  ASSERT_NE(data, nullptr);
  const std::vector<int16_t> ours = peer::ToSamples(data.get(), length);
  const std::vector<int16_t> reference = peer::FfmpegWorkingFormat(path, dir.File("reference.raw"));
  ASSERT_FALSE(reference.empty());
  const long blockAtWorkingRate = (long(row.blockFrames) * 44100 + row.sourceRate - 1) / row.sourceRate + 2;
  const long ourFrames = long(ours.size() / 2);
  EXPECT_NEAR(ourFrames, long(reference.size() / 2), blockAtWorkingRate);
  if (row.nominalDuration) {
    EXPECT_NEAR(ourFrames, 2 * 44100, blockAtWorkingRate);
  }
  if (row.match == Match::kWithinOneStep) {
    EXPECT_LE(peer::MaxDifference(reference, ours), 1);
  } else if (row.match == Match::kWithinTwoSteps) {
    EXPECT_LE(peer::MaxDifference(reference, ours), 2);
  } else {
    EXPECT_GE(peer::SignalToNoise(reference, ours), 30.0);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryDecodedFormat, PeerReadTest, testing::ValuesIn(kPeerFiles),
                         [](const testing::TestParamInfo<PeerFile>& info) { return std::string(info.param.name); });

}  // namespace
