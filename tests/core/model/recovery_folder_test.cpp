// The recovery folder: its index text, the copy of a sound written off the
// editing thread, and the folder after stores, removals, crashes at any step
// and damage.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include <unistd.h>
#include <algorithm>

#include "core/model/atomic_file_writer.h"
#include "core/model/recovery_folder.h"
#include "core/model/recovery_index.h"
#include "core/model/sound.h"
#include "core/model/sound_snapshot.h"
#include "test_support.h"

namespace {

using test_support::ReadFileBytes;
using test_support::TemporaryFolder;
using test_support::WriteFileBytes;

// A sound of two layers with everything a layered document keeps set to
// something other than its default.
std::unique_ptr<CSound> MakeSound(int16_t firstSample = 1000) {
  auto sound = std::make_unique<CSound>();
  auto block = [](uint64_t length, int16_t first) {
    auto data = std::make_unique<uint8_t[]>(length);
    for (uint64_t i = 0; i < length / 2; ++i) reinterpret_cast<int16_t*>(data.get())[i] = static_cast<int16_t>(first + i);
    return data;
  };
  CSoundLayer& first = sound->AppendLayer("Voice", block(4000, firstSample), 4000);
  first.nodes = {{-0.5, 0}, {0.25, 2000}, {1.0, 4000}};
  first.envelopeColor = MakeColorValue(1, 2, 3);
  CSoundLayer& second = sound->AppendLayer("x", block(400, -7), 400);
  second.name.clear();  // an empty name stays empty
  second.offset = 1200;
  second.envelopeOn = 0;
  second.waveColor = MakeColorValue(9, 8, 7);
  sound->tags[kTagTitle] = "A title";
  sound->tags[kTagArtist] = "Someone";
  return sound;
}

void ExpectSameDocument(const CSound& expected, const CSound& actual) {
  ASSERT_EQ(actual.layers.size(), expected.layers.size());
  for (size_t i = 0; i < expected.layers.size(); ++i) {
    const CSoundLayer& e = *expected.layers[i];
    const CSoundLayer& a = *actual.layers[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(a.name, e.name);
    EXPECT_EQ(a.offset, e.offset);
    EXPECT_EQ(a.envelopeOn, e.envelopeOn);
    EXPECT_EQ(a.waveColor, e.waveColor);
    EXPECT_EQ(a.envelopeColor, e.envelopeColor);
    ASSERT_EQ(a.length(), e.length());
    EXPECT_EQ(std::memcmp(a.data(), e.data(), e.length()), 0);
    ASSERT_EQ(a.nodes.size(), e.nodes.size());
    for (size_t k = 0; k < e.nodes.size(); ++k) {
      EXPECT_EQ(a.nodes[k].level, e.nodes[k].level);
      EXPECT_EQ(a.nodes[k].position, e.nodes[k].position);
    }
  }
  EXPECT_EQ(actual.tags, expected.tags);
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool Store(RecoveryFolder& folder, const RecoveryEntry& entry, const CSound& sound) {
  auto snapshot = SoundSnapshot::Take(sound);
  return snapshot != nullptr && folder.Store(entry, *snapshot);
}

// ---------------------------------------------------------------------------
// The index text

TEST(RecoveryIndex, KeepsEveryByteOfPathsAndTitles) {
  const std::vector<RecoveryEntry> entries = {
      {"document-1.tvf", "/home/u/My Sounds/take\t1%20\n.wav", "take\t1%20\n.wav", 1765400000},
      {"document-2.tvf", "", "Untitled", 0},
      {"b_3.tvf", "/tmp/\xC3\xA9t\xC3\xA9 \x7F\x01.mp3", "\xC3\xA9t\xC3\xA9 \x7F\x01.mp3", -5},
  };
  const std::string text = RecoveryIndex::Format(entries);
  // One line per entry after the header: nothing in a field breaks a line
  // or adds a field.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 9);
  std::vector<RecoveryEntry> read;
  size_t damaged = 99;
  ASSERT_TRUE(RecoveryIndex::Parse(text, &read, &damaged));
  EXPECT_EQ(damaged, 0u);
  EXPECT_EQ(read, entries);
}

TEST(RecoveryIndex, LeavesOutLinesItCannotRead) {
  const std::string header = "TVF recovery index 1\n";
  const std::string good = "document-1.tvf\t17\t/a.wav\ta.wav\n";
  struct Case {
    const char* name;
    std::string line;
  } cases[] = {
      {"too few fields", "document-2.tvf\t17\t/b.wav\n"},
      {"too many fields", "document-2.tvf\t17\t/b.wav\tb.wav\tx\n"},
      {"time not a number", "document-2.tvf\tsoon\t/b.wav\tb.wav\n"},
      {"bad escape", "document-2.tvf\t17\t/b%G1.wav\tb.wav\n"},
      {"escape cut short", "document-2.tvf\t17\t/b.wav\tb%4\n"},
      {"file outside the folder", "../../home/u/keep.tvf\t17\t/b.wav\tb.wav\n"},
      {"file not a document", "index\t17\t/b.wav\tb.wav\n"},
      {"last line cut short", "document-2.tvf\t17\t/b.wav\tb.w"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<RecoveryEntry> read;
    size_t damaged = 0;
    ASSERT_TRUE(RecoveryIndex::Parse(header + good + c.line, &read, &damaged));
    EXPECT_EQ(damaged, 1u);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].file, "document-1.tvf");
  }
  std::vector<RecoveryEntry> read;
  EXPECT_FALSE(RecoveryIndex::Parse("TVF recovery index 2\n" + good, &read));
  EXPECT_FALSE(RecoveryIndex::Parse(std::string("\0\0\0\0", 4), &read));
  EXPECT_TRUE(read.empty());
}

TEST(RecoveryIndex, EntryFileNamesStayInTheFolder) {
  for (const char* name : {"document-5f1-2a-1.tvf", "A_b-9.tvf"}) EXPECT_TRUE(RecoveryIndex::IsEntryFileName(name)) << name;
  for (const char* name : {".tvf", "a.wav", "../a.tvf", "a/b.tvf", "/a.tvf", "a .tvf", "a.tvf.x", "index", ""})
    EXPECT_FALSE(RecoveryIndex::IsEntryFileName(name)) << name;
}

// ---------------------------------------------------------------------------
// The copy of a sound

TEST(SoundSnapshot, WritesTheSoundAsItWasWhenTaken) {
  TemporaryFolder folder;
  auto sound = MakeSound();
  auto expected = MakeSound();
  auto snapshot = SoundSnapshot::Take(*sound);
  ASSERT_NE(snapshot, nullptr);
  EXPECT_EQ(snapshot->sampleBytes(), 4400u);
  // Given the sound changes and then goes away after the copy was taken,
  // when the copy is written, then the file holds the sound as it was.
  sound->layers[0]->samples()[0] = -1;
  sound->layers[0]->nodes.clear();
  sound->layers.pop_back();
  sound->tags[kTagTitle] = "changed";
  sound.reset();
  ASSERT_EQ(snapshot->Write(folder.File("copy.tvf")), WriteResult::kOk);
  CSound read;
  ASSERT_EQ(read.ReadDocumentFile(folder.File("copy.tvf")), ReadResult::kOk);
  ExpectSameDocument(*expected, read);
}

TEST(SoundSnapshot, FillsBlocksPreparedForAnotherStateOfTheSound) {
  TemporaryFolder folder;
  auto sound = MakeSound();
  // Blocks prepared before the sound changed: the first fits, the second is
  // too long, and there is one more than the sound now has; or too few.
  const std::vector<std::vector<uint64_t>> preparedLengths = {{4000, 999, 12}, {4000}, {}, {4000, 400}};
  for (const auto& lengths : preparedLengths) {
    SCOPED_TRACE(lengths.size());
    auto snapshot = SoundSnapshot::Prepare(lengths);
    ASSERT_NE(snapshot, nullptr);
    ASSERT_TRUE(snapshot->Fill(*sound));
    EXPECT_EQ(snapshot->sampleBytes(), 4400u);
    ASSERT_EQ(snapshot->Write(folder.File("filled.tvf")), WriteResult::kOk);
    CSound read;
    ASSERT_EQ(read.ReadDocumentFile(folder.File("filled.tvf")), ReadResult::kOk);
    ExpectSameDocument(*sound, read);
  }
  EXPECT_EQ(SoundSnapshot::LayerLengths(*sound), (std::vector<uint64_t>{4000, 400}));
}

// ---------------------------------------------------------------------------
// The folder

TEST(RecoveryFolder, StoresListsAndRemovesDocuments) {
  TemporaryFolder home;
  const std::string path = (home.path() / "data" / "recovery").string();
  auto sound = MakeSound();
  RecoveryEntry first{"", "/music/take.wav", "take.wav", 1765400000};
  RecoveryEntry second{"", "", "Untitled", 1765400100};
  {
    RecoveryFolder folder;
    ASSERT_TRUE(folder.Open(path));
    EXPECT_TRUE(folder.Entries().empty());
    first.file = folder.NewEntryFile();
    second.file = folder.NewEntryFile();
    EXPECT_NE(first.file, second.file);
    ASSERT_TRUE(Store(folder, first, *sound));
    ASSERT_TRUE(Store(folder, second, *MakeSound(-3000)));
    // A newer state of the same document replaces the older one.
    first.time += 30;
    sound->layers[0]->samples()[5] = 12345;
    ASSERT_TRUE(Store(folder, first, *sound));
    EXPECT_EQ(folder.Entries(), (std::vector<RecoveryEntry>{first, second}));
  }
  // The folder is private: it holds the user's unsaved work.
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all, std::filesystem::perms::owner_all);

  RecoveryFolder folder;
  ASSERT_TRUE(folder.Open(path));
  EXPECT_EQ(folder.damagedLines(), 0u);
  ASSERT_EQ(folder.Entries(), (std::vector<RecoveryEntry>{first, second}));
  CSound read;
  ASSERT_EQ(folder.Load(first.file, read), ReadResult::kOk);
  ExpectSameDocument(*sound, read);

  EXPECT_TRUE(folder.Remove(first.file));
  EXPECT_EQ(folder.Entries(), (std::vector<RecoveryEntry>{second}));
  EXPECT_EQ(FolderNames(path), (std::vector<std::string>{second.file, "index"}));
  EXPECT_TRUE(folder.Remove(second.file));
  EXPECT_TRUE(folder.Remove(second.file));  // gone already: nothing to do
  // Nothing left to recover: nothing left in the folder, not even the index.
  EXPECT_TRUE(FolderNames(path).empty());
}

TEST(RecoveryFolder, BelongsToOneRunningProgramAtATime) {
  TemporaryFolder home;
  RecoveryFolder owner;
  ASSERT_TRUE(owner.Open(home.File("recovery")));
  ASSERT_TRUE(Store(owner, {owner.NewEntryFile(), "", "Untitled", 1}, *MakeSound()));
  RecoveryFolder second;
  EXPECT_FALSE(second.Open(home.File("recovery")));
  EXPECT_EQ(second.error(), EWOULDBLOCK);
  EXPECT_FALSE(second.isOpen());
  EXPECT_FALSE(second.Remove(owner.Entries().front().file));
  EXPECT_EQ(owner.Entries().size(), 1u);
}

TEST(RecoveryFolder, OffersWhatACrashAtAnyStepLeft) {
  TemporaryFolder home;
  const std::string path = home.File("recovery");
  const RecoveryEntry listed{"document-a.tvf", "/m/a.wav", "a.wav", 100};
  {
    RecoveryFolder folder;
    ASSERT_TRUE(folder.Open(path));
    ASSERT_TRUE(Store(folder, listed, *MakeSound()));
  }
  // A crash after the document file of a first store and before the index
  // named it; one after a document file was deleted and before the index
  // forgot it; and writes killed midway.
  ASSERT_TRUE(MakeSound(-5)->WriteDocumentFile(path + "/document-b.tvf") == WriteResult::kOk);
  WriteFileBytes(path + "/index", ReadFileBytes(path + "/index") + "document-gone.tvf\t101\t/m/g.wav\tg.wav\n");
  WriteFileBytes(path + "/document-a.tvf.Ab12Cd", "TVF half");
  WriteFileBytes(path + "/index.x9Y8z7", "TVF recovery");
  WriteFileBytes(path + "/notes.txt", "the user's own");

  RecoveryFolder folder;
  ASSERT_TRUE(folder.Open(path));
  const std::vector<RecoveryEntry> entries = folder.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], listed);
  EXPECT_EQ(entries[1].file, "document-b.tvf");
  EXPECT_EQ(entries[1].originalPath, "");  // offered as untitled
  EXPECT_GT(entries[1].time, 0);
  EXPECT_EQ(FolderNames(path), (std::vector<std::string>{"document-a.tvf", "document-b.tvf", "index", "notes.txt"}));
  // The index now says what the folder holds.
  std::vector<RecoveryEntry> indexed;
  ASSERT_TRUE(RecoveryIndex::Parse(ReadFileBytes(path + "/index"), &indexed));
  EXPECT_EQ(indexed, entries);
}

