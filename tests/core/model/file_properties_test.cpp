// The side panel's file figures for files in formats other than the working
// one: the sound's layers hold working-format data, the figures describe the
// file. And the kind of file named for every format the converter writes, for
// a layered document and for a tag we do not know.
#include <gtest/gtest.h>

#include <string>

#include "core/model/file_properties.h"
#include "core/model/format_catalogue.h"

namespace {

constexpr uint64_t kWorkingBytesPerSecond = 176400;

FormatRecord BlockCodec(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avgBytes, uint16_t blockAlign,
                        uint16_t bits, uint16_t framesPerBlock) {
  const std::vector<uint8_t> extra = {static_cast<uint8_t>(framesPerBlock), static_cast<uint8_t>(framesPerBlock >> 8)};
  return MakeFormatRecord(WaveFormat{tag, channels, rate, avgBytes, blockAlign, bits, 0}, extra);
}

struct FiguresCase {
  const char* name;
  FormatRecord format;
  uint64_t workingBytes;  // the sound after opening, in the working format
  uint64_t samples;
  uint64_t bytes;
  uint64_t milliseconds;
};

class FilePropertiesTest : public testing::TestWithParam<FiguresCase> {};

TEST_P(FilePropertiesTest, FiguresDescribeTheFileNotTheWorkingCopy) {
  const FiguresCase& c = GetParam();
  const FileProperties figures = WorkOutFileProperties(c.format, c.workingBytes);
  EXPECT_EQ(figures.totalSamples, c.samples);
  EXPECT_EQ(figures.totalBytes, c.bytes);
  EXPECT_EQ(figures.milliseconds, c.milliseconds);
}

INSTANTIATE_TEST_SUITE_P(
    FileProperties, FilePropertiesTest,
    testing::Values(
        // Ten minutes of 8-bit mono at 22,050 Hz: 13,230,000 one-byte samples.
        FiguresCase{"Pcm8BitMono22kHz", MakeFormatRecord(WaveFormat{1, 1, 22050, 22050, 1, 8, 0}),
                    600 * kWorkingBytesPerSecond, 13230000, 13230000, 600000},
        // Ten seconds of mono MP3 at 64 kbit/s.
        FiguresCase{"Mp3Mono", BlockCodec(85, 1, 44100, 8000, 1, 0, 1), 10 * kWorkingBytesPerSecond, 441000, 80000,
                    10000},
        // Ten seconds of mono IMA ADPCM: 2,041 frames in each 1,024-byte
        // block, the last of 217 blocks part filled.
        FiguresCase{"ImaAdpcmMono", BlockCodec(17, 1, 44100, 22311, 1024, 4, 2041), 10 * kWorkingBytesPerSecond,
                    441000, 217 * 1024, 10000},
        // Ten seconds of 32-bit float stereo at 48 kHz.
        FiguresCase{"FloatStereo48kHz", MakeFormatRecord(WaveFormat{3, 2, 48000, 384000, 8, 32, 0}),
                    10 * kWorkingBytesPerSecond, 480000, 3840000, 10000},
        // The working format itself: the layer's bytes are the file's.
        FiguresCase{"Pcm16BitStereo44kHz", MakeFormatRecord(WorkingFormat()), 176400 * 3 + 400, 132400, 529600,
                    3002},
        // Under a second the milliseconds are kept as they are.
        FiguresCase{"JustUnderASecond", MakeFormatRecord(WorkingFormat()), 176396, 44099, 176396, 999},
        // A record without a rate or a block size divides by nothing.
        FiguresCase{"EmptyRecord", FormatRecord{}, 17640, 0, 0, 100},
        FiguresCase{"BlockCodecWithoutBlockSize", BlockCodec(17, 1, 44100, 22311, 1024, 4, 0), 176400, 44100,
                    22311, 1000},
        // Four gigabytes of working data neither wrap nor overflow.
        FiguresCase{"LongestSound", MakeFormatRecord(WorkingFormat()), 4294967292ull, 1073741823, 4294967292ull,
                    24347887}),
    [](const testing::TestParamInfo<FiguresCase>& info) { return std::string(info.param.name); });

}  // namespace

// ---- What kind of file it is

