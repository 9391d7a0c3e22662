// The capture poll: run at the start of every 50 ms meter tick, it appends
// what the always-running capture ring took since the last tick to the
// recording file while a recording runs, and picks the samples the level
// meters show.
//
// Positions are kept without the wrap (the ring's count of captured bytes),
// so that a tick that comes late by more than the ring holds is noticed:
// the bytes the ring overwrote are reported as lost, never written as
// sound. A recording starts one tick after Record (the first tick only takes
// the ring's position), and Stop writes the bytes of the last part-tick.
#pragma once

#include <cstdint>

#include "core/audio/sound_device.h"

class RecordingFile;

class CapturePoll {
 public:
  struct Tick {
    // False when the ring is missing, not capturing, or at position 0 or
    // its last byte: the tick then ends without a meter update.
    bool ran = false;
    // The newest complete frame's samples.
    int16_t left = 0, right = 0;
    // Per channel, the sample of largest magnitude among the frames captured
    // since the previous tick (the newest frame when none came in).
    int16_t peakLeft = 0, peakRight = 0;
    // Captured bytes that were overwritten before this tick could write
    // them: that much of the recording is missing.
    uint64_t lostBytes = 0;
    // The recording file refused bytes (the disk is full). The file keeps
    // the whole frames written before the failure; the rest of the tick's
    // bytes, `unwrittenBytes` of them, are missing from the recording.
    bool writeFailed = false;
    uint64_t unwrittenBytes = 0;
  };

  // Increments the tick counter and polls `ring`, writing to `file` while
  // recording (either may be null).
  Tick Poll(SoundCaptureBuffer* ring, RecordingFile* file);

  // Arms a recording: the next poll takes the ring's position, the one after
  // it writes the first bytes.
  void StartRecording();
  // Writes what the ring took since the last poll, then ends the
  // recording. The tick's overrun and write failure are reported as a
  // poll's would be.
  Tick StopRecording(SoundCaptureBuffer* ring, RecordingFile* file);

  bool recording() const { return m_recording; }
  bool captureStarted() const { return m_captureStarted; }
  // Ring offset up to which the recording file holds the captured bytes.
  uint32_t readPosition() const { return m_readPosition; }
  // The recording file's length after the last write.
  uint64_t recordedBytes() const { return m_recordedBytes; }
  int32_t tickCount() const { return m_tickCount; }

  // The level a meter shows for sample `s`: 55 (silence, or anything at or
  // below -45 dB full scale) to 100 (full scale).
  static int LevelValue(int16_t s);

 private:
  // Appends the ring's bytes from m_readUnwrapped up to `captured` to the file.
  void WriteCaptured(SoundCaptureBuffer& ring, RecordingFile* file, uint64_t captured, Tick* tick);
  void ReadLevels(SoundCaptureBuffer& ring, uint64_t captured, Tick* tick);

  bool m_recording = false;
  bool m_captureStarted = false;
  uint32_t m_readPosition = 0;
  uint64_t m_readUnwrapped = 0;   // the ring's count at m_readPosition
  uint64_t m_recordedBytes = 0;
  int32_t m_tickCount = 0;
  // The ring's count at the previous tick's level reading; none before the first.
  bool m_levelKnown = false;
  uint64_t m_levelUnwrapped = 0;
};
