// The clipboard manager's bar driven through its controls on Qt's offscreen
// platform: the rows a copy makes, the list's grid lines, Remove, Clear All
// and Paste with the selected clip, Paste and Preview only with a clip, the
// 24-clip limit, the preview on the null sound back-end,
// the bar in the main window with its View command and the preference that
// shows it on a copy, and the system clipboard within this process (the
// exchange with another program is clipboard_x11_test.sh's job).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/audio/sound_device.h"
#include "core/model/settings_record.h"
#include "gui/app/main_frame.h"
#include "gui/base/resource_ids.h"
#include "gui/base/clip_mime.h"
#include "gui/panes/clipboard_dlg.h"
#include "gui/base/wavedesk_list_ctrl.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

size_t FilesIn(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Waits for `done` without failing; the caller checks the outcome.
template <typename Condition>
bool WaitFor(Condition done, int milliseconds = 5000) {
  for (int waited = 0; waited < milliseconds && !done(); waited += 10) QTest::qWait(10);
  return done();
}

class ClipboardDlgTest : public testing::Test {
 protected:
  ClipboardDlgTest() : dock(&settings, folder.path().string()) {
    dock.resize(760, 200);
    dock.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dock));
  }

  template <typename T>
  T* Control(int id) {
    T* control = dock.findChild<T*>(ControlName(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
  }
  CWavedeskListCtrl* List() { return Control<CWavedeskListCtrl>(IDC_CLIP_LIST); }
  QPushButton* Button(int id) { return Control<QPushButton>(id); }
  QString Cell(int row, int column) {
    QTreeWidgetItem* item = List()->topLevelItem(row);
    return item != nullptr ? item->text(column) : QStringLiteral("<no row>");
  }
  // The row the list shows selected, -1 for none.
  int ShownSelection() {
    const QList<QTreeWidgetItem*> chosen = List()->selectedItems();
    return chosen.size() == 1 ? List()->indexOfTopLevelItem(chosen.front()) : -1;
  }
  void ClickRow(int row) {
    CWavedeskListCtrl* list = List();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(row)).center());
  }
  void Copy(size_t length, uint8_t seed = 1) {
    const std::vector<uint8_t> bytes = Pattern(length, seed);
    ASSERT_TRUE(dock.AddCopiedClip(bytes.data(), bytes.size()));
  }

  test_support::TemporaryFolder folder;
  SettingsRecord settings;
  CClipboardDlg dock;
};

