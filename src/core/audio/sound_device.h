// The sound device layer: what the editor asks of the machine's sound
// service. One output device mixes any number of output buffers in software
// (sum, saturate) into one stream; one capture device fills one looping
// capture ring. Two back-ends implement it: PulseAudio, and a null back-end
// paced by a real-time thread for machines without a sound server.
//
// Every call comes from the caller's (user-interface) thread; the back-ends
// run their own threads behind the interface. Positions are byte offsets that
// wrap at the buffer's size. A buffer is released by destroying it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "core/model/wave_format.h"

enum class SoundBackend { PulseAudio, Null };

// The codes of a device call's outcome, shared by both back-ends.
enum DeviceError : int {
  kDeviceOk = 0,
  kDeviceErrorGeneric = -1,
  kDeviceErrorInvalidParameter = -2,  // bad size, format or region
  kDeviceErrorBadFormat = -3,         // a format the layer cannot play or record
  kDeviceErrorNoDriver = -4,          // no sound server or device
  kDeviceErrorOutOfMemory = -5,
  kDeviceErrorNotLocked = -6,         // Unlock without a matching Lock
  kDeviceErrorTimeout = -7,           // the sound server did not answer a request in time
};

// The outcome of a device call. `code` is kDeviceOk on success and one of
// the failure codes otherwise; `name` (a short error name) and `description`
// (a sentence) are what the user is shown when a device or buffer cannot be
// made.
struct DeviceResult {
  DeviceError code = kDeviceOk;
  std::string name;
  std::string description;

  bool Succeeded() const { return code >= 0; }
  static DeviceResult Ok() { return {}; }
  static DeviceResult Fail(DeviceError code, std::string name, std::string description) {
    return DeviceResult{code, std::move(name), std::move(description)};
  }
};

// True for the one format buffers and the capture ring accept: the working
// format (PCM, 2 channels, 44,100 Hz, 16 bits, 4-byte frames). The
// extra-size field is not looked at; PCM carries no extra bytes.
bool IsDeviceFormat(const WaveFormat& format);

// Status bits.
constexpr uint32_t kBufferStatusPlaying = 0x1;
constexpr uint32_t kCaptureStatusCapturing = 0x1;

// Volume is in hundredths of a decibel: 0 is full level, -10000 silence.
constexpr int32_t kVolumeMax = 0;
constexpr int32_t kVolumeMin = -10000;

struct LockedRegion {
  uint8_t* data = nullptr;
  uint32_t bytes = 0;
};

class SoundOutputBuffer {
 public:
  virtual ~SoundOutputBuffer() = default;  // stops and releases the buffer

  virtual uint32_t Size() const = 0;
  // Locks `bytes` bytes at `offset`; a request never wraps, so one region is
  // returned. With entireBuffer the whole buffer is locked and offset/bytes
  // are ignored. The region is the buffer's own memory and stays the
  // caller's until Unlock; a playing buffer plays silence there meanwhile.
  virtual DeviceResult Lock(uint32_t offset, uint32_t bytes, LockedRegion* region,
                            bool entireBuffer = false) = 0;
  virtual DeviceResult Unlock(const LockedRegion& region) = 0;
  virtual DeviceResult SetCurrentPosition(uint32_t position) = 0;
  virtual DeviceResult SetVolume(int32_t volume) = 0;
  // Looping buffers play until Stop; others stop by themselves at their end.
  virtual DeviceResult Play(bool looping) = 0;
  virtual DeviceResult Stop() = 0;
  virtual DeviceResult GetStatus(uint32_t* status) = 0;
  // The position being heard now (output latency taken into account).
  virtual DeviceResult GetCurrentPosition(uint32_t* playCursor) = 0;
  // The same position without the wrap: laps × size + cursor, counted from
  // the offset the buffer last started playing from. Tells a caller that
  // was held up for longer than a lap where the buffer really is.
  virtual DeviceResult GetUnwrappedPosition(uint64_t* position) = 0;
  // From unwrapped position `limit` on, the buffer plays silence instead of
  // its bytes, until the limit is moved on: a streaming caller that was
  // held up then leaves a gap rather than have old bytes played again.
  // SetCurrentPosition clears the limit.
  virtual DeviceResult SetPlayLimit(uint64_t limit) = 0;
};

