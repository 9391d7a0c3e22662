// The volume envelopes of the waveform view: for every layer whose envelope
// is on, solid segments between its nodes, a square handle on each visible
// node, and dotted lines that carry the first and last levels out to the
// window's edges. Segments that leave the window are cut at its edges here,
// so the painter is only ever handed on-screen coordinates.
#pragma once

#include "gui/panes/view_geometry.h"

class CSound;
class CSoundLayer;
class QPainter;

class EnvelopePainter {
 public:
  static void Draw(QPainter& painter, const ViewGeometry& geometry, const CSound& sound);

 private:
  static void DrawLayer(QPainter& painter, const ViewGeometry& geometry, const CSoundLayer& layer, int layerIndex);
};
