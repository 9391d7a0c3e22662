// The playback engine of one document: plays its CSound on the output device.
// Every layer streams into its own looping 1 MiB ring (LayerPlayBuffer) and
// the device mixes them; one more ring, silent, is the clock whose play
// cursor tells where the sound is. The rings are kept, stopped, between runs. The view's 40 ms timer calls OnPlayTimer,
// which refills one ring block per tick one lap ahead of the cursor, moves
// the sound's cursor with the play position, lets the view follow it and
// ends playback at the end of the selection or of the sound.
//
// While it exists the engine is the sound's `playback`, so that the model can
// stop it before layers are replaced or removed. All calls come from the
// user-interface thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/audio/layer_play_buffer.h"
#include "core/audio/playback_view.h"
#include "core/audio/sound_device.h"
#include "core/model/sound.h"

// The engine's bookkeeping, for the view and the tests.
struct PlaybackBookkeeping {
  int32_t playStartStart = 0;  // the selection when Play was called
  int32_t playStartEnd = 0;
  uint64_t ringBase = 0;          // sound position of ring offset 0 in this lap
  uint64_t nextFillPosition = 0;  // sound position the next block refill writes
  int nextBlock = 0;              // ring block refilled next, 0 to 3
};

// Whether a tick at play position p ends playback: beyond the sound's
// length, or beyond the end of a play-start selection longer than 5 bytes
// (one of 5 bytes or less is a cursor, and a cursor plays to the end).
bool PlaybackPastEnd(uint64_t p, uint32_t soundLength, int32_t playStartStart,
                     int32_t playStartEnd);

class CSoundPlayback : public SoundPlaybackControl {
 public:
  // `sound` and `device` must outlive the engine; `view` may be null (no
  // window yet) and is replaced with SetView.
  CSoundPlayback(CSound& sound, SoundOutputDevice& device, PlaybackView* view = nullptr);
  // Releases every buffer (kept ones too) without calling the view, which
  // may already be gone, and stops being the sound's playback.
  ~CSoundPlayback() override;
  CSoundPlayback(const CSoundPlayback&) = delete;
  CSoundPlayback& operator=(const CSoundPlayback&) = delete;

  // A view that goes away while the sound plays takes the playback with it:
  // setting another view (or none) pauses first.
  void SetView(PlaybackView* view);

  // Starts playing from the selection start; while playing, restarts from
  // the play position and then plays to the sound's end. False when a
  // buffer cannot be made: the sound is then idle, nothing plays and the
  // selection is as it was.
  bool Play();
  // Selection 0..0, then Play: the whole sound. The caller updates the
  // document's views.
  bool PlayAll();
  // Ends playback and puts back the selection Play started from.
  void Stop() override;
  // Ends playback and leaves the cursor at the play position, where a later
  // Play resumes.
  void Pause();
  bool IsPlaying() const override;
  // One step of the view's 40 ms timer.
  void OnPlayTimer();

  const PlaybackBookkeeping& bookkeeping() const { return bookkeeping_; }
  CSound& sound() const { return *sound_; }

 private:
  // Stops the clock and every layer's ring and keeps them for the next Play,
  // so that starting again makes no buffer and allocates nothing.
  void ParkBuffers();
  // Stops and releases every buffer, kept ones included.
  void DropBuffers();
  // The refill of the timer step, `played` bytes after Play: rewrites the
  // blocks the cursor has left, and after a hold-up longer than the rings
  // hold, starts again at the block being played.
  void RefillBehind(uint64_t played);
  // Lets every ring play up to play offset `filled` and no further.
  void LimitRings(uint64_t filled);
  LayerPlayBuffer* BufferOf(const CSoundLayer& layer);
  // Scrolls the view so that the selection start shows; the scroll repaints.
  void ScrollToSelectionStart();
  // After a tick moved the cursor: scroll when the play position has left
  // the wanted scroll position, otherwise move the cursor mark by inversion.
  void FollowPlayPosition(uint64_t position, int32_t oldStart, int32_t oldEnd, int32_t oldLayer);

  CSound* sound_;
  SoundOutputDevice* device_;
  PlaybackView* view_;
  // The silent ring whose cursor is the play position; present from Play
  // until Stop or Pause.
  std::unique_ptr<SoundOutputBuffer> clock_;
  // One ring per layer, in the sound's layer order at Play time.
  std::vector<LayerPlayBuffer> layerBuffers_;
  // Stopped buffers kept from earlier runs, made in spareFormat_.
  std::unique_ptr<SoundOutputBuffer> spareClock_;
  std::vector<std::unique_ptr<SoundOutputBuffer>> spareRings_;
  WaveFormat spareFormat_;
  uint64_t playFrom_ = 0;  // sound position of play offset 0 (ring offset 0, first lap)
  PlaybackBookkeeping bookkeeping_;
};
