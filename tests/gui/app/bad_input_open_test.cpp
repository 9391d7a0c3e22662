// Damaged and hostile files through the program's own open flow, as a user
// meets them from File > Open: each row is a file (cut short at a chunk
// boundary, with zero or absurd sizes, impossible formats, garbage, or not a
// file at all) and the message the user gets. Nothing may crash or hang,
// and no single allocation may be far larger than the file can back.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>

#include "core/model/sound.h"
#include "gui/app/main_frame.h"
#include "gui/app/wavedesk_app.h"
#include "test_app.h"
#include "test_support.h"

// The largest single allocation made through operator new while counting.
namespace {
std::atomic<bool> g_counting{false};
std::atomic<size_t> g_largest{0};

void* Allocate(size_t size) {
  if (g_counting.load(std::memory_order_relaxed)) {
    size_t seen = g_largest.load(std::memory_order_relaxed);
    while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
    }
  }
  return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

void* operator new(size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using test_support::Chunk;
using test_support::LE16;
using test_support::LE32;

std::string Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits) {
  return LE16(tag) + LE16(channels) + LE32(rate) + LE32(rate * align) + LE16(align) + LE16(bits);
}
std::string Riff(const std::string& body) { return "RIFF" + LE32(static_cast<uint32_t>(4 + body.size())) + "WAVE" + body; }
std::string Samples(size_t bytes) {
  std::string data(bytes, '\0');
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>(std::lround(60 * std::sin(i * 0.05)));
  return data;
}
// A good wave file: fmt, 4000 bytes of 16-bit stereo, a LIST of tags.
const std::string kFmt = Chunk("fmt ", Fmt(1, 2, 44100, 4, 16));
const std::string kData = Chunk("data", Samples(4000));
const std::string kList = Chunk("LIST", "INFO" + Chunk("INAM", std::string("name\0", 5)));
const std::string kGoodWave = Riff(kFmt + kData + kList);

std::string LayerChunk(const std::string& data, uint32_t nodeCount = 0) {
  return "LAYR" + std::string("\x01", 1) + LE32(0) + std::string("\x01", 1) + "\x66\x99\xFF" + std::string(1, '\0') +
         "\x7B\x93\xB7" + std::string(1, '\0') + LE32(0) + LE32(static_cast<uint32_t>(data.size())) + LE32(0) + data +
         "NODS" + LE32(nodeCount);
}
std::string NodeRecord(double level, int64_t position) {
  std::string record(16, '\0');
  std::memcpy(record.data(), &level, 8);
  std::memcpy(record.data() + 8, &position, 8);
  return record;
}
std::string Tags() {
  std::string tags;
  for (int i = 0; i < kTagCount; ++i) tags += LE32(7) + "(empty)";
  return tags;
}
std::string Document(uint32_t count, const std::string& layers) { return "TVF " + LE32(count) + layers + Tags(); }
std::string Layers(int count) {
  std::string layers;
  for (int i = 0; i < count; ++i) layers += LayerChunk(Samples(40));
  return layers;
}

// The 16-bit little-endian field at `offset` of `bytes` replaced.
std::string Patch16(std::string bytes, size_t offset, uint16_t value) {
  bytes.replace(offset, 2, LE16(value));
  return bytes;
}
std::string Patch32(std::string bytes, size_t offset, uint32_t value) {
  bytes.replace(offset, 4, LE32(value));
  return bytes;
}
// Offsets in kGoodWave: the fmt chunk's header at 12, its fields from 20,
// the data chunk's header at 36, its samples from 44, the LIST at 4044.
constexpr size_t kFmtSize = 16, kChannels = 22, kRate = 24, kAlign = 32, kBits = 34, kDataSize = 40,
                 kListSize = 4048;

enum class Expect { kOpens, kOpensWithNotice, kRefused };

struct Case {
  const char* name;      // the file's name; its extension picks the reader
  std::string bytes;     // the file's contents (unused by the special kinds)
  Expect expect;
  const char* message;   // part of the message the user gets ("" with kOpens)
  enum Kind { kFile, kFolder, kUnreadable, kFifo, kMissing, kDevice } kind = kFile;
};

std::vector<Case> Cases() {
  std::vector<Case> cases = {
      // Wave files cut short at every chunk boundary, and inside chunks.
      {"empty.wav", "", Expect::kRefused, "not a wave file"},
      {"riff-id-only.wav", kGoodWave.substr(0, 4), Expect::kRefused, "not a wave file"},
      {"riff-header-only.wav", kGoodWave.substr(0, 8), Expect::kRefused, "not a wave file"},
      {"wave-id-only.wav", kGoodWave.substr(0, 12), Expect::kRefused, "not a wave file"},
      {"fmt-header-only.wav", kGoodWave.substr(0, 20), Expect::kRefused, "not a wave file"},
      {"fmt-half.wav", kGoodWave.substr(0, 28), Expect::kRefused, "not a wave file"},
      {"fmt-without-data.wav", kGoodWave.substr(0, 36), Expect::kRefused, "not a wave file"},
      {"data-header-only.wav", kGoodWave.substr(0, 44), Expect::kOpens, ""},
      {"data-half.wav", kGoodWave.substr(0, 2044), Expect::kOpens, ""},
      {"list-cut.wav", kGoodWave.substr(0, kListSize + 6), Expect::kOpens, ""},
      // Zero and absurd sizes.
      {"riff-size-zero.wav", Patch32(kGoodWave, 4, 0), Expect::kOpens, ""},
      {"riff-size-huge.wav", Patch32(kGoodWave, 4, 0xFFFFFFFF), Expect::kOpens, ""},
      {"fmt-size-zero.wav", Patch32(kGoodWave, kFmtSize, 0), Expect::kRefused, "This was not a proper wav file"},
      {"fmt-size-huge.wav", Patch32(kGoodWave, kFmtSize, 0xFFFFFFF0), Expect::kRefused, "not a wave file"},
      {"data-size-zero.wav", Patch32(kGoodWave, kDataSize, 0), Expect::kOpens, ""},
      {"data-size-huge.wav", Patch32(kGoodWave, kDataSize, 0xFFFFFFF0), Expect::kOpens, ""},
      {"list-size-huge.wav", Patch32(kGoodWave, kListSize, 0xFFFFFFF0), Expect::kOpens, ""},
      // Formats no sound can have.
      {"zero-channels.wav", Patch16(kGoodWave, kChannels, 0), Expect::kRefused, "This was not a proper wav file"},
      {"zero-rate.wav", Patch32(kGoodWave, kRate, 0), Expect::kRefused, "This was not a proper wav file"},
      // PCM says its block size through its channels and bits as well.
      {"zero-block-align.wav", Patch16(kGoodWave, kAlign, 0), Expect::kOpens, ""},
      {"zero-bits.wav", Patch16(kGoodWave, kBits, 0), Expect::kRefused, "This was not a proper wav file"},
      {"unknown-tag.wav", Patch16(kGoodWave, 20, 0x1234), Expect::kRefused, "This was not a proper wav file"},
      {"ima-huge-block.wav",
       Riff(Chunk("fmt ", Fmt(0x11, 1, 8000, 36, 4) + LE16(2) + LE16(65535)) + Chunk("data", Samples(1600))),
       Expect::kRefused, "This was not a proper wav file"},
      {"many-data-chunks.wav",
       [] {
         std::string body = kFmt;
         for (int i = 0; i < 5000; ++i) body += Chunk("data", Samples(8));
         return Riff(body);
       }(),
       Expect::kOpens, ""},
      // MP3 and raw.
      {"garbage.mp3", Samples(5000) + "\xFF\xFB\x90\x64" + Samples(3000), Expect::kRefused, "not an MP3 file"},
      {"empty.mp3", "", Expect::kRefused, "not an MP3 file"},
      {"id3-only.mp3", "ID3\x03" + std::string(6, '\0'), Expect::kRefused, "not an MP3 file"},
      {"one-byte.raw", "x", Expect::kOpens, ""},
      {"empty.raw", "", Expect::kOpens, ""},
      // Layered documents.
      {"empty.tvf", "", Expect::kRefused, "not a Tarvo document, or it is damaged"},
      {"wrong-magic.tvf", "TVX " + LE32(1) + LayerChunk(Samples(40)) + Tags(), Expect::kRefused,
       "not a Tarvo document, or it is damaged"},
      {"no-layers.tvf", Document(0, ""), Expect::kRefused, "not a Tarvo document, or it is damaged"},
      {"count-beyond-file.tvf", Document(10000, Layers(2)), Expect::kRefused, "not a Tarvo document, or it is damaged"},
      {"sixty-five-layers.tvf", Document(65, Layers(65)), Expect::kRefused, "more than 64 layers"},
      {"ten-thousand-layers.tvf", Document(10000, Layers(10000)), Expect::kRefused, "more than 64 layers"},
      {"layer-cut-short.tvf", Document(1, LayerChunk(Samples(400))).substr(0, 60), Expect::kRefused,
       "not a Tarvo document, or it is damaged"},
      {"layer-length-huge.tvf", Patch32(Document(1, LayerChunk(Samples(40))), 8 + 22, 0xFFFFFFF0), Expect::kRefused,
       "not a Tarvo document, or it is damaged"},
      {"node-outside-layer.tvf",
       Document(1, LayerChunk(Samples(400), 2) + NodeRecord(1.0, 0) + NodeRecord(0.5, int64_t{1} << 40)),
       Expect::kOpensWithNotice, "1 envelope node(s) of this document lay outside their layer"},
      // Not a file at all.
      {"folder.wav", "", Expect::kRefused, "It is a folder, not a file.", Case::kFolder},
      {"unreadable.wav", kGoodWave, Expect::kRefused, "You are not allowed to read it.", Case::kUnreadable},
      {"pipe.wav", "", Expect::kRefused, "It is not a file but a pipe, a socket or a device.", Case::kFifo},
      {"device.wav", "", Expect::kRefused, "It is not a file but a pipe, a socket or a device.", Case::kDevice},
      {"vanished.wav", kGoodWave, Expect::kRefused, "It no longer exists.", Case::kMissing},
  };
  return cases;
}

// Reads files the way a user other than root would: a test run as root
// would otherwise read a file whatever its permissions.
class ReadAsNobody {
 public:
  ReadAsNobody() : m_previous(::setfsuid(65534)) {}
  ~ReadAsNobody() { ::setfsuid(m_previous); }

