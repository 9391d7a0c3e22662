// Raw PCM import: the rate text rules, the format record built from the
// answers, and the file taken whole into one layer.
#include <gtest/gtest.h>

#include "core/model/raw_file.h"
#include "core/model/sound.h"
#include "test_support.h"

namespace {

class Answering : public RawPCMQuestions {
 public:
  explicit Answering(RawPCMAnswers answers, bool ok = true) : m_answers(std::move(answers)), m_ok(ok) {}
  bool Ask(RawPCMAnswers* answers) override {
    *answers = m_answers;
    return m_ok;
  }

 private:
  RawPCMAnswers m_answers;
  bool m_ok;
};

TEST(RawFile, RateTextKeepsOnlyItsDigits) {
  const struct {
    const char* text;
    uint32_t rate;
    bool allowed;
  } cases[] = {{"44,100", 44100, true}, {"44.1k", 441, false},  {"", 0, false},
               {"192,000", 192000, true}, {"2,000", 2000, true}, {"192,001", 192001, false},
               {"1,999", 1999, false},   {"99999999999999999999", UINT32_MAX, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(RawRateFromText(c.text), c.rate) << c.text;
    EXPECT_EQ(IsAllowedRawRate(RawRateFromText(c.text)), c.allowed) << c.text;
  }
}

TEST(RawFile, FormatRecordFollowsTheAnswers) {
  const WaveFormat format = ParseWaveFormat(RawFormatRecord({"48,000", 24, 2}));
  EXPECT_EQ(format.formatTag, kFormatPCM);
  EXPECT_EQ(format.samplesPerSec, 48000u);
  EXPECT_EQ(format.blockAlign, 6);
  EXPECT_EQ(format.avgBytesPerSec, 288000u);
  EXPECT_EQ(format.extraSize, 0);
  // The default answers are the working format.
  EXPECT_EQ(ParseWaveFormat(RawFormatRecord({})), WorkingFormat());
}

TEST(RawFile, WholeFileBecomesOneLayerWithoutItsPartialFrame) {
  test_support::TemporaryFolder folder;
  CSound sound;
  sound.path = folder.File("data.raw");
  test_support::WriteFileBytes(sound.path, "0123456789");  // 10 bytes: two frames of 4 and 2 left over
  Answering defaults{RawPCMAnswers{}};
  ASSERT_EQ(sound.ReadRawFile(defaults), ReadResult::kOk);
  ASSERT_EQ(sound.layers.size(), 1u);
  EXPECT_EQ(sound.layers[0]->length(), 8u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sound.layers[0]->data()), 8), "01234567");
  EXPECT_EQ(sound.riffSize, 10u);
  EXPECT_EQ(sound.formatSize, 18u);
  EXPECT_STREQ(sound.riffId, "RIFF");
}

TEST(RawFile, EmptyFileGivesAnEmptyLayer) {
  test_support::TemporaryFolder folder;
  CSound sound;
  sound.path = folder.File("empty.pcm");
  test_support::WriteFileBytes(sound.path, "");
  Answering defaults{RawPCMAnswers{}};
  ASSERT_EQ(sound.ReadRawFile(defaults), ReadResult::kOk);
  EXPECT_EQ(sound.layers[0]->length(), 0u);
}

TEST(RawFile, CancelAndUnreadableFile) {
  test_support::TemporaryFolder folder;
  CSound sound;
  sound.path = folder.File("x.raw");
  test_support::WriteFileBytes(sound.path, "1234");
  Answering cancel{RawPCMAnswers{}, false};
  EXPECT_EQ(sound.ReadRawFile(cancel), ReadResult::kCancelled);
  EXPECT_TRUE(sound.layers.empty());
  sound.path = folder.File("missing.raw");
  Answering defaults{RawPCMAnswers{}};
  EXPECT_EQ(sound.ReadRawFile(defaults), ReadResult::kCannotOpen);
}

}  // namespace
