// Keeping unsaved work against a crash: when a modified document reaches the
// recovery folder, that nothing runs while nothing changed, that the entry
// goes on save and close, writes that a second change or a close meets
// halfway, and the offer at the next start (taken, declined, damaged).
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <semaphore>

#include "core/model/atomic_file_writer.h"
#include "core/model/recovery_folder.h"
#include "core/model/sound_snapshot.h"
#include "gui/app/main_frame.h"
#include "gui/document/recovery_store.h"
#include "gui/app/wavedesk_app.h"
#include "gui/document/wavedesk_doc.h"
#include "gui/panes/child_frame.h"
#include "modal_dialog.h"
#include "test_app.h"
#include "test_support.h"

namespace {

using test_support::TemporaryFolder;

constexpr int kQuietMs = 20;

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The first sample of every layer, as a fingerprint of a state.
std::vector<int16_t> FirstSamples(const CSound& sound) {
  std::vector<int16_t> samples;
  for (const auto& layer : sound.layers) samples.push_back(layer->length() >= 2 ? layer->samples()[0] : 0);
  return samples;
}

// A change as a mouse edit makes it: the samples in place, then the flag.
void Change(CWavedeskDoc& document, int16_t value) {
  document.sound().layers[0]->samples()[0] = value;
  document.sound().layers[0]->MarkDataChanged();
  document.SetModifiedFlag(true);
}

// Runs `action`, pressing `button` in every message box it raises.
void AnswerEveryBox(QMessageBox::StandardButton button, const std::function<void()>& action) {
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [button] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->button(button)->click();
  });
  poll.start();
  action();
}

// Holds the next write of any file until released, to stand for a slow disk.
struct HeldWrite {
  static inline std::atomic<bool> hold{false};
  static inline std::binary_semaphore entered{0};
  static inline std::binary_semaphore released{0};
  static ssize_t Write(int fd, const void* bytes, size_t size) {
    if (hold.exchange(false)) {
      entered.release();
      released.acquire();
    }
    return ::write(fd, bytes, size);
  }
  static constexpr FileSystemCalls kCalls{Write, ::fsync, ::close, ::rename};
};

class RecoveryStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    m_folder = m_home.File("recovery");
    ASSERT_TRUE(m_store.Open(QString::fromStdString(m_folder)));
    m_store.SetTimes(kQuietMs, 60000);
    m_realCalls = AtomicFileWriter::UseSystemCalls(&HeldWrite::kCalls);
  }
  void TearDown() override { AtomicFileWriter::UseSystemCalls(m_realCalls); }

  std::unique_ptr<CWavedeskDoc> NewDocument(const QString& path = QString()) {
    auto document = std::make_unique<CWavedeskDoc>(m_settings);
    GeneratorParameters parameters;
    parameters.length = 1000;
    EXPECT_TRUE(document->OnNewDocument(parameters));
    if (!path.isEmpty()) document->SetPathName(path);
    return document;
  }
  // Waits for the next write of an entry to end; its success.
  bool WaitForStore() {
    QSignalSpy spy(&m_store, &CRecoveryStore::stored);
    EXPECT_TRUE(spy.wait(10000));
    return !spy.isEmpty() && spy.front().at(1).toBool();
  }
  std::unique_ptr<CSound> ReadEntry(const std::string& file) {
    auto sound = std::make_unique<CSound>();
    EXPECT_EQ(m_store.recoveryFolder().Load(file, *sound), ReadResult::kOk);
    return sound;
  }

  SettingsRecord m_settings;
  TemporaryFolder m_home;
  std::string m_folder;
  CRecoveryStore m_store;
  const FileSystemCalls* m_realCalls = nullptr;
};

