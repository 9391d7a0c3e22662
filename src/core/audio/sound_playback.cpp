// Play, Stop, Pause and the timer step of the playback engine.
#include "core/audio/sound_playback.h"

#include <algorithm>
#include <cstdlib>

namespace {

int32_t ClampToPosition(uint64_t p) {
  return static_cast<int32_t>(std::min<uint64_t>(p, INT32_MAX));
}

}  // namespace

bool PlaybackPastEnd(uint64_t p, uint32_t soundLength, int32_t playStartStart,
                     int32_t playStartEnd) {
  // A position equal to the length is still the sound (its last cursor
  // place); only the first one beyond it ends playback.
  if (p > soundLength) return true;
  const int64_t span = static_cast<int64_t>(playStartEnd) - playStartStart;
  return static_cast<int64_t>(p) > playStartEnd && std::llabs(span) > 5;
}

CSoundPlayback::CSoundPlayback(CSound& sound, SoundOutputDevice& device, PlaybackView* view)
    : sound_(&sound), device_(&device), view_(view) {
  sound_->playback = this;
}

CSoundPlayback::~CSoundPlayback() {
  DropBuffers();
  if (sound_->playback == this) sound_->playback = nullptr;
}

void CSoundPlayback::SetView(PlaybackView* view) {
  if (view == view_) return;
  if (clock_) Pause();
  view_ = view;
}

void CSoundPlayback::ParkBuffers() {
  if (clock_) {
    clock_->Stop();
    spareClock_ = std::move(clock_);
  }
  for (LayerPlayBuffer& layer : layerBuffers_) {
    if (std::unique_ptr<SoundOutputBuffer> ring = layer.TakeRing()) {
      spareRings_.push_back(std::move(ring));
    }
  }
  layerBuffers_.clear();
}

void CSoundPlayback::DropBuffers() {
  ParkBuffers();
  spareClock_.reset();
  spareRings_.clear();
}

LayerPlayBuffer* CSoundPlayback::BufferOf(const CSoundLayer& layer) {
  for (LayerPlayBuffer& buffer : layerBuffers_) {
    if (&buffer.layer() == &layer) return &buffer;
  }
  return nullptr;
}

bool CSoundPlayback::Play() {
  CSound& sound = *sound_;
  // Whatever played before stops here; its buffers are kept for this run.
  // On any failure below the sound is left idle, with no buffer and no
  // timer, rather than half started.
  ParkBuffers();
  auto fail = [this] {
    DropBuffers();
    if (view_ != nullptr) view_->SetPlayTimer(false);
    return false;
  };
  // Kept buffers serve only the format they were made in.
  if (!(sound.workingFormat == spareFormat_)) {
    spareClock_.reset();
    spareRings_.clear();
    spareFormat_ = sound.workingFormat;
  }

  // A kept clock is silent already: nothing but this zeroing writes it.
  const bool clockKept = spareClock_ != nullptr;
  if (clockKept) {
    clock_ = std::move(spareClock_);
  } else if (!device_->CreateBuffer(kPlayRingBytes, sound.workingFormat, &clock_).Succeeded() ||
             !clock_) {
    clock_.reset();
    return fail();
  }
  // A selection start below 0 has no sound before it: play from 0.
  const uint64_t from = sound.selectionStart > 0 ? static_cast<uint64_t>(sound.selectionStart) : 0;
  layerBuffers_.reserve(sound.layers.size());
  for (const auto& layer : sound.layers) {
    layerBuffers_.emplace_back(*layer);
    LayerPlayBuffer& buffer = layerBuffers_.back();
    if (!spareRings_.empty()) {
      buffer.AdoptRing(std::move(spareRings_.back()));
      spareRings_.pop_back();
    }
    if (!buffer.FillPlayBuffer(*device_, sound.workingFormat, from).Succeeded()) return fail();
    buffer.buffer()->SetVolume(kVolumeMax);
  }
  LockedRegion region;
  if (!clockKept && clock_->Lock(0, 0, &region, /*entireBuffer=*/true).Succeeded()) {
    std::fill(region.data, region.data + region.bytes, uint8_t{0});
    clock_->Unlock(region);
  }

  // One play group: the clock and every layer start on the same output
  // frame, so the clock's cursor is every layer's cursor.
  device_->BeginPlayGroup();
  bool started = clock_->SetCurrentPosition(0).Succeeded() && clock_->Play(true).Succeeded();
  for (LayerPlayBuffer& buffer : layerBuffers_) {
    started = started && buffer.StartPlayBuffer().Succeeded();
  }
  device_->EndPlayGroup();
  if (!started) return fail();
  LimitRings(kPlayRingBytes);

  playFrom_ = from;
  bookkeeping_.playStartStart = sound.selectionStart;
  bookkeeping_.playStartEnd = sound.selectionEnd;
  bookkeeping_.ringBase = from;
  bookkeeping_.nextFillPosition = from + kPlayRingBytes;
  bookkeeping_.nextBlock = 0;
  if (view_ != nullptr) view_->SetPlayTimer(true);
  return true;
}

bool CSoundPlayback::PlayAll() {
  sound_->selectionStart = 0;
  sound_->selectionEnd = 0;
  return Play();
}

void CSoundPlayback::Stop() {
  if (view_ != nullptr) view_->SetPlayTimer(false);
  if (clock_) {
    ParkBuffers();
    sound_->selectionEnd = bookkeeping_.playStartEnd;
    sound_->selectionStart = bookkeeping_.playStartStart;
    if (!sound_->IsSelectionInActiveLayer()) sound_->SelectLayerFromSelection();
    ScrollToSelectionStart();
  }
  ParkBuffers();
}

