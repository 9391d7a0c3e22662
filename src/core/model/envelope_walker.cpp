#include "core/model/envelope_walker.h"

namespace {

double NodeGain(const EnvelopeNode& node) { return (node.level + 1) / 2; }

double Interpolate(const EnvelopeNode& a, const EnvelopeNode& b, int64_t p) {
  const double level = a.level + (b.level - a.level) / PositionDistance(b.position, a.position) *
                                     PositionDistance(p, a.position);
  return (level + 1) / 2;
}

}  // namespace

double EvaluateEnvelope(std::span<const EnvelopeNode> nodes, uint32_t p) {
  const size_t count = nodes.size();
  if (count == 0) return 1.0;
  if (count == 1) return NodeGain(nodes[0]);
  const int64_t position = p;
  if (position <= nodes[0].position) return NodeGain(nodes[0]);
  if (position >= nodes[count - 1].position) return NodeGain(nodes[count - 1]);
  for (size_t i = 0; i + 1 < count; ++i) {
    if (nodes[i + 1].position >= position) return Interpolate(nodes[i], nodes[i + 1], position);
  }
  return NodeGain(nodes[count - 1]);  // not reached for a sorted list
}

EnvelopeWalker::EnvelopeWalker(std::span<const EnvelopeNode> nodes, bool enabled)
    : m_nodes(nodes), m_enabled(enabled && !nodes.empty()) {
  for (size_t i = 1; i < nodes.size(); ++i) {
    if (nodes[i - 1].position > nodes[i].position) m_sorted = false;
  }
}

EnvelopeWalker::Segment EnvelopeWalker::SegmentAt(uint64_t p) {
  Segment segment;
  if (!m_enabled) return segment;  // gain 1 everywhere
  const size_t count = m_nodes.size();
  if (count == 1) {
    segment.gain = NodeGain(m_nodes[0]);
    return segment;
  }
  const int64_t position = static_cast<int64_t>(p);
  const EnvelopeNode& first = m_nodes[0];
  const EnvelopeNode& last = m_nodes[count - 1];
  if (position <= first.position) {
    segment.gain = NodeGain(first);
    segment.end = static_cast<uint64_t>(first.position) + 1;
    return segment;
  }
  if (position >= last.position) {
    segment.gain = NodeGain(last);
    return segment;
  }
  // The pair (i, i + 1) serves the positions in (pos(i), pos(i + 1)]; pairs
  // of equal positions serve none. The last node's own position belongs to
  // the constant tail above.
  while (m_nodes[m_index + 1].position < position) ++m_index;
  const EnvelopeNode& a = m_nodes[m_index];
  const EnvelopeNode& b = m_nodes[m_index + 1];
  segment.linear = true;
  segment.level0 = a.level;
  segment.slope = (b.level - a.level) / PositionDistance(b.position, a.position);
  segment.position0 = a.position;
  const int64_t end = b.position < last.position ? b.position + 1 : last.position;
  segment.end = static_cast<uint64_t>(end);
  return segment;
}
