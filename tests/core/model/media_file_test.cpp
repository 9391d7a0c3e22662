// Opening the sound files FFmpeg reads: each format written by ffmpeg or sox
// at test time opens through the document as ffmpeg itself decodes it (same
// samples, same length, the tags in their slots, the stream described), and
// the files that are not quite sound files (a misleading name, headerless
// samples, a video without sound, a file cut short, an unknown codec) end
// the way the user should see them end.
#include <gtest/gtest.h>

#include <thread>

#include "core/model/media_reader.h"
#include "core/model/raw_file.h"
#include "core/model/sound_document.h"
#include "test_support.h"
#include "wave_converter_peer_util.h"

namespace {

// The known signal: a different tone on each channel (ffmpeg lays out
// six channels as 5.1).
std::string Signal(int rate, int channels, double seconds) {
  static const char* const kTones[] = {"0.4*sin(2*PI*440*t)",   "0.3*sin(2*PI*660*t+1)", "0.2*sin(2*PI*550*t)",
                                       "0.2*sin(2*PI*60*t)",    "0.2*sin(2*PI*880*t+2)", "0.2*sin(2*PI*990*t+3)"};
  std::string expressions = kTones[0];
  for (int i = 1; i < channels && i < 6; ++i) expressions += std::string("|") + kTones[i];
  return "aevalsrc=exprs='" + expressions + "':s=" + std::to_string(rate) + ":d=" + std::to_string(seconds);
}

const std::string kTagArguments =
    " -metadata title=Title -metadata artist=Artist -metadata comment=Comment -metadata copyright=Copyright"
    " -metadata genre=Genre ";

// Writes `path` with ffmpeg from the known signal; `arguments` choose the codec.
bool WriteWithFfmpeg(const std::string& path, int rate, int channels, double seconds, const std::string& arguments) {
  return test_support::RunCommand("ffmpeg -v error -nostdin -y -f lavfi -i \"" + Signal(rate, channels, seconds) +
                                  "\" " + arguments + " '" + path + "' 2>&1") == 0;
}

// A video of a moving test picture, tiny, with the known signal as its sound
// when `arguments` name an audio codec.
bool WriteVideo(const std::string& path, int rate, int channels, const std::string& arguments) {
  return test_support::RunCommand(
             "ffmpeg -v error -nostdin -y -f lavfi -i testsrc=size=64x48:rate=10:duration=1 -f lavfi -i \"" +
             Signal(rate, channels, 1) + "\" -c:v mpeg4 " + arguments + " '" + path + "' 2>&1") == 0;
}

// Writes `path` with sox from a wave file of the known signal.
bool WriteWithSox(const std::string& path, int rate, int channels, const std::string& arguments) {
  const std::string wave = path + ".source.wav";
  return WriteWithFfmpeg(wave, rate, channels, 1, "-c:a pcm_s24le") &&
         test_support::RunCommand("sox '" + wave + "' " + arguments + " --comment '' '" + path + "' 2>&1") == 0;
}

class FailingRawQuestions : public RawPCMQuestions {
 public:
  bool Ask(RawPCMAnswers*) override {
    ADD_FAILURE() << "the raw PCM dialog was asked for";
    return false;
  }
};

class CountingRawQuestions : public RawPCMQuestions {
 public:
  bool Ask(RawPCMAnswers*) override {
    ++asked;
    return false;
  }
  int asked = 0;
};

// Answers Cancel from its `cancelAt`th poll on (0: never) and notes a poll
// made on a thread other than the one that made it.
class TestProgress : public ProgressReport {
 public:
  explicit TestProgress(int cancelAt = 0) : m_cancelAt(cancelAt) {}
  bool Poll(int percent) override {
    ++polls;
    if (std::this_thread::get_id() != m_thread) offThread = true;
    if (percent < 0 || percent > 100) badPercent = true;
    return m_cancelAt == 0 || polls < m_cancelAt;
  }
  int polls = 0;
  bool offThread = false;
  bool badPercent = false;

