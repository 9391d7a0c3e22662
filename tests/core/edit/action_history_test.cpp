// The action history's rows: ten at most with the oldest pushed out, redo
// rows discarded by a new action (with the layers they held), the labels of
// Undo and Redo, the time column, undo and redo alternating without copies,
// and the selection repair after an undo.
#include "core/edit/action_history.h"

#include <gtest/gtest.h>

#include "edit_fixture.h"

using namespace edit_test;

namespace {

// A layer that counts its destructions, to see rows free what they hold.
class CountedLayer : public CSoundLayer {
 public:
  explicit CountedLayer(int* destroyed)
      : CSoundLayer(0, "counted", std::unique_ptr<uint8_t[]>(new uint8_t[8]()), 8, EditDocument::NoEnvelope()),
        m_destroyed(destroyed) {}
  ~CountedLayer() override { ++*m_destroyed; }

 private:
  int* m_destroyed;
};

std::vector<std::string> RowNames(const CActionHistory& history) {
  std::vector<std::string> names;
  for (const HistoryRow& row : history.rows()) names.push_back(row.name());
  return names;
}

// The rows by their serial numbers: the first row ("Open") is 1, the
// rows RecordCuts records are 2, 3, ... in order.
std::vector<uint64_t> RowSerials(const CActionHistory& history) {
  std::vector<uint64_t> serials;
  for (const HistoryRow& row : history.rows()) serials.push_back(row.serial);
  return serials;
}

// Records Cut rows number `first` ... `last` (serials first + 1 ... last + 1).
void RecordCuts(EditDocument& doc, int first, int last) {
  for (int i = first; i <= last; ++i) ASSERT_TRUE(doc.editor.history().AddAction(doc.sound(), HistoryKind::kCut, 0));
}

TEST(ActionHistory, TenRowsAtMostWithTheCurrentIndexAtTheLast) {
  // Given ten rows with the current index at 9
  EditDocument doc;
  doc.AddLayer(40);
  RecordCuts(doc, 1, 9);
  ASSERT_EQ(doc.editor.history().rows().size(), 10u);
  ASSERT_EQ(doc.editor.history().currentIndex(), 9);
  // When one more is recorded, then the oldest row leaves
  RecordCuts(doc, 10, 10);
  EXPECT_EQ(RowSerials(doc.editor.history()), (std::vector<uint64_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(doc.editor.history().currentIndex(), 9);
}

TEST(ActionHistory, TenRowsWithFiveUndoneLeaveFive) {
  // Given ten rows and five undos (current index 4)
  EditDocument doc;
  doc.AddLayer(40);
  RecordCuts(doc, 1, 9);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(doc.editor.history().UndoAction(doc.sound()));
  ASSERT_EQ(doc.editor.history().currentIndex(), 4);
  // When a new action is recorded, rows 5-9 go as redo rows and row 0 as the oldest
  RecordCuts(doc, 10, 10);
  EXPECT_EQ(RowSerials(doc.editor.history()), (std::vector<uint64_t>{2, 3, 4, 5, 11}));
  EXPECT_EQ(doc.editor.history().currentIndex(), 4);
  EXPECT_FALSE(doc.editor.history().CanRedo());
}

TEST(ActionHistory, LabelsFollowTheCurrentRow) {
  EditDocument doc;
  doc.AddLayer(40);
  const CActionHistory& history = doc.editor.history();
  EXPECT_EQ(history.UndoLabel(), "&Undo\tCtrl+Z");
  EXPECT_EQ(history.RedoLabel(), "&Redo\tCtrl+Y");
  doc.sound().selectionEnd = 8;
  ASSERT_EQ(doc.editor.Cut(nullptr), EditResult::kDone);
  ASSERT_EQ(PasteBytes(doc.editor, Bytes(0, 8)), EditResult::kDone);
  EXPECT_EQ(history.UndoLabel(), "&Undo - Paste\tCtrl+Z");
  EXPECT_EQ(history.RedoLabel(), "&Redo\tCtrl+Y");
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  EXPECT_EQ(history.UndoLabel(), "&Undo - Cut\tCtrl+Z");
  EXPECT_EQ(history.RedoLabel(), "&Redo - Paste\tCtrl+Y");
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  EXPECT_EQ(history.UndoLabel(), "&Undo\tCtrl+Z");
  EXPECT_EQ(history.RedoLabel(), "&Redo - Cut\tCtrl+Y");
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(doc.editor.Undo(), EditResult::kNothingToDo);
}

TEST(ActionHistory, ANewActionDiscardsTheRedoRowsWithWhatTheyHold) {
  // Given a merge of three layers and a new layer, both undone
  int original = 0, merged = 0;
  EditDocument doc;
  for (int i = 0; i < 3; ++i) doc.sound().layers.push_back(std::make_unique<CountedLayer>(&original));
  ASSERT_EQ(doc.editor.MergeLayers(), EditResult::kDone);
  // (the merged layer, swapped for one that counts)
  doc.sound().layers[0] = std::make_unique<CountedLayer>(&merged);
  ASSERT_EQ(doc.editor.AddBlankLayer(), EditResult::kDone);
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  ASSERT_EQ(doc.sound().layers.size(), 3u);
  ASSERT_EQ(merged, 0);

  // When a new action is recorded
  ASSERT_EQ(doc.editor.Cut(nullptr), EditResult::kDone);

  // Then both redo rows are gone and the merge row freed the layer it held
  EXPECT_EQ(RowNames(doc.editor.history()), (std::vector<std::string>{"Open", "Cut"}));
  EXPECT_EQ(merged, 1);
  EXPECT_EQ(original, 0);
  EXPECT_FALSE(doc.editor.history().CanRedo());
}

TEST(ActionHistory, AMergeRowPushedOutFreesTheLayersOfItsList) {
  int destroyed = 0;
  EditDocument doc;
  for (int i = 0; i < 3; ++i) doc.sound().layers.push_back(std::make_unique<CountedLayer>(&destroyed));
  ASSERT_EQ(doc.editor.MergeLayers(), EditResult::kDone);
  // Open, Merge and eight cuts: ten rows; the ninth cut pushes "Open" out.
  for (int i = 0; i < 9; ++i) ASSERT_EQ(doc.editor.Cut(nullptr), EditResult::kDone);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(doc.editor.history().rows().front().name(), "Merge");
  ASSERT_EQ(doc.editor.Cut(nullptr), EditResult::kDone);
  EXPECT_EQ(doc.editor.history().rows().front().name(), "Cut");
  EXPECT_EQ(destroyed, 3);
}

TEST(ActionHistory, UndoAndRedoAlternateWithoutCopies) {
  EditDocument doc;
  CSoundLayer& layer = doc.AddLayer(40);
  doc.sound().selectionStart = 8;
  doc.sound().selectionEnd = 16;
  ASSERT_EQ(PasteBytes(doc.editor, Bytes(0, 4, 200)), EditResult::kDone);
  const uint8_t* pasted = layer.data();
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  const uint8_t* original = layer.data();
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(doc.editor.Redo(), EditResult::kDone);
    EXPECT_EQ(layer.data(), pasted);
    EXPECT_EQ(layer.length(), 36u);
    ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
    EXPECT_EQ(layer.data(), original);
    EXPECT_EQ(LayerBytes(layer), Bytes(0, 40));
  }
}

TEST(ActionHistory, UndoRepairsASelectionLeftOutsideTheLayers) {
  // Given a paste that grew the layer and left its bytes selected
  EditDocument doc;
  doc.AddLayer(40, 100);
  doc.sound().selectionStart = doc.sound().selectionEnd = 140;
  ASSERT_EQ(PasteBytes(doc.editor, Bytes(0, 20)), EditResult::kDone);
  ASSERT_EQ(doc.sound().selectionEnd, 160);
  // When it is undone, the selection lies past the layer's end: collapsed to the layer's offset
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  EXPECT_EQ(doc.sound().activeLayerIndex, 0);
  EXPECT_EQ(doc.sound().selectionStart, 100);
  EXPECT_EQ(doc.sound().selectionEnd, 100);
}

TEST(ActionHistory, UndoAndRedoStopPlayback) {
  EditDocument doc;
  doc.AddLayer(40);
  ASSERT_EQ(doc.editor.Cut(nullptr), EditResult::kDone);
  for (bool undo : {true, false}) {
    doc.playback.playing = true;
    ASSERT_EQ(undo ? doc.editor.Undo() : doc.editor.Redo(), EditResult::kDone);
    EXPECT_FALSE(doc.playback.playing) << undo;
  }
}

TEST(ActionHistory, RowsCarryTheTimeOfRecording) {
  EditDocument doc;
  doc.AddLayer(40);
  doc.editor.history().SetClock([] {
    std::tm time{};
    time.tm_hour = 15;
    time.tm_min = 4;
    time.tm_sec = 7;
    return time;
  });
  ASSERT_EQ(doc.editor.Cut(nullptr), EditResult::kDone);
  EXPECT_EQ(doc.editor.history().rows().back().timeText, "3:04:07 PM");
}

TEST(FormatHistoryTime, TwelveHourClockWithoutALeadingZero) {
  struct Case {
    int hour, minute, second;
    const char* text;
  };
  const Case cases[] = {{0, 5, 9, "0:05:09 AM"},     {9, 0, 0, "9:00:00 AM"},    {11, 59, 59, "11:59:59 AM"},
                        {12, 30, 0, "12:30:00 PM"},  {13, 5, 9, "1:05:09 PM"},   {23, 59, 59, "11:59:59 PM"}};
  for (const Case& c : cases) {
    std::tm time{};
    time.tm_hour = c.hour;
    time.tm_min = c.minute;
    time.tm_sec = c.second;
    EXPECT_EQ(FormatHistoryTime(time), c.text) << c.hour;
  }
}

}  // namespace

namespace {

enum class Step { kCut, kUndo, kRedo, kSave, kInsertNode };

struct SavedRowCase {
  const char* name;
  std::vector<Step> steps;
  bool modified;  // after the steps
};

const SavedRowCase kSavedRowCases[] = {
    {"undo_back_to_the_opened_state", {Step::kCut, Step::kUndo}, false},
    {"redo_away_from_it", {Step::kCut, Step::kUndo, Step::kRedo}, true},
    {"undo_past_a_save", {Step::kCut, Step::kSave, Step::kUndo}, true},
    {"redo_back_to_the_save", {Step::kCut, Step::kSave, Step::kUndo, Step::kRedo}, false},
    {"undo_to_a_save_two_rows_back", {Step::kCut, Step::kSave, Step::kCut, Step::kCut, Step::kUndo, Step::kUndo}, false},
    // A change with no row cannot be undone: no row is the saved state any more.
    {"a_node_after_the_save", {Step::kCut, Step::kSave, Step::kInsertNode, Step::kUndo, Step::kRedo}, true},
    {"a_node_before_the_save", {Step::kInsertNode, Step::kSave, Step::kCut, Step::kUndo}, false},
    // The saved row discarded by a new edit after an undo.
    {"saved_row_discarded", {Step::kCut, Step::kSave, Step::kUndo, Step::kCut, Step::kUndo}, true},
};

class SavedRow : public testing::TestWithParam<SavedRowCase> {};

TEST_P(SavedRow, TheChangeMarkFollowsTheRowThatWasSaved) {
  // Given a document as it was read from its file
  EditDocument doc;
  doc.AddLayer(400);
  doc.editor.StartHistory(false);
  ASSERT_FALSE(doc.document.IsModified());
  // When the steps are taken
  for (Step step : GetParam().steps) {
    switch (step) {
      case Step::kCut:
        Selection{0, 8}.ApplyTo(doc.sound());
        ASSERT_EQ(doc.editor.Cut(nullptr), EditResult::kDone);
        break;
      case Step::kUndo: ASSERT_EQ(doc.editor.Undo(), EditResult::kDone); break;
      case Step::kRedo: ASSERT_EQ(doc.editor.Redo(), EditResult::kDone); break;
      case Step::kSave:
        doc.document.SetModifiedFlag(false);
        doc.editor.MarkSaved();
        break;
      case Step::kInsertNode: ASSERT_EQ(doc.editor.InsertNode(), EditResult::kDone); break;
    }
  }
  // Then the document is modified exactly when the sound is not the saved one
  EXPECT_EQ(doc.document.IsModified(), GetParam().modified);
}

INSTANTIATE_TEST_SUITE_P(Table, SavedRow, testing::ValuesIn(kSavedRowCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryKinds, EachKindHasItsNameIconAndExchange) {
  struct Case {
    HistoryKind kind;
    const char* name;
    int icon;
    HistoryExchange exchange;
  };
  const Case cases[] = {
      {HistoryKind::kOpen, "Open", 1, HistoryExchange::kNone},
      {HistoryKind::kNew, "New", 2, HistoryExchange::kNone},
      {HistoryKind::kCut, "Cut", 3, HistoryExchange::kLayerBytes},
      {HistoryKind::kCrop, "Crop", 3, HistoryExchange::kLayerBytes},
      {HistoryKind::kPaste, "Paste", 4, HistoryExchange::kLayerBytes},
      {HistoryKind::kNewLayer, "New Layer", 5, HistoryExchange::kNewLayer},
      {HistoryKind::kRemoveLayer, "Remove Layer", 6, HistoryExchange::kRemoveLayer},
      {HistoryKind::kMerge, "Merge", 7, HistoryExchange::kLayerList},
  };
  for (const Case& c : cases) {
    const HistoryKindInfo& info = InfoFor(c.kind);
    EXPECT_EQ(info.name, c.name);
    EXPECT_EQ(info.icon, c.icon) << c.name;
    EXPECT_EQ(info.exchange, c.exchange) << c.name;
  }
}

}  // namespace
