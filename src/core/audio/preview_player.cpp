// PreviewPlayer on one output buffer the size of the sound (or of its first
// 4 GiB), locked whole to be filled and played once.
#include "core/audio/preview_player.h"

#include <algorithm>
#include <cstring>

#include "core/audio/sound_device.h"

PreviewPlayer::PreviewPlayer() = default;

PreviewPlayer::~PreviewPlayer() { Stop(); }

PreviewStart PreviewPlayer::Play(SoundOutputDevice* device, const uint8_t* bytes, uint64_t length) {
  return Play(device, length, [bytes](uint8_t* into, uint64_t count) {
    std::memcpy(into, bytes, count);
    return count;
  });
}

PreviewStart PreviewPlayer::Play(SoundOutputDevice* device, uint64_t length, const Reader& read) {
  Stop();
  const auto size = static_cast<uint32_t>(std::min(length, kLargestPreview) / 4 * 4);
  if (size == 0) return PreviewStart::kNothingToPlay;
  if (device == nullptr) return PreviewStart::kNoDevice;
  std::unique_ptr<SoundOutputBuffer> buffer;
  if (!device->CreateBuffer(size, WorkingFormat(), &buffer).Succeeded() || buffer == nullptr)
    return PreviewStart::kCannotPlay;
  LockedRegion region;
  // A buffer that cannot be locked plays silence, as long as the sound.
  if (buffer->Lock(0, size, &region, true).Succeeded()) {
    const uint64_t room = std::min<uint64_t>(region.bytes, size);
    const uint64_t filled = std::min(read ? read(region.data, room) : 0, room);
    // What the reader could not deliver is silence, not what the buffer held.
    std::memset(region.data + filled, 0, static_cast<size_t>(region.bytes - filled));
    (void)buffer->Unlock(region);
  }
  (void)buffer->SetCurrentPosition(0);
  if (!buffer->Play(false).Succeeded()) return PreviewStart::kCannotPlay;
  m_buffer = std::move(buffer);
  return PreviewStart::kPlaying;
}

bool PreviewPlayer::HasEnded() {
  if (m_buffer == nullptr) return true;
  uint32_t status = 0, position = 0;
  return !(m_buffer->GetStatus(&status).Succeeded() && (status & kBufferStatusPlaying) != 0 &&
           m_buffer->GetCurrentPosition(&position).Succeeded());
}

void PreviewPlayer::Stop() {
  if (m_buffer == nullptr) return;
  (void)m_buffer->Stop();
  m_buffer.reset();
}