TEST(RecoveryFolder, SurvivesADamagedIndexAndDamagedDocuments) {
  TemporaryFolder home;
  const std::string path = home.File("recovery");
  std::filesystem::create_directories(path);
  ASSERT_EQ(MakeSound()->WriteDocumentFile(path + "/document-a.tvf"), WriteResult::kOk);
  const std::string whole = ReadFileBytes(path + "/document-a.tvf");
  WriteFileBytes(path + "/document-cut.tvf", whole.substr(0, whole.size() / 2));
  WriteFileBytes(path + "/document-junk.tvf", "RIFF\x10\0\0\0WAVE");
  WriteFileBytes(path + "/index", std::string("\x89PNG\r\n\x1a\n garbage \0\xff", 20));

  RecoveryFolder folder;
  ASSERT_TRUE(folder.Open(path));
  EXPECT_EQ(folder.damagedLines(), 1u);
  // Every document is still offered, by its file.
  ASSERT_EQ(folder.Entries().size(), 3u);
  CSound sound;
  EXPECT_EQ(folder.Load("document-a.tvf", sound), ReadResult::kOk);
  EXPECT_EQ(folder.Load("document-cut.tvf", sound), ReadResult::kBadDocument);
  EXPECT_TRUE(sound.layers.empty());
  EXPECT_EQ(folder.Load("document-junk.tvf", sound), ReadResult::kBadDocument);
  EXPECT_NE(folder.Load("../index", sound), ReadResult::kOk);
  EXPECT_TRUE(folder.Remove("document-cut.tvf"));
  EXPECT_EQ(folder.Entries().size(), 2u);
}

