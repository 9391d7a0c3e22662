// The PulseAudio side of CaptureSourceMixer: introspection of the server's
// sources (ports, volume, balance) over a connection of its own, each call
// waiting for the server's answer up to a time limit (PA_ERR_TIMEOUT after
// it).
#pragma once

#include <chrono>
#include <memory>

#include "core/audio/capture_source_mixer.h"
#include "core/audio/pulse_connection.h"

class PulseSourceMixer : public CaptureSourceMixer {
 public:
  // `requestLimit`: how long each call waits for the server's answer.
  static DeviceResult Open(std::unique_ptr<CaptureSourceMixer>* mixer,
                           std::chrono::milliseconds requestLimit = PulseConnection::kTimeout);

  DeviceResult ListSources(std::vector<CaptureSource>* sources) override;
  DeviceResult DefaultSourceName(std::string* name) override;
  DeviceResult SetActivePort(const std::string& source, const std::string& port) override;
  DeviceResult GetLevels(const std::string& source, SourceLevels* levels) override;
  DeviceResult SetVolume(const std::string& source, double volume) override;
  DeviceResult SetBalance(const std::string& source, double balance) override;

 private:
  PulseSourceMixer() = default;
  // The source's volume and channel map, as the server holds them now.
  DeviceResult ReadVolume(const std::string& source, pa_cvolume* volume, pa_channel_map* map);
  DeviceResult WriteVolume(const std::string& source, const pa_cvolume& volume);

  std::shared_ptr<PulseConnection> connection_;
};
