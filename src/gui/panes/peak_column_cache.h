// The view's peak cache of one layer: for each visible pixel column the
// largest and smallest sample of the left channel (first table) and of the
// right channel (second table), kept with the range and zoom it was built for
// so that a repaint after a cursor move or an envelope drag reuses it.
//
// The columns are read from the layer's peak summary, which the cache keeps
// and rebuilds when the layer's generation changes (every change of its
// samples gives a new one) or when told to drop it. Each column holds
// the true extremes of its frames, so a one-sample click shows at any zoom.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/peak_summary.h"

class CSoundLayer;

struct ColumnPeak {
  int16_t largest = 0;
  int16_t smallest = 0;
};

class PeakColumnCache {
 public:
  // Makes the tables cover the sound's sample units [start, end) (byte
  // position / 2) at `zoom`, one column per 2 × zoom units. Rebuilds only
  // when the range, the zoom, the layer's offset or its samples changed.
  // A column with no sample of a channel holds 0 for it.
  void Prepare(const CSoundLayer& layer, int64_t start, int64_t end, int zoom);

  size_t columnCount() const { return m_first.size(); }
  const std::vector<ColumnPeak>& first() const { return m_first; }    // left channel
  const std::vector<ColumnPeak>& second() const { return m_second; }  // right channel

  // Forget the columns; the summary stays.
  void DropColumns();
  // The layer's samples changed in place: rebuild everything at next use.
  void DropSummary();

 private:
  void EnsureSummary(const CSoundLayer& layer);

  LayerPeakSummary m_summary;
  uint64_t m_summaryGeneration = 0;
  bool m_hasSummary = false;

  std::vector<ColumnPeak> m_first;
  std::vector<ColumnPeak> m_second;
  bool m_hasColumns = false;
  int64_t m_start = 0;
  int64_t m_end = 0;
  int m_zoom = 1;
  int32_t m_offset = 0;
};
