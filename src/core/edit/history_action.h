// One entry of a document's action history: what an edit is about to
// destroy, kept so that undo and redo can exchange it with the sound. By the
// entry's name it keeps a layer's bytes with its envelope nodes ("Cut",
// "Crop", "Paste"), a layer object ("Remove Layer", and "New Layer" while
// undone) or the whole layer list ("Merge"). Each is owned as what it is, so
// dropping an entry frees layers as layers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/edit/saved_bytes.h"
#include "core/model/envelope_node.h"
#include "core/model/sound.h"

// How undo and redo treat an entry; decided by the name it was recorded with.
enum class HistoryExchange {
  kLayerBytes,   // swap the layer's bytes, length and nodes
  kNewLayer,     // undo takes the last layer out; redo appends it again
  kRemoveLayer,  // undo puts the layer back at its index; redo takes it out
  kLayerList,    // swap the whole layer list
};

HistoryExchange ExchangeForName(const std::string& name);

class CHistoryAction {
 public:
  CHistoryAction(HistoryExchange exchange, int32_t layerIndex, uint64_t spillThreshold);
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

  HistoryExchange exchange() const { return m_exchange; }
  int32_t layerIndex() const { return m_layerIndex; }
  // Byte length of the saved copy (16 for a layer list, the size of the
  // list record it once was).
  uint64_t length() const { return m_length; }
  const SavedBytes& savedBytes() const { return m_bytes; }
  const std::vector<EnvelopeNode>& savedNodes() const { return m_nodes; }
  const CSoundLayer* savedLayer() const { return m_layer.get(); }
  const std::vector<std::unique_ptr<CSoundLayer>>& savedLayers() const { return m_layers; }

 private:
  bool ExchangeBytes(CSound& sound);

  HistoryExchange m_exchange;
  int32_t m_layerIndex;
  uint64_t m_spillThreshold;
  uint64_t m_length = 0;
  SavedBytes m_bytes;
  std::vector<EnvelopeNode> m_nodes;
  std::unique_ptr<CSoundLayer> m_layer;
  std::vector<std::unique_ptr<CSoundLayer>> m_layers;
};
