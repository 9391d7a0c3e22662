// The saved state of one history entry and its exchanges with the sound.
#include "core/edit/history_action.h"

#include <algorithm>
#include <utility>

HistoryExchange ExchangeForName(const std::string& name) {
  if (name == "New Layer") return HistoryExchange::kNewLayer;
  if (name == "Remove Layer") return HistoryExchange::kRemoveLayer;
  if (name == "Merge") return HistoryExchange::kLayerList;
  return HistoryExchange::kLayerBytes;
}

CHistoryAction::CHistoryAction(HistoryExchange exchange, int32_t layerIndex, uint64_t spillThreshold)
    : m_exchange(exchange), m_layerIndex(layerIndex), m_spillThreshold(spillThreshold) {}

CHistoryAction::~CHistoryAction() = default;

namespace {

CSoundLayer* LayerAt(CSound& sound, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= sound.layers.size()) return nullptr;
  return sound.layers[static_cast<size_t>(index)].get();
}

}  // namespace

bool CHistoryAction::Record(CSound& sound) {
  switch (m_exchange) {
    case HistoryExchange::kLayerBytes: {
      CSoundLayer* layer = LayerAt(sound, m_layerIndex);
      if (layer == nullptr) return false;
      if (!m_bytes.Store(layer->data(), layer->length(), m_spillThreshold)) return false;
      m_nodes = layer->nodes;
      m_length = layer->length();
      return true;
    }
    case HistoryExchange::kNewLayer: {
      // The new layer is already in the list; undo is what takes it out, so
      // nothing of it needs keeping now.
      const CSoundLayer* layer = LayerAt(sound, m_layerIndex);
      m_length = layer == nullptr ? 0 : layer->length();
      return true;
    }
    case HistoryExchange::kRemoveLayer: {
      if (LayerAt(sound, m_layerIndex) == nullptr) return false;
      auto slot = sound.layers.begin() + m_layerIndex;
      m_layer = std::move(*slot);
      sound.layers.erase(slot);
      m_length = m_layer->length();
      return true;
    }
    case HistoryExchange::kLayerList:
      m_layers = std::move(sound.layers);
      sound.layers.clear();
      m_length = 16;
      return true;
  }
  return false;
}

bool CHistoryAction::ExchangeBytes(CSound& sound) {
  CSoundLayer* layer = LayerAt(sound, m_layerIndex);
  if (layer == nullptr) return false;
  const uint64_t savedLength = m_bytes.length();
  std::unique_ptr<uint8_t[]> saved;
  if (!m_bytes.Take(&saved)) return false;
  const uint64_t currentLength = layer->length();
  m_bytes.Adopt(layer->TakeData(), currentLength, m_spillThreshold);
  layer->SetData(std::move(saved), savedLength);
  // The envelope belongs to the bytes: nodes removed or shifted by the edit
  // come back with them.
  std::swap(layer->nodes, m_nodes);
  layer->RebuildSnapshot();
  m_length = currentLength;
  return true;
}

bool CHistoryAction::Undo(CSound& sound) {
  switch (m_exchange) {
    case HistoryExchange::kLayerBytes:
      return ExchangeBytes(sound);
    case HistoryExchange::kNewLayer:
      if (sound.layers.empty()) return false;
      m_layer = std::move(sound.layers.back());
      sound.layers.pop_back();
      return true;
    case HistoryExchange::kRemoveLayer: {
      if (m_layer == nullptr) return false;
      const size_t at = std::min(static_cast<size_t>(std::max(m_layerIndex, 0)), sound.layers.size());
      sound.layers.insert(sound.layers.begin() + static_cast<std::ptrdiff_t>(at), std::move(m_layer));
      return true;
    }
    case HistoryExchange::kLayerList:
      std::swap(sound.layers, m_layers);
      return true;
  }
  return false;
}

bool CHistoryAction::Redo(CSound& sound) {
  switch (m_exchange) {
    case HistoryExchange::kLayerBytes:
      return ExchangeBytes(sound);
    case HistoryExchange::kNewLayer:
      if (m_layer == nullptr || !sound.CanAddLayer()) return false;
      sound.layers.push_back(std::move(m_layer));
      return true;
    case HistoryExchange::kRemoveLayer: {
      if (LayerAt(sound, m_layerIndex) == nullptr) return false;
      auto slot = sound.layers.begin() + m_layerIndex;
      m_layer = std::move(*slot);
      sound.layers.erase(slot);
      return true;
    }
    case HistoryExchange::kLayerList:
      std::swap(sound.layers, m_layers);
      return true;
  }
  return false;
}
