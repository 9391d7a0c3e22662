// Where the mouse is on the waveform view: on an envelope node, in a layer's
// header, at an edge of the selection, inside a layer; and the cursor shape
// each of these places shows. The press handling and the cursor shape read
// the same zones, so what the cursor promises is what a press does.
//
// Content x is the view's own horizontal coordinate (client x plus the scroll
// position); y is a client y. Everything is measured with ViewGeometry.
#pragma once

#include <Qt>

#include <cstdint>
#include <optional>

#include "gui/panes/view_geometry.h"

class CSound;
class CSoundLayer;

class ViewHitZones {
 public:
  // A node is hit within 4 pixels either way; the first node in list order
  // wins. Nodes count whether or not the layer's envelope is switched on.
  static constexpr int kNodeReach = 4;
  // An edge of the selection is hit within 2 pixels either way.
  static constexpr int kEdgeReach = 3;

  // Index of the node of layer `layerIndex` under the point, or -1.
  static int NodeAt(const ViewGeometry& geometry, const CSoundLayer& layer, int layerIndex, int64_t contentX,
                    int y);
  // Whether content x lies in the header left of the layer's start (both
  // ends excluded).
  static bool InHeader(const ViewGeometry& geometry, const CSoundLayer& layer, int64_t contentX);
  // Whether content x lies at the selection edge at byte position `edge`.
  static bool AtEdge(const ViewGeometry& geometry, int64_t edge, int64_t contentX);

  // The cursor the view shows at a point; empty where the default arrow is
  // meant.
  static std::optional<Qt::CursorShape> CursorShapeAt(const ViewGeometry& geometry, const CSound& sound,
                                                      int64_t contentX, int y);
};
