// PulseSourceMixer: each operation sends one introspection request with the
// main-loop lock held and waits for its answer, for no longer than the
// connection's request limit.
#include "core/audio/pulse_source_mixer.h"

#include <algorithm>
#include <new>

namespace {

struct SuccessWait {
  pa_threaded_mainloop* mainloop;
  int success = 0;
};

void OnSuccess(pa_context*, int success, void* userdata) {
  auto* wait = static_cast<SuccessWait*>(userdata);
  wait->success = success;
  pa_threaded_mainloop_signal(wait->mainloop, 0);
}

DeviceResult NoSuchSource() {
  return DeviceResult::Fail(kDeviceErrorInvalidParameter, "SOUND_ERR_NO_SUCH_INPUT",
                            "The sound input is no longer there.");
}

}  // namespace

DeviceResult PulseSourceMixer::Open(std::unique_ptr<CaptureSourceMixer>* mixer,
                                    std::chrono::milliseconds requestLimit) {
  mixer->reset();
  std::unique_ptr<PulseSourceMixer> made(new (std::nothrow) PulseSourceMixer);
  if (!made) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the input mixer.");
  }
  DeviceResult result = PulseConnection::Connect(&made->connection_, requestLimit);
  if (!result.Succeeded()) return result;
  *mixer = std::move(made);
  return DeviceResult::Ok();
}

DeviceResult PulseSourceMixer::ListSources(std::vector<CaptureSource>* sources) {
  struct Listing {
    pa_threaded_mainloop* mainloop;
    std::vector<CaptureSource> sources;
  } listing{connection_->Mainloop(), {}};
  connection_->Lock();
  pa_operation* op = pa_context_get_source_info_list(
      connection_->Context(),
      [](pa_context*, const pa_source_info* info, int eol, void* userdata) {
        auto* list = static_cast<Listing*>(userdata);
        if (eol == 0 && info != nullptr) {
          CaptureSource source;
          source.name = info->name;
          source.description = info->description != nullptr ? info->description : info->name;
          source.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
          for (uint32_t i = 0; i < info->n_ports; ++i) {
            const pa_source_port_info* port = info->ports[i];
            source.ports.push_back({port->name, port->description != nullptr ? port->description : port->name});
          }
          if (info->active_port != nullptr) source.activePort = info->active_port->name;
          list->sources.push_back(std::move(source));
        }
        pa_threaded_mainloop_signal(list->mainloop, 0);
      },
      &listing);
  DeviceResult result = connection_->WaitForOperation(op, kDeviceErrorGeneric);
  connection_->Unlock();
  if (!result.Succeeded()) return result;
  // Real inputs first: the monitors of outputs are what the user least often
  // means to record.
  std::stable_sort(listing.sources.begin(), listing.sources.end(),
                   [](const CaptureSource& a, const CaptureSource& b) {
                     if (a.isMonitor != b.isMonitor) return !a.isMonitor;
                     return a.description < b.description;
                   });
  *sources = std::move(listing.sources);
  return DeviceResult::Ok();
}

DeviceResult PulseSourceMixer::DefaultSourceName(std::string* name) {
  struct Answer {
    pa_threaded_mainloop* mainloop;
    std::string name;
  } answer{connection_->Mainloop(), {}};
  connection_->Lock();
  pa_operation* op = pa_context_get_server_info(
      connection_->Context(),
      [](pa_context*, const pa_server_info* info, void* userdata) {
        auto* a = static_cast<Answer*>(userdata);
        if (info != nullptr && info->default_source_name != nullptr) a->name = info->default_source_name;
        pa_threaded_mainloop_signal(a->mainloop, 0);
      },
      &answer);
  DeviceResult result = connection_->WaitForOperation(op, kDeviceErrorGeneric);
  connection_->Unlock();
  if (result.Succeeded()) *name = answer.name;
  return result;
}

