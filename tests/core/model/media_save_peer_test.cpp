// We write, the peers read: a document of two tones per channel with all
// nine tags is saved as FLAC, Ogg Vorbis, Opus, MP3, M4A and AIFF, and
// ffprobe, ffmpeg and (for what it reads) sox must find the codec, rate,
// channels, length, level and tags we meant. Then the choices of each format
// must show in the file: compression levels, bits, bit rates, the VBR
// header, a rate and channel count of the user's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "core/model/media_tags.h"
#include "core/model/media_writer.h"
#include "core/model/sound_document.h"
#include "wave_converter_peer_util.h"

namespace {

using Samples = std::vector<int16_t>;
using Tags = std::map<std::string, std::string>;

constexpr uint32_t kRate = 44100;

// Left: 440 Hz at -6 dBFS and 3 kHz at -40 dBFS; right: 660 Hz and 5 kHz, so
// that a swapped or dropped channel shows. `noise` adds white noise on the
// left at that amplitude (a signal the lossy coders cannot make cheap).
Samples TwoTones(uint32_t frames, double noise = 0) {
  Samples samples(2 * size_t{frames});
  uint32_t seed = 12345;
  for (uint32_t i = 0; i < frames; ++i) {
    const double t = double(i) / kRate;
    seed = seed * 1664525u + 1013904223u;
    const double random = (double(seed >> 8) / double(1u << 24) - 0.5) * 2 * noise;
    const double left = 0.5 * std::sin(2 * M_PI * 440 * t) + 0.01 * std::sin(2 * M_PI * 3000 * t) + random;
    const double right = 0.5 * std::sin(2 * M_PI * 660 * t) + 0.01 * std::sin(2 * M_PI * 5000 * t);
    samples[2 * i] = static_cast<int16_t>(std::lround(32767 * left));
    samples[2 * i + 1] = static_cast<int16_t>(std::lround(32767 * right));
  }
  return samples;
}

const char* const kTagValues[kTagCount] = {"Tönleiter", "Zwei Töne, links und rechts", "© 2024 Wavedesk",
                                           "Test",      "sine; tone",                   "Ada Example",
                                           "Bob Engineer", "Cy Technician",            "Peer reading"};

// A document of one layer holding `samples`, with every tag set.
class ToneDocument {
 public:
  explicit ToneDocument(const Samples& samples) {
    const uint64_t length = samples.size() * 2;
    auto data = std::make_unique<uint8_t[]>(length);
    std::memcpy(data.get(), samples.data(), length);
    m_document.sound().AppendLayer("Tones", std::move(data), length);
    for (int i = 0; i < kTagCount; ++i) m_document.sound().tags[static_cast<size_t>(i)] = kTagValues[i];
    m_document.SetModifiedFlag(true);
  }
  SoundDocument& document() { return m_document; }
  SaveResult Save(const std::string& path, const std::function<void(MediaSaveOptions*)>& choose = {}) {
    SilentProgress silent;
    SoundDocument::MediaOptionsChooser chooser;
    if (choose) chooser = [&choose](MediaSaveOptions* options) {
      choose(options);
      return true;
    };
    return m_document.Save(path, SoundDocument::FormatChooser{}, silent, chooser);
  }

 private:
  SettingsRecord m_settings;
  SoundDocument m_document{m_settings};
};

// ffprobe's view of the first audio stream and the file: "codec_name",
// "sample_rate", ... and every tag as "TAG:<key in lower case>".
Tags Probe(const std::string& path) {
  std::string output;
  peer::Run("ffprobe -v error -select_streams a:0 -show_entries "
            "stream=codec_name,sample_rate,channels,bits_per_sample,bits_per_raw_sample,bit_rate:"
            "format=bit_rate,duration:format_tags:stream_tags -of default=nw=1 '" + path + "'",
            &output);
  Tags found;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    // Vorbis comments come in upper case, the others in lower case.
    if (key.rfind("TAG:", 0) == 0) std::transform(key.begin() + 4, key.end(), key.begin() + 4, ::tolower);
    found.emplace(key, line.substr(equals + 1));
  }
  return found;
}

// sox's decode as 16-bit stereo at the source's rate.
Samples SoxWorkingFormat(const std::string& path, const std::string& raw) {
  if (peer::Run("sox -V1 '" + path + "' -t raw -e signed -b 16 -c 2 '" + raw + "' 2>&1") != 0) return {};
  const std::vector<uint8_t> bytes = peer::ReadBytes(raw);
  return peer::ToSamples(bytes.data(), bytes.size());
}

