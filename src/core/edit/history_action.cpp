// The kind table and the saved state of one history entry with its
// exchanges (see the header).
#include "core/edit/history_action.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// The icons are the side panel's history images; Crop shares Cut's.
constexpr std::array<HistoryKindInfo, 8> kKinds = {{
    {HistoryKind::kOpen, "Open", 1, HistoryExchange::kNone},
    {HistoryKind::kNew, "New", 2, HistoryExchange::kNone},
    {HistoryKind::kCut, "Cut", 3, HistoryExchange::kLayerBytes},
    {HistoryKind::kCrop, "Crop", 3, HistoryExchange::kLayerBytes},
    {HistoryKind::kPaste, "Paste", 4, HistoryExchange::kLayerBytes},
    {HistoryKind::kNewLayer, "New Layer", 5, HistoryExchange::kNewLayer},
    {HistoryKind::kRemoveLayer, "Remove Layer", 6, HistoryExchange::kRemoveLayer},
    {HistoryKind::kMerge, "Merge", 7, HistoryExchange::kLayerList},
}};

CSoundLayer* LayerAt(CSound& sound, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= sound.layers.size()) return nullptr;
  return sound.layers[static_cast<size_t>(index)].get();
}

}  // namespace

const HistoryKindInfo& InfoFor(HistoryKind kind) {
  for (const HistoryKindInfo& info : kKinds) {
    if (info.kind == kind) return info;
  }
  return kKinds.front();
}

CHistoryAction::CHistoryAction(HistoryKind kind, int32_t layerIndex, uint64_t spillThreshold)
    : m_kind(kind), m_layerIndex(layerIndex), m_spillThreshold(spillThreshold) {}

CHistoryAction::~CHistoryAction() = default;

const SavedBytes* CHistoryAction::savedBytes() const {
  const auto* saved = std::get_if<LayerBytes>(&m_saved);
  return saved != nullptr ? &saved->bytes : nullptr;
}

const std::vector<EnvelopeNode>* CHistoryAction::savedNodes() const {
  const auto* saved = std::get_if<LayerBytes>(&m_saved);
  return saved != nullptr ? &saved->nodes : nullptr;
}

const CSoundLayer* CHistoryAction::savedLayer() const {
  const auto* saved = std::get_if<OneLayer>(&m_saved);
  return saved != nullptr ? saved->layer.get() : nullptr;
}

const std::vector<std::unique_ptr<CSoundLayer>>* CHistoryAction::savedLayers() const {
  const auto* saved = std::get_if<LayerList>(&m_saved);
  return saved != nullptr ? &saved->layers : nullptr;
}

bool CHistoryAction::Record(CSound& sound) {
  switch (exchange()) {
    case HistoryExchange::kNone:
      return true;
    case HistoryExchange::kLayerBytes: {
      CSoundLayer* layer = LayerAt(sound, m_layerIndex);
      if (layer == nullptr) return false;
      LayerBytes& saved = m_saved.emplace<LayerBytes>();
      if (!saved.bytes.Store(layer->data(), layer->length(), m_spillThreshold)) {
        m_saved = std::monostate{};
        return false;
      }
      saved.nodes = layer->nodes;
      m_length = layer->length();
      return true;
    }
    case HistoryExchange::kNewLayer: {
      // The new layer is already in the list; undo is what takes it out, so
      // nothing of it needs keeping now.
      const CSoundLayer* layer = LayerAt(sound, m_layerIndex);
      m_length = layer == nullptr ? 0 : layer->length();
      m_saved = OneLayer{};
      return true;
    }
    case HistoryExchange::kRemoveLayer:
      if (LayerAt(sound, m_layerIndex) == nullptr) return false;
      m_saved = OneLayer{};
      (void)TakeLayerOut(sound, static_cast<size_t>(m_layerIndex));
      m_length = savedLayer()->length();
      return true;
    case HistoryExchange::kLayerList: {
      m_saved.emplace<LayerList>().layers = std::move(sound.layers);
      sound.layers.clear();
      m_length = 16;
      return true;
    }
  }
  return false;
}

bool CHistoryAction::ExchangeBytes(CSound& sound, LayerBytes& saved) {
  CSoundLayer* layer = LayerAt(sound, m_layerIndex);
  if (layer == nullptr) return false;
  const uint64_t savedLength = saved.bytes.length();
  std::unique_ptr<uint8_t[]> block;
  if (!saved.bytes.Take(&block)) return false;
  const uint64_t currentLength = layer->length();
  saved.bytes.Adopt(layer->TakeData(), currentLength, m_spillThreshold);
  layer->SetData(std::move(block), savedLength);
  // The envelope belongs to the bytes: nodes removed or shifted by the edit
  // come back with them.
  std::swap(layer->nodes, saved.nodes);
  layer->RebuildSnapshot();
  m_length = currentLength;
  return true;
}

bool CHistoryAction::TakeLayerOut(CSound& sound, size_t index) {
  auto* saved = std::get_if<OneLayer>(&m_saved);
  if (saved == nullptr || index >= sound.layers.size()) return false;
  auto slot = sound.layers.begin() + static_cast<std::ptrdiff_t>(index);
  saved->layer = std::move(*slot);
  sound.layers.erase(slot);
  return true;
}

bool CHistoryAction::PutLayerBack(CSound& sound, size_t index) {
  auto* saved = std::get_if<OneLayer>(&m_saved);
  if (saved == nullptr || saved->layer == nullptr) return false;
  const size_t at = std::min(index, sound.layers.size());
  sound.layers.insert(sound.layers.begin() + static_cast<std::ptrdiff_t>(at), std::move(saved->layer));
  return true;
}

bool CHistoryAction::Undo(CSound& sound) {
  switch (exchange()) {
    case HistoryExchange::kNone:
      return false;
    case HistoryExchange::kLayerBytes: {
      auto* saved = std::get_if<LayerBytes>(&m_saved);
      return saved != nullptr && ExchangeBytes(sound, *saved);
    }
    case HistoryExchange::kNewLayer:
      return !sound.layers.empty() && TakeLayerOut(sound, sound.layers.size() - 1);
    case HistoryExchange::kRemoveLayer:
      return PutLayerBack(sound, static_cast<size_t>(std::max(m_layerIndex, 0)));
    case HistoryExchange::kLayerList: {
      auto* saved = std::get_if<LayerList>(&m_saved);
      if (saved == nullptr) return false;
      std::swap(sound.layers, saved->layers);
      return true;
    }
  }
  return false;
}

bool CHistoryAction::Redo(CSound& sound) {
  switch (exchange()) {
    case HistoryExchange::kNone:
      return false;
    case HistoryExchange::kLayerBytes: {
      auto* saved = std::get_if<LayerBytes>(&m_saved);
      return saved != nullptr && ExchangeBytes(sound, *saved);
    }
    case HistoryExchange::kNewLayer:
      return sound.CanAddLayer() && PutLayerBack(sound, sound.layers.size());
    case HistoryExchange::kRemoveLayer:
      return m_layerIndex >= 0 && TakeLayerOut(sound, static_cast<size_t>(m_layerIndex));
    case HistoryExchange::kLayerList: {
      auto* saved = std::get_if<LayerList>(&m_saved);
      if (saved == nullptr) return false;
      std::swap(sound.layers, saved->layers);
      return true;
    }
  }
  return false;
}
