// One connection to the PulseAudio server: a threaded main loop and a
// context, connected without autospawning and given up after a short
// timeout, so that a machine without a server fails fast instead of hanging.
// The output and capture devices each hold one; their streams keep it alive
// by shared ownership.
//
// Threads: the main loop runs libpulse's callbacks on its own thread with
// the main-loop lock held. Any other thread takes the lock (Lock/Unlock)
// around every libpulse call.
#pragma once

#include <pulse/pulseaudio.h>

#include <chrono>
#include <memory>

#include "core/audio/sound_device.h"

class PulseConnection {
 public:
  // Connects to the default server and waits until the context is ready.
  static DeviceResult Connect(std::shared_ptr<PulseConnection>* connection);
  ~PulseConnection();
  PulseConnection(const PulseConnection&) = delete;
  PulseConnection& operator=(const PulseConnection&) = delete;

  void Lock() { pa_threaded_mainloop_lock(mainloop_); }
  void Unlock() { pa_threaded_mainloop_unlock(mainloop_); }
  pa_context* Context() const { return context_; }
  pa_threaded_mainloop* Mainloop() const { return mainloop_; }

  // With the lock held: waits until `stream` is ready, fails or the
  // timeout passes.
  DeviceResult WaitForStream(pa_stream* stream);

  // A failed result named after the libpulse error `error`.
  static DeviceResult Failure(DeviceError code, int error);
  // The same for the context's last error.
  DeviceResult ContextFailure(DeviceError code) const;

  // How long connecting or opening a stream may take.
  static constexpr std::chrono::milliseconds kTimeout{2000};

 private:
  PulseConnection() = default;
  // With the lock held: waits for `ready` or `failed` (or the timeout).
  template <typename Ready, typename Failed>
  bool WaitUntil(Ready ready, Failed failed);

  pa_threaded_mainloop* mainloop_ = nullptr;
  pa_context* context_ = nullptr;
};
