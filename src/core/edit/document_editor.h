// Every change of a document as an operation of the core: the edit, layer
// and envelope commands, the mouse's edits (the selection, the active layer,
// envelope nodes, layer offsets), the side panel's (layer names and looks,
// tags), undo and redo. Each operation that changes the sound records its own
// history entry where the program keeps one, marks the document modified and
// leaves the active layer and the selection valid; the document's observer
// hears of every change of the history. The menus, the tool bar, the side
// panel and the view only call these and turn the results into messages; the
// clipboard is theirs too: Cut and Copy hand the clip bytes out, Paste and
// Mix take them in the working format.
//
// Every command works on whole frames inside the active layer's bytes (see
// Selection::InLayer).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/edit/action_history.h"
#include "core/model/selection.h"
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

// Clip bytes in the working format, owned by one block.
struct ClipBytes {
  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;
  bool empty() const { return length == 0; }
};

// What a layer looks like, as the Layer Properties dialog sets it.
struct LayerLook {
  std::string name;
  uint32_t waveColor = 0;
  uint32_t envelopeColor = 0;
  bool envelopeOn = true;
};

class DocumentEditor {
 public:
  DocumentEditor(SoundDocument& document, uint64_t spillThreshold = SavedBytes::kDefaultSpillThreshold);

  DocumentEditor(const DocumentEditor&) = delete;
  DocumentEditor& operator=(const DocumentEditor&) = delete;

  SoundDocument& document() { return m_document; }
  CSound& sound() { return m_document.sound(); }
  const CActionHistory& history() const { return m_history; }
  CActionHistory& history() { return m_history; }

  // Starts the history over with its first row: "New" for a document the
  // program made, "Open" for one read from a file. A document that is not
  // modified then is as saved at that row.
  void StartHistory(bool createdNew);
  // The document was saved: the row in effect is the saved state.
  void MarkSaved();
  // Something outside the editor changed the document (a recovered copy, a
  // save that kept only the mix): no row is the saved state any more.
  void ForgetSaved() { ChangedWithoutHistory(); }

  // ---- The edit, layer and envelope commands
  // The selected bytes of the active layer, or nothing for an empty
  // selection. Copy only reads: playback goes on.
  [[nodiscard]] EditResult Copy(ClipBytes* clip);
  // Records "Cut" (also for an empty selection), removes the selected bytes
  // and the envelope nodes over them, moves the later nodes left and
  // collapses the selection. `clip`, when given, receives the cut bytes.
  [[nodiscard]] EditResult Cut(ClipBytes* clip);
  // Replaces the selection by the whole frames of `length` bytes at `clip`
  // and selects the pasted bytes; an empty clip changes nothing.
  [[nodiscard]] EditResult Paste(const uint8_t* clip, uint64_t length);
  // Keeps only the selected bytes of the active layer; the selection becomes 0..0.
  [[nodiscard]] EditResult Crop();
  // Adds the clip's whole frames as a new layer at offset 0, named by its
  // index. The layer takes the clip's block over: no copy is made.
  [[nodiscard]] EditResult Mix(ClipBytes clip);
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
  // Undo and redo; the document is as saved exactly when the row they come
  // to is the one in effect at the last save.
  [[nodiscard]] EditResult Undo();
  [[nodiscard]] EditResult Redo();

  // ---- The mouse's and the side panel's changes (no history entries)
  // The selection; each end is brought into the positions a sound has.
  void Select(Selection selection);
  // Makes layer `index` active with `rule` for the selection; false when
  // there is no such layer.
  bool ActivateLayer(int index, SelectionOnActivate rule);
  // Moves node `node` of layer `layer` to `position` (relative to the layer)
  // and `level`: the position is held between its neighbours (the layer's
  // first byte and its last frame at the ends), which keeps the nodes in
  // order; the level within -1 ... +1. Returns the node as it now is; marks
  // the document modified when it moved.
  EnvelopeNode MoveNode(int layer, size_t node, int64_t position, double level);
  void RemoveNode(int layer, size_t node);
  // Places layer `layer` at `offset` (held within 0 ... 2,147,483,647); the
  // selection moves with it by what it really moved. Returns the new offset.
  int32_t MoveLayer(int layer, int64_t offset);
  void RenameLayer(int layer, const std::string& name);
  void SetLayerLook(int layer, const LayerLook& look);
  // Tag `tag` (0 ... kTagCount - 1) takes `text`; an empty text is the
  // empty tag.
  void SetTag(int tag, const std::string& text);

  // The active layer's selected range, relative to the layer, clamped to its
  // bytes and rounded up to whole frames; false without an active layer.
  bool SelectedRange(LayerRange* range);

 private:
  [[nodiscard]] bool Record(HistoryKind kind, int32_t layerIndex);
  // A change the history cannot take back: the saved row no longer matches.
  void ChangedWithoutHistory();
  void HistoryChanged();
  CSoundLayer* LayerAt(int index);

  SoundDocument& m_document;
  CActionHistory m_history;
};
