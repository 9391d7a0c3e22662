// The document service: opening by extension with every layer converted,
// saving that reports why it failed and leaves the document modified, the
// name Save As proposes, the ten-layer limit, and the layer generation that
// tells cached facts about a layer's samples to go stale.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <thread>

#include "core/model/raw_file.h"
#include "core/model/sound_document.h"
#include "test_support.h"

namespace {

using test_support::Chunk;
using test_support::LE16;
using test_support::LE32;

// Counts polls and answers Cancel from the given poll on (0: never).
class CountingProgress : public ProgressReport {
 public:
  explicit CountingProgress(int cancelAt = 0) : m_cancelAt(cancelAt) {}
  bool Poll(int) override {
    ++polls;
    if (std::this_thread::get_id() != m_thread) offThread = true;
    return m_cancelAt == 0 || polls < m_cancelAt;
  }
  int polls = 0;
  bool offThread = false;

 private:
  int m_cancelAt;
  std::thread::id m_thread = std::this_thread::get_id();
};

class NoRawQuestions : public RawPCMQuestions {
 public:
  bool Ask(RawPCMAnswers*) override { return false; }
};

std::string Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  return LE16(tag) + LE16(channels) + LE32(rate) + LE32(rate * align) + LE16(align) + LE16(bits);
}

// A wave file with one data chunk per entry of `chunks`.
std::string WaveFile(const std::string& fmt, const std::vector<std::string>& chunks) {
  std::string body = "WAVE" + Chunk("fmt ", fmt);
  for (const std::string& data : chunks) body += Chunk("data", data);
  return Chunk("RIFF", body);
}

TEST(SoundDocumentOpen, WorkingFormatWaveNeedsNoConversion) {
  // Given a wave file in the working format, named in upper case
  test_support::TemporaryFolder folder;
  test_support::WriteFileBytes(folder.File("a.WAV"), WaveFile(Fmt(1, 2, 44100, 16), {std::string(400, '\x01')}));
  SoundDocument document(DefaultSettings());
  CountingProgress progress;
  NoRawQuestions raw;
  // When it is opened
  const OpenResult result = document.Open(folder.File("a.WAV"), raw, progress);
  // Then it is read as a wave file, with no conversion to wait for
  ASSERT_TRUE(result.ok());
  ASSERT_EQ(document.sound().layers.size(), 1u);
  EXPECT_EQ(document.sound().layers[0]->length(), 400u);
  EXPECT_EQ(progress.polls, 0);
  EXPECT_FALSE(document.IsModified());
}

TEST(SoundDocumentOpen, EveryLayerIsConverted) {
  // Given an 8-bit mono file at 22,050 Hz with two data chunks
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("two.wav");
  test_support::WriteFileBytes(path, WaveFile(Fmt(1, 1, 22050, 8), {std::string(2205, '\x90'), std::string(441, '\x70')}));
  SoundDocument document(DefaultSettings());
  CountingProgress progress;
  NoRawQuestions raw;
  // When it is opened
  ASSERT_TRUE(document.Open(path, raw, progress).ok());
  // Then both layers hold working-format samples at twice the rate, stereo
  ASSERT_EQ(document.sound().layers.size(), 2u);
  EXPECT_NEAR(static_cast<double>(document.sound().layers[0]->length()), 2205.0 * 2 * 4, 64.0);
  EXPECT_NEAR(static_cast<double>(document.sound().layers[1]->length()), 441.0 * 2 * 4, 64.0);
  EXPECT_EQ(document.sound().layers[1]->length() % 4, 0u);
  EXPECT_FALSE(progress.offThread);
}

TEST(SoundDocumentOpen, DataChunksBeyondTheTenthFollowOnInTheLastLayer) {
  // Given a wave file of twelve data chunks, the n-th one 4 × n bytes of n
  test_support::TemporaryFolder folder;
  std::vector<std::string> chunks;
  for (int n = 1; n <= 12; ++n) chunks.push_back(std::string(static_cast<size_t>(4 * n), static_cast<char>(n)));
  test_support::WriteFileBytes(folder.File("many.wav"), WaveFile(Fmt(1, 2, 44100, 16), chunks));
  SoundDocument document(DefaultSettings());
  SilentProgress silent;
  NoRawQuestions raw;
  // When it is opened
  ASSERT_TRUE(document.Open(folder.File("many.wav"), raw, silent).ok());
  // Then it has ten layers, and the last holds chunks ten to twelve in order
  ASSERT_EQ(document.sound().layers.size(), CSound::kMaximumLayers);
  const CSoundLayer& last = *document.sound().layers.back();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(last.data()), last.length()),
            chunks[9] + chunks[10] + chunks[11]);
}