TEST_F(ClipboardDlgTest, ACopyIsListedOnTopWithItsFourColumnsAndSelected) {
  // The headings, widths and buttons
  QTreeWidgetItem* header = List()->headerItem();
  const char* headings[] = {"Clipboard", "Data Size", "Clip Length", "File Location"};
  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(header->text(column), QString::fromLatin1(headings[column]));
    EXPECT_EQ(List()->columnWidth(column), 140);
  }
  EXPECT_EQ(Button(IDC_CLIP_CLEAR_ALL)->text(), QStringLiteral("Clear All"));
  EXPECT_EQ(Button(IDC_CLIP_REMOVE)->text(), QStringLiteral("Remove"));
  EXPECT_EQ(Button(IDC_CLIP_PASTE)->text(), QStringLiteral("Paste"));
  EXPECT_EQ(Button(IDC_CLIP_PREVIEW)->text(), QStringLiteral("Preview"));

  // Given two copies, the second of 2.5 seconds
  Copy(1000, 1);
  Copy(441000, 2);
  // Then the newest is on top, selected, numbered by the row count before it
  ASSERT_EQ(List()->topLevelItemCount(), 2);
  EXPECT_EQ(Cell(0, 0), QStringLiteral(" Sound Clip 2"));
  EXPECT_EQ(Cell(0, 1), QStringLiteral("441000 bytes"));
  EXPECT_EQ(Cell(0, 2), QStringLiteral("2 seconds"));
  EXPECT_EQ(Cell(0, 3), QString::fromStdString(dock.store().rows()[0].path));
  EXPECT_EQ(Cell(1, 0), QStringLiteral(" Sound Clip 1"));
  EXPECT_EQ(Cell(1, 1), QStringLiteral("1000 bytes"));
  EXPECT_EQ(Cell(1, 2), QStringLiteral("0 seconds"));
  EXPECT_EQ(List()->topLevelItem(0)->textAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(List()->topLevelItem(0)->textAlignment(2) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(dock.store().selected(), 0);
  EXPECT_EQ(ShownSelection(), 0);
  // And the file holds the bytes behind the 44-byte header
  EXPECT_EQ(fs::file_size(dock.store().rows()[0].path), 441000u + 44u);
}

TEST_F(ClipboardDlgTest, ClicksRemoveClearAllAndPasteWorkOnTheSelectedClip) {
  QSignalSpy pastes(&dock, &CClipboardDlg::pasteRequested);
  for (uint8_t seed = 1; seed <= 3; ++seed) Copy(400, seed);

  // A click on a row selects it; Paste asks for that row
  ClickRow(2);
  EXPECT_EQ(dock.store().selected(), 2);
  QTest::mouseClick(Button(IDC_CLIP_PASTE), Qt::LeftButton);
  ASSERT_EQ(pastes.size(), 1);
  EXPECT_EQ(pastes.takeFirst().at(0).toInt(), 2);

  // A click below the last row keeps the selected clip, shown selected
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, QPoint(20, List()->viewport()->height() - 3));
  EXPECT_EQ(dock.store().selected(), 2);
  EXPECT_EQ(ShownSelection(), 2);

  // Remove of the last row takes its file and moves to the new last row
  const std::string removed = dock.store().rows()[2].path;
  QTest::mouseClick(Button(IDC_CLIP_REMOVE), Qt::LeftButton);
  EXPECT_FALSE(fs::exists(removed));
  ASSERT_EQ(List()->topLevelItemCount(), 2);
  EXPECT_EQ(dock.store().selected(), 1);
  EXPECT_EQ(ShownSelection(), 1);

  // The keyboard moves the clip Paste takes along with the highlight
  List()->setFocus();
  QTest::keyClick(List(), Qt::Key_Up);
  EXPECT_EQ(dock.store().selected(), 0);

  // Clear All empties the list and the folder; Paste then has no clip to take
  QTest::mouseClick(Button(IDC_CLIP_CLEAR_ALL), Qt::LeftButton);
  EXPECT_EQ(List()->topLevelItemCount(), 0);
  EXPECT_EQ(FilesIn(folder.path()), 0u);
  EXPECT_FALSE(Button(IDC_CLIP_PASTE)->isEnabled());
  QTest::mouseClick(Button(IDC_CLIP_PASTE), Qt::LeftButton);
  EXPECT_TRUE(pastes.isEmpty());
  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  EXPECT_EQ(dock.store().GetSelectedClip(&data, &length), ClipResult::kNone);

  // The Paste drop-down's entry selects its row and pastes it
  Copy(400, 4);
  Copy(400, 5);
  dock.PasteClip(1);
  EXPECT_EQ(ShownSelection(), 1);
  ASSERT_EQ(pastes.size(), 1);
  EXPECT_EQ(pastes.takeFirst().at(0).toInt(), 1);
}

TEST_F(ClipboardDlgTest, TheListDrawsGridLinesBetweenRowsAndColumns) {
  Copy(400, 1);
  Copy(400, 2);
  List()->clearSelection();  // the highlight would hide the lines of row 0
  List()->setCurrentItem(nullptr);
  const QImage shown = List()->viewport()->grab().toImage();
  const QRect row = List()->visualItemRect(List()->topLevelItem(1));
  const int columnEdge = List()->columnWidth(0) - 1;
  const QColor grid = CWavedeskListCtrl::GridLineColor();
  // Below each row, along the whole first column
  for (int x : {2, 60, columnEdge - 1}) {
    EXPECT_EQ(shown.pixelColor(x, row.top() - 1), grid) << "x " << x;
    EXPECT_EQ(shown.pixelColor(x, row.bottom()), grid) << "x " << x;
  }
  // Right of each column, in rows and in the empty space below them
  for (int y : {row.center().y(), row.bottom() + row.height() / 2 + 1, shown.height() - 2}) {
    EXPECT_EQ(shown.pixelColor(columnEdge, y), grid) << "y " << y;
    EXPECT_EQ(shown.pixelColor(columnEdge + 140, y), grid) << "y " << y;
  }
  // and not in the middle of a cell
  EXPECT_NE(shown.pixelColor(columnEdge / 2, row.center().y()), grid);
}