 private:
  int m_cancelAt;
  std::thread::id m_thread = std::this_thread::get_id();
};

std::vector<int16_t> LayerSamples(const CSound& sound) {
  if (sound.layers.size() != 1) return {};
  return peer::ToSamples(sound.layers[0]->data(), sound.layers[0]->length());
}

// ---------------------------------------------------------------------------
// The peer corpus.

enum class Writer { kFfmpeg, kSox, kVideo };

// The tags ffmpeg's -metadata arguments set, by the letters of their slots.
struct PeerCase {
  const char* name;
  const char* file;
  Writer writer;
  int rate;
  int channels;
  const char* arguments;  // the codec and container options of the writer
  const char* codec;      // FFmpeg's name of the codec we should find
  int streamRate;         // the rate the stream has (Opus always decodes at 48 kHz)
  int bits;               // 0 for a lossy codec
  bool video;
  // The tags the container keeps, by slot: T title, A artist, C comment,
  // R copyright, G genre; empty when the case writes none.
  const char* tags;
};

std::string CaseName(const testing::TestParamInfo<PeerCase>& info) { return info.param.name; }

class MediaPeerTest : public testing::TestWithParam<PeerCase> {};

// Lossless or not, the same decoder and the same resampler with the same
// options run here and in ffmpeg; only a mono file's up-mix takes another
// way (one resampler with a matrix here, ffmpeg's pan filter there). The
// largest difference measured was 0 in every case; 1 leaves room for a
// resampler whose SIMD paths round differently on another machine.
constexpr int kTolerance = 1;

TEST_P(MediaPeerTest, OpensAsFfmpegDecodesIt) {
  // Given a file the peer wrote from the known signal
  const PeerCase& c = GetParam();
  test_support::TemporaryFolder folder;
  const std::string path = folder.File(c.file);
  const std::string tags = c.tags[0] != '\0' ? kTagArguments : " ";
  switch (c.writer) {
    case Writer::kFfmpeg:
      ASSERT_TRUE(WriteWithFfmpeg(path, c.rate, c.channels, 1, tags + c.arguments));
      break;
    case Writer::kSox:
      ASSERT_TRUE(WriteWithSox(path, c.rate, c.channels, c.arguments));
      break;
    case Writer::kVideo:
      ASSERT_TRUE(WriteVideo(path, c.rate, c.channels, c.arguments));
      break;
  }

  // When the document opens it, with no raw import and no damage to ask about
  SoundDocument document(DefaultSettings());
  FailingRawQuestions raw;
  TestProgress progress;
  const OpenResult result = document.Open(path, raw, progress, [](const DamagedStream&) {
    ADD_FAILURE() << "asked whether to keep a damaged stream";
    return false;
  });
  ASSERT_TRUE(result.ok()) << static_cast<int>(result.readCode);
  EXPECT_FALSE(result.damaged.has_value());
  EXPECT_FALSE(progress.offThread);
  EXPECT_FALSE(progress.badPercent);

  // Then it holds ffmpeg's own decode, to the frame
  const CSound& sound = document.sound();
  ASSERT_EQ(sound.layers.size(), 1u);
  const std::vector<int16_t> ours = LayerSamples(sound);
  const std::vector<int16_t> reference = peer::FfmpegWorkingFormat(path, folder.File("reference.raw"));
  ASSERT_FALSE(reference.empty());
  EXPECT_EQ(ours.size() / 2, reference.size() / 2) << "frames";
  const int difference = peer::MaxDifference(ours, reference);
  EXPECT_LE(difference, kTolerance);
  RecordProperty("largest_difference", difference);

  // And in the working format, so that nothing converts it again
  EXPECT_EQ(ParseWaveFormat(sound.fileFormat).formatTag, kFormatPCM);
  EXPECT_EQ(sound.fileFormat, MakeFormatRecord(WorkingFormat()));

  // And the stream is described as it was in the file
  const MediaStreamInfo& media = sound.media;
  EXPECT_EQ(media.codecName, c.codec);
  EXPECT_FALSE(media.codecLongName.empty());
  EXPECT_FALSE(media.containerName.empty());
  EXPECT_EQ(media.sampleRate, static_cast<uint32_t>(c.streamRate));
  EXPECT_EQ(media.channels, c.channels);
  EXPECT_EQ(media.bitsPerSample, c.bits);
  EXPECT_EQ(media.lossless, c.bits > 0);
  EXPECT_EQ(media.fromVideo, c.video);
  if (c.bits == 0) {
    EXPECT_GT(media.bitRate, 0);
  }

  // And the tags the container keeps come back in their slots
  const std::string expected = c.tags;
  const auto check = [&](char letter, TagIndex slot, const char* value) {
    const bool kept = expected.find(letter) != std::string::npos;
    EXPECT_EQ(sound.tags[slot], kept ? std::string(value) : std::string(kEmptyTag)) << letter;
  };
  check('T', kTagTitle, "Title");
  check('A', kTagArtist, "Artist");
  check('C', kTagComments, "Comment");
  check('R', kTagCopyright, "Copyright");
  check('G', kTagGenre, "Genre");
}

INSTANTIATE_TEST_SUITE_P(
    MediaFile, MediaPeerTest,
    testing::Values(
        PeerCase{"Flac16Stereo44k", "a.flac", Writer::kFfmpeg, 44100, 2, "-c:a flac -sample_fmt s16", "flac", 44100,
                 16, false, "TACRG"},
        PeerCase{"Flac24Mono48k", "a.flac", Writer::kFfmpeg, 48000, 1, "-c:a flac -sample_fmt s32", "flac", 48000, 24,
                 false, "TACRG"},
        PeerCase{"Flac16Surround48k", "a.flac", Writer::kFfmpeg, 48000, 6, "-c:a flac -sample_fmt s16", "flac", 48000,
                 16, false, ""},
        PeerCase{"SoxFlac24Stereo48k", "a.flac", Writer::kSox, 48000, 2, "-b 24", "flac", 48000, 24, false, ""},
        PeerCase{"VorbisStereo44k", "a.ogg", Writer::kFfmpeg, 44100, 2, "-c:a libvorbis -q:a 4", "vorbis", 44100, 0,
                 false, "TACRG"},
        PeerCase{"VorbisMono48k", "a.oga", Writer::kFfmpeg, 48000, 1, "-c:a libvorbis -q:a 2", "vorbis", 48000, 0,
                 false, "TACRG"},
        PeerCase{"OpusOggStereo48k", "a.opus", Writer::kFfmpeg, 48000, 2, "-c:a libopus -b:a 96k", "opus", 48000, 0,
                 false, "TACRG"},
        PeerCase{"OpusWebmMono44k", "a.webm", Writer::kFfmpeg, 44100, 1, "-c:a libopus -b:a 48k", "opus", 48000, 0,
                 false, "TACRG"},
        PeerCase{"AacM4aStereo44k", "a.m4a", Writer::kFfmpeg, 44100, 2, "-c:a aac -b:a 128k", "aac", 44100, 0, false,
                 "TACRG"},
        PeerCase{"AacM4aMono48k", "a.m4a", Writer::kFfmpeg, 48000, 1, "-c:a aac -b:a 64k", "aac", 48000, 0, false,
                 ""},
        PeerCase{"AlacM4aMono48k24", "a.m4a", Writer::kFfmpeg, 48000, 1, "-c:a alac -sample_fmt s32p", "alac", 48000,
                 24, false, "TACRG"},
        PeerCase{"AlacM4aStereo44k16", "a.m4a", Writer::kFfmpeg, 44100, 2, "-c:a alac -sample_fmt s16p", "alac",
                 44100, 16, false, ""},
        PeerCase{"Aiff16Stereo44k", "a.aiff", Writer::kFfmpeg, 44100, 2, "-c:a pcm_s16be", "pcm_s16be", 44100, 16,
                 false, "TCR"},
        PeerCase{"Aiff24Mono48k", "a.aif", Writer::kFfmpeg, 48000, 1, "-c:a pcm_s24be", "pcm_s24be", 48000, 24, false,
                 ""},
        PeerCase{"AiffcFloatStereo48k", "a.aifc", Writer::kFfmpeg, 48000, 2, "-c:a pcm_f32be", "pcm_f32be", 48000, 32,
                 false, ""},
        PeerCase{"SoxAiffc16Mono44k", "a.aifc", Writer::kSox, 44100, 1, "-b 16", "pcm_s16be", 44100, 16, false, ""},
        PeerCase{"Wave64Stereo48k24", "a.w64", Writer::kFfmpeg, 48000, 2, "-c:a pcm_s24le", "pcm_s24le", 48000, 24,
                 false, ""},
        PeerCase{"SoxWave64Mono44k16", "a.w64", Writer::kSox, 44100, 1, "-b 16", "pcm_s16le", 44100, 16, false, ""},
        PeerCase{"CafMono44k16", "a.caf", Writer::kFfmpeg, 44100, 1, "-c:a pcm_s16be", "pcm_s16be", 44100, 16, false,
                 "TACRG"},
        PeerCase{"CafAlacStereo48k24", "a.caf", Writer::kFfmpeg, 48000, 2, "-c:a alac -sample_fmt s32p", "alac",
                 48000, 24, false, ""},
        PeerCase{"WmaStereo44k", "a.wma", Writer::kFfmpeg, 44100, 2, "-c:a wmav2 -b:a 128k", "wmav2", 44100, 0, false,
                 "TACRG"},
        PeerCase{"WmaMono48k", "a.wma", Writer::kFfmpeg, 48000, 1, "-c:a wmav2 -b:a 64k", "wmav2", 48000, 0, false,
                 ""},
        PeerCase{"Mp4VideoAacStereo48k", "a.mp4", Writer::kVideo, 48000, 2, "-c:a aac -b:a 96k", "aac", 48000, 0,
                 true, ""},
        PeerCase{"MkvVideoFlacMono44k", "a.mkv", Writer::kVideo, 44100, 1, "-c:a flac -sample_fmt s16", "flac",
                 44100, 16, true, ""}),
    CaseName);

// ---------------------------------------------------------------------------
// Files that are not what their names say, or not whole.

// Bytes no format claims: a fixed pseudo-random sequence.
std::string NoiseBytes(size_t count) {
  std::string bytes(count, '\0');
  uint32_t state = 12345;
  for (char& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// The first `percent` of the file's bytes.
bool CutShort(const std::string& path, int percent) {
  const std::string bytes = test_support::ReadFileBytes(path);
  if (bytes.size() < 100) return false;
  test_support::WriteFileBytes(path, bytes.substr(0, bytes.size() * percent / 100));
  return true;
}

// An M4A whose stream says MPEG-H 3D Audio, which FFmpeg knows by name but
// cannot decode: AAC's sample entry renamed, and its decoder description
// (which would name AAC again) hidden.
bool WriteMpegH(const std::string& path) {
  if (!WriteWithFfmpeg(path, 48000, 2, 0.5, "-c:a aac")) return false;
  std::string bytes = test_support::ReadFileBytes(path);
  const size_t entry = bytes.find("mp4a", bytes.find("stsd"));
  const size_t description = bytes.find("esds", entry);
  if (entry == std::string::npos || description == std::string::npos) return false;
  bytes.replace(entry, 4, "mhm1");
  bytes.replace(description, 4, "xsds");
  test_support::WriteFileBytes(path, bytes);
  return true;
}

// A wave file of a format tag nobody knows, under a name the wave reader
// does not take.
std::string UnknownTagWave() {
  using test_support::Chunk;
  using test_support::LE16;
  using test_support::LE32;
  const std::string fmt = LE16(0x1234) + LE16(2) + LE32(44100) + LE32(176400) + LE16(4) + LE16(16);
  return Chunk("RIFF", "WAVE" + Chunk("fmt ", fmt) + Chunk("data", NoiseBytes(4000)));
}

struct EdgeCase {
  const char* name;
  const char* file;
  bool (*make)(const std::string& path);
  OpenStatus status;
  ReadResult code;  // with kReadFailed
  bool rawAsked;
  bool damagedAsked;
  bool keepDamaged;  // the answer to the question
  const char* codec;  // what the stream is described as (with a layer) or named by (unsupported)
};

std::string EdgeName(const testing::TestParamInfo<EdgeCase>& info) { return info.param.name; }

class MediaEdgeTest : public testing::TestWithParam<EdgeCase> {};

TEST_P(MediaEdgeTest, EndsTheWayTheUserShouldSeeIt) {
  // Given the case's file
  const EdgeCase& c = GetParam();
  test_support::TemporaryFolder folder;
  const std::string path = folder.File(c.file);
  ASSERT_TRUE(c.make(path));

  // When the document opens it
  SoundDocument document(DefaultSettings());
  CountingRawQuestions raw;
  TestProgress progress;
  int damagedAsked = 0;
  DamagedStream told;
  const OpenResult result = document.Open(path, raw, progress, [&](const DamagedStream& damage) {
    ++damagedAsked;
    told = damage;
    return c.keepDamaged;
  });

  // Then it ends as the case says, asking only what the case asks
  EXPECT_EQ(result.status, c.status);
  if (c.status == OpenStatus::kReadFailed) {
    EXPECT_EQ(result.readCode, c.code);
  }
  EXPECT_EQ(raw.asked, c.rawAsked ? 1 : 0);
  EXPECT_EQ(damagedAsked, c.damagedAsked ? 1 : 0);
  EXPECT_EQ(result.damaged.has_value(), c.damagedAsked);
  const CSound& sound = document.sound();
  if (c.status == OpenStatus::kOpened) {
    ASSERT_EQ(sound.layers.size(), 1u);
    EXPECT_GT(sound.layers[0]->length(), 0u);
    EXPECT_EQ(sound.media.codecName, c.codec);
  } else if (c.status == OpenStatus::kReadFailed) {
    // Nothing of a file that does not open is kept
    EXPECT_TRUE(sound.layers.empty());
  }
  if (c.code == ReadResult::kUnsupportedCodec) {
    EXPECT_EQ(result.codec, c.codec);
  }

  // And a damaged stream says how much of it was decoded
  if (c.damagedAsked) {
    EXPECT_GT(told.decodedFrames, 0u);
    EXPECT_EQ(told.decodedMilliseconds, told.decodedFrames * 1000 / 44100);
    EXPECT_FALSE(told.tooLong);
    if (told.statedFrames != 0) {
      EXPECT_LT(told.decodedFrames, told.statedFrames);
    }
    if (c.keepDamaged) {
      EXPECT_EQ(sound.layers[0]->length(), told.decodedFrames * kWorkingBlockAlign);
    }
  }
}

bool FlacNamedDat(const std::string& path) { return WriteWithFfmpeg(path, 44100, 2, 0.5, "-c:a flac -f flac"); }
bool RandomBytes(const std::string& path) {
  test_support::WriteFileBytes(path, NoiseBytes(65536));
  return true;
}
bool HeaderlessTone(const std::string& path) { return WriteWithFfmpeg(path, 44100, 2, 0.5, "-f s16le"); }
bool VideoOnlyMkv(const std::string& path) { return WriteVideo(path, 44100, 1, "-an"); }
bool VideoOnlyMp4(const std::string& path) { return WriteVideo(path, 44100, 1, "-an"); }
bool TruncatedFlac(const std::string& path) {
  return WriteWithFfmpeg(path, 44100, 2, 2, "-c:a flac") && CutShort(path, 50);
}
// Vorbis carries its codebooks in a header of several KB: long enough that
// half the file is more than the headers.
bool TruncatedVorbis(const std::string& path) {
  return WriteWithFfmpeg(path, 44100, 2, 6, "-c:a libvorbis") && CutShort(path, 50);
}
bool TruncatedOpus(const std::string& path) {
  return WriteWithFfmpeg(path, 48000, 2, 2, "-c:a libopus") && CutShort(path, 50);
}
// Cut just after the capture pattern of its last page: all that is left of
// that page is "OggS".
bool OpusCutAtLastPage(const std::string& path) {
  if (!WriteWithFfmpeg(path, 48000, 2, 2, "-c:a libopus")) return false;
  const std::string bytes = test_support::ReadFileBytes(path);
  const size_t last = bytes.rfind("OggS");
  if (last == std::string::npos || last == 0) return false;
  test_support::WriteFileBytes(path, bytes.substr(0, last + 4));
  return true;
}
bool TruncatedWebm(const std::string& path) {
  return WriteWithFfmpeg(path, 48000, 2, 2, "-c:a libopus") && CutShort(path, 50);
}
bool TruncatedM4a(const std::string& path) {
  return WriteWithFfmpeg(path, 44100, 2, 2, "-c:a aac -movflags +faststart") && CutShort(path, 50);
}
// Lists of other files, beside a FLAC file they name: FFmpeg would read
// the FLAC through them, the open flow must not.
std::string Beside(const std::string& path, const std::string& name) {
  return path.substr(0, path.find_last_of('/') + 1) + name;
}
bool ConcatList(const std::string& path) {
  test_support::WriteFileBytes(path, "ffconcat version 1.0\nfile 'tone.flac'\n");
  return FlacNamedDat(Beside(path, "tone.flac"));
}
bool HlsPlaylist(const std::string& path) {
  test_support::WriteFileBytes(path, "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:0.5,\ntone.flac\n#EXT-X-ENDLIST\n");
  return FlacNamedDat(Beside(path, "tone.flac"));
}
bool UnknownTag(const std::string& path) {
  test_support::WriteFileBytes(path, UnknownTagWave());
  return true;
}

INSTANTIATE_TEST_SUITE_P(
    MediaFile, MediaEdgeTest,
    testing::Values(
        EdgeCase{"FlacNamedDatOpensAsFlac", "song.dat", FlacNamedDat, OpenStatus::kOpened, ReadResult::kOk, false,
                 false, false, "flac"},
        EdgeCase{"RandomBytesNamedFlacFail", "x.flac", RandomBytes, OpenStatus::kReadFailed,
                 ReadResult::kConvertFailed, false, false, false, ""},
        EdgeCase{"NoiseNamedPcmAsksForRaw", "noise.pcm", RandomBytes, OpenStatus::kCancelled, ReadResult::kOk, true,
                 false, false, ""},
        EdgeCase{"HeaderlessToneAsksForRaw", "tone.raw", HeaderlessTone, OpenStatus::kCancelled, ReadResult::kOk,
                 true, false, false, ""},
        EdgeCase{"VideoOnlyMkvHoldsNoSound", "film.mkv", VideoOnlyMkv, OpenStatus::kReadFailed, ReadResult::kNoSound,
                 false, false, false, ""},
        EdgeCase{"VideoOnlyMp4HoldsNoSound", "film.mp4", VideoOnlyMp4, OpenStatus::kReadFailed, ReadResult::kNoSound,
                 false, false, false, ""},
        EdgeCase{"TruncatedFlacRefused", "cut.flac", TruncatedFlac, OpenStatus::kReadFailed, ReadResult::kDamaged,
                 false, true, false, ""},
        EdgeCase{"TruncatedFlacKept", "cut.flac", TruncatedFlac, OpenStatus::kOpened, ReadResult::kOk, false, true,
                 true, "flac"},
        EdgeCase{"TruncatedVorbisRefused", "cut.ogg", TruncatedVorbis, OpenStatus::kReadFailed, ReadResult::kDamaged,
                 false, true, false, ""},
        EdgeCase{"TruncatedVorbisKept", "cut.ogg", TruncatedVorbis, OpenStatus::kOpened, ReadResult::kOk, false, true,
                 true, "vorbis"},
        EdgeCase{"TruncatedOpusKept", "cut.opus", TruncatedOpus, OpenStatus::kOpened, ReadResult::kOk, false, true,
                 true, "opus"},
        EdgeCase{"OpusCutAtLastPageKept", "cut.opus", OpusCutAtLastPage, OpenStatus::kOpened, ReadResult::kOk, false,
                 true, true, "opus"},
        EdgeCase{"TruncatedWebmKept", "cut.webm", TruncatedWebm, OpenStatus::kOpened, ReadResult::kOk, false, true,
                 true, "opus"},
        EdgeCase{"TruncatedM4aKept", "cut.m4a", TruncatedM4a, OpenStatus::kOpened, ReadResult::kOk, false, true,
                 true, "aac"},
        EdgeCase{"MpegHCannotBeDecoded", "3d.m4a", WriteMpegH, OpenStatus::kReadFailed,
                 ReadResult::kUnsupportedCodec, false, false, false, "MPEG-H 3D Audio"},
        EdgeCase{"ConcatListNamedOggNotFollowed", "list.ogg", ConcatList, OpenStatus::kReadFailed,
                 ReadResult::kConvertFailed, false, false, false, ""},
        EdgeCase{"ConcatListNamedTxtNotFollowed", "list.txt", ConcatList, OpenStatus::kCancelled, ReadResult::kOk,
                 true, false, false, ""},
        EdgeCase{"PlaylistNamedM4aNotFollowed", "list.m4a", HlsPlaylist, OpenStatus::kReadFailed,
                 ReadResult::kConvertFailed, false, false, false, ""},
        EdgeCase{"UnknownTagNamedByIt", "odd.bwf", UnknownTag, OpenStatus::kReadFailed,
                 ReadResult::kUnsupportedCodec, false, false, false, "0x1234"}),
    EdgeName);

// ---------------------------------------------------------------------------
// Cancelling, the size limit, and the other readers.

TEST(MediaFile, CancelKeepsNothing) {
  // Given a FLAC file
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("tone.flac");
  ASSERT_TRUE(WriteWithFfmpeg(path, 44100, 2, 2, kTagArguments + "-c:a flac"));

  // When the user cancels at the first poll
  SoundDocument document(DefaultSettings());
  FailingRawQuestions raw;
  TestProgress progress(1);
  const OpenResult result = document.Open(path, raw, progress);

  // Then nothing of the file is kept, however quick the decode was
  EXPECT_EQ(result.status, OpenStatus::kCancelled);
  EXPECT_EQ(progress.polls, 1);
  EXPECT_TRUE(document.sound().layers.empty());
  EXPECT_TRUE(document.sound().media.empty());
  EXPECT_EQ(document.sound().tags[kTagTitle], kEmptyTag);
}

TEST(MediaFile, DecodingStopsAtTheSizeLimit) {
  // Given a one-second FLAC file and a limit of half a second
  test_support::TemporaryFolder folder;
  CSound sound;
  sound.path = folder.File("tone.flac");
  ASSERT_TRUE(WriteWithFfmpeg(sound.path, 44100, 2, 1, "-c:a flac"));
  const uint64_t limit = kWorkingSampleRate / 2 * kWorkingBlockAlign;

  // When it is read
  SilentProgress progress;
  DamagedStream damage;
  const ReadResult read = sound.ReadMediaFile(progress, &damage, limit);

  // Then the first half second is there, and the rest is said to be missing
  EXPECT_EQ(read, ReadResult::kDamaged);
  EXPECT_TRUE(damage.tooLong);
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers[0]->length(), limit);
  EXPECT_EQ(damage.decodedFrames, limit / kWorkingBlockAlign);
  EXPECT_EQ(damage.statedFrames, kWorkingSampleRate);
}

class AcceptingRawQuestions : public RawPCMQuestions {
 public:
  bool Ask(RawPCMAnswers*) override { return true; }
};

TEST(MediaFile, OtherReadersLeaveTheStreamUndescribed) {
  // Given a wave file, an MP3 file, headerless samples and a layered document
  test_support::TemporaryFolder folder;
  ASSERT_TRUE(WriteWithFfmpeg(folder.File("a.wav"), 44100, 2, 0.5, "-c:a pcm_s16le"));
  ASSERT_TRUE(WriteWithFfmpeg(folder.File("a.mp3"), 44100, 2, 0.5, "-c:a libmp3lame"));
  test_support::WriteFileBytes(folder.File("a.raw"), NoiseBytes(4000));
  {
    CSound source;
    source.AppendLayer("", std::make_unique<uint8_t[]>(400), 400);
    ASSERT_EQ(source.WriteDocumentFile(folder.File("a.tvf")), WriteResult::kOk);
  }

  for (const char* name : {"a.wav", "a.mp3", "a.raw", "a.tvf"}) {
    // When each is opened
    SoundDocument document(DefaultSettings());
    AcceptingRawQuestions raw;
    SilentProgress progress;
    ASSERT_TRUE(document.Open(folder.File(name), raw, progress).ok()) << name;
    // Then it is not described as a stream FFmpeg read
    EXPECT_TRUE(document.sound().media.empty()) << name;
  }
}

}  // namespace
