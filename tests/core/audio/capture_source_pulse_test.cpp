// The sound inputs on a real PulseAudio server (the private daemon of
// scripts/test.sh: its default source is the null sink's monitor, carrying
// a 440 Hz sine, beside a silent null source "silence"): the list with the
// real inputs first, volume and balance, and moving a running capture from
// one input to another. Without PULSE_SERVER the cases are skipped; with
// WAVEDESK_REQUIRE_PULSE=1 a missing server fails them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/audio/capture_source_mixer.h"

namespace {

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

#define SKIP_WITHOUT_SERVER()                                                   \
  if (!EnvSet("PULSE_SERVER") && !EnvSet("WAVEDESK_REQUIRE_PULSE")) {           \
    GTEST_SKIP() << "PULSE_SERVER is not set; scripts/test.sh starts a daemon"; \
  }

const CaptureSource* Find(const std::vector<CaptureSource>& sources, const std::string& name) {
  for (const CaptureSource& source : sources)
    if (source.name == name) return &source;
  return nullptr;
}

TEST(CaptureSourcePulseTest, ListsRealInputsBeforeMonitorsAndNamesTheDefault) {
  SKIP_WITHOUT_SERVER();
  std::unique_ptr<CaptureSourceMixer> mixer;
  ASSERT_TRUE(OpenCaptureSourceMixer(SoundBackend::PulseAudio, &mixer).Succeeded());
  std::vector<CaptureSource> sources;
  ASSERT_TRUE(mixer->ListSources(&sources).Succeeded());
  const CaptureSource* silence = Find(sources, "silence");
  const CaptureSource* monitor = Find(sources, "nullsink.monitor");
  ASSERT_NE(silence, nullptr);
  ASSERT_NE(monitor, nullptr);
  EXPECT_FALSE(silence->isMonitor);
  EXPECT_TRUE(monitor->isMonitor);
  EXPECT_FALSE(monitor->description.empty());
  EXPECT_LT(silence, monitor);
  bool seenMonitor = false;
  for (const CaptureSource& source : sources) {
    EXPECT_FALSE(seenMonitor && !source.isMonitor) << source.name << " comes after a monitor";
    seenMonitor = seenMonitor || source.isMonitor;
  }
  std::string name;
  ASSERT_TRUE(mixer->DefaultSourceName(&name).Succeeded());
  EXPECT_EQ(name, "nullsink.monitor");
}

TEST(CaptureSourcePulseTest, VolumeAndBalanceGoToTheServerAndBack) {
  SKIP_WITHOUT_SERVER();
  std::unique_ptr<CaptureSourceMixer> mixer;
  ASSERT_TRUE(OpenCaptureSourceMixer(SoundBackend::PulseAudio, &mixer).Succeeded());
  SourceLevels levels;
  ASSERT_TRUE(mixer->SetVolume("silence", 0.5).Succeeded());
  ASSERT_TRUE(mixer->GetLevels("silence", &levels).Succeeded());
  EXPECT_TRUE(levels.hasVolume);
  EXPECT_NEAR(levels.volume, 0.5, 0.01);
  EXPECT_TRUE(levels.hasBalance);
  EXPECT_NEAR(levels.balance, 0.0, 0.01);
  // A balance to the right keeps the volume (the louder channel)
  ASSERT_TRUE(mixer->SetBalance("silence", 0.6).Succeeded());
  ASSERT_TRUE(mixer->GetLevels("silence", &levels).Succeeded());
  EXPECT_NEAR(levels.balance, 0.6, 0.01);
  EXPECT_NEAR(levels.volume, 0.5, 0.01);
  ASSERT_TRUE(mixer->SetVolume("silence", 1.0).Succeeded());
  ASSERT_TRUE(mixer->SetBalance("silence", 0.0).Succeeded());
  ASSERT_TRUE(mixer->GetLevels("silence", &levels).Succeeded());
  EXPECT_NEAR(levels.volume, 1.0, 0.01);
  EXPECT_NEAR(levels.balance, 0.0, 0.01);
  EXPECT_FALSE(mixer->GetLevels("no-such-source", &levels).Succeeded());
}

// The largest magnitude of the left channel over the newest `bytes` bytes.
int NewestPeak(SoundCaptureBuffer& ring, uint32_t bytes) {
  uint64_t captured = 0;
  EXPECT_TRUE(ring.GetCapturedBytes(&captured).Succeeded());
  if (captured < bytes) return -1;
  LockedRegion first, second;
  EXPECT_TRUE(ring.Lock(static_cast<uint32_t>((captured - bytes) % ring.Size()), bytes, &first, &second).Succeeded());
  int peak = 0;
  for (const LockedRegion* region : {&first, &second})
    for (uint32_t i = 0; i + 4 <= region->bytes; i += 4)
      peak = std::max(peak, std::abs(static_cast<int16_t>(region->data[i] | (region->data[i + 1] << 8))));
  EXPECT_TRUE(ring.Unlock(first, second).Succeeded());
  return peak;
}

TEST(CaptureSourcePulseTest, ARunningCaptureMovesToTheChosenInput) {
  SKIP_WITHOUT_SERVER();
  std::unique_ptr<SoundCaptureDevice> device;
  ASSERT_TRUE(OpenSoundCaptureDevice(SoundBackend::PulseAudio, &device).Succeeded());
  std::unique_ptr<SoundCaptureBuffer> ring;
  ASSERT_TRUE(device->CreateCaptureBuffer(1048576, WorkingFormat(), &ring).Succeeded());
  ASSERT_TRUE(ring->Start(true).Succeeded());
  const uint32_t tenth = 17640;
  auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(400)); };
  // Given the capture on the default input, which carries the sine
  settle();
  EXPECT_GT(NewestPeak(*ring, tenth), 1000);
  // When it moves to the silent input, the newest sound is silence
  ASSERT_TRUE(ring->MoveToSource("silence").Succeeded());
  settle();
  EXPECT_EQ(NewestPeak(*ring, tenth), 0);
  // And back on the monitor the sine returns
  ASSERT_TRUE(ring->MoveToSource("nullsink.monitor").Succeeded());
  settle();
  EXPECT_GT(NewestPeak(*ring, tenth), 1000);
  EXPECT_FALSE(ring->MoveToSource("no-such-source").Succeeded());
  ASSERT_TRUE(ring->Stop().Succeeded());
}

}  // namespace
