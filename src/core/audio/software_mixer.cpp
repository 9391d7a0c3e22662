// The software mixer: voice bookkeeping, cursors derived from the heard
// frame, and the saturating sum. See software_mixer.h for the locking rules.
#include "core/audio/software_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/model/mix_kernels.h"

namespace {

// Mixing works through a fixed accumulator on the stack, so a request of any
// size is mixed in chunks of this many frames without allocating.
constexpr uint32_t kChunkFrames = 1024;

// What a voice query answers once the device stopped counting frames.
DeviceResult DeviceLost() {
  return DeviceResult::Fail(kDeviceErrorNoDriver, "SOUND_ERR_DEVICE_LOST", "The sound device is no longer available.");
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

uint64_t SoftwareMixer::UnwrappedCursorOf(const MixerVoice* voice, uint64_t heard) const {
  if (voice->state != MixerVoice::State::Playing || heard <= voice->startFrame) {
    return voice->startOffset;
  }
  const uint64_t position = voice->startOffset + (heard - voice->startFrame) * kWorkingBlockAlign;
  return voice->looping ? position : std::min<uint64_t>(position, voice->playable);
}

uint32_t SoftwareMixer::CursorOf(const MixerVoice* voice, uint64_t heard) const {
  if (voice->state != MixerVoice::State::Playing || heard <= voice->startFrame) {
    return voice->startOffset;
  }
  const uint64_t position = UnwrappedCursorOf(voice, heard);
  return static_cast<uint32_t>(voice->looping ? position % voice->playable : position);
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
  voice->playLimit = UINT64_MAX;
  if (voice->state == MixerVoice::State::Playing) voice->state = MixerVoice::State::Pending;
  return DeviceResult::Ok();
}

void SoftwareMixer::SetGain(MixerVoice* voice, int32_t gain) {
  std::lock_guard<std::mutex> lock(mutex_);
  voice->gain = gain;
}

template <typename Read>
DeviceResult SoftwareMixer::QuerySettled(MixerVoice* voice, Read&& read) {
  uint64_t heard = 0;
  if (!HeardFrame(&heard)) return DeviceLost();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleVoice(voice, heard);
  read(heard);
  return DeviceResult::Ok();
}

DeviceResult SoftwareMixer::GetPlaying(MixerVoice* voice, bool* playing) {
  return QuerySettled(voice, [&](uint64_t) { *playing = voice->state != MixerVoice::State::Stopped; });
}

DeviceResult SoftwareMixer::GetPosition(MixerVoice* voice, uint32_t* position) {
  return QuerySettled(voice, [&](uint64_t heard) { *position = CursorOf(voice, heard); });
}

DeviceResult SoftwareMixer::GetUnwrappedPosition(MixerVoice* voice, uint64_t* position) {
  return QuerySettled(voice, [&](uint64_t heard) { *position = UnwrappedCursorOf(voice, heard); });
}

void SoftwareMixer::LockRange(MixerVoice* voice, uint32_t offset, uint32_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  voice->lockedOffset = offset;
  voice->lockedBytes = bytes;
}

void SoftwareMixer::SetPlayLimit(MixerVoice* voice, uint64_t limit) {
  std::lock_guard<std::mutex> lock(mutex_);
  voice->playLimit = limit;
}

void SoftwareMixer::UnlockRange(MixerVoice* voice) {
  std::lock_guard<std::mutex> lock(mutex_);
  voice->lockedBytes = 0;
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
    // Past its limit a voice has nothing more to say: silence, not the
    // stale bytes a looping ring still holds from its last lap.
    if (position >= voice->playLimit) continue;
    const uint32_t audibleFrames = static_cast<uint32_t>(
        std::min<uint64_t>(frames, (voice->playLimit - position) / kWorkingBlockAlign));
    if (voice->looping) {
      position %= voice->playable;
    } else if (position >= voice->playable) {
      continue;  // played out; its status clears once the listener hears the end
    }
    const int64_t gain = voice->gain;
    const uint8_t* data = voice->data.get();
    auto at = static_cast<uint32_t>(position);
    const uint32_t lockedOffset = voice->lockedOffset;
    const uint32_t lockedBytes = voice->lockedBytes;
    for (uint32_t i = 0; i < 2 * audibleFrames; i += 2) {
      // A locked range belongs to the caller until the unlock: not read,
      // heard as silence.
      if (at - lockedOffset >= lockedBytes) {
        // Samples are little-endian in memory whatever the host's order.
        auto left = static_cast<int16_t>(data[at] | (data[at + 1] << 8));
        auto right = static_cast<int16_t>(data[at + 2] | (data[at + 3] << 8));
        sum[i] += static_cast<int32_t>((left * gain) >> 16);
        sum[i + 1] += static_cast<int32_t>((right * gain) >> 16);
      }
      at += kWorkingBlockAlign;
      if (at >= voice->playable) {
        if (!voice->looping) break;
        at = 0;
      }
    }
  }
  // Saturated once, after every voice: the rule the mix-down follows too.
  SaturateSums(sum, out, 2 * frames);
  mixedFrames_.store(first + frames, std::memory_order_release);
}