bool SoxReads(const std::string& type) {
  static const std::string help = [] {
    std::string text;
    peer::Run("sox --help 2>&1", &text);
    return text;
  }();
  const size_t formats = help.find("AUDIO FILE FORMATS:");
  if (formats == std::string::npos) return false;
  const std::string list = help.substr(formats, help.find('\n', formats) - formats) + " ";
  return list.find(" " + type + " ") != std::string::npos;
}

// The RMS level of `channel` of `test` against that of `reference`, in dB.
double LevelDifference(const Samples& reference, const Samples& test, int channel) {
  double a = 0;
  double b = 0;
  const size_t n = std::min(reference.size(), test.size());
  for (size_t i = static_cast<size_t>(channel); i < n; i += 2) {
    a += double(reference[i]) * reference[i];
    b += double(test[i]) * test[i];
  }
  return 10 * std::log10(b / a);
}

struct FormatCase {
  const char* extension;
  const char* codec;  // ffprobe's codec_name
  int rate;           // of the stream
  // Frames the decoders may give beyond the sound: none where the file
  // says exactly how long it is, up to one AAC frame where ffmpeg does not
  // apply the end of the M4A edit list, and the MP3 encoder's delay and
  // padding for sox, which ignores the LAME header.
  int ffmpegSurplus;
  int soxSurplus;  // -1: sox does not read the format
  // Lossless: every sample as saved. Lossy: at least this many dB of signal
  // to noise against the source, in ffmpeg's decode (which removes the
  // encoder's delay, so the two line up).
  double minimumSnr;
  std::vector<std::string> tags;  // the keys that carry our tags
};

const std::vector<std::string> kAllTagKeys = {"title",  "comment",  "copyright", "genre",     "keywords",
                                              "artist", "engineer", "technician", "subject"};

// The nine tag values by key.
std::string ValueOfKey(const std::string& key) {
  if (key == "author") return kTagValues[kTagArtist];
  for (const MediaTagKeys& entry : MediaTagTable()) {
    if (entry.keys.front() == key) return kTagValues[entry.tag];
  }
  return "";
}

class MediaSavePeerTest : public testing::TestWithParam<FormatCase> {};

TEST_P(MediaSavePeerTest, PeersReadWhatWasSaved) {
  // Given a one-second stereo document with all tags
  const FormatCase& c = GetParam();
  peer::ScratchDir scratch;
  ASSERT_TRUE(scratch.ok());
  const Samples source = TwoTones(kRate);
  ToneDocument tone(source);
  std::string reason;
  ASSERT_TRUE(MediaEncoderAvailable(*MediaSaveFormatForPath(c.extension), &reason)) << reason;
  // When it is saved with the format's defaults
  const std::string path = scratch.File(std::string("tones.") + c.extension);
  const SaveResult result = tone.Save(path);
  // Then the save succeeded, the document is saved, and holds working format
  ASSERT_TRUE(result.ok()) << static_cast<int>(result.status);
  EXPECT_FALSE(result.flattened);
  EXPECT_FALSE(tone.document().IsModified());
  EXPECT_EQ(ParseWaveFormat(tone.document().sound().fileFormat).samplesPerSec, kRate);
  // ffprobe finds the codec, rate and channels
  const Tags probed = Probe(path);
  EXPECT_EQ(probed.count("codec_name") ? probed.at("codec_name") : "", c.codec);
  EXPECT_EQ(probed.count("sample_rate") ? probed.at("sample_rate") : "", std::to_string(c.rate));
  EXPECT_EQ(probed.count("channels") ? probed.at("channels") : "", "2");
  // and every tag the format keeps
  for (const std::string& key : c.tags) {
    const auto found = probed.find("TAG:" + key);
    EXPECT_TRUE(found != probed.end() && found->second == ValueOfKey(key)) << "tag " << key;
  }
  // ffmpeg's decode lasts as long as the sound and keeps its level
  const Samples decoded = peer::FfmpegWorkingFormat(path, scratch.File("ffmpeg.raw"));
  ASSERT_GE(decoded.size(), source.size());
  EXPECT_LE(decoded.size() - source.size(), 2u * static_cast<size_t>(c.ffmpegSurplus));
  for (int channel : {0, 1}) EXPECT_NEAR(LevelDifference(source, decoded, channel), 0, 0.1) << "channel " << channel;
  if (c.minimumSnr == 0) {
    EXPECT_EQ(peer::MaxDifference(source, decoded), 0);
  } else {
    EXPECT_GE(peer::SignalToNoise(source, decoded), c.minimumSnr);
  }
  // and so does sox's, where it reads the format
  if (c.soxSurplus < 0 || !SoxReads(c.extension)) return;
  const Samples soxDecoded = SoxWorkingFormat(path, scratch.File("sox.raw"));
  ASSERT_GE(soxDecoded.size(), source.size());
  EXPECT_LE(soxDecoded.size() - source.size(), 2u * static_cast<size_t>(c.soxSurplus));
  if (c.minimumSnr == 0) {
    EXPECT_EQ(peer::MaxDifference(source, soxDecoded), 0);
  }
  std::string soxRate;
  peer::Run("soxi -r '" + path + "'", &soxRate);
  EXPECT_EQ(std::atoi(soxRate.c_str()), c.rate);
}

