// Filling the view's per-column peak tables from a layer's peak summary.
#include "gui/panes/peak_column_cache.h"

#include "core/model/sound_layer.h"

namespace {

int64_t FloorHalf(int64_t value) { return value >= 0 ? value / 2 : -((-value + 1) / 2); }
int64_t CeilHalf(int64_t value) { return -FloorHalf(-value); }

ColumnPeak ToColumn(const LayerPeakSummary::Extremes& extremes) {
  if (extremes.empty) return ColumnPeak{};
  return ColumnPeak{extremes.largest, extremes.smallest};
}

}  // namespace

void PeakColumnCache::EnsureSummary(const CSoundLayer& layer) {
  if (m_hasSummary && m_summaryGeneration == layer.generation()) return;
  m_hasColumns = false;
  m_summaryGeneration = layer.generation();
  // A summary that cannot be allocated leaves the trace flat; the next
  // repaint tries again.
  m_hasSummary = m_summary.Build(layer.samples(), layer.sampleCount());
}

void PeakColumnCache::Prepare(const CSoundLayer& layer, int64_t start, int64_t end, int zoom) {
  EnsureSummary(layer);
  if (m_hasColumns && start == m_start && end == m_end && zoom == m_zoom && layer.offset == m_offset) return;
  // The offset belongs to the key as well: a layer dragged under a window it
  // covers on both sides keeps the same visible range but shows other samples.
  m_start = start;
  m_end = end;
  m_zoom = zoom;
  m_offset = layer.offset;
  m_hasColumns = true;
  const int64_t unitsPerColumn = 2 * static_cast<int64_t>(zoom);
  const size_t columns = end > start ? static_cast<size_t>((end - start) / unitsPerColumn) : 0;
  m_first.assign(columns, ColumnPeak{});
  m_second.assign(columns, ColumnPeak{});
  if (!m_hasSummary) return;
  const int16_t* samples = layer.samples();
  const int64_t layerStart = layer.offset / 2;
  for (size_t k = 0; k < columns; ++k) {
    // The column's sample units relative to the layer; a left value sits at
    // an even unit, a right value at an odd one, whatever the column's start.
    const int64_t columnFirst = start + static_cast<int64_t>(k) * unitsPerColumn - layerStart;
    const int64_t columnEnd = columnFirst + unitsPerColumn;
    m_first[k] = ToColumn(m_summary.ChannelExtremes(samples, 0, CeilHalf(columnFirst), CeilHalf(columnEnd)));
    m_second[k] = ToColumn(m_summary.ChannelExtremes(samples, 1, FloorHalf(columnFirst), FloorHalf(columnEnd)));
  }
}

void PeakColumnCache::DropColumns() {
  m_hasColumns = false;
  m_first.clear();
  m_second.clear();
}

void PeakColumnCache::DropSummary() {
  m_hasSummary = false;
  m_summary.Clear();
  DropColumns();
}
