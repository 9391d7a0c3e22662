// An open document with its editing: a save marks the row in effect as the
// saved state, and a wave file that keeps only the mix of the layers leaves
// no row that is, so that undo and redo never call the layers saved.
#include "core/edit/editable_document.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(EditableDocument, OnlyASaveThatKeepsEverythingMakesARowTheSavedState) {
  struct Case {
    const char* name;
    int layers;
    const char* savedAs;
    bool modifiedAfterUndoAndRedo;
  };
  const Case cases[] = {
      {"layered_document", 2, "take.tvf", false},
      {"wave_of_one_layer", 1, "take.wav", false},
      {"wave_of_two_layers", 2, "take.wav", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Given a document of `layers` layers with one cut
    test_support::TemporaryFolder folder;
    SettingsRecord settings;
    settings.autoCreateEnvelope = 0;
    EditableDocument document(settings);
    SilentProgress silent;
    GeneratorParameters tone;
    tone.length = 4410;
    ASSERT_TRUE(document.document().New(tone, silent));
    for (int i = 1; i < c.layers; ++i) ASSERT_EQ(document.editor().AddBlankLayer(), EditResult::kDone);
    document.editor().StartHistory(true);
    Selection{0, 400}.ApplyTo(document.sound());
    ASSERT_EQ(document.editor().Cut(nullptr), EditResult::kDone);
    // When it is saved, then undone and redone back to the saved row
    ASSERT_TRUE(document.Save(folder.File(c.savedAs), SaveChoices{}, silent).ok());
    ASSERT_EQ(document.editor().Undo(), EditResult::kDone);
    EXPECT_TRUE(document.document().IsModified());
    ASSERT_EQ(document.editor().Redo(), EditResult::kDone);
    // Then the document is as saved only when the file kept it all
    EXPECT_EQ(document.document().IsModified(), c.modifiedAfterUndoAndRedo);
  }
}

}  // namespace