// The MP3 encoder's delay (1105) and its padding to whole frames of 1152.
constexpr int kMp3Surplus = 1105 + 1152;

INSTANTIATE_TEST_SUITE_P(
    Formats, MediaSavePeerTest,
    testing::Values(FormatCase{"flac", "flac", 44100, 0, 0, 0, kAllTagKeys},
                    FormatCase{"ogg", "vorbis", 44100, 0, 0, 30, kAllTagKeys},  // quality 5
                    FormatCase{"opus", "opus", 48000, 0, -1, 30, kAllTagKeys},  // 128 kbit/s
                    FormatCase{"mp3", "mp3", 44100, 0, kMp3Surplus, 40, kAllTagKeys},  // VBR quality 2
                    // 192 kbit/s with FFmpeg's own AAC encoder. iTunes atoms
                    // exist for six of the tags only.
                    FormatCase{"m4a", "aac", 44100, 1024, -1, 20,
                               {"title", "comment", "copyright", "genre", "keywords", "artist"}},
                    // AIFF's text chunks: NAME, ANNO, (c) and AUTH.
                    FormatCase{"aiff", "pcm_s16be", 44100, 0, 0, 0, {"title", "comment", "copyright", "author"}}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.extension); });

// The sizes and stream facts that the options change.
class MediaSaveOptionsTest : public testing::Test {
 protected:
  std::string SaveAs(const std::string& name, const std::function<void(MediaSaveOptions*)>& choose) {
    const std::string path = m_scratch.File(name);
    const SaveResult result = m_tone.Save(path, choose);
    EXPECT_TRUE(result.ok()) << name << ": " << static_cast<int>(result.status);
    return path;
  }
  Tags ProbeOf(const std::string& path) { return Probe(path); }

  peer::ScratchDir m_scratch;
  // Two seconds, with noise on the left so that the lossy coders need the
  // bit rate they are given.
  Samples m_source = TwoTones(2 * kRate, 0.1);
  ToneDocument m_tone{m_source};
};

TEST_F(MediaSaveOptionsTest, FlacLevelsDecodeToTheSameSamplesAndTheHigherIsNotLarger) {
  const std::string fast = SaveAs("fast.flac", [](MediaSaveOptions* o) { o->flacLevel = 0; });
  const std::string best = SaveAs("best.flac", [](MediaSaveOptions* o) { o->flacLevel = 8; });
  EXPECT_EQ(peer::FfmpegWorkingFormat(fast, m_scratch.File("a.raw")), m_source);
  EXPECT_EQ(peer::FfmpegWorkingFormat(best, m_scratch.File("b.raw")), m_source);
  EXPECT_LE(std::filesystem::file_size(best), std::filesystem::file_size(fast));
}

TEST_F(MediaSaveOptionsTest, TwentyFourBitFilesSayTwentyFourBitsAndKeepEverySample) {
  struct Case {
    const char* name;
    const char* bitsField;
  };
  for (const Case& c : {Case{"deep.flac", "bits_per_raw_sample"}, Case{"deep.aiff", "bits_per_sample"}}) {
    SCOPED_TRACE(c.name);
    const std::string path = SaveAs(c.name, [](MediaSaveOptions* o) { o->bits = 24; });
    EXPECT_EQ(ProbeOf(path)[c.bitsField], "24");
    // The 16-bit samples sit in the top 16 of the 24 bits.
    std::vector<uint8_t> raw;
    ASSERT_EQ(peer::Run("ffmpeg -v error -nostdin -i '" + path + "' -f s32le -y '" + m_scratch.File("deep.raw") + "'"), 0);
    raw = peer::ReadBytes(m_scratch.File("deep.raw"));
    ASSERT_EQ(raw.size(), m_source.size() * 4);
    bool same = true;
    for (size_t i = 0; i < m_source.size() && same; ++i) {
      int32_t value;
      std::memcpy(&value, raw.data() + 4 * i, 4);
      same = value == int32_t{m_source[i]} * 65536;
    }
    EXPECT_TRUE(same);
  }
}