// Receives a copy of every block of mixed output (interleaved stereo 16-bit
// frames), in order, on the back-end's own thread; `firstFrame` counts the
// frames mixed before the block. Lets the tests hear what the null back-end
// would otherwise throw away.
using MixTap = std::function<void(const int16_t* samples, uint32_t frames, uint64_t firstFrame)>;

class SoundOutputDevice {
 public:
  virtual ~SoundOutputDevice() = default;

  // Makes a buffer of `bytes` bytes in `format` (the working format).
  virtual DeviceResult CreateBuffer(uint32_t bytes, const WaveFormat& format,
                                    std::unique_ptr<SoundOutputBuffer>* buffer) = 0;

  // Buffers started between BeginPlayGroup and EndPlayGroup start on the same
  // output frame and stay in step. Groups do not nest.
  virtual void BeginPlayGroup() = 0;
  virtual void EndPlayGroup() = 0;

  // Installs (or, with an empty tap, removes) a tap on the mixed output.
  // Only the null back-end supports it; the others return false, as a real
  // output is checked by recording it. Safe to call while buffers play.
  virtual bool SetMixTap(MixTap /*tap*/) { return false; }
};

class SoundCaptureBuffer {
 public:
  virtual ~SoundCaptureBuffer() = default;  // stops and releases the ring

  virtual uint32_t Size() const = 0;
  virtual DeviceResult Start(bool looping) = 0;
  virtual DeviceResult Stop() = 0;
  virtual DeviceResult GetStatus(uint32_t* status) = 0;
  // readPosition: data before it (going back around the ring) is complete.
  virtual DeviceResult GetCurrentPosition(uint32_t* capturePosition,
                                          uint32_t* readPosition) = 0;
  // Locks `bytes` bytes at `offset`; a request across the ring's end gives a
  // second region at the ring's start.
  virtual DeviceResult Lock(uint32_t offset, uint32_t bytes, LockedRegion* first,
                            LockedRegion* second) = 0;
  virtual DeviceResult Unlock(const LockedRegion& first, const LockedRegion& second) = 0;
  // Bytes captured since the ring last started, without the wrap (the read
  // position is this count modulo Size()). A reader that was held up for
  // longer than a lap tells from it how much was overwritten unread.
  virtual DeviceResult GetCapturedBytes(uint64_t* bytes) = 0;
  // Records from the named input of the sound server from now on, with the
  // ring and its counts running on. Back-ends without named inputs fail.
  virtual DeviceResult MoveToSource(const std::string& sourceName) = 0;
};

// Fills `frames` interleaved stereo 16-bit frames of test input (null back-end).
using CaptureSignal = std::function<void(int16_t* samples, uint32_t frames)>;

class SoundCaptureDevice {
 public:
  virtual ~SoundCaptureDevice() = default;
  virtual DeviceResult CreateCaptureBuffer(uint32_t bytes, const WaveFormat& format,
                                           std::unique_ptr<SoundCaptureBuffer>* buffer) = 0;
  // Installs what the device records instead of a real input. Only the null
  // back-end supports it (it records silence when no signal is set); the
  // others return false. Safe to call while capturing.
  virtual bool SetTestSignal(CaptureSignal signal) = 0;
};

// Opens the output or capture device of the chosen back-end (the default
// device). On failure `*device` stays empty and the result tells why.
DeviceResult OpenSoundOutputDevice(SoundBackend backend,
                                   std::unique_ptr<SoundOutputDevice>* device);
DeviceResult OpenSoundCaptureDevice(SoundBackend backend,
                                    std::unique_ptr<SoundCaptureDevice>* device);
