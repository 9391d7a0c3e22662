// The edit commands on hand-made layers: what each does to the bytes, the
// length, the selection and the envelope, and what its undo and redo bring
// back; the layer commands with their history; and the refusals.
#include "core/edit/document_editor.h"

#include <gtest/gtest.h>

#include <functional>

#include "edit_fixture.h"

using namespace edit_test;

namespace {

enum class Command { kCut, kPaste, kCrop };

struct ByteEditCase {
  const char* name;
  Command command;
  int32_t offset;
  int32_t selectionStart, selectionEnd;
  int clipLength;  // Paste: the clip is bytes 200 ... 200 + clipLength - 1
  std::vector<uint8_t> bytes;
  int32_t expectedStart, expectedEnd;
  std::vector<int64_t> nodes;  // node positions after the edit; before it 0, 8, 12, 16, 24, 36
  const char* row;             // the history row it records, "" for none
};

// A 40-byte layer (ten frames) whose byte i is i; the clip is 200, 201, ...
const std::vector<ByteEditCase> kByteEdits = {
    {"CutMiddle", Command::kCut, 0, 8, 16, 0, Join({Bytes(0, 8), Bytes(16, 40)}), 8, 8, {0, 16, 28}, "Cut"},
    {"CutWithOffset", Command::kCut, 100, 108, 116, 0, Join({Bytes(0, 8), Bytes(16, 40)}), 108, 108, {0, 16, 28}, "Cut"},
    {"CutEmptySelectionStillRecords", Command::kCut, 0, 8, 8, 0, Bytes(0, 40), 8, 8, {0, 8, 12, 16, 24, 36}, "Cut"},
    {"CutPastTheLayerIsClamped", Command::kCut, 0, 32, 1000, 0, Bytes(0, 32), 32, 32, {0, 8, 12, 16, 24}, "Cut"},
    {"CutBeforeTheLayerIsClamped", Command::kCut, 100, 50, 108, 0, Bytes(8, 40), 100, 100, {4, 8, 16, 28}, "Cut"},
    {"CutRoundsUpToWholeFrames", Command::kCut, 0, 6, 14, 0, Join({Bytes(0, 8), Bytes(16, 40)}), 8, 8, {0, 16, 28}, "Cut"},
    {"PasteAtCursor", Command::kPaste, 0, 8, 8, 8, Join({Bytes(0, 8), Bytes(0, 8, 200), Bytes(8, 40)}), 8, 16,
     {0, 20, 24, 32, 44}, "Paste"},
    {"PasteReplacesSelection", Command::kPaste, 0, 8, 16, 8, Join({Bytes(0, 8), Bytes(0, 8, 200), Bytes(16, 40)}), 8, 16,
     {0, 24, 36}, "Paste"},
    {"PasteWithOffset", Command::kPaste, 100, 108, 116, 4, Join({Bytes(0, 8), Bytes(0, 4, 200), Bytes(16, 40)}), 108, 112,
     {0, 20, 32}, "Paste"},
    {"PasteAfterJumpToEndAppends", Command::kPaste, 0, 39, 39, 8, Join({Bytes(0, 40), Bytes(0, 8, 200)}), 40, 48,
     {0, 8, 12, 16, 24, 36}, "Paste"},
    {"PasteAtLayerEndMinusTwoAppends", Command::kPaste, 0, 38, 38, 8, Join({Bytes(0, 40), Bytes(0, 8, 200)}), 40, 48,
     {0, 8, 12, 16, 24, 36}, "Paste"},
    {"PasteDropsAPartialFrame", Command::kPaste, 0, 8, 8, 10, Join({Bytes(0, 8), Bytes(0, 8, 200), Bytes(8, 40)}), 8, 16,
     {0, 20, 24, 32, 44}, "Paste"},
    {"PasteEmptyClipDoesNothing", Command::kPaste, 0, 8, 16, 0, Bytes(0, 40), 8, 16, {0, 8, 12, 16, 24, 36}, ""},
    {"CropKeepsSelection", Command::kCrop, 0, 8, 16, 0, Bytes(8, 16), 0, 0, {4}, "Crop"},
    {"CropWithOffsetKeepsOffset", Command::kCrop, 100, 108, 116, 0, Bytes(8, 16), 0, 0, {4}, "Crop"},
    {"CropEmptySelectionStillRecords", Command::kCrop, 0, 8, 8, 0, Bytes(0, 40), 8, 8, {0, 8, 12, 16, 24, 36}, "Crop"},
    {"CropPastTheLayerIsClamped", Command::kCrop, 0, 24, 900, 0, Bytes(24, 40), 0, 0, {12}, "Crop"},
};

void PrintTo(const ByteEditCase& c, std::ostream* out) { *out << c.name; }

class ByteEdits : public ::testing::TestWithParam<ByteEditCase> {};

TEST_P(ByteEdits, EffectUndoAndRedo) {
  const ByteEditCase& c = GetParam();
  EditDocument doc;
  CSoundLayer& layer = doc.AddLayer(40, c.offset);
  for (int64_t position : {0, 8, 12, 16, 24, 36}) layer.nodes.push_back(EnvelopeNode{position / 40.0, position});
  const std::vector<EnvelopeNode> nodesBefore = layer.nodes;
  doc.sound().selectionStart = c.selectionStart;
  doc.sound().selectionEnd = c.selectionEnd;
  doc.playback.playing = true;

  // When the command runs
  EditResult result = EditResult::kDone;
  ClipBytes clip;
  switch (c.command) {
    case Command::kCut: result = doc.editor.Cut(&clip); break;
    case Command::kPaste: result = PasteBytes(doc.editor, Bytes(0, c.clipLength, 200)); break;
    case Command::kCrop: result = doc.editor.Crop(); break;
  }

  // Then the layer, the selection and the envelope are edited
  const bool records = std::string(c.row) != "";
  EXPECT_EQ(result, records ? EditResult::kDone : EditResult::kNothingToDo);
  EXPECT_EQ(LayerBytes(layer), c.bytes);
  EXPECT_EQ(layer.offset, c.offset);
  EXPECT_EQ(doc.sound().selectionStart, c.expectedStart);
  EXPECT_EQ(doc.sound().selectionEnd, c.expectedEnd);
  EXPECT_EQ(NodePositions(layer), c.nodes);
  EXPECT_EQ(doc.document.IsModified(), records);
  // Playback reads the block being replaced.
  EXPECT_EQ(doc.playback.playing, !records);
  const CActionHistory& history = doc.editor.history();
  ASSERT_EQ(history.rows().size(), records ? 2u : 1u);
  if (!records) return;
  EXPECT_EQ(history.rows()[1].name(), c.row);
  EXPECT_EQ(history.rows()[1].kind, c.command == Command::kPaste  ? HistoryKind::kPaste
                                     : c.command == Command::kCrop ? HistoryKind::kCrop
                                                                   : HistoryKind::kCut);

  // Undo brings back the bytes and the envelope as they were
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  EXPECT_EQ(LayerBytes(layer), Bytes(0, 40));
  ASSERT_EQ(layer.nodes.size(), nodesBefore.size());
  for (size_t i = 0; i < nodesBefore.size(); ++i) {
    EXPECT_EQ(layer.nodes[i].position, nodesBefore[i].position);
    EXPECT_EQ(layer.nodes[i].level, nodesBefore[i].level);
  }
  EXPECT_EQ(history.currentIndex(), 0);

  // Redo puts the edited version back
  ASSERT_EQ(doc.editor.Redo(), EditResult::kDone);
  EXPECT_EQ(LayerBytes(layer), c.bytes);
  EXPECT_EQ(NodePositions(layer), c.nodes);
  EXPECT_EQ(history.currentIndex(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, ByteEdits, ::testing::ValuesIn(kByteEdits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Copy, ReturnsTheSelectedWholeFramesAndChangesNothing) {
  EditDocument doc;
  doc.AddLayer(40, 100);
  struct Case {
    int32_t start, end;
    std::vector<uint8_t> clip;
  };
  const Case cases[] = {
      {108, 116, Bytes(8, 16)}, {107, 113, Bytes(8, 16)}, {90, 104, Bytes(0, 4)}, {136, 500, Bytes(36, 40)}, {108, 108, {}}};
  for (const Case& c : cases) {
    doc.sound().selectionStart = c.start;
    doc.sound().selectionEnd = c.end;
    ClipBytes clip;
    doc.playback.playing = true;
    const EditResult result = doc.editor.Copy(&clip);
    // Copy only reads: whatever plays goes on playing.
    EXPECT_TRUE(doc.playback.playing);
    EXPECT_EQ(doc.playback.stops, 0);
    EXPECT_EQ(result, c.clip.empty() ? EditResult::kNothingToDo : EditResult::kDone) << c.start;
    EXPECT_EQ(ClipContents(clip), c.clip) << c.start << ".." << c.end;
  }
  EXPECT_EQ(LayerBytes(doc.layer(0)), Bytes(0, 40));
  EXPECT_FALSE(doc.document.IsModified());
  EXPECT_EQ(doc.editor.history().rows().size(), 1u);
}

TEST(Cut, HandsOutTheCutBytes) {
  EditDocument doc;
  doc.AddLayer(40);
  doc.sound().selectionStart = 8;
  doc.sound().selectionEnd = 16;
  ClipBytes clip;
  ASSERT_EQ(doc.editor.Cut(&clip), EditResult::kDone);
  EXPECT_EQ(ClipContents(clip), Bytes(8, 16));
}

TEST(Cut, UndoOfAnEmptyCutChangesNothing) {
  EditDocument doc;
  doc.AddLayer(40);
  doc.sound().selectionStart = doc.sound().selectionEnd = 8;
  ASSERT_EQ(doc.editor.Cut(nullptr), EditResult::kDone);
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  EXPECT_EQ(LayerBytes(doc.layer(0)), Bytes(0, 40));
  EXPECT_EQ(doc.editor.history().RedoLabel(), "&Redo - Cut\tCtrl+Y");
}

TEST(Mix, AddsTheClipAsANewLayerThatUndoTakesOut) {
  EditDocument doc;
  doc.AddLayer(40);
  doc.AddLayer(40);
  ASSERT_EQ(doc.editor.Mix(Clip(Bytes(0, 10, 200))), EditResult::kDone);
  ASSERT_EQ(doc.sound().layers.size(), 3u);
  const CSoundLayer* mixed = &doc.layer(2);
  EXPECT_EQ(mixed->name, "Layer 3");
  EXPECT_EQ(mixed->offset, 0);
  EXPECT_EQ(LayerBytes(*mixed), Bytes(0, 8, 200));
  EXPECT_EQ(doc.editor.history().rows().back().name(), "New Layer");
  EXPECT_EQ(doc.editor.history().rows().back().kind, HistoryKind::kNewLayer);
  EXPECT_TRUE(doc.document.IsModified());

  doc.sound().activeLayerIndex = 2;
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  EXPECT_EQ(doc.sound().layers.size(), 2u);
  // The active layer index no longer points past the list.
  EXPECT_LT(doc.sound().activeLayerIndex, 2);
  EXPECT_GE(doc.sound().activeLayerIndex, 0);
  ASSERT_EQ(doc.editor.Redo(), EditResult::kDone);
  ASSERT_EQ(doc.sound().layers.size(), 3u);
  EXPECT_EQ(&doc.layer(2), mixed);
}

TEST(Mix, RefusesWhilePlayingAndWithTenLayers) {
  EditDocument doc;
  doc.AddLayer(40);
  doc.playback.playing = true;
  EXPECT_EQ(doc.editor.Mix(Clip(Bytes(0, 8))), EditResult::kPlaying);
  doc.playback.playing = false;
  EXPECT_EQ(doc.editor.Mix(ClipBytes{}), EditResult::kNothingToDo);
  for (int i = 1; i < 10; ++i) doc.AddLayer(8);
  EXPECT_EQ(doc.editor.Mix(Clip(Bytes(0, 8))), EditResult::kTooManyLayers);
  EXPECT_EQ(doc.editor.AddBlankLayer(), EditResult::kTooManyLayers);
  EXPECT_EQ(doc.editor.GenerateLayer(GeneratorParameters{}, "Tone"), EditResult::kTooManyLayers);
  EXPECT_EQ(doc.sound().layers.size(), 10u);
  EXPECT_EQ(doc.editor.history().rows().size(), 1u);
  EXPECT_FALSE(doc.document.IsModified());
}

TEST(MergeLayers, OneMergedLayerThatUndoSplitsAgain) {
  EditDocument doc;
  doc.AddLayer(8, 0, 1);
  doc.AddLayer(8, 4, 0);
  doc.AddLayer(8, 0, 0);
  doc.sound().activeLayerIndex = 2;
  std::vector<const CSoundLayer*> before;
  for (const auto& layer : doc.sound().layers) before.push_back(layer.get());
  doc.playback.playing = true;

  ASSERT_EQ(doc.editor.MergeLayers(), EditResult::kDone);
  EXPECT_FALSE(doc.playback.playing);
  ASSERT_EQ(doc.sound().layers.size(), 1u);
  EXPECT_EQ(doc.layer(0).name, "Merged Layer");
  EXPECT_EQ(doc.layer(0).length(), 12u);
  EXPECT_EQ(doc.sound().activeLayerIndex, 0);
  EXPECT_EQ(doc.editor.history().rows().back().name(), "Merge");
  EXPECT_EQ(doc.editor.history().rows().back().action->length(), 16u);
  const CSoundLayer* merged = &doc.layer(0);

  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  ASSERT_EQ(doc.sound().layers.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(doc.sound().layers[i].get(), before[i]);
  ASSERT_EQ(doc.editor.Redo(), EditResult::kDone);
  ASSERT_EQ(doc.sound().layers.size(), 1u);
  EXPECT_EQ(&doc.layer(0), merged);
  EXPECT_EQ(doc.sound().activeLayerIndex, 0);
}

TEST(DeleteLayer, RefusesTheFirstLayerAndNoLayer) {
  EditDocument doc;
  doc.AddLayer(40);
  doc.AddLayer(40);
  for (int32_t active : {0, -1}) {
    doc.sound().activeLayerIndex = active;
    EXPECT_EQ(doc.editor.DeleteLayer(), EditResult::kCannotDelete) << active;
  }
  EXPECT_EQ(doc.sound().layers.size(), 2u);
  EXPECT_EQ(doc.editor.history().rows().size(), 1u);
}

TEST(DeleteLayer, UndoPutsTheSameLayerBackWithItsNameColoursAndEnvelope) {
  EditDocument doc;
  doc.AddLayer(40);
  doc.AddLayer(40);
  CSoundLayer& third = doc.AddLayer(40, 12, 3);
  doc.AddLayer(40);
  third.name = "Voice";
  third.waveColor = MakeColorValue(1, 2, 3);
  third.envelopeColor = MakeColorValue(4, 5, 6);
  third.envelopeOn = 0;
  third.nodes = {{-0.5, 4}, {0.25, 20}};
  doc.sound().activeLayerIndex = 2;
  doc.playback.playing = true;

  ASSERT_EQ(doc.editor.DeleteLayer(), EditResult::kDone);
  EXPECT_FALSE(doc.playback.playing);
  EXPECT_EQ(doc.sound().layers.size(), 3u);
  EXPECT_EQ(doc.sound().activeLayerIndex, 1);
  EXPECT_EQ(doc.editor.history().rows().back().name(), "Remove Layer");
  EXPECT_EQ(doc.editor.history().rows().back().kind, HistoryKind::kRemoveLayer);
  EXPECT_EQ(doc.editor.history().rows().back().action->savedLayer(), &third);

  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  ASSERT_EQ(doc.sound().layers.size(), 4u);
  ASSERT_EQ(&doc.layer(2), &third);
  EXPECT_EQ(third.name, "Voice");
  EXPECT_EQ(third.offset, 12);
  EXPECT_EQ(third.waveColor, MakeColorValue(1, 2, 3));
  EXPECT_EQ(third.envelopeColor, MakeColorValue(4, 5, 6));
  EXPECT_EQ(third.envelopeOn, 0);
  EXPECT_EQ(NodePositions(third), (std::vector<int64_t>{4, 20}));
  EXPECT_EQ(LayerBytes(third), Bytes(0, 40, 3));

  // Redo with the last layer active: the index must stay inside the list.
  doc.sound().activeLayerIndex = 3;
  ASSERT_EQ(doc.editor.Redo(), EditResult::kDone);
  EXPECT_EQ(doc.sound().layers.size(), 3u);
  EXPECT_GE(doc.sound().activeLayerIndex, 0);
  EXPECT_LT(doc.sound().activeLayerIndex, 3);
}

TEST(AddLayers, BlankAndGeneratedLayersRecordNewLayer) {
  EditDocument doc;
  doc.AddLayer(40);
  ASSERT_EQ(doc.editor.AddBlankLayer(), EditResult::kDone);
  ASSERT_EQ(doc.sound().layers.size(), 2u);
  EXPECT_EQ(doc.layer(1).length(), 40000u * 4);
  EXPECT_EQ(doc.layer(1).name, "Layer 2");
  GeneratorParameters tone;
  tone.length = 100;
  ASSERT_EQ(doc.editor.GenerateLayer(tone, "Tone"), EditResult::kDone);
  EXPECT_EQ(doc.layer(2).name, "Tone");
  EXPECT_EQ(doc.layer(2).length(), 400u);
  const auto& rows = doc.editor.history().rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].name(), "New Layer");
  EXPECT_EQ(rows[2].name(), "New Layer");
  EXPECT_TRUE(doc.document.IsModified());
  doc.sound().activeLayerIndex = 2;
  ASSERT_EQ(doc.editor.Undo(), EditResult::kDone);
  EXPECT_EQ(doc.sound().layers.size(), 2u);
  EXPECT_EQ(doc.sound().activeLayerIndex, 1);
}

TEST(Envelope, InsertNodeAndRemoveAllNodesStopPlaybackAndRecordNothing) {
  EditDocument doc;
  CSoundLayer& layer = doc.AddLayer(40, 100);
  doc.sound().selectionStart = doc.sound().selectionEnd = 115;
  doc.playback.playing = true;
  ASSERT_EQ(doc.editor.InsertNode(), EditResult::kDone);
  EXPECT_EQ(NodePositions(layer), (std::vector<int64_t>{16}));
  EXPECT_FALSE(doc.playback.playing);
  layer.nodes.push_back({0, 40});
  ASSERT_EQ(doc.editor.RemoveAllNodes(), EditResult::kDone);
  EXPECT_TRUE(layer.nodes.empty());
  EXPECT_EQ(doc.editor.history().rows().size(), 1u);
  // The envelope is part of what is saved: the document must ask to be saved.
  EXPECT_TRUE(doc.document.IsModified());
}

TEST(SelectAll, SelectsTheActiveLayer) {
  EditDocument doc;
  doc.AddLayer(40, 0);
  doc.AddLayer(20, 60);
  doc.sound().activeLayerIndex = 1;
  ASSERT_EQ(doc.editor.SelectAll(), EditResult::kDone);
  EXPECT_EQ(doc.sound().selectionStart, 60);
  EXPECT_EQ(doc.sound().selectionEnd, 80);
}

TEST(Commands, WithoutLayersDoNothing) {
  EditDocument doc;
  ClipBytes clip;
  EXPECT_EQ(doc.editor.Copy(&clip), EditResult::kNothingToDo);
  EXPECT_EQ(doc.editor.Cut(&clip), EditResult::kNothingToDo);
  EXPECT_EQ(PasteBytes(doc.editor, Bytes(0, 8)), EditResult::kNothingToDo);
  EXPECT_EQ(doc.editor.Crop(), EditResult::kNothingToDo);
  EXPECT_EQ(doc.editor.MergeLayers(), EditResult::kNothingToDo);
  EXPECT_EQ(doc.editor.InsertNode(), EditResult::kNothingToDo);
  EXPECT_EQ(doc.editor.Undo(), EditResult::kNothingToDo);
  EXPECT_EQ(doc.editor.Redo(), EditResult::kNothingToDo);
  EXPECT_EQ(doc.editor.history().rows().size(), 1u);
}

TEST(Commands, FirstRowSaysHowTheDocumentBegan) {
  SoundDocument document(DefaultSettings());
  DocumentEditor opened(document);
  opened.StartHistory(false);
  DocumentEditor created(document);
  created.StartHistory(true);
  EXPECT_EQ(opened.history().rows()[0].name(), "Open");
  EXPECT_EQ(opened.history().rows()[0].kind, HistoryKind::kOpen);
  EXPECT_EQ(created.history().rows()[0].name(), "New");
  EXPECT_EQ(created.history().rows()[0].kind, HistoryKind::kNew);
  EXPECT_EQ(created.history().currentIndex(), 0);
  EXPECT_FALSE(created.history().CanUndo());
  EXPECT_FALSE(created.history().CanRedo());
}

}  // namespace

namespace {

// The changes the mouse and the side panel make, as operations of the
// editor: each keeps its rule and marks the document modified only when
// something changed.
TEST(PaneChanges, ANodeStaysBetweenItsNeighboursAndInsideTheLayer) {
  EditDocument doc;
  CSoundLayer& layer = doc.AddLayer(400);
  layer.nodes = {{1.0, 0}, {0.0, 100}, {-1.0, 200}};
  struct Case {
    size_t node;
    int64_t position;
    double level;
    EnvelopeNode expected;
  };
  const Case cases[] = {
      {1, 150, 0.5, {0.5, 150}},   // free between its neighbours
      {1, 250, 0.5, {0.5, 200}},   // held at the next node
      {1, -40, 0.5, {0.5, 0}},     // held at the previous one
      {0, -10, 3.0, {1.0, 0}},     // the first: not before the layer; level at most +1
      {2, 900, -3.0, {-1.0, 396}}, // the last: at most the layer's last frame
  };
  for (const Case& c : cases) {
    const EnvelopeNode moved = doc.editor.MoveNode(0, c.node, c.position, c.level);
    EXPECT_EQ(moved.position, c.expected.position) << c.node << " to " << c.position;
    EXPECT_EQ(moved.level, c.expected.level) << c.node << " to " << c.position;
    EXPECT_EQ(layer.nodes[c.node].position, c.expected.position);
  }
  EXPECT_TRUE(doc.document.IsModified());
}

TEST(PaneChanges, ChangesMarkTheDocumentOnlyWhenSomethingChanged) {
  struct Case {
    const char* name;
    std::function<void(EditDocument&)> change;
    bool modifies;
  };
  const Case cases[] = {
      {"move_layer", [](EditDocument& d) { (void)d.editor.MoveLayer(0, 40); }, true},
      {"move_layer_nowhere", [](EditDocument& d) { (void)d.editor.MoveLayer(0, 0); }, false},
      {"move_node_nowhere", [](EditDocument& d) { (void)d.editor.MoveNode(0, 0, 0, 1.0); }, false},
      {"remove_node", [](EditDocument& d) { d.editor.RemoveNode(0, 0); }, true},
      {"rename", [](EditDocument& d) { d.editor.RenameLayer(0, "Voice"); }, true},
      {"rename_to_the_same", [](EditDocument& d) { d.editor.RenameLayer(0, d.layer(0).name); }, false},
      {"look", [](EditDocument& d) { d.editor.SetLayerLook(0, {d.layer(0).name, 1, 2, true}); }, true},
      {"tag", [](EditDocument& d) { d.editor.SetTag(kTagTitle, "My Tone"); }, true},
      {"empty_tag_stays_empty", [](EditDocument& d) { d.editor.SetTag(kTagTitle, ""); }, false},
      {"select", [](EditDocument& d) { d.editor.Select(Selection{8, 16}); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EditDocument doc;
    doc.AddLayer(400).nodes = {{1.0, 0}};
    c.change(doc);
    EXPECT_EQ(doc.document.IsModified(), c.modifies);
  }
}

TEST(PaneChanges, AMovedLayerTakesTheSelectionAlongAndStaysInTheSound) {
  EditDocument doc;
  doc.AddLayer(400, 100);
  Selection{120, 160}.ApplyTo(doc.sound());
  EXPECT_EQ(doc.editor.MoveLayer(0, 300), 300);
  EXPECT_EQ(Selection::Of(doc.sound()), (Selection{320, 360}));
  EXPECT_EQ(doc.editor.MoveLayer(0, -50), 0);
  EXPECT_EQ(Selection::Of(doc.sound()), (Selection{20, 60}));
  EXPECT_EQ(doc.editor.MoveLayer(0, int64_t{1} << 40), kLargestSoundPosition);
}

TEST(PaneChanges, AnEmptyTagIsStoredAsTheEmptyTag) {
  EditDocument doc;
  doc.editor.SetTag(kTagArtist, "Someone");
  doc.editor.SetTag(kTagArtist, "");
  EXPECT_EQ(doc.sound().tags[kTagArtist], kEmptyTag);
}

}  // namespace
