// The record dialog's names of the inputs: two inputs of the same
// description are told apart by the server's names, the others keep theirs.
#include <gtest/gtest.h>

#include "core/audio/capture_source_mixer.h"

namespace {

CaptureSource Source(const char* name, const char* description) {
  CaptureSource source;
  source.name = name;
  source.description = description;
  return source;
}

TEST(CaptureSourceLabels, SharedDescriptionsGetTheServersNames) {
  const std::vector<CaptureSource> sources = {
      Source("alsa_input.usb-1", "USB Microphone"), Source("null.monitor", "Monitor of Null Output"),
      Source("alsa_input.pci", "Built-in Audio"), Source("null2.monitor", "Monitor of Null Output"),
      Source("alsa_input.usb-2", "USB Microphone")};
  EXPECT_EQ(DistinctSourceLabels(sources),
            (std::vector<std::string>{"USB Microphone (alsa_input.usb-1)", "Monitor of Null Output (null.monitor)",
                                      "Built-in Audio", "Monitor of Null Output (null2.monitor)",
                                      "USB Microphone (alsa_input.usb-2)"}));
  EXPECT_TRUE(DistinctSourceLabels({}).empty());
}

}  // namespace