 private:
  int m_previous;
};

class BadInputOpenTest : public testing::Test {
 protected:
  void SetUp() override {
    gui_test::UseProfile(m_profile.path());
    m_app = gui_test::StartApp();
    ASSERT_NE(m_app->mainFrame(), nullptr);
  }

  struct Outcome {
    bool opened = false;
    QStringList messages;
    size_t largest = 0;
  };
  // Opens `path` as File > Open does, accepting the raw import dialog as it
  // stands and pressing OK on every message box.
  Outcome Open(const QString& path, bool asNobody) {
    Outcome outcome;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&outcome] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        outcome.messages << box->text();
        box->button(QMessageBox::Ok)->click();
      } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->accept();
      }
    });
    answer.start();
    g_largest = 0;
    g_counting = true;
    if (asNobody) {
      ReadAsNobody nobody;
      outcome.opened = m_app->OpenDocumentFile(path);
    } else {
      outcome.opened = m_app->OpenDocumentFile(path);
    }
    g_counting = false;
    outcome.largest = g_largest;
    return outcome;
  }

  test_support::TemporaryFolder m_profile;
  test_support::TemporaryFolder m_files;
  std::unique_ptr<CWavedeskApp> m_app;
};

TEST_F(BadInputOpenTest, EveryBadInputGetsAClearMessageAndNoHugeAllocation) {
  // Reachable by another user, as the unreadable row needs.
  ASSERT_EQ(::chmod(m_files.path().c_str(), 0755), 0);
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const std::string path = m_files.File(c.name);
    switch (c.kind) {
      case Case::kFile:
        test_support::WriteFileBytes(path, c.bytes);
        break;
      case Case::kFolder:
        ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
        break;
      case Case::kUnreadable:
        test_support::WriteFileBytes(path, c.bytes);
        ASSERT_EQ(::chmod(path.c_str(), 0), 0);
        break;
      case Case::kFifo:
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        break;
      case Case::kDevice:
        ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0);
        break;
      case Case::kMissing:
        // Chosen in the dialog, then removed before the program reads it.
        test_support::WriteFileBytes(path, c.bytes);
        std::filesystem::remove(path);
        break;
    }
    const Outcome outcome = Open(QString::fromStdString(path), c.kind == Case::kUnreadable);

    EXPECT_EQ(outcome.opened, c.expect != Expect::kRefused) << outcome.messages.join(" | ").toStdString();
    if (c.expect == Expect::kOpens) {
      EXPECT_TRUE(outcome.messages.isEmpty()) << outcome.messages.join(" | ").toStdString();
    } else {
      if (outcome.messages.size() != 1) {
        ADD_FAILURE() << "messages: " << outcome.messages.join(" | ").toStdString();
        continue;
      }
      const QString& message = outcome.messages.front();
      EXPECT_TRUE(message.contains(QString::fromLatin1(c.name))) << message.toStdString();
      EXPECT_TRUE(message.contains(QString::fromUtf8(c.message))) << message.toStdString();
    }
    // The working format takes at most 4 bytes a frame; the densest codec
    // here packs about 50 frames into 4 bytes, at a rate 5.5 times below
    // the working one. Beyond that come the window's own buffers.
    const size_t backed = 64 * c.bytes.size() + (32u << 20);
    EXPECT_LE(outcome.largest, backed) << "the largest single allocation";
  }
}

}  // namespace