TEST_F(ClipboardDlgTest, PasteAndPreviewNeedAClip) {
  // An empty list: nothing to paste or preview
  EXPECT_FALSE(Button(IDC_CLIP_PASTE)->isEnabled());
  EXPECT_FALSE(Button(IDC_CLIP_PREVIEW)->isEnabled());
  EXPECT_TRUE(Button(IDC_CLIP_CLEAR_ALL)->isEnabled());
  EXPECT_TRUE(Button(IDC_CLIP_REMOVE)->isEnabled());
  // A clip enables both
  Copy(400);
  EXPECT_TRUE(Button(IDC_CLIP_PASTE)->isEnabled());
  EXPECT_TRUE(Button(IDC_CLIP_PREVIEW)->isEnabled());
  // Removing the last clip disables them again
  QTest::mouseClick(Button(IDC_CLIP_REMOVE), Qt::LeftButton);
  EXPECT_FALSE(Button(IDC_CLIP_PASTE)->isEnabled());
  EXPECT_FALSE(Button(IDC_CLIP_PREVIEW)->isEnabled());
  // and so does Clear All
  Copy(400);
  QTest::mouseClick(Button(IDC_CLIP_CLEAR_ALL), Qt::LeftButton);
  EXPECT_FALSE(Button(IDC_CLIP_PASTE)->isEnabled());
  EXPECT_FALSE(Button(IDC_CLIP_PREVIEW)->isEnabled());
}

TEST_F(ClipboardDlgTest, TheTwentyFifthClipPushesTheOldestOutWithItsFile) {
  for (int i = 0; i < 24; ++i) Copy(40, static_cast<uint8_t>(i));
  const std::string oldest = dock.store().rows().back().path;
  ASSERT_EQ(List()->topLevelItemCount(), 24);
  Copy(40, 99);
  EXPECT_EQ(List()->topLevelItemCount(), 24);
  EXPECT_FALSE(fs::exists(oldest));
  EXPECT_EQ(FilesIn(folder.path()), 24u);
  EXPECT_EQ(Cell(0, 0), QStringLiteral(" Sound Clip 25"));
  EXPECT_EQ(Cell(23, 0), QStringLiteral(" Sound Clip 2"));
}

TEST(ClipboardDlgLifetime, NoClipFileOutlivesTheBar) {
  test_support::TemporaryFolder folder;
  {
    CClipboardDlg dock(nullptr, folder.path().string());
    const std::vector<uint8_t> bytes = Pattern(64, 3);
    ASSERT_TRUE(dock.AddCopiedClip(bytes.data(), bytes.size()));
    ASSERT_TRUE(dock.AddCopiedClip(bytes.data(), bytes.size()));
    EXPECT_EQ(FilesIn(folder.path()), 2u);
  }
  EXPECT_EQ(FilesIn(folder.path()), 0u);
}

class ClipboardPreviewTest : public ClipboardDlgTest {
 protected:
  ClipboardPreviewTest() {
    EXPECT_TRUE(OpenSoundOutputDevice(SoundBackend::Null, &device).Succeeded());
    dock.SetOutputDeviceSource([this] { return device.get(); });
  }
  ~ClipboardPreviewTest() override { dock.StopPreview(); }

  std::unique_ptr<SoundOutputDevice> device;
};

TEST_F(ClipboardPreviewTest, PreviewTogglesToStopAndTheTimerRunsOnlyWhilePlaying) {
  // An idle bar runs no timer, and Preview without a clip does nothing
  EXPECT_FALSE(dock.previewTimer().isActive());
  EXPECT_FALSE(Button(IDC_CLIP_PREVIEW)->isEnabled());
  QTest::mouseClick(Button(IDC_CLIP_PREVIEW), Qt::LeftButton);
  EXPECT_FALSE(dock.IsPreviewing());
  EXPECT_EQ(Button(IDC_CLIP_PREVIEW)->text(), QStringLiteral("Preview"));

  // Given a ten-second clip, Preview plays it and polls every 40 ms
  Copy(1764000);
  QTest::mouseClick(Button(IDC_CLIP_PREVIEW), Qt::LeftButton);
  EXPECT_TRUE(dock.IsPreviewing());
  EXPECT_EQ(Button(IDC_CLIP_PREVIEW)->text(), QStringLiteral("Stop"));
  EXPECT_TRUE(dock.previewTimer().isActive());
  EXPECT_EQ(dock.previewTimer().interval(), 40);
  // Pressed again while it plays, it stops
  QTest::mouseClick(Button(IDC_CLIP_PREVIEW), Qt::LeftButton);
  EXPECT_FALSE(dock.IsPreviewing());
  EXPECT_EQ(Button(IDC_CLIP_PREVIEW)->text(), QStringLiteral("Preview"));
  EXPECT_FALSE(dock.previewTimer().isActive());
}

