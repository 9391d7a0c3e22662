// CapturePoll: the tick's write of the new captured bytes (one or two ring
// regions), its overrun check, and the level of the samples it saw.
#include "core/audio/capture_poll.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/audio/recording_file.h"

namespace {

int16_t SampleAt(const uint8_t* bytes) {
  return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
}

// The size of the sample the level formula looks at: |s + 1|, 0 .. 32,768.
int Magnitude(int16_t s) { return std::abs(static_cast<int>(s) + 1); }

}  // namespace

int CapturePoll::LevelValue(int16_t s) {
  const int v = Magnitude(s);
  if (v == 0) return 55;
  double d = 20.0 * std::log10(static_cast<double>(v) / 32768.0);
  if (!(d > -45.0)) d = -45.0;
  return static_cast<int>(std::trunc(d)) + 100;
}

void CapturePoll::StartRecording() { m_recording = true; }

CapturePoll::Tick CapturePoll::Poll(SoundCaptureBuffer* ring, RecordingFile* file) {
  ++m_tickCount;
  Tick tick;
  if (ring == nullptr) return tick;
  uint32_t status = 0;
  if (!ring->GetStatus(&status).Succeeded() || (status & kCaptureStatusCapturing) == 0) return tick;
  uint64_t captured = 0;
  if (!ring->GetCapturedBytes(&captured).Succeeded()) return tick;
  const uint32_t size = ring->Size();
  const auto d = static_cast<uint32_t>(captured % size);
  if (d == 0 || d == size - 1) return tick;

  if (!m_recording && m_captureStarted) m_captureStarted = false;
  if (m_recording || m_captureStarted) {
    if (m_captureStarted) {
      WriteCaptured(*ring, file, captured, &tick);
    } else {
      m_captureStarted = true;
      m_readPosition = d;
      m_readUnwrapped = captured;
    }
  }
  ReadLevels(*ring, captured, &tick);
  tick.ran = true;
  return tick;
}

CapturePoll::Tick CapturePoll::StopRecording(SoundCaptureBuffer* ring, RecordingFile* file) {
  Tick tick;
  uint64_t captured = 0;
  if (m_recording && m_captureStarted && ring != nullptr && ring->GetCapturedBytes(&captured).Succeeded())
    WriteCaptured(*ring, file, captured, &tick);
  m_recording = false;
  m_captureStarted = false;
  return tick;
}

void CapturePoll::WriteCaptured(SoundCaptureBuffer& ring, RecordingFile* file, uint64_t captured, Tick* tick) {
  const uint32_t size = ring.Size();
  // A restarted ring counts from 0 again: nothing before it can be read.
  if (captured < m_readUnwrapped) m_readUnwrapped = captured;
  uint64_t from = m_readUnwrapped;
  if (captured - from > size) {
    tick->lostBytes += captured - size - from;
    from = captured - size;
  }
  const auto bytes = static_cast<uint32_t>(captured - from);
  if (bytes > 0) {
    LockedRegion first, second;
    if (ring.Lock(static_cast<uint32_t>(from % size), bytes, &first, &second).Succeeded()) {
      // The feed may have run on between the count and the lock: whatever it
      // overwrote at the old end of the range is stale, and is skipped whole
      // frames at a time rather than written as new sound.
      uint64_t now = captured;
      if (!ring.GetCapturedBytes(&now).Succeeded()) now = captured;
      uint64_t stale = now > from + size ? now - size - from : 0;
      stale = std::min<uint64_t>((stale + kWorkingBlockAlign - 1) / kWorkingBlockAlign * kWorkingBlockAlign, bytes);
      tick->lostBytes += stale;
      auto skip = static_cast<uint32_t>(stale);
      const uint64_t before = file != nullptr ? file->Length() : 0;
      for (const LockedRegion* region : {&first, &second}) {
        const uint32_t skipHere = std::min(skip, region->bytes);
        skip -= skipHere;
        if (file == nullptr || region->bytes <= skipHere) continue;
        if (!file->Append(region->data + skipHere, region->bytes - skipHere)) {
          // The file ends on its last whole frame; the rest of the tick is
          // left out rather than written after a gap of unknown size, and
          // the next tick goes on from the ring's position.
          tick->writeFailed = true;
          break;
        }
      }
      if (file != nullptr) {
        m_recordedBytes = file->Length();
        if (tick->writeFailed) tick->unwrittenBytes += bytes - stale - (m_recordedBytes - before);
      }
      ring.Unlock(first, second);
    } else {
      // Nothing was written; the bytes stay in the ring for the next tick.
      return;
    }
  }
  m_readUnwrapped = captured;
  m_readPosition = static_cast<uint32_t>(captured % size);
}

void CapturePoll::ReadLevels(SoundCaptureBuffer& ring, uint64_t captured, Tick* tick) {
  const uint32_t size = ring.Size();
  uint64_t span = kWorkingBlockAlign;
  if (m_levelKnown && captured > m_levelUnwrapped) span = std::min<uint64_t>(captured - m_levelUnwrapped, size);
  span -= span % kWorkingBlockAlign;
  if (span == 0) span = kWorkingBlockAlign;
  m_levelKnown = true;
  m_levelUnwrapped = captured;
  LockedRegion first, second;
  const auto offset = static_cast<uint32_t>((captured - span) % size);
  if (!ring.Lock(offset, static_cast<uint32_t>(span), &first, &second).Succeeded()) return;
  int16_t peakLeft = 0, peakRight = 0;
  int loudestLeft = -1, loudestRight = -1;
  const uint8_t* newest = nullptr;
  for (const LockedRegion* region : {&first, &second}) {
    for (uint32_t i = 0; i + kWorkingBlockAlign <= region->bytes; i += kWorkingBlockAlign) {
      const int16_t l = SampleAt(region->data + i), r = SampleAt(region->data + i + 2);
      if (Magnitude(l) > loudestLeft) loudestLeft = Magnitude(l), peakLeft = l;
      if (Magnitude(r) > loudestRight) loudestRight = Magnitude(r), peakRight = r;
      newest = region->data + i;
    }
  }
  if (newest != nullptr) {
    tick->left = SampleAt(newest);
    tick->right = SampleAt(newest + 2);
  }
  tick->peakLeft = peakLeft;
  tick->peakRight = peakRight;
  ring.Unlock(first, second);
}
