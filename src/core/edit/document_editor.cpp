// The edit, layer and envelope commands (see the header).
#include "core/edit/document_editor.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint64_t kFrameBytes = 4;  // the working format's block align

// Rounds a layer position up to the next frame boundary, never past the end.
uint64_t UpToFrame(uint64_t position, uint64_t length) {
  const uint64_t rounded = (position + kFrameBytes - 1) / kFrameBytes * kFrameBytes;
  return std::min(rounded, length);
}

std::unique_ptr<uint8_t[]> NewBlock(uint64_t length) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[length == 0 ? 1 : length]);
}

int32_t ToSoundPosition(const CSoundLayer& layer, uint64_t position) {
  return static_cast<int32_t>(static_cast<int64_t>(layer.offset) + static_cast<int64_t>(position));
}

}  // namespace

DocumentEditor::DocumentEditor(SoundDocument& document, bool createdNew, uint64_t spillThreshold)
    : m_document(document), m_history(spillThreshold) {
  const bool added = createdNew ? m_history.AddAction(sound(), "New", kHistoryNew, -1)
                                : m_history.AddAction(sound(), "Open", kHistoryOpen, -1);
  (void)added;  // a row without saved state cannot fail
}

bool DocumentEditor::SelectedRange(Range* range) {
  CSound& s = sound();
  ClampActiveLayerIndex(s);
  CSoundLayer* layer = s.activeLayer();
  if (layer == nullptr) return false;
  const int64_t length = static_cast<int64_t>(layer->length());
  const int64_t start = std::clamp<int64_t>(int64_t{s.selectionStart} - layer->offset, 0, length);
  const int64_t end = std::clamp<int64_t>(int64_t{s.selectionEnd} - layer->offset, start, length);
  range->start = UpToFrame(static_cast<uint64_t>(start), layer->length());
  range->end = std::max(range->start, UpToFrame(static_cast<uint64_t>(end), layer->length()));
  return true;
}

bool DocumentEditor::Record(const std::string& name, int kind, int32_t layerIndex) {
  if (!m_history.AddAction(sound(), name, kind, layerIndex)) return false;
  m_document.SetModifiedFlag(true);
  return true;
}

EditResult DocumentEditor::Copy(std::vector<uint8_t>* clip) {
  Range range;
  if (!SelectedRange(&range) || range.end == range.start) return EditResult::kNothingToDo;
  // Like every command that touches a layer's bytes, stop what reads them first.
  sound().Stop();
  const CSoundLayer& layer = *sound().activeLayer();
  try {
    clip->assign(layer.data() + range.start, layer.data() + range.end);
  } catch (const std::bad_alloc&) {
    clip->clear();
    return EditResult::kOutOfMemory;
  }
  return EditResult::kDone;
}

EditResult DocumentEditor::Cut(std::vector<uint8_t>* clip) {
  CSound& s = sound();
  Range range;
  if (!SelectedRange(&range)) return EditResult::kNothingToDo;
  // Playback reads the block this changes.
  s.Stop();
  const uint64_t n = range.end - range.start;
  if (n != 0 && clip != nullptr) {
    const EditResult copied = Copy(clip);
    if (copied != EditResult::kDone) return copied;
  }
  if (!Record("Cut", kHistoryCut, s.activeLayerIndex)) return EditResult::kOutOfMemory;
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
  s.selectionStart = s.selectionEnd = ToSoundPosition(layer, range.start);
  return EditResult::kDone;
}

