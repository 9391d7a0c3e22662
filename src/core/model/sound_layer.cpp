#include "core/model/sound_layer.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "core/model/envelope_walker.h"

namespace {

// Layers are made on more than one thread (a conversion's worker builds
// none, but tests and generators may), so the counter is atomic.
uint64_t NextGeneration() {
  static std::atomic<uint64_t> counter{0};
  return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

const SettingsRecord& DefaultSettings() {
  static const SettingsRecord defaults;
  return defaults;
}

CSoundLayer::CSoundLayer(int index, std::string layerName, std::unique_ptr<uint8_t[]> data,
                         uint64_t length, const SettingsRecord& settings)
    : name(std::move(layerName)), m_data(std::move(data)), m_length(length), m_generation(NextGeneration()) {
  if (name.empty()) name = "Layer " + std::to_string(index + 1);
  if (settings.autoCreateEnvelope) AddNode(0);
}

CSoundLayer::~CSoundLayer() = default;

void CSoundLayer::SetData(std::unique_ptr<uint8_t[]> data, uint64_t length) {
  m_data = std::move(data);
  m_length = length;
  MarkDataChanged();
}

std::unique_ptr<uint8_t[]> CSoundLayer::TakeData() {
  m_length = 0;
  MarkDataChanged();
  return std::move(m_data);
}

void CSoundLayer::MarkDataChanged() { m_generation = NextGeneration(); }

const std::vector<EnvelopeNode>& CSoundLayer::snapshot() {
  if (!m_hasSnapshot) RebuildSnapshot();
  return m_snapshot;
}

void CSoundLayer::RebuildSnapshot() {
  m_snapshot = nodes;
  m_hasSnapshot = true;
}

double CSoundLayer::GetGain(uint32_t p) {
  if (!EnvelopeActive()) return 1.0;
  // The snapshot may lag behind the list (a node list read from a file after
  // the snapshot was taken); only the nodes it holds are evaluated.
  return EvaluateEnvelope(snapshot(), p);
}

void CSoundLayer::AddNode(uint32_t p) {
  if (!m_hasSnapshot && !nodes.empty()) RebuildSnapshot();
  // The new node takes the envelope's current level, so its shape does not
  // change at p.
  const double level = 2 * GetGain(p) - 1;
  nodes.push_back(EnvelopeNode{level, static_cast<int64_t>(p)});
  SortNodes();
  RebuildSnapshot();
}

void CSoundLayer::RemoveNode(size_t index) {
  if (index < nodes.size()) nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(index));
  RebuildSnapshot();
}

void CSoundLayer::RemoveNodes(uint32_t a, uint32_t b) {
  const int64_t low = a, high = b;
  std::erase_if(nodes, [&](const EnvelopeNode& n) { return low <= n.position && n.position <= high; });
  RebuildSnapshot();
}

void CSoundLayer::ShiftNodes(uint32_t a, int32_t delta) {
  const int64_t from = a;
  for (EnvelopeNode& n : nodes) {
    if (n.position >= from) n.position += delta;
  }
}

void CSoundLayer::SortNodes() {
  // A stable sort: nodes at equal positions keep their order.
  std::stable_sort(nodes.begin(), nodes.end(),
                   [](const EnvelopeNode& x, const EnvelopeNode& y) { return x.position < y.position; });
}
