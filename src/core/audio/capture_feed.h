// What fills a capture ring: a record stream of the sound server, or the
// null back-end's paced thread. The ring owns its feed and switches it on
// and off; destroying the feed stops it for good, so that nothing writes
// into the ring after the feed is gone.
#pragma once

#include <string>

#include "core/audio/sound_device.h"

class CaptureFeed {
 public:
  virtual ~CaptureFeed() = default;
  virtual DeviceResult Run(bool run) = 0;
  // Switches the feed to another input of the server; feeds without named
  // inputs refuse.
  virtual DeviceResult MoveToSource(const std::string& /*sourceName*/) {
    return DeviceResult::Fail(kDeviceErrorInvalidParameter, "SOUND_ERR_INVALID_PARAMETER",
                              "This capture device has no inputs to choose from.");
  }
};
