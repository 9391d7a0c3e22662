// One entry of a document's action history: what an edit is about to
// destroy, kept so that undo and redo can exchange it with the sound. The
// entry's kind decides, through one small table, its name, its icon and how
// it is exchanged: a layer's bytes with its envelope nodes (Cut, Crop,
// Paste), a layer object (Remove Layer, and New Layer while undone) or the
// whole layer list (Merge). The saved state is a variant of those three, each
// owned as what it is, so dropping an entry frees layers as layers.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <variant>
#include <vector>

#include "core/edit/saved_bytes.h"
#include "core/model/envelope_node.h"
#include "core/model/sound.h"

// The kinds of history rows.
enum class HistoryKind {
  kOpen,         // the first row of a document read from a file
  kNew,          // the first row of a document made by the program
  kCut,
  kCrop,
  kPaste,
  kNewLayer,     // Mix, Add Blank Layer, Generate Layer
  kRemoveLayer,  // Delete Layer
  kMerge,
};

// How undo and redo treat an entry.
enum class HistoryExchange {
  kNone,         // the first row: nothing to exchange
  kLayerBytes,   // swap the layer's bytes, length and nodes
  kNewLayer,     // undo takes the last layer out; redo appends it again
  kRemoveLayer,  // undo puts the layer back at its index; redo takes it out
  kLayerList,    // swap the whole layer list
};

struct HistoryKindInfo {
  HistoryKind kind;
  std::string_view name;  // the row's text and the Undo/Redo menu suffix
  int icon;               // index into the side panel's history images
  HistoryExchange exchange;
};

// The row of the kind table for `kind`.
const HistoryKindInfo& InfoFor(HistoryKind kind);

class CHistoryAction {
 public:
  CHistoryAction(HistoryKind kind, int32_t layerIndex, uint64_t spillThreshold);
  virtual ~CHistoryAction();

  CHistoryAction(const CHistoryAction&) = delete;
  CHistoryAction& operator=(const CHistoryAction&) = delete;

  // Saves the state the edit will change. For kRemoveLayer the layer leaves
  // the sound's list and is held here; for kLayerList every layer does. False
  // when the bytes could not be kept (then the sound is unchanged).
  [[nodiscard]] bool Record(CSound& sound);
  // The exchanges. False, with the sound unchanged, when saved bytes cannot
  // be read back or a block cannot be allocated.
  [[nodiscard]] bool Undo(CSound& sound);
  [[nodiscard]] bool Redo(CSound& sound);

  HistoryKind kind() const { return m_kind; }
  HistoryExchange exchange() const { return InfoFor(m_kind).exchange; }
  int32_t layerIndex() const { return m_layerIndex; }
  // Byte length of the saved copy (16 for a layer list, the size of the
  // list record it once was).
  uint64_t length() const { return m_length; }
  // The saved state; empty values for the kinds that keep another.
  const SavedBytes* savedBytes() const;
  const std::vector<EnvelopeNode>* savedNodes() const;
  const CSoundLayer* savedLayer() const;
  const std::vector<std::unique_ptr<CSoundLayer>>* savedLayers() const;

 private:
  // A layer's bytes and envelope (Cut, Crop, Paste).
  struct LayerBytes {
    SavedBytes bytes;
    std::vector<EnvelopeNode> nodes;
  };
  // A layer out of the list (Remove Layer; New Layer while undone).
  struct OneLayer {
    std::unique_ptr<CSoundLayer> layer;
  };
  // The whole list (Merge).
  struct LayerList {
    std::vector<std::unique_ptr<CSoundLayer>> layers;
  };

  bool ExchangeBytes(CSound& sound, LayerBytes& saved);
  bool TakeLayerOut(CSound& sound, size_t index);
  bool PutLayerBack(CSound& sound, size_t index);

  HistoryKind m_kind;
  int32_t m_layerIndex;
  uint64_t m_spillThreshold;
  uint64_t m_length = 0;
  std::variant<std::monostate, LayerBytes, OneLayer, LayerList> m_saved;
};
