// The inputs of the sound server as the record dialog offers them: every
// source with its description, its ports (the input lines, of which the
// active one is the line in use), and the source's recording volume and
// stereo balance. PulseAudio answers through introspection; the null
// back-end has no inputs, and says so with an empty list.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/audio/sound_device.h"

struct CapturePort {
  std::string name;         // the server's name, used to choose it
  std::string description;  // what the user reads
};

struct CaptureSource {
  std::string name;         // the server's name, used to address it
  std::string description;  // what the user reads
  bool isMonitor = false;   // the monitor of an output rather than an input
  std::vector<CapturePort> ports;  // in the server's order
  std::string activePort;          // empty for a source without ports
};

// A source's two controls; a control the source lacks is not offered (a
// mono source has no balance).
struct SourceLevels {
  bool hasVolume = false;
  double volume = 0;  // 0 .. 1, the server's normal level being 1
  bool hasBalance = false;
  double balance = 0;  // -1 (left only) .. +1 (right only)
};

class CaptureSourceMixer {
 public:
  virtual ~CaptureSourceMixer() = default;

  // The real inputs sorted by description, then the monitors of outputs
  // sorted the same way.
  virtual DeviceResult ListSources(std::vector<CaptureSource>* sources) = 0;
  // The source a new recording stream reads from.
  virtual DeviceResult DefaultSourceName(std::string* name) = 0;
  virtual DeviceResult SetActivePort(const std::string& source, const std::string& port) = 0;
  virtual DeviceResult GetLevels(const std::string& source, SourceLevels* levels) = 0;
  // Sets the volume of every channel so that the balance is kept.
  virtual DeviceResult SetVolume(const std::string& source, double volume) = 0;
  virtual DeviceResult SetBalance(const std::string& source, double balance) = 0;
};

// What the record dialog lists for each source, in the same order: its
// description, and where two or more sources share one (two sound cards of
// one make, or the monitors of two outputs both called "Null Output"), the
// server's name of each in parentheses, so that the user can tell them apart.
std::vector<std::string> DistinctSourceLabels(const std::vector<CaptureSource>& sources);

// The mixer of the chosen back-end. The null back-end's lists no sources.
DeviceResult OpenCaptureSourceMixer(SoundBackend backend,
                                    std::unique_ptr<CaptureSourceMixer>* mixer);
