// The side panel driven through its controls: the file properties rows, the
// tags with Update and Revert, the layers list with its selection rule,
// in-place renaming and the layer properties dialog, and the first history
// row. Each case builds a document, fills its sound by hand and finds the
// controls by their ids.
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

#include "core/model/sound.h"
#include "gui/app/command_runner.h"
#include "gui/base/resource_ids.h"
#include "gui/document/wavedesk_doc.h"
#include "modal_dialog.h"
#include "gui/panes/sound_form_view.h"
#include "gui/base/wavedesk_list_ctrl.h"

namespace {

class SoundFormViewTest : public testing::Test {
 protected:
  SoundFormViewTest() : document(settings), panel(&document), runner(&panel, nullptr) {
    // The panel's buttons take the program's one command route.
    PaneHooks hooks;
    hooks.runCommand = [this](CommandId id) { runner.Run(*FindCommand(id), &document); };
    panel.SetHooks(hooks);
    std::memcpy(document.sound().riffId, "RIFF", 5);
    std::memcpy(document.sound().waveId, "WAVE", 5);
    document.sound().formatSize = 16;
    document.sound().fileFormat = MakeFormatRecord(WorkingFormat());
    panel.resize(640, 300);
    QObject::connect(&document, &CWavedeskDoc::updateAllViews, &panel, &CSoundFormView::OnUpdate);
  }

  // A silent layer; positions far into the sound cost no memory when the
  // layer is short and placed at a large offset.
  CSoundLayer& AddLayer(uint64_t length, int32_t offset = 0, const std::string& name = {}) {
    CSoundLayer& layer =
        document.sound().AppendLayer(name, std::make_unique<uint8_t[]>(static_cast<size_t>(length)), length);
    layer.offset = offset;
    return layer;
  }

  void ShowPanel(int tab) {
    panel.OnInitialUpdate();
    Control<QTabWidget>(IDC_TAB)->setCurrentIndex(tab);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
  }

  template <typename T>
  T* Control(int id) {
    T* control = panel.findChild<T*>(ControlName(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
  }
  CWavedeskListCtrl* List(int id) { return Control<CWavedeskListCtrl>(id); }
  QString Cell(int listId, int row, int column) {
    QTreeWidgetItem* item = List(listId)->topLevelItem(row);
    return item != nullptr ? item->text(column) : QStringLiteral("<no row>");
  }
  void ClickRow(int listId, int row) {
    CWavedeskListCtrl* list = List(listId);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(row)).center());
  }

