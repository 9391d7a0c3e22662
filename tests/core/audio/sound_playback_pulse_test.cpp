// The playback engine on a real PulseAudio server: a test sound played to
// the null sink must turn up in a recording of the sink's monitor. The
// private daemon of scripts/test.sh is needed (its default source is that
// monitor, which also carries a 440 Hz sine); without PULSE_SERVER the case
// is skipped, and with WAVEDESK_REQUIRE_PULSE=1 a missing server fails it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/audio/sound_playback.h"
#include "playback_test_support.h"

namespace {

using namespace playback_test;

constexpr uint32_t kCaptureRingBytes = 1048576;

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

uint32_t ReadPosition(SoundCaptureBuffer& ring) {
  uint32_t read = 0;
  EXPECT_TRUE(ring.GetCurrentPosition(nullptr, &read).Succeeded());
  return read;
}

// The left channel of `bytes` bytes of the ring from `offset` on.
std::vector<float> LeftChannel(SoundCaptureBuffer& ring, uint32_t offset, uint32_t bytes) {
  std::vector<float> left;
  LockedRegion first, second;
  EXPECT_TRUE(ring.Lock(offset, bytes, &first, &second).Succeeded());
  for (const LockedRegion* region : {&first, &second}) {
    for (uint32_t i = 0; i + 4 <= region->bytes; i += 4) {
      left.push_back(static_cast<int16_t>(region->data[i] | (region->data[i + 1] << 8)));
    }
  }
  EXPECT_TRUE(ring.Unlock(first, second).Succeeded());
  return left;
}

// The first difference x[n] − x[n − 1]: white noise keeps its character,
// while the daemon's 440 Hz sine is damped to a sixteenth.
std::vector<float> Differences(const std::vector<float>& x) {
  std::vector<float> d;
  for (size_t i = 1; i < x.size(); ++i) d.push_back(x[i] - x[i - 1]);
  return d;
}

// Normalised cross-correlation of `pattern` against `signal` at every lag.
std::vector<double> CrossCorrelation(const std::vector<float>& signal,
                                     const std::vector<float>& pattern) {
  std::vector<double> result;
  if (signal.size() < pattern.size()) return result;
  double patternEnergy = 0;
  for (float v : pattern) patternEnergy += static_cast<double>(v) * v;
  double windowEnergy = 0;
  for (size_t i = 0; i < pattern.size(); ++i) windowEnergy += static_cast<double>(signal[i]) * signal[i];
  for (size_t lag = 0; lag + pattern.size() <= signal.size(); ++lag) {
    float dot = 0;
    const float* s = signal.data() + lag;
    for (size_t i = 0; i < pattern.size(); ++i) dot += s[i] * pattern[i];
    const double norm = std::sqrt(patternEnergy * std::max(windowEnergy, 1.0));
    result.push_back(dot / norm);
    if (lag + pattern.size() < signal.size()) {
      const double in = signal[lag + pattern.size()], out = signal[lag];
      windowEnergy += in * in - out * out;
    }
  }
  return result;
}

TEST(SoundPlaybackPulseTest, TheServerPlaysTheSound) {
  if (!EnvSet("PULSE_SERVER") && !EnvSet("WAVEDESK_REQUIRE_PULSE")) {
    GTEST_SKIP() << "PULSE_SERVER is not set; scripts/test.sh starts a daemon";
  }
  std::unique_ptr<SoundOutputDevice> output;
  DeviceResult r = OpenSoundOutputDevice(SoundBackend::PulseAudio, &output);
  ASSERT_TRUE(r.Succeeded()) << r.name << ": " << r.description;
  std::unique_ptr<SoundCaptureDevice> capture;
  r = OpenSoundCaptureDevice(SoundBackend::PulseAudio, &capture);
  ASSERT_TRUE(r.Succeeded()) << r.name << ": " << r.description;
  std::unique_ptr<SoundCaptureBuffer> ring;
  r = capture->CreateCaptureBuffer(kCaptureRingBytes, WorkingFormat(), &ring);
  ASSERT_TRUE(r.Succeeded()) << r.name << ": " << r.description;
  ASSERT_TRUE(ring->Start(true).Succeeded());
  std::this_thread::sleep_for(milliseconds(300));

  // Given a one-second test sound of two layers, the second fading in
  CSound sound;
  AddNoiseLayer(sound, 176400, 0, 21, 6000);
  CSoundLayer& second = AddNoiseLayer(sound, 88200, 44100, 22, 6000);
  second.envelopeOn = 1;
  second.nodes = {{-1.0, 0}, {1.0, 88196}};
  RecordingView view;
  CSoundPlayback playback(sound, *output, &view);
  // When it plays to its end while the monitor of the sink is recorded
  const uint32_t before = ReadPosition(*ring);
  ASSERT_TRUE(playback.Play());
  TickLog log = DriveTimer(playback, milliseconds(3000));
  ASSERT_TRUE(log.ended);
  EXPECT_EQ(sound.selectionStart, 0);
  std::this_thread::sleep_for(milliseconds(400));
  const uint32_t recorded = (ReadPosition(*ring) - before) % kCaptureRingBytes;
  std::vector<float> heard = LeftChannel(*ring, before % kCaptureRingBytes, recorded);
  ring->Stop();
  // Then a stretch from the middle of the sound's mix-down is found in the
  // recording: one clear peak of the cross-correlation, after a delay no
  // longer than the server's latency
  std::unique_ptr<uint8_t[]> mix = sound.MixDown();
  const auto* values = reinterpret_cast<const int16_t*>(mix.get());
  constexpr size_t kFrom = 33075;  // 0.75 s: both layers sound
  std::vector<float> pattern;
  for (size_t f = kFrom; f < kFrom + 8192; ++f) pattern.push_back(values[2 * f]);
  std::vector<double> correlation = CrossCorrelation(Differences(heard), Differences(pattern));
  ASSERT_FALSE(correlation.empty()) << "only " << heard.size() << " frames recorded";
  size_t peak = 0;
  for (size_t lag = 1; lag < correlation.size(); ++lag) {
    if (correlation[lag] > correlation[peak]) peak = lag;
  }
  double runnerUp = 0;
  for (size_t lag = 0; lag < correlation.size(); ++lag) {
    if (lag + 32 < peak || lag > peak + 32) runnerUp = std::max(runnerUp, correlation[lag]);
  }
  EXPECT_GT(correlation[peak], 0.5) << "the sound is not in the recording";
  EXPECT_LT(runnerUp, correlation[peak] / 3) << "no single place matches (peak "
                                               << correlation[peak] << ")";
  const double delay = (static_cast<double>(peak) - kFrom) / 44100;
  EXPECT_GE(delay, 0.0);
  EXPECT_LT(delay, 0.5);
}

}  // namespace
