// Connecting to PulseAudio, waiting with a timeout, and naming its errors.
#include "core/audio/pulse_connection.h"

#include <new>

namespace {

// The names of libpulse's error codes, shown with pa_strerror's sentence
// when a device or buffer cannot be made.
const char* PulseErrorName(int error) {
  switch (error) {
    case PA_OK: return "PA_OK";
    case PA_ERR_ACCESS: return "PA_ERR_ACCESS";
    case PA_ERR_COMMAND: return "PA_ERR_COMMAND";
    case PA_ERR_INVALID: return "PA_ERR_INVALID";
    case PA_ERR_EXIST: return "PA_ERR_EXIST";
    case PA_ERR_NOENTITY: return "PA_ERR_NOENTITY";
    case PA_ERR_CONNECTIONREFUSED: return "PA_ERR_CONNECTIONREFUSED";
    case PA_ERR_PROTOCOL: return "PA_ERR_PROTOCOL";
    case PA_ERR_TIMEOUT: return "PA_ERR_TIMEOUT";
    case PA_ERR_AUTHKEY: return "PA_ERR_AUTHKEY";
    case PA_ERR_INTERNAL: return "PA_ERR_INTERNAL";
    case PA_ERR_CONNECTIONTERMINATED: return "PA_ERR_CONNECTIONTERMINATED";
    case PA_ERR_KILLED: return "PA_ERR_KILLED";
    case PA_ERR_INVALIDSERVER: return "PA_ERR_INVALIDSERVER";
    case PA_ERR_MODINITFAILED: return "PA_ERR_MODINITFAILED";
    case PA_ERR_BADSTATE: return "PA_ERR_BADSTATE";
    case PA_ERR_NODATA: return "PA_ERR_NODATA";
    case PA_ERR_VERSION: return "PA_ERR_VERSION";
    case PA_ERR_TOOLARGE: return "PA_ERR_TOOLARGE";
    case PA_ERR_NOTSUPPORTED: return "PA_ERR_NOTSUPPORTED";
    case PA_ERR_NOEXTENSION: return "PA_ERR_NOEXTENSION";
    case PA_ERR_OBSOLETE: return "PA_ERR_OBSOLETE";
    case PA_ERR_NOTIMPLEMENTED: return "PA_ERR_NOTIMPLEMENTED";
    case PA_ERR_FORKED: return "PA_ERR_FORKED";
    case PA_ERR_IO: return "PA_ERR_IO";
    case PA_ERR_BUSY: return "PA_ERR_BUSY";
    default: return "PA_ERR_UNKNOWN";
  }
}

void SignalMainloop(pa_threaded_mainloop* mainloop) { pa_threaded_mainloop_signal(mainloop, 0); }

}  // namespace

DeviceResult PulseConnection::Failure(DeviceError code, int error) {
  return DeviceResult::Fail(code, PulseErrorName(error), pa_strerror(error));
}

DeviceResult PulseConnection::ContextFailure(DeviceError code) const {
  int error = context_ != nullptr ? pa_context_errno(context_) : PA_ERR_INTERNAL;
  return Failure(code, error == PA_OK ? PA_ERR_UNKNOWN : error);
}

template <typename Ready, typename Failed>
bool PulseConnection::WaitUntil(Ready ready, Failed failed, std::chrono::milliseconds limit) {
  // A timer on the main loop wakes the wait when the server never answers;
  // pa_threaded_mainloop_wait itself has no timeout.
  struct Alarm {
    pa_threaded_mainloop* mainloop;
    bool rang = false;
  } alarm{mainloop_};
  pa_time_event* timer = pa_context_rttime_new(
      context_, pa_rtclock_now() + std::chrono::microseconds(limit).count(),
      [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
        auto* a = static_cast<Alarm*>(userdata);
        a->rang = true;
        SignalMainloop(a->mainloop);
      },
      &alarm);
  bool ok = false;
  for (;;) {
    if (ready()) {
      ok = true;
      break;
    }
    if (failed() || alarm.rang || timer == nullptr) break;
    pa_threaded_mainloop_wait(mainloop_);
  }
  if (timer != nullptr) pa_threaded_mainloop_get_api(mainloop_)->time_free(timer);
  return ok;
}