TEST_F(ClipboardPreviewTest, APreviewPlayingWhenTheListEmptiesCanStillBeStopped) {
  Copy(1764000);
  QTest::mouseClick(Button(IDC_CLIP_PREVIEW), Qt::LeftButton);
  ASSERT_TRUE(dock.IsPreviewing());
  QTest::mouseClick(Button(IDC_CLIP_CLEAR_ALL), Qt::LeftButton);
  EXPECT_TRUE(Button(IDC_CLIP_PREVIEW)->isEnabled());
  QTest::mouseClick(Button(IDC_CLIP_PREVIEW), Qt::LeftButton);
  EXPECT_FALSE(dock.IsPreviewing());
  EXPECT_FALSE(Button(IDC_CLIP_PREVIEW)->isEnabled());
}

TEST_F(ClipboardPreviewTest, APreviewThatReachesItsEndResetsTheButtonByItself) {
  Copy(17640);  // 0.1 seconds
  QTest::mouseClick(Button(IDC_CLIP_PREVIEW), Qt::LeftButton);
  ASSERT_TRUE(dock.IsPreviewing());
  EXPECT_TRUE(WaitFor([this] { return !dock.IsPreviewing(); }));
  EXPECT_EQ(Button(IDC_CLIP_PREVIEW)->text(), QStringLiteral("Preview"));
  EXPECT_FALSE(dock.previewTimer().isActive());
}

TEST_F(ClipboardPreviewTest, WithoutASoundOutputPreviewStaysIdle) {
  dock.SetOutputDeviceSource([]() -> SoundOutputDevice* { return nullptr; });
  Copy(17640);
  QTest::mouseClick(Button(IDC_CLIP_PREVIEW), Qt::LeftButton);
  EXPECT_FALSE(dock.IsPreviewing());
  EXPECT_FALSE(dock.previewTimer().isActive());
  EXPECT_EQ(Button(IDC_CLIP_PREVIEW)->text(), QStringLiteral("Preview"));
}

TEST_F(ClipboardDlgTest, ACopyGoesOnTheSystemClipboardAsAWaveFileAndIsListedOnce) {
  Copy(4000, 9);
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  const QByteArray file = QByteArray::fromStdString(test_support::ReadFileBytes(dock.store().rows()[0].path));
  ASSERT_EQ(file.size(), 4044);
  EXPECT_EQ(mime->data(QStringLiteral("audio/wav")), file);
  EXPECT_EQ(mime->data(QStringLiteral("audio/x-wav")), file);
  QTest::qWait(50);
  EXPECT_EQ(dock.store().size(), 1u);
}