TEST_F(RecoveryStoreTest, WritesAModifiedDocumentAShortWhileAfterItsChanges) {
  auto document = NewDocument(QStringLiteral("/music/take one.wav"));
  m_store.Watch(document.get());
  // Given a document that has not changed, no timer runs.
  EXPECT_EQ(m_store.RemainingMs(document.get()), -1);
  // When it changes three times in a row
  Change(*document, 111);
  const int armed = m_store.RemainingMs(document.get());
  EXPECT_GT(armed, -1);
  EXPECT_LE(armed, kQuietMs);
  Change(*document, 222);
  Change(*document, 333);
  // then one write keeps the last state, and the timer is not armed again.
  ASSERT_TRUE(WaitForStore());
  m_store.WaitForWorker();
  EXPECT_EQ(m_store.RemainingMs(document.get()), -1);
  const std::vector<RecoveryEntry> entries = m_store.Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].file, m_store.EntryFile(document.get()));
  EXPECT_EQ(entries[0].originalPath, "/music/take one.wav");
  EXPECT_EQ(entries[0].title, "take one.wav");
  EXPECT_GT(entries[0].time, 0);
  EXPECT_EQ(FirstSamples(*ReadEntry(entries[0].file)), std::vector<int16_t>{333});
  // A change right after a write waits for the interval, not the quiet pause.
  Change(*document, 444);
  EXPECT_GT(m_store.RemainingMs(document.get()), 30000);
}

TEST_F(RecoveryStoreTest, KeepsNothingOfADocumentThatIsNotModified) {
  auto document = NewDocument();
  m_store.Watch(document.get());
  // Saved before its timer ran out: the timer stops and nothing is written.
  Change(*document, 5);
  document->SetModifiedFlag(false);
  EXPECT_EQ(m_store.RemainingMs(document.get()), -1);
  m_store.WaitForWorker();
  EXPECT_TRUE(FolderNames(m_folder).empty());
}

TEST_F(RecoveryStoreTest, DropsTheEntryWhenTheDocumentIsSavedOrClosed) {
  for (const bool close : {false, true}) {
    SCOPED_TRACE(close ? "closed" : "saved");
    auto document = NewDocument();
    m_store.Watch(document.get());
    Change(*document, 7);
    ASSERT_TRUE(WaitForStore());
    m_store.WaitForWorker();
    ASSERT_EQ(m_store.Entries().size(), 1u);
    if (close)
      document.reset();
    else
      document->SetModifiedFlag(false);
    m_store.WaitForWorker();
    EXPECT_TRUE(m_store.Entries().empty());
    EXPECT_TRUE(FolderNames(m_folder).empty());
  }
}

TEST_F(RecoveryStoreTest, WritesAChangeMadeDuringAWriteAfterIt) {
  m_store.SetTimes(kQuietMs, 50);
  auto document = NewDocument();
  m_store.Watch(document.get());
  QSignalSpy stored(&m_store, &CRecoveryStore::stored);
  HeldWrite::hold = true;
  Change(*document, 1);
  // Given a write that is under way (held in its first write call)
  while (!HeldWrite::entered.try_acquire()) QTest::qWait(5);
  // when the document changes again, the change waits for the write: no
  // second copy is taken while one is on its way,
  Change(*document, 2);
  EXPECT_EQ(m_store.RemainingMs(document.get()), -1);
  HeldWrite::released.release();
  // and once the first write ended the newer state follows it.
  while (stored.size() < 2) ASSERT_TRUE(stored.wait(10000));
  m_store.WaitForWorker();
  ASSERT_EQ(stored.size(), 2);
  EXPECT_EQ(FirstSamples(*ReadEntry(m_store.EntryFile(document.get()))), std::vector<int16_t>{2});
  EXPECT_EQ(m_store.RemainingMs(document.get()), -1);
}

TEST_F(RecoveryStoreTest, ADocumentClosedDuringAWriteLeavesNothing) {
  auto document = NewDocument();
  m_store.Watch(document.get());
  HeldWrite::hold = true;
  Change(*document, 1);
  while (!HeldWrite::entered.try_acquire()) QTest::qWait(5);
  // The write holds its own copy: the document may go while it runs.
  document.reset();
  HeldWrite::released.release();
  m_store.WaitForWorker();
  QCoreApplication::processEvents();
  EXPECT_TRUE(m_store.Entries().empty());
  EXPECT_TRUE(FolderNames(m_folder).empty());
}

