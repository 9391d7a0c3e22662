// The operations that change a document (see the header).
#include "core/edit/document_editor.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint64_t kFrameBytes = WorkingFormat().blockAlign;

std::unique_ptr<uint8_t[]> NewBlock(uint64_t length) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[length == 0 ? 1 : length]);
}

int32_t ToSoundPositionIn(const CSoundLayer& layer, uint64_t position) {
  return ToSoundPosition(static_cast<int64_t>(layer.offset) + static_cast<int64_t>(position));
}

}  // namespace

DocumentEditor::DocumentEditor(SoundDocument& document, uint64_t spillThreshold)
    : m_document(document), m_history(spillThreshold) {
  m_history.Start(HistoryKind::kNew, !document.IsModified());
}

void DocumentEditor::StartHistory(bool createdNew) {
  m_history.Start(createdNew ? HistoryKind::kNew : HistoryKind::kOpen, !m_document.IsModified());
  HistoryChanged();
}

void DocumentEditor::MarkSaved() {
  m_history.MarkSaved();
  HistoryChanged();
}

void DocumentEditor::HistoryChanged() { m_document.NotifyHistoryChanged(); }

void DocumentEditor::ChangedWithoutHistory() {
  m_history.ForgetSaved();
  m_document.SetModifiedFlag(true);
}

CSoundLayer* DocumentEditor::LayerAt(int index) {
  CSound& s = sound();
  if (index < 0 || static_cast<size_t>(index) >= s.layers.size()) return nullptr;
  return s.layers[static_cast<size_t>(index)].get();
}

bool DocumentEditor::SelectedRange(LayerRange* range) {
  CSound& s = sound();
  ClampActiveLayerIndex(s);
  CSoundLayer* layer = s.activeLayer();
  if (layer == nullptr) return false;
  *range = Selection::Of(s).InLayer(*layer);
  return true;
}

bool DocumentEditor::Record(HistoryKind kind, int32_t layerIndex) {
  if (!m_history.AddAction(sound(), kind, layerIndex)) return false;
  m_document.SetModifiedFlag(true);
  HistoryChanged();
  return true;
}

EditResult DocumentEditor::Copy(ClipBytes* clip) {
  LayerRange range;
  if (!SelectedRange(&range) || range.length() == 0) return EditResult::kNothingToDo;
  const CSoundLayer& layer = *sound().activeLayer();
  std::unique_ptr<uint8_t[]> block = NewBlock(range.length());
  if (block == nullptr) return EditResult::kOutOfMemory;
  std::memcpy(block.get(), layer.data() + range.start, range.length());
  clip->data = std::move(block);
  clip->length = range.length();
  return EditResult::kDone;
}

EditResult DocumentEditor::Cut(ClipBytes* clip) {
  CSound& s = sound();
  LayerRange range;
  if (!SelectedRange(&range)) return EditResult::kNothingToDo;
  // Playback reads the block this changes.
  s.Stop();
  const uint64_t n = range.length();
  if (n != 0 && clip != nullptr) {
    const EditResult copied = Copy(clip);
    if (copied != EditResult::kDone) return copied;
  }
  if (!Record(HistoryKind::kCut, s.activeLayerIndex)) return EditResult::kOutOfMemory;
  if (n == 0) return EditResult::kDone;
  // The entry holds the whole old layer, so the bytes can move down in place:
  // no second block of the layer's size, which matters for hour-long sounds.
  CSoundLayer& layer = *s.activeLayer();
  const uint64_t length = layer.length();
  std::unique_ptr<uint8_t[]> block = layer.TakeData();
  std::memmove(block.get() + range.start, block.get() + range.end, length - range.end);
  layer.SetData(std::move(block), length - n);
  layer.RemoveNodes(static_cast<uint32_t>(range.start), static_cast<uint32_t>(range.end));
  layer.ShiftNodes(static_cast<uint32_t>(range.start), -static_cast<int32_t>(n));
  layer.RebuildSnapshot();
  Selection::Cursor(ToSoundPositionIn(layer, range.start)).ApplyTo(s);
  return EditResult::kDone;
}

EditResult DocumentEditor::Paste(const uint8_t* clip, uint64_t length) {
  CSound& s = sound();
  // Only whole frames: a partial one would shift every later sample.
  const uint64_t c = clip == nullptr ? 0 : length / kFrameBytes * kFrameBytes;
  LayerRange range;
  if (c == 0 || !SelectedRange(&range)) return EditResult::kNothingToDo;
  s.Stop();
  CSoundLayer& layer = *s.activeLayer();
  const uint64_t n = range.length();
  const uint64_t layerLength = layer.length();
  std::unique_ptr<uint8_t[]> block = NewBlock(layerLength - n + c);
  if (block == nullptr) return EditResult::kOutOfMemory;
  if (!Record(HistoryKind::kPaste, s.activeLayerIndex)) return EditResult::kOutOfMemory;
  std::memcpy(block.get(), layer.data(), range.start);
  std::memcpy(block.get() + range.start, clip, c);
  std::memcpy(block.get() + range.start + c, layer.data() + range.end, layerLength - range.end);
  layer.RemoveNodes(static_cast<uint32_t>(range.start), static_cast<uint32_t>(range.end));
  layer.ShiftNodes(static_cast<uint32_t>(range.start),
                   static_cast<int32_t>(static_cast<int64_t>(c) - static_cast<int64_t>(n)));
  layer.RebuildSnapshot();
  layer.SetData(std::move(block), layerLength - n + c);
  Selection{ToSoundPositionIn(layer, range.start), ToSoundPositionIn(layer, range.start + c)}.ApplyTo(s);
  return EditResult::kDone;
}