void CSoundPlayback::Pause() {
  if (view_ != nullptr) view_->SetPlayTimer(false);
  ParkBuffers();
}

bool CSoundPlayback::IsPlaying() const {
  if (!clock_) return false;
  uint32_t status = 0;
  if (!clock_->GetStatus(&status).Succeeded()) return false;
  return (status & kBufferStatusPlaying) != 0;
}

void CSoundPlayback::ScrollToSelectionStart() {
  if (view_ == nullptr) return;
  const PlaybackViewport viewport = view_->Viewport();
  const int32_t zoom = std::max(viewport.zoom, 1);
  // Signed, as the selection is: an unsigned divisor would make it unsigned.
  constexpr auto kFrameBytes = static_cast<int32_t>(kWorkingBlockAlign);
  view_->ScrollTo(sound_->selectionStart / kFrameBytes / zoom - viewport.clientWidth / 2 + 30);
}

void CSoundPlayback::FollowPlayPosition(uint64_t position, int32_t oldStart, int32_t oldEnd,
                                        int32_t oldLayer) {
  if (view_ == nullptr) return;
  const PlaybackViewport viewport = view_->Viewport();
  if (viewport.hasHorizontalScrollBar) {
    // The cursor stands 10 pixels right of the window's centre.
    const int64_t zoom = std::max(viewport.zoom, 1);
    const int64_t wanted = std::clamp<int64_t>(
        static_cast<int64_t>(position / kWorkingBlockAlign) / zoom + 30 - viewport.clientWidth / 2, 0, INT32_MAX);
    if (viewport.scrollPosition != wanted) {
      view_->ScrollTo(static_cast<int32_t>(wanted));
      return;
    }
  }
  if (!viewport.busy) view_->InvertSelectionChange(oldStart, oldEnd, oldLayer);
}

void CSoundPlayback::OnPlayTimer() {
  if (!clock_) return;
  CSound& sound = *sound_;
  PlaybackBookkeeping& book = bookkeeping_;

  if (!IsPlaying()) {
    // The clock has stopped under us (the device was lost): show the
    // play-start selection and wait for Stop, Pause or Play.
    sound.selectionStart = book.playStartStart;
    sound.selectionEnd = book.playStartEnd;
    if (view_ != nullptr) view_->Repaint();
    ScrollToSelectionStart();
    book.nextBlock = 0;
    return;
  }

  uint64_t played = 0;
  if (!clock_->GetUnwrappedPosition(&played).Succeeded()) {
    // Shown for this tick only. The ring bookkeeping is kept: the rings play
    // on, and a block counter reset here would have the next ticks write
    // the wrong data into the wrong blocks.
    sound.selectionStart = book.playStartStart;
    sound.selectionEnd = book.playStartEnd;
    ScrollToSelectionStart();
    return;
  }

  // The clock counts every byte played since Play, laps included, so the
  // position is right however long the ticks were held up.
  const uint64_t position = playFrom_ + played;
  if (PlaybackPastEnd(position, sound.GetLength(), book.playStartStart, book.playStartEnd)) {
    Stop();
    book.nextBlock = 0;
    return;
  }
  RefillBehind(played);

  const int32_t oldStart = sound.selectionStart;
  const int32_t oldEnd = sound.selectionEnd;
  const int32_t oldLayer = sound.activeLayerIndex;
  sound.selectionStart = sound.selectionEnd = ClampToPosition(position);
  if (!sound.IsSelectionInActiveLayer()) sound.SelectLayerFromSelection();
  FollowPlayPosition(position, oldStart, oldEnd, oldLayer);
}

void CSoundPlayback::LimitRings(uint64_t filled) {
  // Beyond what was written for this lap the rings hold the last lap; if the
  // ticks are held up that long, a gap is heard instead.
  for (LayerPlayBuffer& buffer : layerBuffers_) {
    if (buffer.buffer() != nullptr) buffer.buffer()->SetPlayLimit(filled);
  }
}

void CSoundPlayback::RefillBehind(uint64_t played) {
  PlaybackBookkeeping& book = bookkeeping_;
  // Counted in bytes played since Play: ring offset x mod 1 MiB holds the
  // sound for play offset x, and the rings hold play offsets
  // filled − 1 MiB ... filled − 1.
  uint64_t filled = book.nextFillPosition - playFrom_;
  const uint64_t playingBlock = played / kPlayBlockBytes * kPlayBlockBytes;
  if (played >= filled) {
    // Held up for longer than the rings hold: everything in them is past.
    // What was missed is skipped (a gap, never sound heard again), and the
    // refill starts with the block being played.
    filled = playingBlock;
  }
  // A block is rewritten once the cursor has left what it holds, with the
  // sound one lap ahead: one block a tick, more only while less than a
  // block of sound lies ready ahead of the cursor (after a hold-up).
  for (int refills = 0; filled + kPlayBlockBytes <= playingBlock + kPlayRingBytes; ++refills) {
    if (refills > 0 && filled >= played + kPlayBlockBytes) break;
    const int block = static_cast<int>(filled / kPlayBlockBytes % kPlayBlockCount);
    for (const auto& layer : sound_->layers) {
      // A layer added since Play has no ring; it is heard from the next Play.
      if (LayerPlayBuffer* buffer = BufferOf(*layer)) buffer->FillPlayBlock(playFrom_ + filled, block);
    }
    filled += kPlayBlockBytes;
  }
  LimitRings(filled);
  book.nextFillPosition = playFrom_ + filled;
  book.nextBlock = static_cast<int>(filled / kPlayBlockBytes % kPlayBlockCount);
  book.ringBase = playFrom_ + played / kPlayRingBytes * kPlayRingBytes;
}