  SettingsRecord settings;
  CWavedeskDoc document;
  CSoundFormView panel;
  CCommandRunner runner;
};

TEST_F(SoundFormViewTest, ShowsTheFourTabsWithTheirColumns) {
  ShowPanel(0);
  auto* tab = Control<QTabWidget>(IDC_TAB);
  ASSERT_EQ(tab->count(), 4);
  EXPECT_EQ(tab->tabText(0), QStringLiteral("File Properties"));
  EXPECT_EQ(tab->tabText(1), QStringLiteral("Audio Layers"));
  EXPECT_EQ(tab->tabText(2), QStringLiteral("Information Tags"));
  EXPECT_EQ(tab->tabText(3), QStringLiteral("Action History"));
  EXPECT_EQ(tab->currentIndex(), 0);

  struct Columns {
    int list;
    const char* first;
    int firstWidth;
    const char* second;
    int secondWidth;
  };
  for (const Columns& c : {Columns{IDC_PROPERTIES_LIST, "Wave Property", 200, "Value", 250},
                           Columns{IDC_TAGS_LIST, "Processed Tags", 130, "Value (Contents)", 300},
                           Columns{IDC_LAYER_LIST, "Layer Name", 130, "Envelope On", 300},
                           Columns{IDC_HISTORY_LIST, "Action", 250, "Time", 130}}) {
    CWavedeskListCtrl* list = List(c.list);
    EXPECT_EQ(list->headerItem()->text(0), QString::fromLatin1(c.first));
    EXPECT_EQ(list->headerItem()->text(1), QString::fromLatin1(c.second));
    EXPECT_EQ(list->columnWidth(0), c.firstWidth);
    // The properties' values widen their column to show whole (below).
    if (c.list == IDC_PROPERTIES_LIST)
      EXPECT_GE(list->columnWidth(1), c.secondWidth);
    else
      EXPECT_EQ(list->columnWidth(1), c.secondWidth);
  }
  // Merging is offered by the Layer menu only.
  tab->setCurrentIndex(1);
  EXPECT_TRUE(Control<QPushButton>(IDC_ADD_LAYER)->isVisible());
  EXPECT_FALSE(Control<QPushButton>(IDC_MERGE_LAYERS)->isVisible());
}

TEST_F(SoundFormViewTest, ShowsThePropertiesOfAMonoEightBitFile) {
  // Given a mono 8-bit file at 22,050 Hz with 88,200 bytes of data (four
  // seconds), which opening turned into one layer of four seconds in the
  // working format
  CSound& sound = document.sound();
  sound.path = "/music/mono8.wav";
  sound.fileFormat = MakeFormatRecord(WaveFormat{1, 1, 22050, 22050, 1, 8, 0});
  AddLayer(4 * 176400);
  // When the panel shows it
  ShowPanel(0);
  // Then every row reads as follows: the figures are the file's, not those
  // of its working-format copy
  const QString rule = QStringLiteral("---------------------------");
  const QStringList expected[] = {
      {"", ""},
      {"General: ", rule},
      {"Wave Filename", "/music/mono8.wav"},
      {"Bit Depth (container size)", "8 bits"},
      {"Channels", "1 (Mono)"},
      {"Sample Rate", "22050 Hz"},
      {"", ""},
      {"Technical:", rule},
      {"Block Align (atomic size)", "1 bytes"},
      {"Total Samples", "88200 samples through each channel"},
      {"Approx. Length", "4 seconds"},
      {"Bytes of total data:", "88200 bytes"},
      {"Avg. Bytes per Sec.", "22050 bps"},
      {"", ""},
      {"Identity:", rule},
      {"File Type", "RIFF, WAVE"},
      {"Format Tag", "WAVE_FORMAT_PCM (Uncompressed PCM)"},
      {"Format Chunk Size", "16 bytes"},
  };
  ASSERT_EQ(List(IDC_PROPERTIES_LIST)->topLevelItemCount(), static_cast<int>(std::size(expected)));
  for (int row = 0; row < static_cast<int>(std::size(expected)); ++row) {
    EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, row, 0), expected[row][0]) << "row " << row;
    EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, row, 1), expected[row][1]) << "row " << row;
  }
}

TEST_F(SoundFormViewTest, StereoFormatsSayStereoAndADamagedRecordDoesNotDivideByZero) {
  AddLayer(400);
  ShowPanel(0);
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 4, 1), QStringLiteral("2 (Stereo)"));
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 9, 1), QStringLiteral("100 samples through each channel"));
  // Given a format record that claims no channels and a block align of 0
  document.sound().fileFormat = MakeFormatRecord(WaveFormat{1, 0, 44100, 0, 0, 16, 0});
  document.UpdateAllViews();
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 4, 1), QStringLiteral("0 (Mono)"));
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 9, 1), QStringLiteral("100 samples through each channel"));
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 10, 1), QStringLiteral("2 milliseconds"));
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 11, 1), QStringLiteral("0 bytes"));
}

TEST_F(SoundFormViewTest, PropertiesShowEveryLabelAndValueWhole) {
  // Given the longest format name and a long file name
  document.sound().path = "/home/somebody/Music/recordings of the long evening session/take 12.wav";
  document.sound().fileFormat = MakeFormatRecord(WaveFormat{17, 2, 44100, 44359, 2048, 4, 0});
  AddLayer(400);
  // When the panel shows them
  ShowPanel(0);
  // Then no column is narrower than its widest text needs, so nothing is elided
  CWavedeskListCtrl* list = List(IDC_PROPERTIES_LIST);
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 16, 1), QStringLiteral("WAVE_FORMAT_IMA_ADPCM (Adapative Differential)"));
  // (the item view keeps a focus-frame margin, plus one pixel, each side of the text)
  const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
  for (int column = 0; column < 2; ++column) {
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      const QString text = Cell(IDC_PROPERTIES_LIST, row, column);
      EXPECT_GE(list->columnWidth(column), list->fontMetrics().horizontalAdvance(text) + margins)
          << "row " << row << " column " << column << ": " << text.toStdString();
    }
  }
  EXPECT_GE(list->columnWidth(0), 200);
  EXPECT_GE(list->columnWidth(1), 250);
}