DeviceResult PulseConnection::Connect(std::shared_ptr<PulseConnection>* connection,
                                      std::chrono::milliseconds requestLimit) {
  connection->reset();
  std::shared_ptr<PulseConnection> made(new (std::nothrow) PulseConnection);
  if (!made) return Failure(kDeviceErrorOutOfMemory, PA_ERR_INTERNAL);
  made->requestLimit_ = requestLimit;
  made->mainloop_ = pa_threaded_mainloop_new();
  if (made->mainloop_ == nullptr) return Failure(kDeviceErrorOutOfMemory, PA_ERR_INTERNAL);
  made->context_ =
      pa_context_new(pa_threaded_mainloop_get_api(made->mainloop_), "Tarvo Wavedesk");
  if (made->context_ == nullptr) return Failure(kDeviceErrorOutOfMemory, PA_ERR_INTERNAL);
  pa_context_set_state_callback(
      made->context_,
      [](pa_context*, void* userdata) {
        SignalMainloop(static_cast<pa_threaded_mainloop*>(userdata));
      },
      made->mainloop_);
  // No autospawn: starting a server behind the user's back is not ours to do,
  // and it would turn "no server" into a long wait.
  if (pa_context_connect(made->context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    return made->ContextFailure(kDeviceErrorNoDriver);
  }
  if (pa_threaded_mainloop_start(made->mainloop_) < 0) {
    return Failure(kDeviceErrorGeneric, PA_ERR_INTERNAL);
  }
  made->Lock();
  pa_context* context = made->context_;
  bool ready = made->WaitUntil(
      [context] { return pa_context_get_state(context) == PA_CONTEXT_READY; },
      [context] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)); });
  DeviceResult result = DeviceResult::Ok();
  if (!ready) {
    result = PA_CONTEXT_IS_GOOD(pa_context_get_state(context))
                 ? Failure(kDeviceErrorNoDriver, PA_ERR_TIMEOUT)
                 : made->ContextFailure(kDeviceErrorNoDriver);
  }
  made->Unlock();
  if (result.Succeeded()) *connection = std::move(made);
  return result;
}

DeviceResult PulseConnection::WaitForStream(pa_stream* stream) {
  bool ready = WaitUntil(
      [stream] { return pa_stream_get_state(stream) == PA_STREAM_READY; },
      [stream] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream)); });
  if (ready) return DeviceResult::Ok();
  if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
    return Failure(kDeviceErrorNoDriver, PA_ERR_TIMEOUT);
  }
  return ContextFailure(kDeviceErrorNoDriver);
}

DeviceResult PulseConnection::WaitForOperation(pa_operation* op, DeviceError code) {
  if (op == nullptr) return ContextFailure(code);
  // A dying connection cancels the operation, which ends the wait as well.
  const bool answered = WaitUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; },
                                  [] { return false; }, requestLimit_);
  DeviceResult result = DeviceResult::Ok();
  if (!answered) {
    pa_operation_cancel(op);
    result = Failure(kDeviceErrorTimeout, PA_ERR_TIMEOUT);
  } else if (pa_operation_get_state(op) != PA_OPERATION_DONE) {
    result = ContextFailure(code);
  }
  pa_operation_unref(op);
  return result;
}

PulseConnection::~PulseConnection() {
  // The main loop thread must be stopped before the context goes; stopping
  // it is only allowed without the lock held.
  if (mainloop_ != nullptr) pa_threaded_mainloop_stop(mainloop_);
  if (context_ != nullptr) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
  }
  if (mainloop_ != nullptr) pa_threaded_mainloop_free(mainloop_);
}
