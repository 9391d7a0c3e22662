// The waveform view's hit zones and the cursor shape of each.
#include "gui/panes/view_hit_zones.h"

#include <cstdlib>

#include "core/model/sound.h"
#include "core/model/sound_layer.h"

int ViewHitZones::NodeAt(const ViewGeometry& geometry, const CSoundLayer& layer, int layerIndex, int64_t contentX,
                         int y) {
  for (size_t k = 0; k < layer.nodes.size(); ++k) {
    const EnvelopeNode& node = layer.nodes[k];
    const int64_t nodeX = geometry.NodeContentX(layer.offset, node.position);
    const int nodeY = geometry.NodeY(layerIndex, node.level);
    if (std::llabs(contentX - nodeX) <= kNodeReach && std::abs(y - nodeY) <= kNodeReach) return static_cast<int>(k);
  }
  return -1;
}

bool ViewHitZones::InHeader(const ViewGeometry& geometry, const CSoundLayer& layer, int64_t contentX) {
  const int64_t startX = geometry.ContentX(layer.offset);
  return startX - ViewGeometry::kHeaderWidth < contentX && contentX < startX;
}

bool ViewHitZones::AtEdge(const ViewGeometry& geometry, int64_t edge, int64_t contentX) {
  return std::llabs(contentX - geometry.ContentX(edge)) < kEdgeReach;
}

std::optional<Qt::CursorShape> ViewHitZones::CursorShapeAt(const ViewGeometry& geometry, const CSound& sound,
                                                           int64_t contentX, int y) {
  const int count = static_cast<int>(sound.layers.size());
  // Unlike a press, the cursor asks for a row below the ruler's bottom line:
  // the ruler itself shows the arrow.
  const int under = y >= ViewGeometry::kRulerHeight + 1 ? geometry.LayerAt(y) : -1;
  const CSoundLayer* layer = under >= 0 ? sound.layers[static_cast<size_t>(under)].get() : nullptr;

  const int active = sound.activeLayerIndex;
  if (active >= 0 && active < count &&
      NodeAt(geometry, *sound.layers[static_cast<size_t>(active)], active, contentX, y) >= 0)
    return Qt::SizeAllCursor;
  if (layer == nullptr) return std::nullopt;
  if (InHeader(geometry, *layer, contentX)) return Qt::SizeAllCursor;
  if (sound.selectionStart != sound.selectionEnd && under == active &&
      (AtEdge(geometry, sound.selectionStart, contentX) || AtEdge(geometry, sound.selectionEnd, contentX)))
    return Qt::SizeHorCursor;
  if (geometry.ContentX(layer->offset) < contentX && contentX < geometry.ContentX(layer->end()))
    return Qt::IBeamCursor;
  return std::nullopt;
}