TEST_F(MediaSaveOptionsTest, Mp3ConstantRateDeclaresItsRateAndVariableRateHasAXingHeader) {
  const std::string constant = SaveAs("cbr.mp3", [](MediaSaveOptions* o) {
    o->mp3Vbr = false;
    o->mp3Kbps = 320;
  });
  EXPECT_EQ(ProbeOf(constant)["bit_rate"], "320000");
  const std::string variable = SaveAs("vbr.mp3", [](MediaSaveOptions* o) {
    o->mp3Vbr = true;
    o->mp3VbrQuality = 4;
  });
  const std::vector<uint8_t> bytes = peer::ReadBytes(variable);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("Xing"), std::string::npos);
  // The LAME frame is what tells decoders the exact length.
  EXPECT_NE(text.find("LAME"), std::string::npos);
  EXPECT_EQ(peer::FfmpegWorkingFormat(variable, m_scratch.File("vbr.raw")).size(), m_source.size());
}

TEST_F(MediaSaveOptionsTest, LossyBitRatesComeWithinFifteenPercent) {
  struct Case {
    const char* name;
    std::function<void(MediaSaveOptions*)> choose;
    int kbps;
  };
  const Case cases[] = {
      {"low.opus", [](MediaSaveOptions* o) { o->opusKbps = 64; }, 64},
      {"high.opus", [](MediaSaveOptions* o) { o->opusKbps = 192; }, 192},
      {"low.m4a", [](MediaSaveOptions* o) { o->aacKbps = 96; }, 96},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = SaveAs(c.name, c.choose);
    // The payload's rate: the file less its headers and tags, over the
    // sound's length.
    const double bits = 8.0 * static_cast<double>(std::filesystem::file_size(path));
    const double kbps = bits / 2.0 / 1000.0;
    EXPECT_NEAR(kbps, c.kbps, 0.15 * c.kbps);
  }
}

TEST_F(MediaSaveOptionsTest, OwnRateAndChannelsGiveThatStream) {
  struct Case {
    const char* name;
    uint32_t rate;  // chosen; 0: the working format's
    int expectedRate;
    // Against the average of the two sides, back at 44.1 kHz. FLAC's is
    // resampling noise only (near 30 dB here: both resamplers cut the top
    // of the band, where the noise has its share); Vorbis is not measured.
    double minimumSnr;
  };
  // The 16-bit FLAC and the floating-point Vorbis take different paths
  // through the resampler's mixing.
  for (const Case& c : {Case{"mono96.flac", 96000, 96000, 28}, Case{"mono.ogg", 0, 44100, 0}}) {
    SCOPED_TRACE(c.name);
    // Given the choice of one channel at that rate
    const std::string path = SaveAs(c.name, [&c](MediaSaveOptions* o) {
      o->sampleRate = c.rate;
      o->channels = 1;
    });
    // Then the file says so and is two seconds long
    Tags probed = ProbeOf(path);
    EXPECT_EQ(probed["sample_rate"], std::to_string(c.expectedRate));
    EXPECT_EQ(probed["channels"], "1");
    EXPECT_NEAR(std::atof(probed["duration"].c_str()), 2.0, 0.001);
    // and holds the average of the two sides at its level, so that a mono
    // file opened (both sides the same) and saved again keeps its level
    Samples average(m_source.size());
    for (size_t i = 0; i < m_source.size(); i += 2) {
      const int16_t mid = static_cast<int16_t>((m_source[i] + m_source[i + 1]) / 2);
      average[i] = average[i + 1] = mid;
    }
    const Samples decoded = peer::FfmpegWorkingFormat(path, m_scratch.File("mono.raw"));
    EXPECT_NEAR(LevelDifference(average, decoded, 0), 0, 0.1);
    if (c.minimumSnr > 0) {
      EXPECT_GE(peer::SignalToNoise(average, decoded), c.minimumSnr);
    }
  }
}

TEST(MediaSaveAvailability, EveryFormatHasItsEncoderHere) {
  for (MediaSaveFormat format : kAllMediaSaveFormats) {
    std::string reason = "stale";
    EXPECT_TRUE(MediaEncoderAvailable(format, &reason)) << reason;
    EXPECT_TRUE(reason.empty());
  }
}

}  // namespace