namespace {

// The record the converter writes for the first catalogue entry of `tag`.
FormatRecord WrittenRecord(uint16_t tag) {
  for (const CatalogueFormat& format : FormatCatalogue())
    if (format.formatTag == tag) return format.record;
  ADD_FAILURE() << "the converter writes no format " << tag;
  return {};
}

FormatRecord ExtensibleRecord(uint16_t subFormat, uint16_t bits) {
  std::vector<uint8_t> extra(22, 0);
  extra[0] = static_cast<uint8_t>(bits);
  extra[2] = 3;  // front left and right
  extra[6] = static_cast<uint8_t>(subFormat);
  return MakeFormatRecord(WaveFormat{kFormatExtensible, 2, 48000, 48000u * 2 * bits / 8,
                                     static_cast<uint16_t>(2 * bits / 8), bits, 22},
                          extra);
}

struct IdentityCase {
  const char* name;
  std::string path;
  FormatRecord format;
  const char* fileType;
  const char* formatTag;
  const char* bitDepth;
};

class FileIdentityTest : public testing::TestWithParam<IdentityCase> {};

TEST_P(FileIdentityTest, SaysWhatKindOfFileTheSoundCameFrom) {
  const IdentityCase& c = GetParam();
  // Every reader leaves these ids, the layered document's included.
  const FileIdentity identity = DescribeFile(c.path, "RIFF", "WAVE", c.format);
  EXPECT_EQ(identity.fileType, c.fileType);
  EXPECT_EQ(identity.formatTag, c.formatTag);
  EXPECT_EQ(identity.bitDepth, c.bitDepth);
}

INSTANTIATE_TEST_SUITE_P(
    FileProperties, FileIdentityTest,
    testing::Values(
        IdentityCase{"Pcm", "/music/take.wav", WrittenRecord(kFormatPCM), "RIFF, WAVE",
                     "WAVE_FORMAT_PCM (Uncompressed PCM)", "8 bits"},
        IdentityCase{"MsAdpcm", "/music/take.wav", WrittenRecord(kFormatMSADPCM), "RIFF, WAVE",
                     "WAVE_FORMAT_ADPCM (Adapative Differential)", "4 bits"},
        IdentityCase{"Float", "/music/take.wav", WrittenRecord(kFormatIEEEFloat), "RIFF, WAVE",
                     "WAVE_FORMAT_IEEE_FLOAT (Floating Point)", "32 bits"},
        IdentityCase{"ALaw", "/music/take.wav", WrittenRecord(kFormatALaw), "RIFF, WAVE",
                     "WAVE_FORMAT_ALAW (A-Law Compression)", "8 bits"},
        IdentityCase{"MuLaw", "/music/take.wav", WrittenRecord(kFormatMuLaw), "RIFF, WAVE",
                     "WAVE_FORMAT_MULAW (\u00B5-Law Compression)", "8 bits"},
        IdentityCase{"ImaAdpcm", "/music/take.wav", WrittenRecord(kFormatIMAADPCM), "RIFF, WAVE",
                     "WAVE_FORMAT_IMA_ADPCM (Adapative Differential)", "4 bits"},
        // GSM 6.10 and MPEG layer 3 store no sample depth: their records say 0.
        IdentityCase{"Gsm610", "/music/take.wav", WrittenRecord(kFormatGSM610), "RIFF, WAVE",
                     "WAVE_FORMAT_GSM610 (GSM 6.10)", "None (compressed stream)"},
        IdentityCase{"MpegLayer3InAWave", "/music/take.wav", WrittenRecord(kFormatMPEGLayer3), "RIFF, WAVE",
                     "WAVE_FORMAT_MPEGLAYER3", "None (compressed stream)"},
        IdentityCase{"ExtensiblePcm", "/music/take.wav", ExtensibleRecord(kFormatPCM, 24), "RIFF, WAVE",
                     "WAVE_FORMAT_EXTENSIBLE (Uncompressed PCM)", "24 bits"},
        IdentityCase{"ExtensibleFloat", "/music/take.wav", ExtensibleRecord(kFormatIEEEFloat, 32), "RIFF, WAVE",
                     "WAVE_FORMAT_EXTENSIBLE (Floating Point)", "32 bits"},
        IdentityCase{"ExtensibleWithoutItsExtraBytes", "/music/take.wav",
                     MakeFormatRecord(WaveFormat{kFormatExtensible, 2, 44100, 176400, 4, 16, 0}), "RIFF, WAVE",
                     "WAVE_FORMAT_EXTENSIBLE", "16 bits"},
        IdentityCase{"ForeignTag", "/music/take.wav", MakeFormatRecord(WaveFormat{0x0160, 2, 44100, 16000, 2048, 0, 0}),
                     "RIFF, WAVE", "Unknown", "0 bits"},
        // The layered document reader describes the layers with the working
        // format; the file itself is no wave file.
        IdentityCase{"LayeredDocument", "/music/session.tvf", MakeFormatRecord(WorkingFormat()),
                     "TVF, Layered Document", "Layered Document (Uncompressed PCM layers)", "16 bits"},
        IdentityCase{"LayeredDocumentInCapitals", "/music/SESSION.TVF", MakeFormatRecord(WorkingFormat()),
                     "TVF, Layered Document", "Layered Document (Uncompressed PCM layers)", "16 bits"},
        IdentityCase{"DotInAFolderName", "/music/old.tvf/take", MakeFormatRecord(WorkingFormat()), "RIFF, WAVE",
                     "WAVE_FORMAT_PCM (Uncompressed PCM)", "16 bits"}),
    [](const testing::TestParamInfo<IdentityCase>& info) { return std::string(info.param.name); });

TEST(FileIdentityCatalogueTest, EveryFormatTheConverterWritesHasANameAndADepth) {
  for (const CatalogueFormat& format : FormatCatalogue()) {
    SCOPED_TRACE(format.formatName + ", " + format.attributes);
    const FileIdentity identity = DescribeFile("/music/take.wav", "RIFF", "WAVE", format.record);
    EXPECT_NE(identity.formatTag, "Unknown");
    EXPECT_NE(identity.bitDepth, "0 bits");
  }
}

}  // namespace
