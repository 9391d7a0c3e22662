#include "core/model/sound.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/model/envelope_walker.h"
#include "core/model/mix_kernels.h"

CSound::CSound(const SettingsRecord& settings) : m_settings(&settings) {
  tags.fill(std::string(kEmptyTag));
}

CSound::~CSound() {
  Stop();
  layers.clear();
}

uint32_t CSound::GetLength() const {
  int64_t largest = 0;
  for (const auto& layer : layers) largest = std::max(largest, layer->end());
  return static_cast<uint32_t>(std::min<int64_t>(largest, UINT32_MAX));
}

bool CSound::SelectLayerFromSelection() {
  activeLayerIndex = -1;
  for (size_t i = 0; i < layers.size(); ++i) {
    const CSoundLayer& layer = *layers[i];
    if (layer.end() <= selectionEnd || selectionStart < layer.offset) continue;
    activeLayerIndex = static_cast<int32_t>(i);
    return true;
  }
  activeLayerIndex = 0;
  return false;
}

bool CSound::IsSelectionInActiveLayer() const {
  if (activeLayerIndex < 0 || static_cast<size_t>(activeLayerIndex) >= layers.size()) return false;
  const CSoundLayer& layer = *layers[static_cast<size_t>(activeLayerIndex)];
  const int64_t start = selectionStart, end = selectionEnd;
  return start >= layer.offset && start < layer.end() && end < layer.end();
}

CSoundLayer& CSound::AppendLayer(std::string name, std::unique_ptr<uint8_t[]> data,
                                 uint64_t length) {
  layers.push_back(std::make_unique<CSoundLayer>(static_cast<int>(layers.size()), std::move(name),
                                                 std::move(data), length, *m_settings));
  return *layers.back();
}

bool CSound::AddGeneratedLayer(const GeneratorParameters& parameters, ProgressReport* progress,
                               bool* cancelled) {
  if (cancelled != nullptr) *cancelled = false;
  if (IsPlaying()) Stop();
  // An unknown function would render nothing into the new block, leaving
  // whatever the allocator handed out to be played and saved.
  if (parameters.length < 0 || !IsGeneratorFunction(parameters.functionType) || !CanAddLayer()) return false;
  const uint64_t bytes = static_cast<uint64_t>(parameters.length) * 4;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[bytes]);
  if (!data) return false;
  SilentProgress silent;
  if (!Generate(reinterpret_cast<int16_t*>(data.get()), parameters,
                progress != nullptr ? *progress : silent)) {
    if (cancelled != nullptr) *cancelled = true;
    return false;
  }
  AppendLayer(std::string(), std::move(data), bytes).offset = 0;
  return true;
}

bool CSound::CreateGenerated(const GeneratorParameters& parameters, ProgressReport* progress,
                             bool* cancelled) {
  std::memcpy(riffId, "RIFF", 5);
  riffSize = 0;
  std::memcpy(waveId, "WAVE", 5);
  path = "(no name)";
  formatSize = 18;
  fileFormat = MakeFormatRecord(WorkingFormat());
  workingFormat = ParseWaveFormat(fileFormat);
  return AddGeneratedLayer(parameters, progress, cancelled);
}

namespace {

inline int16_t Saturate(double value) {
  value = value < 32767.0 ? value : 32767.0;
  value = value > -32768.0 ? value : -32768.0;
  return static_cast<int16_t>(static_cast<int32_t>(value));
}

void MixLayer(CSoundLayer& layer, int16_t* out, uint64_t outCount) {
  const int64_t shift = layer.offset / 2;  // truncated toward zero
  // Values that would land outside the buffer are skipped.
  const int64_t first = std::max<int64_t>(0, -shift);
  const int64_t last = std::min<int64_t>(static_cast<int64_t>(layer.sampleCount()),
                                         static_cast<int64_t>(outCount) - shift);
  if (first >= last) return;
  const int16_t* data = layer.samples();
  const bool active = layer.EnvelopeActive();
  const std::vector<EnvelopeNode>& nodes = layer.snapshot();
  EnvelopeWalker walker(nodes, active);
  // Relative positions are 32-bit: a layer beyond 4 GiB, or an unsorted node
  // copy, goes through the reference evaluation one value at a time.
  if (!walker.sorted() || static_cast<uint64_t>(last) * 2 > UINT32_MAX) {
    for (int64_t j = first; j < last; ++j) {
      const double gain = active ? EvaluateEnvelope(nodes, static_cast<uint32_t>(2 * j)) : 1.0;
      out[shift + j] = Saturate(gain * data[j] + out[shift + j]);
    }
    return;
  }
  int64_t j = first;
  while (j < last) {
    const uint64_t position = static_cast<uint64_t>(j) * 2;
    const EnvelopeWalker::Segment segment = walker.SegmentAt(position);
    // Values in this segment: positions 2j < segment.end.
    const uint64_t endValue = segment.end == UINT64_MAX ? UINT64_MAX : (segment.end + 1) / 2;
    const int64_t stop = static_cast<int64_t>(std::min<uint64_t>(endValue, static_cast<uint64_t>(last)));
    const size_t count = static_cast<size_t>(stop - j);
    if (segment.linear) {
      const double x0 = static_cast<double>(static_cast<int64_t>(position) - segment.position0);
      MixEnvelopeSegment(data + j, out + (shift + j), count, segment.level0, segment.slope, x0);
    } else {
      MixConstantGain(data + j, out + (shift + j), count, segment.gain);
    }
    j = stop;
  }
}

}  // namespace

std::unique_ptr<uint8_t[]> CSound::MixDown() {
  const uint32_t length = GetLength();
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[length]);
  if (!buffer) return nullptr;
  std::memset(buffer.get(), 0, length);
  int16_t* out = reinterpret_cast<int16_t*>(buffer.get());
  for (auto& layer : layers) {
    layer->RebuildSnapshot();
    if (layer->length() < 2) continue;
    MixLayer(*layer, out, length / 2);
  }
  return buffer;
}