DeviceResult PulseSourceMixer::SetActivePort(const std::string& source, const std::string& port) {
  SuccessWait wait{connection_->Mainloop()};
  connection_->Lock();
  DeviceResult result = connection_->WaitForOperation(
      pa_context_set_source_port_by_name(connection_->Context(), source.c_str(), port.c_str(), &OnSuccess, &wait),
      kDeviceErrorInvalidParameter);
  if (result.Succeeded() && !wait.success) result = connection_->ContextFailure(kDeviceErrorInvalidParameter);
  connection_->Unlock();
  return result;
}

DeviceResult PulseSourceMixer::ReadVolume(const std::string& source, pa_cvolume* volume, pa_channel_map* map) {
  struct Answer {
    pa_threaded_mainloop* mainloop;
    bool found = false;
    pa_cvolume volume{};
    pa_channel_map map{};
  } answer{connection_->Mainloop()};
  connection_->Lock();
  pa_operation* op = pa_context_get_source_info_by_name(
      connection_->Context(), source.c_str(),
      [](pa_context*, const pa_source_info* info, int eol, void* userdata) {
        auto* a = static_cast<Answer*>(userdata);
        if (eol == 0 && info != nullptr) {
          a->found = true;
          a->volume = info->volume;
          a->map = info->channel_map;
        }
        pa_threaded_mainloop_signal(a->mainloop, 0);
      },
      &answer);
  const DeviceResult result = connection_->WaitForOperation(op, kDeviceErrorGeneric);
  connection_->Unlock();
  if (!result.Succeeded()) return result;
  if (!answer.found) return NoSuchSource();
  *volume = answer.volume;
  *map = answer.map;
  return DeviceResult::Ok();
}

DeviceResult PulseSourceMixer::WriteVolume(const std::string& source, const pa_cvolume& volume) {
  SuccessWait wait{connection_->Mainloop()};
  connection_->Lock();
  DeviceResult result = connection_->WaitForOperation(
      pa_context_set_source_volume_by_name(connection_->Context(), source.c_str(), &volume, &OnSuccess, &wait),
      kDeviceErrorInvalidParameter);
  if (result.Succeeded() && !wait.success) result = connection_->ContextFailure(kDeviceErrorInvalidParameter);
  connection_->Unlock();
  return result;
}

DeviceResult PulseSourceMixer::GetLevels(const std::string& source, SourceLevels* levels) {
  pa_cvolume volume;
  pa_channel_map map;
  DeviceResult result = ReadVolume(source, &volume, &map);
  if (!result.Succeeded()) return result;
  *levels = SourceLevels{};
  levels->hasVolume = volume.channels > 0;
  // Above the normal level the slider shows its top.
  levels->volume = std::min(1.0, static_cast<double>(pa_cvolume_max(&volume)) / PA_VOLUME_NORM);
  levels->hasBalance = pa_channel_map_can_balance(&map) != 0;
  if (levels->hasBalance) levels->balance = pa_cvolume_get_balance(&volume, &map);
  return DeviceResult::Ok();
}

DeviceResult PulseSourceMixer::SetVolume(const std::string& source, double volume) {
  pa_cvolume current;
  pa_channel_map map;
  DeviceResult result = ReadVolume(source, &current, &map);
  if (!result.Succeeded()) return result;
  const auto level = static_cast<pa_volume_t>(std::clamp(volume, 0.0, 1.0) * PA_VOLUME_NORM + 0.5);
  // A silenced source has lost its balance; it comes back centred.
  if (pa_cvolume_max(&current) == PA_VOLUME_MUTED)
    pa_cvolume_set(&current, current.channels, level);
  else
    pa_cvolume_scale(&current, level);
  return WriteVolume(source, current);
}

DeviceResult PulseSourceMixer::SetBalance(const std::string& source, double balance) {
  pa_cvolume current;
  pa_channel_map map;
  DeviceResult result = ReadVolume(source, &current, &map);
  if (!result.Succeeded()) return result;
  if (pa_cvolume_set_balance(&current, &map, static_cast<float>(std::clamp(balance, -1.0, 1.0))) == nullptr) {
    return DeviceResult::Fail(kDeviceErrorInvalidParameter, "SOUND_ERR_NO_BALANCE",
                              "The sound input has no stereo balance.");
  }
  return WriteVolume(source, current);
}