struct FormatTagCase {
  const char* name;
  uint16_t tag;
  QString text;
};

class FormatTagNameTest : public SoundFormViewTest, public testing::WithParamInterface<FormatTagCase> {};

TEST_P(FormatTagNameTest, NamesTheFormatTag) {
  WaveFormat format = WorkingFormat();
  format.formatTag = GetParam().tag;
  document.sound().fileFormat = MakeFormatRecord(format);
  ShowPanel(0);
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 16, 1), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    SidePanel, FormatTagNameTest,
    testing::Values(FormatTagCase{"PCM", 1, "WAVE_FORMAT_PCM (Uncompressed PCM)"},
                    FormatTagCase{"MSADPCM", 2, "WAVE_FORMAT_ADPCM (Adapative Differential)"},
                    FormatTagCase{"Float", 3, "WAVE_FORMAT_IEEE_FLOAT (Floating Point)"},
                    FormatTagCase{"ALaw", 6, "WAVE_FORMAT_ALAW (A-Law Compression)"},
                    FormatTagCase{"MuLaw", 7, QString::fromUtf8("WAVE_FORMAT_MULAW (\u00B5-Law Compression)")},
                    FormatTagCase{"IMAADPCM", 17, "WAVE_FORMAT_IMA_ADPCM (Adapative Differential)"},
                    FormatTagCase{"MPEGLayer3", 85, "WAVE_FORMAT_MPEGLAYER3"},
                    FormatTagCase{"GSM", 49, "WAVE_FORMAT_GSM610 (GSM 6.10)"},
                    FormatTagCase{"Extensible", 0xFFFE, "WAVE_FORMAT_EXTENSIBLE"},
                    FormatTagCase{"None", 0, "Unknown"}),
    [](const testing::TestParamInfo<FormatTagCase>& info) { return std::string(info.param.name); });

TEST_F(SoundFormViewTest, IdentityRowsDescribeALayeredDocumentAndACompressedWave) {
  // A layered document: its reader fills in the working format's ids and record
  document.sound().path = "/music/session.tvf";
  AddLayer(400);
  ShowPanel(0);
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 15, 1), QStringLiteral("TVF, Layered Document"));
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 16, 1), QStringLiteral("Layered Document (Uncompressed PCM layers)"));
  // A GSM 6.10 wave file, whose record states no sample depth
  document.sound().path = "/music/phone.wav";
  document.sound().fileFormat = MakeFormatRecord(WaveFormat{49, 1, 8000, 1625, 65, 0, 2}, {64, 1});
  document.UpdateAllViews();
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 3, 1), QStringLiteral("None (compressed stream)"));
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 15, 1), QStringLiteral("RIFF, WAVE"));
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 16, 1), QStringLiteral("WAVE_FORMAT_GSM610 (GSM 6.10)"));
}

struct LengthCase {
  const char* name;
  uint32_t totalBytes;
  uint16_t channels;
  const char* text;
};

class ApproximateLengthTest : public SoundFormViewTest, public testing::WithParamInterface<LengthCase> {};

