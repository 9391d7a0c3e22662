// The capture ring of either back-end: a looping buffer of recorded frames
// that the back-end's feed writes on its own thread while the caller reads
// finished data behind the read position.
//
// Threads: one mutex guards the ring memory, the write count and the state.
// The feed holds it for one write (a few milliseconds of sound); Lock copies
// the requested bytes out under it, so the caller never reads memory the
// feed may be overwriting at that moment.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "core/audio/capture_feed.h"
#include "core/audio/sound_device.h"

class CaptureRing : public SoundCaptureBuffer {
 public:
  // Makes a ring of `bytes` bytes in the device format, without a feed yet.
  static DeviceResult Create(uint32_t bytes, const WaveFormat& format,
                             std::unique_ptr<CaptureRing>* ring);
  ~CaptureRing() override;

  // Hands the ring its feed (once, before first use).
  void SetFeed(std::unique_ptr<CaptureFeed> feed) { feed_ = std::move(feed); }

  // Feed thread: appends captured bytes; with data == nullptr, that many
  // bytes of silence (a gap the server reported). Ignored while stopped.
  void Write(const uint8_t* data, uint32_t bytes);

  uint32_t Size() const override { return size_; }
  DeviceResult Start(bool looping) override;
  DeviceResult Stop() override;
  DeviceResult GetStatus(uint32_t* status) override;
  DeviceResult GetCurrentPosition(uint32_t* capturePosition, uint32_t* readPosition) override;
  DeviceResult Lock(uint32_t offset, uint32_t bytes, LockedRegion* first,
                    LockedRegion* second) override;
  DeviceResult Unlock(const LockedRegion& first, const LockedRegion& second) override;
  DeviceResult GetCapturedBytes(uint64_t* bytes) override;
  DeviceResult MoveToSource(const std::string& sourceName) override;

 private:
  CaptureRing(uint32_t size, std::unique_ptr<uint8_t[]> ring, std::unique_ptr<uint8_t[]> copy);

  const uint32_t size_;
  std::unique_ptr<CaptureFeed> feed_;

  std::mutex mutex_;
  std::unique_ptr<uint8_t[]> ring_;  // guarded by mutex_
  uint64_t written_ = 0;             // bytes written since the last Start; guarded by mutex_
  bool capturing_ = false;           // guarded by mutex_
  bool looping_ = true;              // guarded by mutex_

  // Caller's thread only: the copy Lock hands out (as large as the ring, so
  // the meter's 50 ms reads never allocate) and whether it is handed out.
  std::unique_ptr<uint8_t[]> lockCopy_;
  bool locked_ = false;
};
