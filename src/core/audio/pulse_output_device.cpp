// The PulseAudio playback stream feeding from the software mixer.
#include "core/audio/pulse_output_device.h"

#include <new>

#include "core/audio/mixed_output_buffer.h"

namespace {

// About 40 ms queued in the server, asked for 10 ms at a time: short enough
// for the cursor to follow closely, long enough to ride out a busy machine.
constexpr pa_usec_t kTargetLatencyUsec = 40000;
constexpr pa_usec_t kRequestUsec = 10000;

}  // namespace

DeviceResult PulseOutputDevice::Open(std::unique_ptr<SoundOutputDevice>* device) {
  device->reset();
  std::unique_ptr<PulseOutputDevice> made(new (std::nothrow) PulseOutputDevice);
  if (made) made->mixer_ = std::shared_ptr<SoftwareMixer>(new (std::nothrow) SoftwareMixer);
  if (!made || !made->mixer_) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the sound device.");
  }
  DeviceResult result = PulseConnection::Connect(&made->connection_);
  if (!result.Succeeded()) return result;

  // The mixer produces native-order samples.
  const pa_sample_spec sampleSpec{PA_SAMPLE_S16NE, kWorkingSampleRate, WorkingFormat().channels};
  PulseConnection& connection = *made->connection_;
  connection.Lock();
  made->stream_ = pa_stream_new(connection.Context(), "Playback", &sampleSpec, nullptr);
  if (made->stream_ == nullptr) {
    result = connection.ContextFailure(kDeviceErrorGeneric);
  } else {
    pa_stream_set_state_callback(
        made->stream_,
        [](pa_stream*, void* userdata) {
          pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
        },
        connection.Mainloop());
    pa_stream_set_write_callback(made->stream_, &PulseOutputDevice::OnWrite, made.get());
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetLatencyUsec, &sampleSpec));
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kRequestUsec, &sampleSpec));
    attr.fragsize = static_cast<uint32_t>(-1);
    auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(made->stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
      result = connection.ContextFailure(kDeviceErrorNoDriver);
    } else {
      result = connection.WaitForStream(made->stream_);
    }
  }
  connection.Unlock();
  // On failure the destructor takes the half-made stream down.
  if (!result.Succeeded()) return result;

  PulseOutputDevice* self = made.get();
  made->mixer_->SetClock([self](uint64_t* frame) { return self->ReadClock(frame); });
  *device = std::move(made);
  return DeviceResult::Ok();
}

PulseOutputDevice::~PulseOutputDevice() {
  if (mixer_) mixer_->SetClock({});
  if (connection_ && stream_ != nullptr) {
    connection_->Lock();
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
    connection_->Unlock();
  }
}

DeviceResult PulseOutputDevice::CreateBuffer(uint32_t bytes, const WaveFormat& format,
                                             std::unique_ptr<SoundOutputBuffer>* buffer) {
  return MixedOutputBuffer::Create(mixer_, bytes, format, buffer);
}

void PulseOutputDevice::OnWrite(pa_stream* stream, size_t bytes, void* userdata) {
  auto* self = static_cast<PulseOutputDevice*>(userdata);
  while (bytes >= kWorkingBlockAlign) {
    void* data = nullptr;
    size_t size = bytes;
    if (pa_stream_begin_write(stream, &data, &size) < 0 || data == nullptr) return;
    size -= size % kWorkingBlockAlign;
    if (size == 0) {
      pa_stream_cancel_write(stream);
      return;
    }
    self->mixer_->Mix(static_cast<int16_t*>(data),
                      static_cast<uint32_t>(size / kWorkingBlockAlign));
    if (pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
    bytes -= size;
  }
}

bool PulseOutputDevice::ReadClock(uint64_t* frame) {
  connection_->Lock();
  bool alive = pa_stream_get_state(stream_) == PA_STREAM_READY;
  pa_usec_t usec = 0;
  // Before the first timing report there is no time yet; the cursor stays.
  if (alive && pa_stream_get_time(stream_, &usec) == 0) {
    *frame = usec * kWorkingSampleRate / 1000000;
  }
  connection_->Unlock();
  return alive;
}