TEST_P(ApproximateLengthTest, ReadsSecondsFromOneSecondOn) {
  // Given a sound of exactly totalBytes bytes (a short layer placed so that
  // it ends there) and a file format of `channels` channels
  WaveFormat format = WorkingFormat();
  format.channels = GetParam().channels;
  document.sound().fileFormat = MakeFormatRecord(format);
  AddLayer(4, static_cast<int32_t>(GetParam().totalBytes - 4));
  ShowPanel(0);
  EXPECT_EQ(Cell(IDC_PROPERTIES_LIST, 10, 1), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    SidePanel, ApproximateLengthTest,
    testing::Values(LengthCase{"JustUnderASecond", 176396, 2, "999 milliseconds"},
                    LengthCase{"OneSecond", 176400, 2, "1 seconds"},
                    // The time is the working copy's, whatever the file's channels.
                    LengthCase{"MonoIsTimedByItsWorkingLength", 88199, 1, "499 milliseconds"},
                    LengthCase{"TwoAndAHalfSeconds", 441000, 2, "2 seconds"},
                    // 4,294,968 frames: their milliseconds overflow 32 bits
                    // and would read as "0 milliseconds".
                    LengthCase{"LongSoundDoesNotWrap", 17179872, 2, "97 seconds"}),
    [](const testing::TestParamInfo<LengthCase>& info) { return std::string(info.param.name); });

TEST_F(SoundFormViewTest, UpdateAndRevertEditTheMarkedTagAndMarkTheDocumentModified) {
  document.sound().tags[kTagTitle] = "Morning";
  AddLayer(400);
  ShowPanel(2);
  auto* value = Control<QPlainTextEdit>(IDC_TAG_VALUE);
  auto* update = Control<QPushButton>(IDC_TAG_UPDATE);
  auto* revert = Control<QPushButton>(IDC_TAG_REVERT);
  EXPECT_FALSE(update->isEnabled());
  EXPECT_FALSE(revert->isEnabled());
  EXPECT_EQ(Cell(IDC_TAGS_LIST, 1, 0), QStringLiteral("Wave Title:"));
  EXPECT_EQ(Cell(IDC_TAGS_LIST, 1, 1), QStringLiteral("Morning"));
  EXPECT_EQ(Cell(IDC_TAGS_LIST, 9, 0), QStringLiteral("Technician:"));
  EXPECT_EQ(Cell(IDC_TAGS_LIST, 9, 1), QStringLiteral("(empty)"));

  // When the title row is clicked, its value is offered for editing
  ClickRow(IDC_TAGS_LIST, 1);
  EXPECT_EQ(value->toPlainText(), QStringLiteral("Morning"));
  EXPECT_TRUE(update->isEnabled());
  EXPECT_TRUE(revert->isEnabled());

  // Revert puts the stored value back and changes nothing
  value->setPlainText(QStringLiteral("Evening"));
  QTest::mouseClick(revert, Qt::LeftButton);
  EXPECT_EQ(value->toPlainText(), QStringLiteral("Morning"));
  EXPECT_FALSE(document.IsModified());

  // Update stores the text in the sound and marks the document modified
  value->setPlainText(QStringLiteral("Evening"));
  QTest::mouseClick(update, Qt::LeftButton);
  EXPECT_EQ(document.sound().tags[kTagTitle], "Evening");
  EXPECT_EQ(Cell(IDC_TAGS_LIST, 1, 1), QStringLiteral("Evening"));
  EXPECT_TRUE(document.IsModified());
  EXPECT_TRUE(document.DisplayTitle().endsWith(QLatin1Char('*')));

  // An empty edit box stores "(empty)"
  value->clear();
  QTest::mouseClick(update, Qt::LeftButton);
  EXPECT_EQ(document.sound().tags[kTagTitle], "(empty)");

  // And an empty tag is edited from an empty box: what is typed is the
  // whole new value, with no "(empty)" in front of it
  ClickRow(IDC_TAGS_LIST, 0);
  ClickRow(IDC_TAGS_LIST, 1);
  EXPECT_EQ(value->toPlainText(), QString());
  value->setFocus();
  QTest::keyClicks(value, QStringLiteral("My Tone"));
  QTest::mouseClick(update, Qt::LeftButton);
  EXPECT_EQ(document.sound().tags[kTagTitle], "My Tone");

  // Row 0 is not a tag: marking it disables both buttons
  ClickRow(IDC_TAGS_LIST, 0);
  EXPECT_FALSE(update->isEnabled());
  EXPECT_FALSE(revert->isEnabled());
  // And no history row was recorded for the edits
  EXPECT_EQ(List(IDC_HISTORY_LIST)->topLevelItemCount(), 1);
}

TEST_F(SoundFormViewTest, TagBytesReadAsUtf8OrWindows1252AndAreWrittenAsUtf8) {
  // Given one tag in UTF-8 and one in Windows-1252 (0xE9 e acute, 0x80 euro)
  document.sound().tags[kTagArtist] = "Caf\xC3\xA9";
  document.sound().tags[kTagGenre] = "Caf\xE9 \x80";
  ShowPanel(2);
  EXPECT_EQ(Cell(IDC_TAGS_LIST, 2, 1), QString::fromUtf8("Caf\u00E9"));
  EXPECT_EQ(Cell(IDC_TAGS_LIST, 3, 1), QString::fromUtf8("Caf\u00E9 \u20AC"));
  // When the Windows-1252 tag is updated unchanged, it is stored as UTF-8
  ClickRow(IDC_TAGS_LIST, 3);
  QTest::mouseClick(Control<QPushButton>(IDC_TAG_UPDATE), Qt::LeftButton);
  EXPECT_EQ(document.sound().tags[kTagGenre], "Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST_F(SoundFormViewTest, ListsTheLayersWithTheirEnvelopeSwitch) {
  AddLayer(400, 0, "Voice");
  AddLayer(400).envelopeOn = 0;
  AddLayer(400, 0, "Drums");
  document.sound().activeLayerIndex = 2;
  ShowPanel(1);
  CWavedeskListCtrl* list = List(IDC_LAYER_LIST);
  ASSERT_EQ(list->topLevelItemCount(), 3);
  EXPECT_EQ(Cell(IDC_LAYER_LIST, 0, 0), QStringLiteral("Voice"));
  EXPECT_EQ(Cell(IDC_LAYER_LIST, 0, 1), QStringLiteral("True"));
  EXPECT_EQ(Cell(IDC_LAYER_LIST, 1, 0), QStringLiteral("Layer 2"));
  EXPECT_EQ(Cell(IDC_LAYER_LIST, 1, 1), QStringLiteral("False"));
  EXPECT_EQ(list->currentItem(), list->topLevelItem(2));
  EXPECT_TRUE(Control<QPushButton>(IDC_DELETE_LAYER)->isEnabled());
  // The first layer can never be deleted: the button follows the active layer
  ClickRow(IDC_LAYER_LIST, 0);
  EXPECT_FALSE(Control<QPushButton>(IDC_DELETE_LAYER)->isEnabled());
}

TEST_F(SoundFormViewTest, RightClickChoosesTheLayerThenOffersTheLayerCommands) {
  AddLayer(4000);
  AddLayer(400, 100);
  AddLayer(400, 200);
  ShowPanel(1);
  QStringList offered;
  // The menu is answered once it is up
  auto* timer = new QTimer(&panel);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, &offered] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    timer->stop();
    for (QAction* action : menu->actions()) offered << action->text();
    menu->close();
  });
  timer->start();
  CWavedeskListCtrl* list = List(IDC_LAYER_LIST);
  const QPoint where = list->visualItemRect(list->topLevelItem(2)).center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, where, list->viewport()->mapToGlobal(where));
  QCoreApplication::sendEvent(list->viewport(), &event);
  EXPECT_EQ(document.sound().activeLayerIndex, 2);
  EXPECT_EQ(document.sound().selectionStart, 200);
  EXPECT_TRUE(offered.contains(QStringLiteral("Layer &Properties..."))) << offered.join(u'|').toStdString();
}