TEST(SoundDocumentOpen, OutcomesOfFailedOpens) {
  test_support::TemporaryFolder folder;
  // A wave file whose data no codec decodes (format tag 0x1234).
  test_support::WriteFileBytes(folder.File("odd.wav"), WaveFile(Fmt(0x1234, 2, 44100, 16), {std::string(64, 'x')}));
  test_support::WriteFileBytes(folder.File("slow.wav"), WaveFile(Fmt(1, 1, 8000, 8), {std::string(8000, 'x')}));
  test_support::WriteFileBytes(folder.File("junk.tvf"), "not a document");
  test_support::WriteFileBytes(folder.File("take.raw"), std::string(100, 'x'));
  struct Case {
    const char* file;
    int cancelAt;
    OpenStatus expected;
  };
  const Case cases[] = {
      {"odd.wav", 0, OpenStatus::kNotProperWave},
      {"slow.wav", 1, OpenStatus::kCancelled},
      {"junk.tvf", 0, OpenStatus::kReadFailed},
      {"take.raw", 0, OpenStatus::kCancelled},
      {"missing.wav", 0, OpenStatus::kReadFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    SoundDocument document(DefaultSettings());
    CountingProgress progress(c.cancelAt);
    NoRawQuestions raw;
    EXPECT_EQ(document.Open(folder.File(c.file), raw, progress).status, c.expected);
  }
}

class SoundDocumentSave : public ::testing::Test {
 protected:
  SoundDocumentSave() {
    GeneratorParameters tone;
    tone.length = 4410;
    SilentProgress silent;
    EXPECT_TRUE(m_document.New(tone, silent));
    m_document.SetModifiedFlag(true);
  }
  SaveResult Save(const std::string& name, const SoundDocument::FormatChooser& chooser = {}) {
    SilentProgress silent;
    return m_document.Save(m_folder.File(name), chooser, silent);
  }

  test_support::TemporaryFolder m_folder;
  SettingsRecord m_settings;
  SoundDocument m_document{m_settings};
};

TEST_F(SoundDocumentSave, SavedDocumentsAreNoLongerModified) {
  for (const char* name : {"a.wav", "b.TVF"}) {
    SCOPED_TRACE(name);
    m_document.SetModifiedFlag(true);
    EXPECT_TRUE(Save(name).ok());
    EXPECT_FALSE(m_document.IsModified());
  }
}

TEST_F(SoundDocumentSave, AWaveFileThatFlattensLayersKeepsTheDocumentModified) {
  struct Case {
    const char* name;
    bool secondLayer;
    double nodeLevel;  // the first layer's one node
    bool envelopeOn;
    bool flattened;
  };
  const Case cases[] = {
      {"one_layer_level_envelope", false, 1.0, true, false},
      {"two_layers", true, 1.0, true, true},
      {"a_shaped_envelope", false, 0.0, true, true},
      {"a_shaped_envelope_turned_off", false, 0.0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Given a sound with what the case says
    SoundDocument document(m_settings);
    GeneratorParameters tone;
    tone.length = 4410;
    SilentProgress silent;
    ASSERT_TRUE(document.New(tone, silent));
    if (c.secondLayer) {
      ASSERT_TRUE(document.sound().AddGeneratedLayer(tone));
    }
    CSoundLayer& first = *document.sound().layers.front();
    first.nodes = {{c.nodeLevel, 0}};
    first.envelopeOn = c.envelopeOn ? 1 : 0;
    document.SetModifiedFlag(false);
    // When it is saved as a wave file
    const SaveResult wave = document.Save(m_folder.File(std::string(c.name) + ".wav"), SaveChoices{}, silent);
    // Then the save succeeds, and says whether the file lost what only a layered document keeps
    ASSERT_TRUE(wave.ok());
    EXPECT_EQ(wave.flattened, c.flattened);
    EXPECT_EQ(document.IsModified(), c.flattened);
    // And a layered document keeps everything
    const SaveResult layered = document.Save(m_folder.File(std::string(c.name) + ".tvf"), SaveChoices{}, silent);
    ASSERT_TRUE(layered.ok());
    EXPECT_FALSE(layered.flattened);
    EXPECT_FALSE(document.IsModified());
  }
}

TEST_F(SoundDocumentSave, AFailedSaveSaysWhyAndKeepsTheDocumentModified) {
  // A folder stands where the file should go.
  ASSERT_EQ(mkdir(m_folder.File("folder.wav").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(m_folder.File("folder.tvf").c_str(), 0755), 0);
  for (const char* name : {"folder.wav", "folder.tvf", "missing/x.wav"}) {
    SCOPED_TRACE(name);
    const SaveResult result = Save(name);
    EXPECT_EQ(result.status, SaveStatus::kWriteFailed);
    EXPECT_NE(result.systemError, 0);
    EXPECT_TRUE(m_document.IsModified());
  }
  EXPECT_EQ(Save("take.w64").status, SaveStatus::kNotSavable);
  EXPECT_TRUE(m_document.IsModified());
}

TEST_F(SoundDocumentSave, CancelledFormatChoiceWritesNothing) {
  m_settings.quickSaveAsWave = 0;
  const SaveResult result = Save("x.wav", [](FormatRecord*) { return false; });
  EXPECT_EQ(result.status, SaveStatus::kCancelled);
  EXPECT_FALSE(std::filesystem::exists(m_folder.File("x.wav")));
  EXPECT_TRUE(m_document.IsModified());
}

TEST(SoundDocumentNames, SaveAsProposesANameItCanSave) {
  struct Case {
    const char* path;
    const char* title;
    const char* proposed;
  };
  const Case cases[] = {
      {"/music/take.mp3", "take.mp3", "take.mp3"},
      {"/music/a.flac", "a.flac", "a.flac"},
      {"/music/b.Opus", "b.Opus", "b.Opus"},
      {"/music/c.aif", "c.aif", "c.aif"},
      {"/music/take.w64", "take.w64", "take.wav"},
      {"/music/take.caf", "take.caf", "take.wav"},
      {"/music/take.wma", "take.wma", "take.wav"},
      {"/music/take.raw", "take.raw", "take.wav"},
      {"/music/noise", "noise", "noise.wav"},
      {"/music/song.WAV", "song.WAV", "song.WAV"},
      {"/music/mix.tvf", "mix.tvf", "mix.tvf"},
      {"/music/.hidden", ".hidden", ".hidden.wav"},
      {"", "Untitled", "Untitled.wav"},
      {"", "name:with*stars", "name.wav"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(SoundDocument::ProposedSaveName(c.path, c.title), c.proposed);
  }
}

TEST(SoundDocumentObserver, ToldOfEveryChangeOfTheModifiedFlag) {
  struct Recorder : SoundDocumentObserver {
    std::vector<bool> seen;
    void ModifiedChanged(bool modified) override { seen.push_back(modified); }
  } recorder;
  SoundDocument document(DefaultSettings());
  document.SetObserver(&recorder);
  document.SetModifiedFlag(true);
  document.SetModifiedFlag(true);
  document.SetModifiedFlag(false);
  EXPECT_EQ(recorder.seen, (std::vector<bool>{true, false}));
}

TEST(SoundDocumentObserver, ToldOfEveryChangeAlsoWhileModified) {
  // Whoever keeps a copy of the unsaved state must hear of the second edit
  // too, though the flag was set by the first.
  struct Recorder : SoundDocumentObserver {
    int changes = 0;
    void ModifiedChanged(bool) override {}
    void ContentChanged() override { ++changes; }
  } recorder;
  SoundDocument document(DefaultSettings());
  SilentProgress silent;
  ASSERT_TRUE(document.New(GeneratorParameters{}, silent));
  document.SetObserver(&recorder);
  document.SetModifiedFlag(true);
  document.SetModifiedFlag(true);
  document.SetModifiedFlag(true);
  EXPECT_EQ(recorder.changes, 3);
  // A save clears the flag: no change.
  document.SetModifiedFlag(false);
  EXPECT_EQ(recorder.changes, 3);
}

TEST(SoundLayerGeneration, EveryChangeOfTheSamplesGivesANewOne) {
  CSoundLayer layer(0, "", std::make_unique<uint8_t[]>(8), 8);
  CSoundLayer other(0, "", std::make_unique<uint8_t[]>(8), 8);
  EXPECT_NE(layer.generation(), other.generation());
  uint64_t last = layer.generation();
  auto next = [&] {
    const bool changed = layer.generation() != last;
    last = layer.generation();
    return changed;
  };
  layer.SetData(std::make_unique<uint8_t[]>(4), 4);
  EXPECT_TRUE(next());
  layer.MarkDataChanged();
  EXPECT_TRUE(next());
  std::unique_ptr<uint8_t[]> taken = layer.TakeData();
  EXPECT_TRUE(next());
  // A new block at the very address the old one had still counts as new.
  layer.SetData(std::move(taken), 4);
  EXPECT_TRUE(next());
  layer.offset = 100;
  layer.AddNode(0);
  EXPECT_FALSE(next());
}

}  // namespace
