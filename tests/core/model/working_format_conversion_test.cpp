// Bringing a freshly read sound to the working format: which layers the
// one-layer step is asked to convert and with which records, what a failed
// or cancelled step leaves, and the step that runs on the calling thread.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/model/working_format_conversion.h"

namespace {

std::unique_ptr<uint8_t[]> Bytes(const std::string& text) {
  auto data = std::make_unique<uint8_t[]>(text.size() + 1);
  std::memcpy(data.get(), text.data(), text.size());
  return data;
}

std::string Text(const uint8_t* data, uint64_t length) {
  return length == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), length);
}

// 8-bit mono at 22,050 Hz: a format every layer must be converted from.
FormatRecord EightBitMono() { return MakeFormatRecord(WaveFormat{kFormatPCM, 1, 22050, 22050, 1, 8, 0}); }

// A step that records what it was given, spoils the records it was handed
// (as a codec completing them may), and answers `answers` in turn.
struct RecordingStep {
  std::vector<ConvertStatus> answers;
  std::vector<std::string> seen;
  std::vector<FormatRecord> sources;

  ConvertStatus operator()(FormatRecord& source, FormatRecord& target, std::unique_ptr<uint8_t[]>* data,
                           uint64_t* length) {
    seen.push_back(Text(data->get(), *length));
    sources.push_back(source);
    EXPECT_EQ(target, MakeFormatRecord(WorkingFormat()));
    source.assign(source.size(), 0xEE);
    target.assign(target.size(), 0xEE);
    const ConvertStatus answer = answers.at(seen.size() - 1);
    if (answer == ConvertStatus::kConverted) {
      *data = Bytes("done");
      *length = 4;
    }
    return answer;
  }
};

TEST(WorkingFormatConversion, WhichLayersAreConvertedAndWhatIsLeft) {
  struct Case {
    const char* name;
    bool workingFormat;                  // the file was in the working format already
    std::vector<std::string> layers;     // each layer's bytes
    std::vector<ConvertStatus> answers;  // the step's answers, in order
    ConvertStatus expected;
    std::vector<std::string> asked;      // what the step was given
    std::vector<std::string> after;      // the layers afterwards ("" for a layer whose samples went)
  };
  const Case cases[] = {
      {"WorkingFormatIsLeftAlone", true, {"abcd"}, {}, ConvertStatus::kConverted, {}, {"abcd"}},
      {"EveryLayerIsConverted",
       false,
       {"one", "two", "three"},
       {ConvertStatus::kConverted, ConvertStatus::kConverted, ConvertStatus::kConverted},
       ConvertStatus::kConverted,
       {"one", "two", "three"},
       {"done", "done", "done"}},
      {"EmptyLayersAreSkipped",
       false,
       {"", "two"},
       {ConvertStatus::kConverted},
       ConvertStatus::kConverted,
       {"two"},
       {"", "done"}},
      {"AFailureStopsAtItsLayer",
       false,
       {"one", "two", "three"},
       {ConvertStatus::kConverted, ConvertStatus::kFailed},
       ConvertStatus::kFailed,
       {"one", "two"},
       {"done", "", "three"}},
      {"ACancelIsPassedOn",
       false,
       {"one", "two"},
       {ConvertStatus::kCancelled},
       ConvertStatus::kCancelled,
       {"one"},
       {"", "two"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Given a sound read from a file in the case's format
    CSound sound;
    sound.fileFormat = c.workingFormat ? MakeFormatRecord(WorkingFormat()) : EightBitMono();
    for (const std::string& bytes : c.layers) sound.AppendLayer("", Bytes(bytes), bytes.size());
    RecordingStep step{c.answers, {}, {}};
    // When its layers are brought to the working format
    const ConvertStatus status = ConvertLayersToWorkingFormat(sound, std::ref(step));
    // Then the step saw the case's layers, each time with the file's own
    // record, and the layers hold what the case says
    EXPECT_EQ(status, c.expected);
    EXPECT_EQ(step.seen, c.asked);
    for (const FormatRecord& source : step.sources) EXPECT_EQ(source, sound.fileFormat);
    ASSERT_EQ(sound.layers.size(), c.after.size());
    for (size_t i = 0; i < c.after.size(); ++i) {
      const CSoundLayer& layer = *sound.layers[i];
      EXPECT_EQ(Text(layer.data(), layer.length()), c.after[i]) << i;
    }
  }
}

TEST(WorkingFormatConversion, OnTheCallingThread) {
  struct Case {
    const char* name;
    FormatRecord source;
    uint64_t length;
    ConvertStatus expected;
  };
  const Case cases[] = {
      // A tenth of a second at half the working rate, mono: twice the frames, stereo.
      {"EightBitMono", EightBitMono(), 2205, ConvertStatus::kConverted},
      {"UnknownCodec", MakeFormatRecord(WaveFormat{0x1234, 2, 44100, 176400, 4, 16, 0}), 64, ConvertStatus::kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FormatRecord source = c.source;
    FormatRecord target = MakeFormatRecord(WorkingFormat());
    auto data = std::make_unique<uint8_t[]>(c.length);
    std::memset(data.get(), 0x90, c.length);
    uint64_t length = c.length;
    EXPECT_EQ(ConvertOnCallingThread(source, target, &data, &length), c.expected);
    if (c.expected == ConvertStatus::kConverted) {
      EXPECT_NEAR(static_cast<double>(length), 2205.0 * 2 * kWorkingBlockAlign, 64.0);
      EXPECT_EQ(length % kWorkingBlockAlign, 0u);
    }
  }
}

}  // namespace