struct SelectionCase {
  const char* name;
  int activeBefore;
  int32_t startBefore, endBefore;
  int clickedRow;  // -1: below the last row
  int activeAfter;
  int32_t startAfter, endAfter;
};

class LayerSelectionTest : public SoundFormViewTest, public testing::WithParamInterface<SelectionCase> {};

TEST_P(LayerSelectionTest, TheClickedLayerBecomesActiveAndHoldsTheSelection) {
  // Given three layers: 0..3999, 1000..2999 and 8000..8399
  AddLayer(4000);
  AddLayer(2000, 1000);
  AddLayer(400, 8000);
  const SelectionCase& c = GetParam();
  CSound& sound = document.sound();
  sound.activeLayerIndex = c.activeBefore;
  sound.selectionStart = c.startBefore;
  sound.selectionEnd = c.endBefore;
  ShowPanel(1);
  int updates = 0;
  QObject::connect(&document, &CWavedeskDoc::updateAllViews, [&updates](UpdateHint) { ++updates; });

  // When the user clicks the row (or the empty space below the rows)
  CWavedeskListCtrl* list = List(IDC_LAYER_LIST);
  if (c.clickedRow >= 0) {
    ClickRow(IDC_LAYER_LIST, c.clickedRow);
  } else {
    const QRect last = list->visualItemRect(list->topLevelItem(2));
    ASSERT_LT(last.bottom() + 10, list->viewport()->height());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, last.bottom() + 10));
  }

  // Then the active layer, its row and the clamped selection follow the rule
  EXPECT_EQ(sound.activeLayerIndex, c.activeAfter);
  EXPECT_EQ(list->currentItem(), list->topLevelItem(c.activeAfter));
  EXPECT_EQ(sound.selectionStart, c.startAfter);
  EXPECT_EQ(sound.selectionEnd, c.endAfter);
  EXPECT_GE(updates, 1);
  EXPECT_FALSE(document.IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    SidePanel, LayerSelectionTest,
    testing::Values(SelectionCase{"StartBeforeTheLayerMovesToItsOffset", 0, 200, 2000, 1, 1, 1000, 2000},
                    SelectionCase{"SelectionAfterTheLayerEndsOnItsLastByte", 0, 3500, 3900, 1, 1, 2999, 2999},
                    SelectionCase{"SelectionInsideStaysPut", 0, 1500, 2500, 1, 1, 1500, 2500},
                    SelectionCase{"ClickBelowTheRowsKeepsTheActiveLayer", 2, 100, 9000, -1, 2, 8000, 8399},
                    SelectionCase{"ClickOnTheActiveRowOnlyClamps", 0, 100, 4000, 0, 0, 100, 3999}),
    [](const testing::TestParamInfo<SelectionCase>& info) { return std::string(info.param.name); });

