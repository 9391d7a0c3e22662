// One connection to the PulseAudio server: a threaded main loop and a
// context, connected without autospawning and given up after a short
// timeout, so that a machine without a server fails fast instead of hanging.
// Every request that waits for the server's answer (introspection, moving a
// stream) is given up after a time limit too: a stalled server must not
// freeze the window that asked. The output and capture devices each hold
// one; their streams keep it alive by shared ownership.
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
  // `requestLimit` is how long WaitForOperation waits for an answer.
  static DeviceResult Connect(std::shared_ptr<PulseConnection>* connection,
                              std::chrono::milliseconds requestLimit = kTimeout);
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
  // With the lock held: waits until the server has answered `op` (null: the
  // request could not be sent) and releases it. When the request limit
  // passes first, the operation is cancelled, so that its callback never
  // runs on the caller's data after the caller has gone, and the result is
  // kDeviceErrorTimeout (PA_ERR_TIMEOUT); `code` is the failure code of a
  // request the server refused or that could not be sent.
  DeviceResult WaitForOperation(pa_operation* op, DeviceError code);

  // A failed result named after the libpulse error `error`.
  static DeviceResult Failure(DeviceError code, int error);
  // The same for the context's last error.
  DeviceResult ContextFailure(DeviceError code) const;

  // How long connecting, opening a stream or a request may take.
  static constexpr std::chrono::milliseconds kTimeout{2000};

 private:
  PulseConnection() = default;
  // With the lock held: waits for `ready` or `failed`, or until `limit`
  // passes.
  template <typename Ready, typename Failed>
  bool WaitUntil(Ready ready, Failed failed, std::chrono::milliseconds limit = kTimeout);

  std::chrono::milliseconds requestLimit_ = kTimeout;

  pa_threaded_mainloop* mainloop_ = nullptr;
  pa_context* context_ = nullptr;
};
