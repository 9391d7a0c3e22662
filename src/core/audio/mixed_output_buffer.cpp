// Output buffers on the software mixer: argument checks, locks that hand out
// the buffer's own memory, and forwarding to the mixer's voice operations.
#include "core/audio/mixed_output_buffer.h"

#include <new>
#include <utility>

namespace {

// The largest buffer accepted (about 25
// minutes of the device format); larger requests are mistakes, not sound.
constexpr uint32_t kMaxBufferBytes = 0x0FFFFFFF;

DeviceResult InvalidParameter(const char* what) {
  return DeviceResult::Fail(kDeviceErrorInvalidParameter, "SOUND_ERR_INVALID_PARAMETER", what);
}

}  // namespace

MixedOutputBuffer::MixedOutputBuffer(std::shared_ptr<SoftwareMixer> mixer)
    : mixer_(std::move(mixer)) {}

MixedOutputBuffer::~MixedOutputBuffer() { mixer_->Detach(&voice_); }

DeviceResult MixedOutputBuffer::Create(std::shared_ptr<SoftwareMixer> mixer, uint32_t bytes,
                                       const WaveFormat& format,
                                       std::unique_ptr<SoundOutputBuffer>* buffer) {
  buffer->reset();
  if (!IsDeviceFormat(format)) {
    return DeviceResult::Fail(kDeviceErrorBadFormat, "SOUND_ERR_BAD_FORMAT",
                              "The wave format is not supported.");
  }
  if (bytes < kWorkingBlockAlign || bytes > kMaxBufferBytes) {
    return InvalidParameter("The buffer size is out of range.");
  }
  std::unique_ptr<MixedOutputBuffer> made(new (std::nothrow) MixedOutputBuffer(std::move(mixer)));
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[bytes]());
  if (!made || !data) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the sound buffer.");
  }
  made->voice_.data = std::move(data);
  made->voice_.size = bytes;
  made->voice_.playable = bytes / kWorkingBlockAlign * kWorkingBlockAlign;
  made->mixer_->Attach(&made->voice_);
  *buffer = std::move(made);
  return DeviceResult::Ok();
}

DeviceResult MixedOutputBuffer::Lock(uint32_t offset, uint32_t bytes, LockedRegion* region,
                                     bool entireBuffer) {
  if (region == nullptr) return InvalidParameter("No region to fill.");
  *region = LockedRegion{};
  if (lockedData_ != nullptr) return InvalidParameter("The buffer is already locked.");
  if (entireBuffer) {
    offset = 0;
    bytes = voice_.size;
  }
  // Requests never wrap: the whole range must lie inside the buffer.
  if (bytes == 0 || offset >= voice_.size || bytes > voice_.size - offset) {
    return InvalidParameter("The locked range lies outside the buffer.");
  }
  mixer_->LockRange(&voice_, offset, bytes);
  lockedData_ = voice_.data.get() + offset;
  lockedBytes_ = bytes;
  *region = LockedRegion{lockedData_, bytes};
  return DeviceResult::Ok();
}

DeviceResult MixedOutputBuffer::Unlock(const LockedRegion& region) {
  if (lockedData_ == nullptr || region.data != lockedData_ || region.bytes > lockedBytes_) {
    return DeviceResult::Fail(kDeviceErrorNotLocked, "SOUND_ERR_NOT_LOCKED",
                              "The region was not locked.");
  }
  mixer_->UnlockRange(&voice_);
  lockedData_ = nullptr;
  lockedBytes_ = 0;
  return DeviceResult::Ok();
}

DeviceResult MixedOutputBuffer::SetCurrentPosition(uint32_t position) {
  if (position >= voice_.size) return InvalidParameter("The position lies outside the buffer.");
  return mixer_->SetPosition(&voice_, position);
}

DeviceResult MixedOutputBuffer::SetVolume(int32_t volume) {
  if (volume < kVolumeMin || volume > kVolumeMax) {
    return InvalidParameter("The volume is out of range.");
  }
  mixer_->SetGain(&voice_, SoftwareMixer::GainForVolume(volume));
  return DeviceResult::Ok();
}

DeviceResult MixedOutputBuffer::Play(bool looping) { return mixer_->Play(&voice_, looping); }

DeviceResult MixedOutputBuffer::Stop() { return mixer_->Stop(&voice_); }

DeviceResult MixedOutputBuffer::GetStatus(uint32_t* status) {
  if (status == nullptr) return InvalidParameter("No status to fill.");
  bool playing = false;
  DeviceResult result = mixer_->GetPlaying(&voice_, &playing);
  *status = playing ? kBufferStatusPlaying : 0;
  return result;
}

DeviceResult MixedOutputBuffer::GetCurrentPosition(uint32_t* playCursor) {
  if (playCursor == nullptr) return InvalidParameter("No position to fill.");
  return mixer_->GetPosition(&voice_, playCursor);
}

DeviceResult MixedOutputBuffer::SetPlayLimit(uint64_t limit) {
  mixer_->SetPlayLimit(&voice_, limit);
  return DeviceResult::Ok();
}

DeviceResult MixedOutputBuffer::GetUnwrappedPosition(uint64_t* position) {
  if (position == nullptr) return InvalidParameter("No position to fill.");
  return mixer_->GetUnwrappedPosition(&voice_, position);
}
