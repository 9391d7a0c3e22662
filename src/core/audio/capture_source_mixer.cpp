// Opening the input mixer of a back-end, and the null back-end's, which has
// no inputs to offer.
#include "core/audio/capture_source_mixer.h"

#include <algorithm>
#include <new>

#include "core/audio/pulse_source_mixer.h"

namespace {

class NullSourceMixer : public CaptureSourceMixer {
 public:
  DeviceResult ListSources(std::vector<CaptureSource>* sources) override {
    sources->clear();
    return DeviceResult::Ok();
  }
  DeviceResult DefaultSourceName(std::string* name) override {
    name->clear();
    return DeviceResult::Ok();
  }
  DeviceResult SetActivePort(const std::string&, const std::string&) override { return NoInput(); }
  DeviceResult GetLevels(const std::string&, SourceLevels*) override { return NoInput(); }
  DeviceResult SetVolume(const std::string&, double) override { return NoInput(); }
  DeviceResult SetBalance(const std::string&, double) override { return NoInput(); }

 private:
  static DeviceResult NoInput() {
    return DeviceResult::Fail(kDeviceErrorInvalidParameter, "SOUND_ERR_NO_SUCH_INPUT",
                              "There is no such sound input.");
  }
};

}  // namespace

DeviceResult OpenCaptureSourceMixer(SoundBackend backend, std::unique_ptr<CaptureSourceMixer>* mixer) {
  mixer->reset();
  if (backend == SoundBackend::PulseAudio) return PulseSourceMixer::Open(mixer);
  mixer->reset(new (std::nothrow) NullSourceMixer);
  if (!*mixer) {
    return DeviceResult::Fail(kDeviceErrorOutOfMemory, "SOUND_ERR_OUT_OF_MEMORY",
                              "Not enough memory for the input mixer.");
  }
  return DeviceResult::Ok();
}

std::vector<std::string> DistinctSourceLabels(const std::vector<CaptureSource>& sources) {
  std::vector<std::string> labels;
  labels.reserve(sources.size());
  for (const CaptureSource& source : sources) {
    const auto shared = std::count_if(sources.begin(), sources.end(), [&source](const CaptureSource& other) {
      return other.description == source.description;
    });
    labels.push_back(shared > 1 ? source.description + " (" + source.name + ")" : source.description);
  }
  return labels;
}