TEST_F(SoundFormViewTest, AnEmptyLayerKeepsTheSelectionOnItsOffset) {
  AddLayer(4000);
  AddLayer(0, 600);
  document.sound().selectionStart = 100;
  document.sound().selectionEnd = 3000;
  ShowPanel(1);
  ClickRow(IDC_LAYER_LIST, 1);
  EXPECT_EQ(document.sound().selectionStart, 600);
  EXPECT_EQ(document.sound().selectionEnd, 600);
}

TEST_F(SoundFormViewTest, RenamingALayerInPlaceMarksTheDocumentModified) {
  AddLayer(400);
  AddLayer(400);
  ShowPanel(1);
  CWavedeskListCtrl* list = List(IDC_LAYER_LIST);
  // When the second row's label is edited and confirmed with Enter
  QTreeWidgetItem* item = list->topLevelItem(1);
  list->setCurrentItem(item);
  list->editItem(item, 0);
  auto* editor = list->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("Bass"));
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the delegate commits on a queued call
  // Then the layer has the name, the document is modified, and the history
  // records nothing
  EXPECT_EQ(document.sound().layers[1]->name, "Bass");
  EXPECT_EQ(Cell(IDC_LAYER_LIST, 1, 0), QStringLiteral("Bass"));
  EXPECT_TRUE(document.IsModified());
  EXPECT_EQ(List(IDC_HISTORY_LIST)->topLevelItemCount(), 1);
}

struct PropertiesCase {
  const char* name;
  bool confirm;
  const char* layerName;
  const char* envelopeText;
  bool modified;
};

class LayerPropertiesFromPanelTest : public SoundFormViewTest,
                                     public testing::WithParamInterface<PropertiesCase> {};

TEST_P(LayerPropertiesFromPanelTest, DoubleClickOpensThePropertiesOfThatLayer) {
  AddLayer(400);
  AddLayer(400, 0, "Strings");
  ShowPanel(1);
  // When the second row is double-clicked and the dialog is changed and
  // closed with OK or Cancel
  QString dialogName;
  gui_test::WhenModalShows([&dialogName](QWidget* dialog) {
    dialogName = dialog->findChild<QLineEdit*>(ControlName(IDC_LAYER_NAME))->text();
    dialog->findChild<QLineEdit*>(ControlName(IDC_LAYER_NAME))->setText(QStringLiteral("Quiet strings"));
    dialog->findChild<QCheckBox*>(ControlName(IDC_LAYER_ENVELOPE_ON))->setChecked(false);
    const int button = GetParam().confirm ? IDOK : IDCANCEL;
    QTest::mouseClick(dialog->findChild<QPushButton*>(ControlName(button)), Qt::LeftButton);
  });
  CWavedeskListCtrl* list = List(IDC_LAYER_LIST);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());

  // Then the dialog showed that layer, and only OK changed it
  EXPECT_EQ(dialogName, QStringLiteral("Strings"));
  EXPECT_EQ(document.sound().activeLayerIndex, 1);
  EXPECT_EQ(document.sound().layers[1]->name, GetParam().layerName);
  EXPECT_EQ(Cell(IDC_LAYER_LIST, 1, 1), QString::fromLatin1(GetParam().envelopeText));
  EXPECT_EQ(document.IsModified(), GetParam().modified);
  EXPECT_EQ(List(IDC_HISTORY_LIST)->topLevelItemCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    SidePanel, LayerPropertiesFromPanelTest,
    testing::Values(PropertiesCase{"OkTakesTheValues", true, "Quiet strings", "False", true},
                    PropertiesCase{"CancelLeavesTheLayer", false, "Strings", "True", false}),
    [](const testing::TestParamInfo<PropertiesCase>& info) { return std::string(info.param.name); });