TEST_F(RecoveryStoreTest, ADocumentClosedOrSavedBeforeItsCopyIsReadyLeavesNothing) {
  for (const bool close : {true, false}) {
    SCOPED_TRACE(close ? "closed" : "saved");
    // Given the worker busy with another document's write
    auto busy = NewDocument();
    auto document = NewDocument();
    m_store.Watch(busy.get());
    m_store.Watch(document.get());
    HeldWrite::hold = true;
    Change(*busy, 1);
    while (!HeldWrite::entered.try_acquire()) QTest::qWait(5);
    // when a second document's timer runs out, its blocks wait in the
    // queue; it is closed or saved before they are ready,
    Change(*document, 2);
    while (m_store.RemainingMs(document.get()) != -1) QTest::qWait(5);
    const std::string file = m_store.EntryFile(document.get());
    if (close)
      document.reset();
    else
      document->SetModifiedFlag(false);
    HeldWrite::released.release();
    m_store.WaitForWorker();
    QCoreApplication::processEvents();
    m_store.WaitForWorker();
    // and nothing of it reaches the folder.
    EXPECT_EQ(FolderNames(m_folder), (std::vector<std::string>{m_store.EntryFile(busy.get()), "index"}));
    busy.reset();
    m_store.WaitForWorker();
    ASSERT_TRUE(FolderNames(m_folder).empty());
  }
}

// ---------------------------------------------------------------------------
// The offer at start

class RecoveryOfferTest : public testing::Test {
 protected:
  void SetUp() override { gui_test::UseProfile(m_profile.path()); }

  // Leaves what a killed program leaves: an entry per document.
  void LeaveEntry(const std::string& file, const std::string& originalPath, const std::string& title, int16_t first) {
    RecoveryFolder folder;
    ASSERT_TRUE(folder.Open(m_folder));
    CSound sound;
    auto data = std::make_unique<uint8_t[]>(4000);
    std::memset(data.get(), 0, 4000);
    reinterpret_cast<int16_t*>(data.get())[0] = first;
    sound.AppendLayer("Recorded", std::move(data), 4000);
    auto snapshot = SoundSnapshot::Take(sound);
    ASSERT_TRUE(folder.Store({file, originalPath, title, 1765400000}, *snapshot));
  }

  void Start() {
    m_app = std::make_unique<CWavedeskApp>();
    CWavedeskApp::Options options;
    options.backend = SoundBackend::Null;
    options.singleInstance = false;
    options.showCommonTasks = false;
    options.showSplash = false;
    options.recoveryFolder = QString::fromStdString(m_folder);
    ASSERT_TRUE(m_app->InitInstance(options));
  }

  std::vector<CChildFrame*> Children() {
    std::vector<CChildFrame*> children;
    for (QMdiSubWindow* window : m_app->mainFrame()->mdiArea()->subWindowList(QMdiArea::CreationOrder))
      children.push_back(qobject_cast<CChildFrame*>(window->widget()));
    return children;
  }

  TemporaryFolder m_profile;
  TemporaryFolder m_files;
  std::string m_folder = m_profile.File("recovery");
  std::unique_ptr<CWavedeskApp> m_app;
};

