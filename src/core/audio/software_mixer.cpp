// The software mixer: voice bookkeeping, cursors derived from the heard
// frame, and the saturating sum. See software_mixer.h for the locking rules.
#include "core/audio/software_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Mixing works through a fixed accumulator on the stack, so a request of any
// size is mixed in chunks of this many frames without allocating.
constexpr uint32_t kChunkFrames = 1024;

int16_t Saturate(int32_t v) {
  return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
}

}  // namespace

int32_t SoftwareMixer::GainForVolume(int32_t volume) {
  volume = std::clamp(volume, kVolumeMin, kVolumeMax);
  if (volume == kVolumeMin) return 0;  // the bottom of the range is silence
  return static_cast<int32_t>(std::lround(65536.0 * std::pow(10.0, volume / 2000.0)));
}

void SoftwareMixer::SetClock(Clock clock) {
  std::lock_guard<std::mutex> lock(clockMutex_);
  clock_ = std::move(clock);
}

bool SoftwareMixer::HeardFrame(uint64_t* frame) {
  std::lock_guard<std::mutex> lock(clockMutex_);
  uint64_t heard = lastHeard_;
  if (clock_ && !clock_(&heard)) return false;
  // Nothing can be heard that has not been mixed, and time does not run
  // backwards even when a server's estimate wobbles.
  heard = std::clamp(heard, lastHeard_, std::max(lastHeard_, MixedFrames()));
  lastHeard_ = heard;
  *frame = heard;
  return true;
}

void SoftwareMixer::Attach(MixerVoice* voice) {
  std::lock_guard<std::mutex> lock(mutex_);
  voices_.push_back(voice);
}

void SoftwareMixer::Detach(MixerVoice* voice) {
  std::lock_guard<std::mutex> lock(mutex_);
  voices_.erase(std::remove(voices_.begin(), voices_.end(), voice), voices_.end());
}

void SoftwareMixer::BeginPlayGroup() {
  std::lock_guard<std::mutex> lock(mutex_);
  groupOpen_ = true;
}

void SoftwareMixer::EndPlayGroup() {
  // Releasing every held voice under one lock means the next Mix picks them
  // all up together, so they share their first output frame.
  std::lock_guard<std::mutex> lock(mutex_);
  groupOpen_ = false;
  for (MixerVoice* voice : voices_) {
    if (voice->state == MixerVoice::State::Held) voice->state = MixerVoice::State::Pending;
  }
}

uint32_t SoftwareMixer::CursorOf(const MixerVoice* voice, uint64_t heard) const {
  if (voice->state != MixerVoice::State::Playing || heard <= voice->startFrame) {
    return voice->startOffset;
  }
  uint64_t position = voice->startOffset + (heard - voice->startFrame) * kWorkingBlockAlign;
  if (voice->looping) return static_cast<uint32_t>(position % voice->playable);
  return static_cast<uint32_t>(std::min<uint64_t>(position, voice->playable));
}

void SoftwareMixer::SettleVoice(MixerVoice* voice, uint64_t heard) {
  if (voice->state != MixerVoice::State::Playing || voice->looping) return;
  if (CursorOf(voice, heard) >= voice->playable) {
    // A one-shot buffer played out: it stops by itself and would start from
    // its beginning again.
    voice->state = MixerVoice::State::Stopped;
    voice->startOffset = 0;
  }
}

DeviceResult SoftwareMixer::Play(MixerVoice* voice, bool looping) {
  uint64_t heard = 0;
  bool clockOk = HeardFrame(&heard);
  std::lock_guard<std::mutex> lock(mutex_);
  if (clockOk) SettleVoice(voice, heard);
  voice->looping = looping;
  if (voice->state == MixerVoice::State::Stopped) {
    voice->state = groupOpen_ ? MixerVoice::State::Held : MixerVoice::State::Pending;
  }
  return DeviceResult::Ok();
}

DeviceResult SoftwareMixer::Stop(MixerVoice* voice) {
  uint64_t heard = 0;
  bool clockOk = HeardFrame(&heard);
  std::lock_guard<std::mutex> lock(mutex_);
  if (clockOk) SettleVoice(voice, heard);
  if (voice->state != MixerVoice::State::Stopped) {
    // A later Play resumes where the listener stopped hearing it.
    voice->startOffset = CursorOf(voice, heard) % voice->playable;
    voice->state = MixerVoice::State::Stopped;
  }
  return DeviceResult::Ok();
}

