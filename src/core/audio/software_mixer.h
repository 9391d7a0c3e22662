// The software mixer shared by both back-ends: the playing output buffers
// (voices), their cursors, the saturating sum into one stereo stream, volume
// and the start of play groups. A back-end only decides when frames are
// pulled (Mix, on its own thread) and which output frame is being heard now
// (the clock it installs); everything a buffer reports follows from those two.
//
// Threads: every call except Mix comes from the caller's thread. One mutex
// (mutex_) guards the voice list, every voice's state and its sample memory,
// except the range a buffer has locked: the caller writes that range
// directly, without the mutex, and Mix reads silence there instead of it
// until the unlock. Marking and clearing the range take the mutex, so Mix
// never touches bytes being written, and what was written is published to
// Mix by the unlock. Mix holds the mutex for one block at most, the caller's
// thread for a state change. The clock is read under its own mutex
// (clockMutex_) and never while mutex_ is held, because a back-end's clock may
// take its sound server's lock, under which that server calls Mix.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "core/audio/sound_device.h"

// One output buffer as the mixer sees it. Owned by its buffer object, which
// attaches it to the mixer for its lifetime; all fields are guarded by the
// mixer's mutex once attached.
struct MixerVoice {
  enum class State { Stopped, Held, Pending, Playing };

  std::unique_ptr<uint8_t[]> data;
  uint32_t size = 0;      // bytes, as created
  uint32_t playable = 0;  // size rounded down to whole frames: where cursors wrap
  State state = State::Stopped;
  bool looping = false;
  uint32_t startOffset = 0;  // byte offset the current run started from
  uint64_t startFrame = 0;   // output frame the current run started on (Playing)
  int32_t gain = 65536;      // 16.16 fixed point; 65536 is full level
  // The byte range handed out by a lock (none when lockedBytes is 0): the
  // caller owns those bytes until the unlock, and Mix plays silence there.
  uint32_t lockedOffset = 0;
  uint32_t lockedBytes = 0;
  // Unwrapped position (the run's start offset plus the bytes played since)
  // from which the voice plays silence; none until set, cleared by
  // SetPosition.
  uint64_t playLimit = UINT64_MAX;
};

class SoftwareMixer {
 public:
  // Reports the output frame being heard now. Returns false when the
  // device behind it is gone (the stream failed); *frame is then untouched.
  using Clock = std::function<bool(uint64_t* frame)>;

  SoftwareMixer() = default;
  SoftwareMixer(const SoftwareMixer&) = delete;
  SoftwareMixer& operator=(const SoftwareMixer&) = delete;

  // Installs the back-end's clock; an empty clock freezes time at the last
  // frame heard (the back-end is closing and buffers may outlive it).
  void SetClock(Clock clock);

  // Back-end thread: mixes the next `frames` interleaved stereo frames.
  void Mix(int16_t* out, uint32_t frames);
  uint64_t MixedFrames() const { return mixedFrames_.load(std::memory_order_acquire); }

  void Attach(MixerVoice* voice);
  void Detach(MixerVoice* voice);

  void BeginPlayGroup();
  void EndPlayGroup();

  // The operations of an output buffer on its voice.
  DeviceResult Play(MixerVoice* voice, bool looping);
  DeviceResult Stop(MixerVoice* voice);
  DeviceResult SetPosition(MixerVoice* voice, uint32_t position);
  void SetGain(MixerVoice* voice, int32_t gain);
  DeviceResult GetPlaying(MixerVoice* voice, bool* playing);
  DeviceResult GetPosition(MixerVoice* voice, uint32_t* position);
  // The play cursor without the wrap: the run's start offset plus every
  // byte heard since it started, laps included. Stopping forgets the laps.
  DeviceResult GetUnwrappedPosition(MixerVoice* voice, uint64_t* position);
  // Hands bytes offset ... offset + bytes − 1 of the voice's memory to the
  // caller (the range is checked by the caller) until UnlockRange.
  void LockRange(MixerVoice* voice, uint32_t offset, uint32_t bytes);
  void UnlockRange(MixerVoice* voice);
  void SetPlayLimit(MixerVoice* voice, uint64_t limit);

  // 16.16 gain for a volume in hundredths of a decibel (clamped to the range).
  static int32_t GainForVolume(int32_t volume);

 private:
  // Reads the clock (never with mutex_ held); false when the device is lost.
  bool HeardFrame(uint64_t* frame);
  // With mutex_ held: ends a one-shot run the listener has heard to its end.
  void SettleVoice(MixerVoice* voice, uint64_t heard);
  // The voice queries: reads the clock, settles the voice under mutex_ and
  // hands the frame heard to `read`; the device-lost failure otherwise.
  template <typename Read>
  DeviceResult QuerySettled(MixerVoice* voice, Read&& read);
  uint32_t CursorOf(const MixerVoice* voice, uint64_t heard) const;
  uint64_t UnwrappedCursorOf(const MixerVoice* voice, uint64_t heard) const;
  void MixChunk(int16_t* out, uint32_t frames);

  std::mutex mutex_;
  std::vector<MixerVoice*> voices_;  // guarded by mutex_
  bool groupOpen_ = false;           // guarded by mutex_
  // Frames handed to the back-end so far; written by Mix under mutex_,
  // read without it by the back-ends' clocks.
  std::atomic<uint64_t> mixedFrames_{0};

  std::mutex clockMutex_;
  Clock clock_;              // guarded by clockMutex_
  uint64_t lastHeard_ = 0;   // guarded by clockMutex_; keeps the clock monotonic
};