TEST_F(RecoveryOfferTest, RecoveredDocumentsOpenModifiedUnderTheirNames) {
  const std::string take = m_files.File("take.wav");
  LeaveEntry("document-a.tvf", take, "take.wav", 1111);
  LeaveEntry("document-b.tvf", "", "Untitled", 2222);
  LeaveEntry("document-c.tvf", "/gone/damaged.wav", "damaged.wav", 3333);
  test_support::WriteFileBytes(m_folder + "/document-c.tvf", "TVF \x01\0\0\0LAYR");

  QString question, warning;
  gui_test::WhenMessageBoxShows([&](QMessageBox* box) {
    question = box->windowTitle() + "|" + box->text();
    gui_test::WhenMessageBoxShows([&](QMessageBox* next) {
      warning = next->text();
      next->button(QMessageBox::Ok)->click();
    });
    box->button(QMessageBox::Yes)->click();
  });
  Start();
  // One question names every document.
  EXPECT_TRUE(question.startsWith("Recover Unsaved Work|")) << question.toStdString();
  for (const char* name : {"take.wav", "Untitled", "damaged.wav"}) EXPECT_TRUE(question.contains(name)) << name;
  // The damaged one is skipped, said so, and gone.
  EXPECT_TRUE(warning.contains("damaged.wav")) << warning.toStdString();

  const std::vector<CChildFrame*> children = Children();
  ASSERT_EQ(children.size(), 2u);
  CWavedeskDoc* taken = children[0]->document();
  CWavedeskDoc* untitled = children[1]->document();
  EXPECT_EQ(taken->DisplayTitle(), "take.wav*");
  EXPECT_EQ(taken->pathName(), QString::fromStdString(take));
  EXPECT_EQ(FirstSamples(taken->sound()), std::vector<int16_t>{1111});
  EXPECT_EQ(untitled->DisplayTitle(), "Untitled*");
  EXPECT_TRUE(untitled->pathName().isEmpty());
  EXPECT_EQ(FirstSamples(untitled->sound()), std::vector<int16_t>{2222});
  EXPECT_EQ(m_app->mainFrame()->windowTitle(), "Tarvo Wavedesk 2.0 - Untitled*");

  // The entries stay, each until its document is saved or closed.
  CRecoveryStore* store = m_app->recoveryStore();
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->EntryFile(taken), "document-a.tvf");
  EXPECT_EQ(FolderNames(m_folder), (std::vector<std::string>{"document-a.tvf", "document-b.tvf", "index"}));
  ASSERT_TRUE(m_app->SaveDocument(children[0]));
  store->WaitForWorker();
  EXPECT_EQ(FolderNames(m_folder), (std::vector<std::string>{"document-b.tvf", "index"}));
  EXPECT_TRUE(std::filesystem::exists(take));
  AnswerEveryBox(QMessageBox::No, [this] { EXPECT_TRUE(m_app->mainFrame()->close()); });
  m_app.reset();
  EXPECT_TRUE(FolderNames(m_folder).empty());
}

TEST_F(RecoveryOfferTest, OnlyAnExplicitNoThrowsTheWorkAway) {
  struct Case {
    const char* name;
    std::function<void(QMessageBox*)> answer;
    size_t windows;
  } cases[] = {
      {"No", [](QMessageBox* box) { box->button(QMessageBox::No)->click(); }, 0},
      {"Escape", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, 2},
      {"closed", [](QMessageBox* box) { box->close(); }, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LeaveEntry("document-a.tvf", "/music/a.wav", "a.wav", 1);
    LeaveEntry("document-b.tvf", "", "Untitled", 2);
    gui_test::WhenMessageBoxShows(c.answer);
    Start();
    EXPECT_EQ(Children().size(), c.windows);
    const std::vector<std::string> kept = {"document-a.tvf", "document-b.tvf", "index"};
    EXPECT_EQ(FolderNames(m_folder), c.windows == 0 ? std::vector<std::string>{} : kept);
    // Closing the recovered documents unsaved empties the folder too.
    AnswerEveryBox(QMessageBox::No, [this] { EXPECT_TRUE(m_app->mainFrame()->close()); });
    m_app.reset();
    EXPECT_TRUE(FolderNames(m_folder).empty());
  }
}

TEST_F(RecoveryOfferTest, NothingIsAskedWithAnEmptyFolderOrAnotherProgramHoldingIt) {
  // Another running program holds the folder: its entries are not ours to
  // offer, nor to delete.
  LeaveEntry("document-a.tvf", "/music/a.wav", "a.wav", 1);
  RecoveryFolder other;
  ASSERT_TRUE(other.Open(m_folder));
  // A question would hold the start: answer it, and remember it came.
  bool asked = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&asked] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      asked = true;
      box->button(QMessageBox::No)->click();
    }
  });
  poll.start();
  Start();
  EXPECT_EQ(m_app->recoveryStore(), nullptr);
  EXPECT_FALSE(asked);
  m_app.reset();
  EXPECT_EQ(FolderNames(m_folder), (std::vector<std::string>{"document-a.tvf", "index"}));
}

}  // namespace
