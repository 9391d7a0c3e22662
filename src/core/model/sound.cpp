#include "core/model/sound.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/model/layer_mixer.h"

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
  const uint64_t bytes = static_cast<uint64_t>(parameters.length) * kWorkingBlockAlign;
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

std::unique_ptr<uint8_t[]> CSound::MixDown() {
  const uint32_t length = GetLength();
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[length]);
  std::unique_ptr<LayerMixer[]> mixers(new (std::nothrow) LayerMixer[layers.size()]);
  if (!buffer || !mixers) return nullptr;
  size_t mixerCount = 0;
  for (auto& layer : layers) {
    layer->RebuildSnapshot();
    if (layer->length() < 2) continue;
    mixers[mixerCount++] = LayerMixer(*layer);
  }
  // Chunk by chunk, every layer is added into 32-bit sums and the sums are
  // saturated once: the order of the layers does not matter, and the result
  // is what the output mixer makes of the layers' playback rings.
  int16_t* out = reinterpret_cast<int16_t*>(buffer.get());
  const uint64_t values = length / 2;
  int32_t sums[kMixChunkValues];
  for (uint64_t first = 0; first < values; first += kMixChunkValues) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(kMixChunkValues, values - first));
    std::fill_n(sums, count, 0);
    for (size_t i = 0; i < mixerCount; ++i) mixers[i].AddTo(first, sums, count);
    SaturateSums(sums, out + first, count);
  }
  if (length % 2 != 0) buffer[length - 1] = 0;
  return buffer;
}