EditResult DocumentEditor::Crop() {
  CSound& s = sound();
  LayerRange range;
  if (!SelectedRange(&range)) return EditResult::kNothingToDo;
  s.Stop();
  if (!Record(HistoryKind::kCrop, s.activeLayerIndex)) return EditResult::kOutOfMemory;
  const uint64_t n = range.length();
  if (n == 0) return EditResult::kDone;
  // In place, as Cut: the entry holds the old layer.
  CSoundLayer& layer = *s.activeLayer();
  const uint64_t length = layer.length();
  std::unique_ptr<uint8_t[]> block = layer.TakeData();
  std::memmove(block.get(), block.get() + range.start, n);
  layer.SetData(std::move(block), n);
  layer.RemoveNodes(0, static_cast<uint32_t>(range.start));
  layer.RemoveNodes(static_cast<uint32_t>(range.end), static_cast<uint32_t>(length));
  layer.ShiftNodes(0, -static_cast<int32_t>(range.start));
  layer.RebuildSnapshot();
  Selection::Cursor(0).ApplyTo(s);
  return EditResult::kDone;
}

EditResult DocumentEditor::Mix(ClipBytes clip) {
  CSound& s = sound();
  if (s.IsPlaying()) return EditResult::kPlaying;
  if (!s.CanAddLayer()) return EditResult::kTooManyLayers;
  const uint64_t c = clip.data == nullptr ? 0 : clip.length / kFrameBytes * kFrameBytes;
  if (c == 0) return EditResult::kNothingToDo;
  const int32_t index = static_cast<int32_t>(s.layers.size());
  // The layer takes the clip's block as it is; a partial frame at its end
  // lies beyond the layer's length.
  s.AppendLayer(std::string(), std::move(clip.data), c).offset = 0;
  if (!Record(HistoryKind::kNewLayer, index)) {
    s.layers.pop_back();
    return EditResult::kOutOfMemory;
  }
  return EditResult::kDone;
}

EditResult DocumentEditor::MergeLayers() {
  CSound& s = sound();
  if (s.layers.empty()) return EditResult::kNothingToDo;
  const uint32_t length = s.GetLength();
  std::unique_ptr<uint8_t[]> mixed = s.MixDown();
  if (mixed == nullptr && length == 0) mixed = NewBlock(0);
  if (mixed == nullptr) return EditResult::kOutOfMemory;
  s.Stop();
  if (!Record(HistoryKind::kMerge, 0)) return EditResult::kOutOfMemory;
  s.AppendLayer("Merged Layer", std::move(mixed), length).offset = 0;
  // The old index may point past the single layer left.
  s.activeLayerIndex = 0;
  RepairActiveLayerAndSelection(s);
  return EditResult::kDone;
}

EditResult DocumentEditor::SelectAll() {
  CSound& s = sound();
  ClampActiveLayerIndex(s);
  const CSoundLayer* layer = s.activeLayer();
  if (layer == nullptr) return EditResult::kNothingToDo;
  Selection::Range(layer->offset, layer->end()).ApplyTo(s);
  return EditResult::kDone;
}

EditResult DocumentEditor::AddBlankLayer() { return GenerateLayer(BlankLayerParameters(), std::string()); }

EditResult DocumentEditor::GenerateLayer(const GeneratorParameters& parameters, const std::string& name,
                                         ProgressReport* progress) {
  CSound& s = sound();
  if (!s.CanAddLayer()) return EditResult::kTooManyLayers;
  bool cancelled = false;
  if (!s.AddGeneratedLayer(parameters, progress, &cancelled)) {
    return cancelled ? EditResult::kCancelled : EditResult::kOutOfMemory;
  }
  if (!name.empty()) s.layers.back()->name = name;
  if (!Record(HistoryKind::kNewLayer, static_cast<int32_t>(s.layers.size()) - 1)) {
    s.layers.pop_back();
    return EditResult::kOutOfMemory;
  }
  return EditResult::kDone;
}

EditResult DocumentEditor::DeleteLayer() {
  CSound& s = sound();
  const int32_t index = s.activeLayerIndex;
  if (index <= 0 || index >= static_cast<int32_t>(s.layers.size())) return EditResult::kCannotDelete;
  s.Stop();
  // The entry takes the layer out of the list and keeps it whole.
  if (!Record(HistoryKind::kRemoveLayer, index)) return EditResult::kOutOfMemory;
  s.activeLayerIndex = index - 1;
  return EditResult::kDone;
}

