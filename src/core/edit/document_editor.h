// The edit, layer and envelope commands of a document as operations of the
// core. Each one that changes the sound records its own history entry
// before it changes anything, marks the document modified, and leaves the
// active layer and the selection valid. The menus, the tool bar and the side
// panel only call these and turn the results into messages; the clipboard is
// theirs too: Cut and Copy hand the clip bytes out, Paste and Mix take them
// in the working format.
//
// Every command works on whole frames inside the active layer's bytes: the
// selection is first clamped to the layer, then its start and end are
// rounded up to the next frame boundary (never past the layer's end). A
// cursor at "end - 2" or "length - 1" thus means the layer's end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/edit/action_history.h"
#include "core/model/sound_document.h"
#include "core/model/wave_generator.h"

class ProgressReport;

// What a command did. The GUI shows these texts for the refusals, exactly:
//   kTooManyLayers  "You cannot have more than ten layers"
//   kOutOfMemory    "Your System doesn't have the resources necessary to perform this operation"
//   kCannotDelete   "You cannot delete this layer"
// The others show nothing.
enum class EditResult {
  kDone,
  kNothingToDo,    // empty selection or clip, no active layer, nothing to undo/redo
  kPlaying,        // Mix while the sound plays: nothing happens
  kTooManyLayers,
  kOutOfMemory,    // a block, or the history's copy of the old state, could not be made
  kCannotDelete,   // Delete Layer with the first layer or no layer active
  kCancelled,      // the generator's progress was cancelled
};

class DocumentEditor {
 public:
  // The first history row is "New" for a document that was created rather
  // than read from a file, "Open" otherwise.
  DocumentEditor(SoundDocument& document, bool createdNew,
                 uint64_t spillThreshold = SavedBytes::kDefaultSpillThreshold);

  DocumentEditor(const DocumentEditor&) = delete;
  DocumentEditor& operator=(const DocumentEditor&) = delete;

  SoundDocument& document() { return m_document; }
  CSound& sound() { return m_document.sound(); }
  CActionHistory& history() { return m_history; }
  const CActionHistory& history() const { return m_history; }

  // The selected bytes of the active layer, or nothing for an empty selection.
  [[nodiscard]] EditResult Copy(std::vector<uint8_t>* clip);
  // Records "Cut" (also for an empty selection), removes the selected bytes
  // and the envelope nodes over them, moves the later nodes left and
  // collapses the selection. `clip`, when given, receives the cut bytes.
  [[nodiscard]] EditResult Cut(std::vector<uint8_t>* clip);
  // Replaces the selection by `clip` (whole frames of it) and selects the
  // pasted bytes; an empty clip changes nothing.
  [[nodiscard]] EditResult Paste(const std::vector<uint8_t>& clip);
  // Keeps only the selected bytes of the active layer; the selection becomes 0..0.
  [[nodiscard]] EditResult Crop();
  // Adds `clip` as a new layer at offset 0, named by its index.
  [[nodiscard]] EditResult Mix(const std::vector<uint8_t>& clip);
  // All layers mixed into one layer "Merged Layer", which becomes active.
  [[nodiscard]] EditResult MergeLayers();
  [[nodiscard]] EditResult SelectAll();
  // 40,000 frames of silence as a new layer.
  [[nodiscard]] EditResult AddBlankLayer();
  // A generated layer called `name`; `progress` may cancel the rendering.
  [[nodiscard]] EditResult GenerateLayer(const GeneratorParameters& parameters, const std::string& name,
                                         ProgressReport* progress = nullptr);
  // Takes the active layer out into the history; the one before it becomes active.
  [[nodiscard]] EditResult DeleteLayer();
  // Envelope commands: a node at the selection start, or none at all. They
  // record no history entry.
  [[nodiscard]] EditResult InsertNode();
  [[nodiscard]] EditResult RemoveAllNodes();
  [[nodiscard]] EditResult Undo();
  [[nodiscard]] EditResult Redo();

  // The active layer's selected range, relative to the layer, clamped to its
  // bytes and rounded up to whole frames; false without an active layer.
  struct Range {
    uint64_t start = 0;
    uint64_t end = 0;
  };
  bool SelectedRange(Range* range);

 private:
  [[nodiscard]] bool Record(const std::string& name, int kind, int32_t layerIndex);

  SoundDocument& m_document;
  CActionHistory m_history;
};