EditResult DocumentEditor::Paste(const std::vector<uint8_t>& clip) {
  CSound& s = sound();
  // Only whole frames: a partial one would shift every later sample.
  const uint64_t c = clip.size() / kFrameBytes * kFrameBytes;
  Range range;
  if (c == 0 || !SelectedRange(&range)) return EditResult::kNothingToDo;
  s.Stop();
  CSoundLayer& layer = *s.activeLayer();
  const uint64_t n = range.end - range.start;
  const uint64_t length = layer.length();
  std::unique_ptr<uint8_t[]> block = NewBlock(length - n + c);
  if (block == nullptr) return EditResult::kOutOfMemory;
  if (!Record("Paste", kHistoryPaste, s.activeLayerIndex)) return EditResult::kOutOfMemory;
  std::memcpy(block.get(), layer.data(), range.start);
  std::memcpy(block.get() + range.start, clip.data(), c);
  std::memcpy(block.get() + range.start + c, layer.data() + range.end, length - range.end);
  layer.RemoveNodes(static_cast<uint32_t>(range.start), static_cast<uint32_t>(range.end));
  layer.ShiftNodes(static_cast<uint32_t>(range.start), static_cast<int32_t>(static_cast<int64_t>(c) - static_cast<int64_t>(n)));
  layer.RebuildSnapshot();
  layer.SetData(std::move(block), length - n + c);
  s.selectionStart = ToSoundPosition(layer, range.start);
  s.selectionEnd = ToSoundPosition(layer, range.start + c);
  return EditResult::kDone;
}

EditResult DocumentEditor::Crop() {
  CSound& s = sound();
  Range range;
  if (!SelectedRange(&range)) return EditResult::kNothingToDo;
  s.Stop();
  if (!Record("Crop", kHistoryCut, s.activeLayerIndex)) return EditResult::kOutOfMemory;
  const uint64_t n = range.end - range.start;
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
  s.selectionStart = s.selectionEnd = 0;
  return EditResult::kDone;
}

EditResult DocumentEditor::Mix(const std::vector<uint8_t>& clip) {
  CSound& s = sound();
  if (s.IsPlaying()) return EditResult::kPlaying;
  if (!s.CanAddLayer()) return EditResult::kTooManyLayers;
  const uint64_t c = clip.size() / kFrameBytes * kFrameBytes;
  if (c == 0) return EditResult::kNothingToDo;
  std::unique_ptr<uint8_t[]> block = NewBlock(c);
  if (block == nullptr) return EditResult::kOutOfMemory;
  std::memcpy(block.get(), clip.data(), c);
  const int32_t index = static_cast<int32_t>(s.layers.size());
  s.AppendLayer(std::string(), std::move(block), c).offset = 0;
  if (!Record("New Layer", kHistoryNewLayer, index)) {
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
  if (!Record("Merge", kHistoryMerge, 0)) return EditResult::kOutOfMemory;
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
  s.selectionStart = layer->offset;
  s.selectionEnd = static_cast<int32_t>(layer->end());
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
  if (!Record("New Layer", kHistoryNewLayer, static_cast<int32_t>(s.layers.size()) - 1)) {
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
  if (!Record("Remove Layer", kHistoryRemoveLayer, index)) return EditResult::kOutOfMemory;
  s.activeLayerIndex = index - 1;
  return EditResult::kDone;
}

EditResult DocumentEditor::InsertNode() {
  CSound& s = sound();
  Range range;
  if (!SelectedRange(&range)) return EditResult::kNothingToDo;
  s.Stop();
  s.activeLayer()->AddNode(static_cast<uint32_t>(range.start));
  // No history entry, but the document has changed and must be saved.
  m_document.SetModifiedFlag(true);
  return EditResult::kDone;
}

EditResult DocumentEditor::RemoveAllNodes() {
  CSound& s = sound();
  ClampActiveLayerIndex(s);
  CSoundLayer* layer = s.activeLayer();
  if (layer == nullptr) return EditResult::kNothingToDo;
  s.Stop();
  layer->RemoveNodes(0, static_cast<uint32_t>(std::min<uint64_t>(layer->length(), UINT32_MAX)));
  m_document.SetModifiedFlag(true);
  return EditResult::kDone;
}

EditResult DocumentEditor::Undo() {
  if (!m_history.CanUndo()) return EditResult::kNothingToDo;
  if (!m_history.UndoAction(sound())) return EditResult::kOutOfMemory;
  m_document.SetModifiedFlag(true);
  return EditResult::kDone;
}

EditResult DocumentEditor::Redo() {
  if (!m_history.CanRedo()) return EditResult::kNothingToDo;
  if (!m_history.RedoAction(sound())) return EditResult::kOutOfMemory;
  m_document.SetModifiedFlag(true);
  return EditResult::kDone;
}
