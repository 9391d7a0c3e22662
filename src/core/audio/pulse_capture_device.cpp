// The PulseAudio capture device and its feed, a record stream that copies
// what the server delivers into the ring.
#include "core/audio/pulse_capture_device.h"

#include <new>

#include "core/audio/capture_ring.h"

namespace {

// Delivered in fragments of about 10 ms, so the read position moves smoothly
// between the meter's 50 ms polls.
constexpr pa_usec_t kFragmentUsec = 10000;

class PulseCaptureFeed : public CaptureFeed {
 public:
  PulseCaptureFeed(std::shared_ptr<PulseConnection> connection, CaptureRing* ring)
      : connection_(std::move(connection)), ring_(ring) {}

  ~PulseCaptureFeed() override {
    if (stream_ == nullptr) return;
    connection_->Lock();
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    connection_->Unlock();
  }

  // Opens the record stream, corked until the ring starts.
  DeviceResult Open() {
    // The ring's byte order.
    const pa_sample_spec sampleSpec{PA_SAMPLE_S16LE, kWorkingSampleRate, WorkingFormat().channels};
    connection_->Lock();
    DeviceResult result = DeviceResult::Ok();
    stream_ = pa_stream_new(connection_->Context(), "Capture", &sampleSpec, nullptr);
    if (stream_ == nullptr) {
      result = connection_->ContextFailure(kDeviceErrorGeneric);
    } else {
      pa_stream_set_state_callback(
          stream_,
          [](pa_stream*, void* userdata) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
          },
          connection_->Mainloop());
      pa_stream_set_read_callback(stream_, &PulseCaptureFeed::OnRead, this);
      pa_buffer_attr attr{};
      attr.maxlength = static_cast<uint32_t>(-1);
      attr.tlength = static_cast<uint32_t>(-1);
      attr.prebuf = static_cast<uint32_t>(-1);
      attr.minreq = static_cast<uint32_t>(-1);
      attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(kFragmentUsec, &sampleSpec));
      auto flags =
          static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
      if (pa_stream_connect_record(stream_, nullptr, &attr, flags) < 0) {
        result = connection_->ContextFailure(kDeviceErrorNoDriver);
      } else {
        result = connection_->WaitForStream(stream_);
      }
    }
    connection_->Unlock();
    return result;
  }

  DeviceResult Run(bool run) override {
    connection_->Lock();
    DeviceResult result = DeviceResult::Ok();
    if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
      result = connection_->ContextFailure(kDeviceErrorNoDriver);
    } else if (pa_operation* op = pa_stream_cork(stream_, run ? 0 : 1, nullptr, nullptr)) {
      // The ring ignores what still arrives after it stopped, so there is
      // nothing to wait for.
      pa_operation_unref(op);
    } else {
      result = connection_->ContextFailure(kDeviceErrorGeneric);
    }
    connection_->Unlock();
    return result;
  }

  // Moves the record stream to another source; the server keeps the stream
  // (and so the ring's position) running across the move.
  DeviceResult MoveToSource(const std::string& sourceName) override {
    struct Outcome {
      pa_threaded_mainloop* mainloop;
      int success = 0;
    } outcome{connection_->Mainloop()};
    connection_->Lock();
    DeviceResult result = connection_->WaitForOperation(
        pa_context_move_source_output_by_name(
            connection_->Context(), pa_stream_get_index(stream_), sourceName.c_str(),
            [](pa_context*, int success, void* userdata) {
              auto* waiting = static_cast<Outcome*>(userdata);
              waiting->success = success;
              pa_threaded_mainloop_signal(waiting->mainloop, 0);
            },
            &outcome),
        kDeviceErrorGeneric);
    if (result.Succeeded() && !outcome.success) result = connection_->ContextFailure(kDeviceErrorInvalidParameter);
    connection_->Unlock();
    return result;
  }

 private:
  // Main-loop thread, lock held.
  static void OnRead(pa_stream* stream, size_t, void* userdata) {
    auto* self = static_cast<PulseCaptureFeed*>(userdata);
    while (pa_stream_readable_size(stream) > 0) {
      const void* data = nullptr;
      size_t bytes = 0;
      if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) return;
      // No data with a length is a hole in the recording: it is kept as
      // silence so that the ring stays in time.
      self->ring_->Write(static_cast<const uint8_t*>(data), static_cast<uint32_t>(bytes));
      pa_stream_drop(stream);
    }
  }

  std::shared_ptr<PulseConnection> connection_;
  CaptureRing* const ring_;      // owns this feed, so outlives it
  pa_stream* stream_ = nullptr;  // touched only with the main-loop lock held
};

}  // namespace

DeviceResult PulseCaptureDevice::Open(std::unique_ptr<SoundCaptureDevice>* device,
                                      std::chrono::milliseconds requestLimit) {
  device->reset();
  std::unique_ptr<PulseCaptureDevice> made(new (std::nothrow) PulseCaptureDevice);
  if (!made) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the capture device.");
  }
  DeviceResult result = PulseConnection::Connect(&made->connection_, requestLimit);
  if (!result.Succeeded()) return result;
  *device = std::move(made);
  return DeviceResult::Ok();
}

DeviceResult PulseCaptureDevice::CreateCaptureBuffer(uint32_t bytes, const WaveFormat& format,
                                                     std::unique_ptr<SoundCaptureBuffer>* buffer) {
  buffer->reset();
  std::unique_ptr<CaptureRing> ring;
  DeviceResult result = CaptureRing::Create(bytes, format, &ring);
  if (!result.Succeeded()) return result;
  std::unique_ptr<PulseCaptureFeed> feed(new (std::nothrow) PulseCaptureFeed(connection_, ring.get()));
  if (!feed) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the capture buffer.");
  }
  result = feed->Open();
  if (!result.Succeeded()) return result;
  ring->SetFeed(std::move(feed));
  *buffer = std::move(ring);
  return DeviceResult::Ok();
}
