// Evaluates a layer's envelope along rising byte positions without searching
// the node list for every sample. The walker hands out segments on which the
// gain is either constant or a straight line, so that mix-down and playback
// fills cost the same per sample whatever the node count. Its values are
// bit-for-bit those of CSoundLayer::GetGain: the same operations in the same
// order on the same node copy.
#pragma once

#include <cstdint>
#include <limits>
#include <span>

#include "core/model/envelope_node.h"

// to - from, as a double. Node positions may be any 64-bit value (a
// document holds what it holds), so the difference is taken in floating
// point, where it cannot overflow; for positions a layer can have (below
// 2^53) it is exactly the integer difference.
inline double PositionDistance(int64_t to, int64_t from) {
  return static_cast<double>(to) - static_cast<double>(from);
}

class EnvelopeWalker {
 public:
  // A stretch of positions [.., end) on which the gain follows one rule.
  struct Segment {
    uint64_t end = std::numeric_limits<uint64_t>::max();  // first position not covered
    bool linear = false;
    double gain = 1.0;      // when !linear
    double level0 = 0.0;    // when linear: level = level0 + slope * (p - position0)
    double slope = 0.0;
    int64_t position0 = 0;

    double GainAt(uint64_t p) const {
      if (!linear) return gain;
      const double level = level0 + slope * PositionDistance(static_cast<int64_t>(p), position0);
      return (level + 1) / 2;
    }
  };

  // `nodes` is the layer's node snapshot; with `enabled` false (no nodes in
  // the list, or the envelope switched off) the gain is 1 everywhere.
  EnvelopeWalker(std::span<const EnvelopeNode> nodes, bool enabled);

  // The segment holding position p. Successive calls must not go backwards.
  Segment SegmentAt(uint64_t p);

  // The gain at p, for rising p.
  double GainAt(uint64_t p) {
    if (p >= m_segment.end || !m_valid) {
      m_segment = SegmentAt(p);
      m_valid = true;
    }
    return m_segment.GainAt(p);
  }

  // Whether the walker can run (nodes in ascending order). Unsorted node
  // copies are evaluated by the exact linear search instead.
  bool sorted() const { return m_sorted; }

 private:
  std::span<const EnvelopeNode> m_nodes;
  bool m_enabled;
  bool m_sorted = true;
  size_t m_index = 0;  // current interpolation segment: nodes m_index, m_index + 1
  Segment m_segment;
  bool m_valid = false;
};

// The gain at relative position p by the reference rule: the first and last
// node hold the ends; in between, the first node pair whose right position is
// at or past p is interpolated linearly. Used for unsorted node copies and
// as the definition the walker must match.
double EvaluateEnvelope(std::span<const EnvelopeNode> nodes, uint32_t p);
