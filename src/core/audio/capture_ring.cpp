// The capture ring: wrapping writes from the feed, positions, and the
// two-region lock across the ring's end.
#include "core/audio/capture_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kMaxRingBytes = 0x0FFFFFFF;

DeviceResult InvalidParameter(const char* what) {
  return DeviceResult::Fail(kDeviceErrorInvalidParameter, "SOUND_ERR_INVALID_PARAMETER", what);
}

}  // namespace

CaptureRing::CaptureRing(uint32_t size, std::unique_ptr<uint8_t[]> ring,
                         std::unique_ptr<uint8_t[]> copy)
    : size_(size), ring_(std::move(ring)), lockCopy_(std::move(copy)) {}

CaptureRing::~CaptureRing() {
  // The feed goes first: once it is destroyed its thread no longer writes.
  feed_.reset();
}

DeviceResult CaptureRing::Create(uint32_t bytes, const WaveFormat& format,
                                 std::unique_ptr<CaptureRing>* ring) {
  ring->reset();
  if (!IsDeviceFormat(format)) {
    return DeviceResult::Fail(kDeviceErrorBadFormat, "SOUND_ERR_BAD_FORMAT",
                              "The wave format is not supported.");
  }
  // Whole frames only, so that a write never splits a frame at the ring's end.
  if (bytes < kWorkingBlockAlign || bytes > kMaxRingBytes || bytes % kWorkingBlockAlign != 0) {
    return InvalidParameter("The capture buffer size is out of range.");
  }
  std::unique_ptr<uint8_t[]> memory(new (std::nothrow) uint8_t[bytes]());
  std::unique_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[bytes]);
  if (!memory || !copy) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the capture buffer.");
  }
  ring->reset(new (std::nothrow) CaptureRing(bytes, std::move(memory), std::move(copy)));
  if (!*ring) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the capture buffer.");
  }
  return DeviceResult::Ok();
}

void CaptureRing::Write(const uint8_t* data, uint32_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!capturing_) return;
  if (!looping_) {
    // A one-pass capture stops when the ring is full.
    uint64_t room = size_ - std::min<uint64_t>(written_, size_);
    if (bytes >= room) {
      bytes = static_cast<uint32_t>(room);
      capturing_ = false;
    }
  }
  while (bytes > 0) {
    auto at = static_cast<uint32_t>(written_ % size_);
    uint32_t part = std::min(bytes, size_ - at);
    if (data != nullptr) {
      std::memcpy(ring_.get() + at, data, part);
      data += part;
    } else {
      std::memset(ring_.get() + at, 0, part);
    }
    written_ += part;
    bytes -= part;
  }
}

DeviceResult CaptureRing::Start(bool looping) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (capturing_) {
      looping_ = looping;
      return DeviceResult::Ok();
    }
    capturing_ = true;
    looping_ = looping;
    written_ = 0;
  }
  DeviceResult result = feed_ ? feed_->Run(true) : DeviceResult::Ok();
  if (!result.Succeeded()) {
    std::lock_guard<std::mutex> lock(mutex_);
    capturing_ = false;
  }
  return result;
}

DeviceResult CaptureRing::Stop() {
  DeviceResult result = feed_ ? feed_->Run(false) : DeviceResult::Ok();
  std::lock_guard<std::mutex> lock(mutex_);
  capturing_ = false;
  return result;
}

DeviceResult CaptureRing::GetStatus(uint32_t* status) {
  if (status == nullptr) return InvalidParameter("No status to fill.");
  std::lock_guard<std::mutex> lock(mutex_);
  *status = capturing_ ? kCaptureStatusCapturing : 0;
  return DeviceResult::Ok();
}

DeviceResult CaptureRing::GetCurrentPosition(uint32_t* capturePosition,
                                             uint32_t* readPosition) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Data reaches the ring only once the server has delivered it, so the
  // capture and read positions coincide: everything before them is complete.
  auto position = static_cast<uint32_t>(written_ % size_);
  if (capturePosition != nullptr) *capturePosition = position;
  if (readPosition != nullptr) *readPosition = position;
  return DeviceResult::Ok();
}

DeviceResult CaptureRing::Lock(uint32_t offset, uint32_t bytes, LockedRegion* first,
                               LockedRegion* second) {
  if (first == nullptr) return InvalidParameter("No region to fill.");
  *first = LockedRegion{};
  if (second != nullptr) *second = LockedRegion{};
  if (locked_) return InvalidParameter("The capture buffer is already locked.");
  if (bytes == 0 || bytes > size_ || offset >= size_) {
    return InvalidParameter("The locked range lies outside the capture buffer.");
  }
  uint32_t firstBytes = std::min(bytes, size_ - offset);
  // Without a second region to fill, the lock ends at the ring's end.
  uint32_t secondBytes = second != nullptr ? bytes - firstBytes : 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::memcpy(lockCopy_.get(), ring_.get() + offset, firstBytes);
    std::memcpy(lockCopy_.get() + firstBytes, ring_.get(), secondBytes);
  }
  *first = LockedRegion{lockCopy_.get(), firstBytes};
  if (secondBytes > 0) *second = LockedRegion{lockCopy_.get() + firstBytes, secondBytes};
  locked_ = true;
  return DeviceResult::Ok();
}

DeviceResult CaptureRing::Unlock(const LockedRegion& first, const LockedRegion& second) {
  // What the caller may have written into the copy is dropped: the ring
  // holds what was recorded.
  if (!locked_ || first.data != lockCopy_.get() ||
      (second.data != nullptr && second.data != lockCopy_.get() + first.bytes)) {
    return DeviceResult::Fail(kDeviceErrorNotLocked, "SOUND_ERR_NOT_LOCKED",
                              "The region was not locked.");
  }
  locked_ = false;
  return DeviceResult::Ok();
}

DeviceResult CaptureRing::GetCapturedBytes(uint64_t* bytes) {
  if (bytes == nullptr) return InvalidParameter("No count to fill.");
  std::lock_guard<std::mutex> lock(mutex_);
  *bytes = written_;
  return DeviceResult::Ok();
}

DeviceResult CaptureRing::MoveToSource(const std::string& sourceName) {
  if (!feed_) return InvalidParameter("The capture buffer has no input.");
  return feed_->MoveToSource(sourceName);
}