TEST_F(ClipboardDlgTest, WaveDataPutOnTheClipboardBecomesAClipListedWithItsWholeSize) {
  // Given a wave file in another format (8-bit mono, 8 kHz, 0.25 s)
  const std::string path = folder.File("other.wav");
  ASSERT_EQ(test_support::RunCommand("sox -n -r 8000 -c 1 -b 8 '" + path + "' synth 0.25 sine 440"), 0);
  const QByteArray wave = QByteArray::fromStdString(test_support::ReadFileBytes(path));
  fs::remove(path);
  // When other content without wave data arrives, nothing is listed
  auto* text = new QMimeData;
  text->setText(QStringLiteral("not a sound"));
  QGuiApplication::clipboard()->setMimeData(text);
  EXPECT_EQ(dock.store().size(), 0u);
  // When wave data that is not ours arrives (under the older type only)
  auto* mime = new QMimeData;
  mime->setData(QStringLiteral("audio/x-wav"), wave);
  QGuiApplication::clipboard()->setMimeData(mime);
  // Then it is a new clip, listed with its whole size, header included
  ASSERT_TRUE(WaitFor([this] { return dock.store().size() == 1; }));
  EXPECT_EQ(Cell(0, 1), QStringLiteral("%1 bytes").arg(wave.size()));
  EXPECT_EQ(test_support::ReadFileBytes(dock.store().rows()[0].path), wave.toStdString());
  // And it pastes in the working format: 0.25 s of 4-byte frames
  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  ASSERT_EQ(dock.store().GetSelectedClip(&data, &length), ClipResult::kOk);
  EXPECT_EQ(length, 44100u);
  // A later copy of ours is not listed a second time, not even when a
  // clipboard keeper takes it over and offers the same bytes as its own
  Copy(400);
  QTest::qWait(50);
  EXPECT_EQ(dock.store().size(), 2u);
  auto* kept = new QMimeData;
  kept->setData(QStringLiteral("audio/wav"), QByteArray::fromStdString(test_support::ReadFileBytes(dock.store().rows()[0].path)));
  QGuiApplication::clipboard()->setMimeData(kept);
  QTest::qWait(50);
  EXPECT_EQ(dock.store().size(), 2u);
  // while a different wave of the same size is another program's clip
  QByteArray changed = QByteArray::fromStdString(test_support::ReadFileBytes(dock.store().rows()[0].path));
  changed[changed.size() - 1] = static_cast<char>(changed[changed.size() - 1] ^ 1);
  auto* other = new QMimeData;
  other->setData(QStringLiteral("audio/wav"), changed);
  QGuiApplication::clipboard()->setMimeData(other);
  EXPECT_TRUE(WaitFor([this] { return dock.store().size() == 3; }));
}

class ClipboardInMainFrameTest : public testing::Test {
 protected:
  ClipboardInMainFrameTest() {
    frame.resize(1000, 700);
    frame.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    // The frame reads the stored preferences into the record; the cases set
    // the one they are about afterwards.
  }

  SettingsRecord settings;
  CMainFrame frame{nullptr, &settings};
};

TEST_F(ClipboardInMainFrameTest, TheBarSitsHiddenAtTheBottomAndTheViewCommandTogglesIt) {
  CClipboardDlg* dock = frame.clipboardDlg();
  ASSERT_NE(dock, nullptr);
  EXPECT_EQ(dock->objectName(), ControlName(IDD_CLIPBOARD));
  EXPECT_EQ(frame.dockWidgetArea(dock), Qt::BottomDockWidgetArea);
  EXPECT_EQ(dock->features(), QDockWidget::NoDockWidgetFeatures);
  EXPECT_EQ(dock->allowedAreas(), Qt::BottomDockWidgetArea);
  EXPECT_TRUE(dock->isHidden());

  QAction* command = frame.action(CommandId::kViewClipboard);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->text(), QStringLiteral("&Clipboard Manager"));
  EXPECT_FALSE(command->isChecked());
  QMenu* view = nullptr;
  for (QAction* menu : frame.menuBar()->actions())
    if (menu->text() == QStringLiteral("&View")) view = menu->menu();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->actions().contains(command));

  ASSERT_TRUE(frame.ExecuteCommand(CommandId::kViewClipboard));
  EXPECT_TRUE(dock->isVisible());
  EXPECT_TRUE(command->isChecked());
  // It lies below the documents
  EXPECT_GE(dock->geometry().top(), frame.mdiArea()->geometry().bottom());
  ASSERT_TRUE(frame.ExecuteCommand(CommandId::kViewClipboard));
  EXPECT_TRUE(dock->isHidden());
  EXPECT_FALSE(command->isChecked());
}

TEST_F(ClipboardInMainFrameTest, ACopyShowsTheBarOnlyWhenThePreferenceSaysSo) {
  CClipboardDlg* dock = frame.clipboardDlg();
  const std::vector<uint8_t> bytes = Pattern(400, 5);
  struct Case {
    const char* name;
    uint8_t preference;
    bool shown;
  };
  for (const Case& c : {Case{"preference off", 0, false}, Case{"preference on", 1, true}}) {
    SCOPED_TRACE(c.name);
    dock->hide();
    settings.showClipboardOnCopy = c.preference;
    ASSERT_TRUE(dock->AddCopiedClip(bytes.data(), bytes.size()));
    EXPECT_EQ(!dock->isHidden(), c.shown);
    EXPECT_EQ(frame.action(CommandId::kViewClipboard)->isChecked(), c.shown);
  }
  EXPECT_EQ(dock->store().size(), 2u);
}

}  // namespace