EditResult DocumentEditor::InsertNode() {
  CSound& s = sound();
  LayerRange range;
  if (!SelectedRange(&range)) return EditResult::kNothingToDo;
  s.Stop();
  s.activeLayer()->AddNode(static_cast<uint32_t>(range.start));
  // No history entry, but the document has changed and must be saved.
  ChangedWithoutHistory();
  return EditResult::kDone;
}

EditResult DocumentEditor::RemoveAllNodes() {
  CSound& s = sound();
  ClampActiveLayerIndex(s);
  CSoundLayer* layer = s.activeLayer();
  if (layer == nullptr) return EditResult::kNothingToDo;
  s.Stop();
  layer->RemoveNodes(0, static_cast<uint32_t>(std::min<uint64_t>(layer->length(), UINT32_MAX)));
  ChangedWithoutHistory();
  return EditResult::kDone;
}

EditResult DocumentEditor::Undo() {
  if (!m_history.CanUndo()) return EditResult::kNothingToDo;
  if (!m_history.UndoAction(sound())) return EditResult::kOutOfMemory;
  m_document.SetModifiedFlag(!m_history.AtSavedRow());
  HistoryChanged();
  return EditResult::kDone;
}

EditResult DocumentEditor::Redo() {
  if (!m_history.CanRedo()) return EditResult::kNothingToDo;
  if (!m_history.RedoAction(sound())) return EditResult::kOutOfMemory;
  m_document.SetModifiedFlag(!m_history.AtSavedRow());
  HistoryChanged();
  return EditResult::kDone;
}

void DocumentEditor::Select(Selection selection) { selection.ApplyTo(sound()); }

bool DocumentEditor::ActivateLayer(int index, SelectionOnActivate rule) {
  return ::ActivateLayer(sound(), index, rule);
}

EnvelopeNode DocumentEditor::MoveNode(int layerIndex, size_t node, int64_t position, double level) {
  CSoundLayer* layer = LayerAt(layerIndex);
  if (layer == nullptr || node >= layer->nodes.size()) return {};
  std::vector<EnvelopeNode>& nodes = layer->nodes;
  // The first node stays at or after the layer's first byte, the last at or
  // before its last frame, every other between its neighbours.
  const int64_t lowest = node == 0 ? 0 : nodes[node - 1].position;
  const int64_t highest = node + 1 == nodes.size()
                              ? static_cast<int64_t>(layer->length()) - static_cast<int64_t>(kFrameBytes)
                              : nodes[node + 1].position;
  const EnvelopeNode moved{std::clamp(level, -1.0, 1.0), std::max(std::min(position, highest), lowest)};
  if (moved.position != nodes[node].position || moved.level != nodes[node].level) {
    nodes[node] = moved;
    ChangedWithoutHistory();
  }
  return nodes[node];
}

void DocumentEditor::RemoveNode(int layerIndex, size_t node) {
  CSoundLayer* layer = LayerAt(layerIndex);
  if (layer == nullptr || node >= layer->nodes.size()) return;
  layer->RemoveNode(node);
  ChangedWithoutHistory();
}

int32_t DocumentEditor::MoveLayer(int layerIndex, int64_t offset) {
  CSoundLayer* layer = LayerAt(layerIndex);
  if (layer == nullptr) return 0;
  const int32_t placed = ToSoundPosition(offset);
  const int64_t moved = int64_t{placed} - layer->offset;
  if (moved == 0) return placed;
  layer->offset = placed;
  Selection::Of(sound()).MovedBy(moved).ApplyTo(sound());
  ChangedWithoutHistory();
  return placed;
}

void DocumentEditor::RenameLayer(int layerIndex, const std::string& name) {
  CSoundLayer* layer = LayerAt(layerIndex);
  if (layer == nullptr || layer->name == name) return;
  layer->name = name;
  ChangedWithoutHistory();
}

void DocumentEditor::SetLayerLook(int layerIndex, const LayerLook& look) {
  CSoundLayer* layer = LayerAt(layerIndex);
  if (layer == nullptr) return;
  const auto envelopeOn = static_cast<uint8_t>(look.envelopeOn ? 1 : 0);
  if (look.name == layer->name && look.waveColor == layer->waveColor && look.envelopeColor == layer->envelopeColor &&
      envelopeOn == layer->envelopeOn)
    return;
  layer->name = look.name;
  layer->waveColor = look.waveColor;
  layer->envelopeColor = look.envelopeColor;
  layer->envelopeOn = envelopeOn;
  ChangedWithoutHistory();
}

void DocumentEditor::SetTag(int tag, const std::string& text) {
  if (tag < 0 || tag >= kTagCount) return;
  const std::string value = text.empty() ? std::string(kEmptyTag) : text;
  std::string& stored = sound().tags[static_cast<size_t>(tag)];
  if (stored == value) return;
  stored = value;
  ChangedWithoutHistory();
}