DeviceResult SoftwareMixer::SetPosition(MixerVoice* voice, uint32_t position) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Positions fall on whole frames; a running voice restarts from there on
  // the next mixed block.
  voice->startOffset = position / kWorkingBlockAlign * kWorkingBlockAlign;
  if (voice->state == MixerVoice::State::Playing) voice->state = MixerVoice::State::Pending;
  return DeviceResult::Ok();
}

void SoftwareMixer::SetGain(MixerVoice* voice, int32_t gain) {
  std::lock_guard<std::mutex> lock(mutex_);
  voice->gain = gain;
}

DeviceResult SoftwareMixer::GetPlaying(MixerVoice* voice, bool* playing) {
  uint64_t heard = 0;
  if (!HeardFrame(&heard)) {
    return DeviceResult::Fail(kDeviceErrorNoDriver, "SOUND_ERR_DEVICE_LOST",
                              "The sound device is no longer available.");
  }
  std::lock_guard<std::mutex> lock(mutex_);
  SettleVoice(voice, heard);
  *playing = voice->state != MixerVoice::State::Stopped;
  return DeviceResult::Ok();
}

DeviceResult SoftwareMixer::GetPosition(MixerVoice* voice, uint32_t* position) {
  uint64_t heard = 0;
  if (!HeardFrame(&heard)) {
    return DeviceResult::Fail(kDeviceErrorNoDriver, "SOUND_ERR_DEVICE_LOST",
                              "The sound device is no longer available.");
  }
  std::lock_guard<std::mutex> lock(mutex_);
  SettleVoice(voice, heard);
  *position = CursorOf(voice, heard);
  return DeviceResult::Ok();
}

void SoftwareMixer::CopyOut(const MixerVoice* voice, uint32_t offset, uint32_t bytes,
                            uint8_t* to) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::memcpy(to, voice->data.get() + offset, bytes);
}

void SoftwareMixer::CopyIn(MixerVoice* voice, uint32_t offset, uint32_t bytes,
                           const uint8_t* from) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::memcpy(voice->data.get() + offset, from, bytes);
}

void SoftwareMixer::Mix(int16_t* out, uint32_t frames) {
  std::lock_guard<std::mutex> lock(mutex_);
  while (frames > 0) {
    uint32_t chunk = std::min(frames, kChunkFrames);
    MixChunk(out, chunk);
    out += 2 * chunk;
    frames -= chunk;
  }
}

void SoftwareMixer::MixChunk(int16_t* out, uint32_t frames) {
  int32_t sum[2 * kChunkFrames] = {};
  const uint64_t first = mixedFrames_.load(std::memory_order_relaxed);
  for (MixerVoice* voice : voices_) {
    if (voice->state == MixerVoice::State::Pending) {
      voice->state = MixerVoice::State::Playing;
      voice->startFrame = first;
    }
    if (voice->state != MixerVoice::State::Playing) continue;
    uint64_t position = voice->startOffset + (first - voice->startFrame) * kWorkingBlockAlign;
    if (voice->looping) {
      position %= voice->playable;
    } else if (position >= voice->playable) {
      continue;  // played out; its status clears once the listener hears the end
    }
    const int64_t gain = voice->gain;
    const uint8_t* data = voice->data.get();
    auto at = static_cast<uint32_t>(position);
    for (uint32_t i = 0; i < 2 * frames; i += 2) {
      // Samples are little-endian in memory whatever the host's order.
      auto left = static_cast<int16_t>(data[at] | (data[at + 1] << 8));
      auto right = static_cast<int16_t>(data[at + 2] | (data[at + 3] << 8));
      sum[i] += static_cast<int32_t>((left * gain) >> 16);
      sum[i + 1] += static_cast<int32_t>((right * gain) >> 16);
      at += kWorkingBlockAlign;
      if (at >= voice->playable) {
        if (!voice->looping) break;
        at = 0;
      }
    }
  }
  for (uint32_t i = 0; i < 2 * frames; ++i) out[i] = Saturate(sum[i]);
  mixedFrames_.store(first + frames, std::memory_order_release);
}