struct FirstRowCase {
  const char* name;
  bool isNew;
  const char* action;
  int kind;
};

class FirstHistoryRowTest : public SoundFormViewTest, public testing::WithParamInterface<FirstRowCase> {};

TEST_P(FirstHistoryRowTest, NamesHowTheDocumentBegan) {
  document.SetNew(GetParam().isNew);
  AddLayer(400);
  ShowPanel(3);
  CWavedeskListCtrl* history = List(IDC_HISTORY_LIST);
  ASSERT_EQ(history->topLevelItemCount(), 1);
  EXPECT_EQ(Cell(IDC_HISTORY_LIST, 0, 0), QString::fromLatin1(GetParam().action));
  EXPECT_EQ(history->topLevelItem(0)->data(0, Qt::UserRole).toInt(), GetParam().kind);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{1,2}:\\d\\d:\\d\\d [AP]M$"))
                  .match(Cell(IDC_HISTORY_LIST, 0, 1))
                  .hasMatch())
      << Cell(IDC_HISTORY_LIST, 0, 1).toStdString();
  EXPECT_EQ(panel.currentHistoryIndex(), 0);
  EXPECT_EQ(history->currentItem(), history->topLevelItem(0));
  EXPECT_FALSE(Control<QPushButton>(IDC_UNDO)->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(IDC_REDO)->isEnabled());
  EXPECT_FALSE(document.IsModified());
  // The highlighted row always shows the entry in effect
  history->clearSelection();
  EXPECT_TRUE(history->topLevelItem(0)->isSelected());
}

INSTANTIATE_TEST_SUITE_P(SidePanel, FirstHistoryRowTest,
                         testing::Values(FirstRowCase{"NewDocument", true, "New", 2},
                                         FirstRowCase{"OpenedDocument", false, "Open", 1}),
                         [](const testing::TestParamInfo<FirstRowCase>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

TEST_F(SoundFormViewTest, LayerButtonsRecordHistoryThatUndoAndRedoFollow) {
  // Given a document of two layers with the second one active
  AddLayer(400);
  CSoundLayer& second = AddLayer(400, 0, "Voice");
  document.sound().activeLayerIndex = 1;
  ShowPanel(3);
  CWavedeskListCtrl* history = List(IDC_HISTORY_LIST);

  // When Delete Layer is clicked, the layer goes into the history, not away
  QTest::mouseClick(Control<QPushButton>(IDC_DELETE_LAYER), Qt::LeftButton);
  ASSERT_EQ(document.sound().layers.size(), 1u);
  ASSERT_EQ(history->topLevelItemCount(), 2);
  EXPECT_EQ(Cell(IDC_HISTORY_LIST, 1, 0), QStringLiteral("Remove Layer"));
  EXPECT_EQ(history->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 6);
  EXPECT_EQ(panel.currentHistoryIndex(), 1);
  EXPECT_TRUE(Control<QPushButton>(IDC_UNDO)->isEnabled());
  EXPECT_TRUE(document.IsModified());

  // And Undo puts the same layer back
  QTest::mouseClick(Control<QPushButton>(IDC_UNDO), Qt::LeftButton);
  ASSERT_EQ(document.sound().layers.size(), 2u);
  EXPECT_EQ(document.sound().layers[1].get(), &second);
  EXPECT_EQ(panel.currentHistoryIndex(), 0);
  EXPECT_FALSE(Control<QPushButton>(IDC_UNDO)->isEnabled());
  EXPECT_TRUE(Control<QPushButton>(IDC_REDO)->isEnabled());

  // And Add Layer after the undo discards the redo row
  QTest::mouseClick(Control<QPushButton>(IDC_ADD_LAYER), Qt::LeftButton);
  ASSERT_EQ(document.sound().layers.size(), 3u);
  ASSERT_EQ(history->topLevelItemCount(), 2);
  EXPECT_EQ(Cell(IDC_HISTORY_LIST, 1, 0), QStringLiteral("New Layer"));
  EXPECT_FALSE(Control<QPushButton>(IDC_REDO)->isEnabled());
}

}  // namespace