TEST(RecoveryFolder, AFailedStoreKeepsTheOlderState) {
  TemporaryFolder home;
  const std::string path = home.File("recovery");
  RecoveryFolder folder;
  ASSERT_TRUE(folder.Open(path));
  const RecoveryEntry entry{"document-a.tvf", "/m/a.wav", "a.wav", 100};
  auto older = MakeSound(100);
  ASSERT_TRUE(Store(folder, entry, *older));
  // Every write fails, as on a full disk.
  static const FileSystemCalls kFullDisk{
      [](int, const void*, size_t) -> ssize_t { errno = ENOSPC; return -1; }, ::fsync, ::close, ::rename};
  const FileSystemCalls* real = AtomicFileWriter::UseSystemCalls(&kFullDisk);
  RecoveryEntry newer = entry;
  newer.time = 200;
  const bool stored = Store(folder, newer, *MakeSound(200));
  AtomicFileWriter::UseSystemCalls(real);
  EXPECT_FALSE(stored);
  EXPECT_EQ(folder.Entries(), (std::vector<RecoveryEntry>{entry}));
  EXPECT_EQ(FolderNames(path), (std::vector<std::string>{"document-a.tvf", "index"}));
  CSound read;
  ASSERT_EQ(folder.Load(entry.file, read), ReadResult::kOk);
  ExpectSameDocument(*older, read);
}

TEST(RecoveryFolder, StoresFromAWorkerWhileTheOwnerReads) {
  TemporaryFolder home;
  RecoveryFolder folder;
  ASSERT_TRUE(folder.Open(home.File("recovery")));
  const std::string file = folder.NewEntryFile();
  auto sound = MakeSound();
  std::thread worker([&] {
    for (int i = 0; i < 20; ++i) {
      auto snapshot = SoundSnapshot::Take(*MakeSound(static_cast<int16_t>(i)));
      ASSERT_TRUE(folder.Store({file, "", "Untitled", i}, *snapshot));
    }
  });
  for (int i = 0; i < 200; ++i) {
    const auto entries = folder.Entries();
    ASSERT_LE(entries.size(), 1u);
    if (!entries.empty()) {
      EXPECT_EQ(entries[0].file, file);
    }
  }
  worker.join();
  ASSERT_EQ(folder.Entries().size(), 1u);
  EXPECT_EQ(folder.Entries()[0].time, 19);
}

}  // namespace
