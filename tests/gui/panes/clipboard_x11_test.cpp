// The clipboard manager and another program on a real X server, with xclip
// as the other program: our copy is read back under both wave types, and a
// wave file xclip offers becomes a clip, listed once with its whole size.
// clipboard_x11_test.sh starts a private Xvfb and runs this program on it;
// on any other platform the cases skip themselves.
#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gui/panes/clipboard_dlg.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// Runs xclip on the clipboard selection with `arguments` and returns what it
// printed. The event loop keeps running meanwhile: xclip's request is
// answered by this very process.
QByteArray RunXclip(const QStringList& arguments, int* exitCode) {
  QProcess xclip;
  xclip.start(QStringLiteral("xclip"), QStringList{QStringLiteral("-selection"), QStringLiteral("clipboard")} + arguments);
  if (!xclip.waitForStarted(5000)) {
    *exitCode = -1;
    return {};
  }
  QByteArray output;
  for (int waited = 0; waited < 15000 && xclip.state() != QProcess::NotRunning; waited += 10) {
    QTest::qWait(10);
    output += xclip.readAllStandardOutput();
  }
  if (xclip.state() != QProcess::NotRunning) {
    xclip.kill();
    xclip.waitForFinished(1000);
    *exitCode = -1;
    return {};
  }
  output += xclip.readAllStandardOutput();
  *exitCode = xclip.exitCode();
  return output;
}

template <typename Condition>
bool WaitFor(Condition done, int milliseconds = 10000) {
  for (int waited = 0; waited < milliseconds && !done(); waited += 10) QTest::qWait(10);
  return done();
}

class ClipboardWithXclipTest : public testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
      GTEST_SKIP() << "needs an X server (run through clipboard_x11_test.sh)";
  }

  test_support::TemporaryFolder folder;
  CClipboardDlg dock{nullptr, folder.path().string()};
};

TEST_F(ClipboardWithXclipTest, AnotherProgramReadsOurCopyAsAWaveFileAndWeListItOnce) {
  // Given a copy of 4000 bytes
  std::vector<uint8_t> bytes(4000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 13);
  ASSERT_TRUE(dock.AddCopiedClip(bytes.data(), bytes.size()));
  const QByteArray file = QByteArray::fromStdString(test_support::ReadFileBytes(dock.store().rows()[0].path));
  ASSERT_EQ(file.size(), 4044);

  // Then the other program finds both wave types and reads the whole file
  int status = 0;
  const QByteArray targets = RunXclip({QStringLiteral("-t"), QStringLiteral("TARGETS"), QStringLiteral("-o")}, &status);
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(targets.contains("audio/wav")) << targets.toStdString();
  EXPECT_TRUE(targets.contains("audio/x-wav")) << targets.toStdString();
  for (const char* type : {"audio/wav", "audio/x-wav"}) {
    SCOPED_TRACE(type);
    const QByteArray read = RunXclip({QStringLiteral("-t"), QString::fromLatin1(type), QStringLiteral("-o")}, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(read, file);
  }
  // And our own clip is not listed a second time
  QTest::qWait(200);
  EXPECT_EQ(dock.store().size(), 1u);
}

TEST_F(ClipboardWithXclipTest, AWaveFileFromAnotherProgramBecomesAClipWithItsWholeSize) {
  // Given our own copy on the clipboard first
  std::vector<uint8_t> bytes(400, 7);
  ASSERT_TRUE(dock.AddCopiedClip(bytes.data(), bytes.size()));
  // When xclip puts a wave file of another format there (8-bit mono, 8 kHz)
  const std::string path = folder.File("other.wav");
  ASSERT_EQ(test_support::RunCommand("sox -n -r 8000 -c 1 -b 8 '" + path + "' synth 0.25 sine 440"), 0);
  const std::string wave = test_support::ReadFileBytes(path);
  ASSERT_TRUE(QProcess::startDetached(QStringLiteral("xclip"),
                                      {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                       QStringLiteral("audio/wav"), QStringLiteral("-i"), QString::fromStdString(path)}));
  // Then it is listed on top, with the file's whole size, byte for byte
  ASSERT_TRUE(WaitFor([this] { return dock.store().size() == 2; }));
  EXPECT_EQ(dock.store().rows()[0].byteCount, wave.size());
  EXPECT_EQ(test_support::ReadFileBytes(dock.store().rows()[0].path), wave);
  // And it comes back in the working format: 0.25 s of 4-byte frames
  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  ASSERT_EQ(dock.store().GetSelectedClip(&data, &length), ClipResult::kOk);
  EXPECT_EQ(length, 44100u);
  // A copy of ours after it is listed once
  ASSERT_TRUE(dock.AddCopiedClip(bytes.data(), bytes.size()));
  QTest::qWait(200);
  EXPECT_EQ(dock.store().size(), 3u);
}

}  // namespace
