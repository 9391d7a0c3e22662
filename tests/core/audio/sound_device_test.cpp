// The device layer end to end on both back-ends: cursors that keep real
// time, looping, one-shot ends, play groups, the capture ring receiving a
// tone, and the failures the callers act on. The PulseAudio cases need the
// private daemon that scripts/test.sh starts (its default source carries a
// 440 Hz sine); without PULSE_SERVER they are skipped, and with
// WAVEDESK_REQUIRE_PULSE=1 a failed connection fails them.
#include "core/audio/sound_device.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

// Names the back-end in messages about a failed case.
void PrintTo(SoundBackend backend, std::ostream* out) {
  *out << (backend == SoundBackend::PulseAudio ? "PulseAudio" : "Null");
}

namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

constexpr uint32_t kRingBytes = 1048576;
constexpr double kBytesPerSecond = 176400.0;
constexpr double kPi = 3.14159265358979323846;

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

std::string Describe(const DeviceResult& r) {
  return std::to_string(r.code) + " " + r.name + ": " + r.description;
}

// The frequency in [low, high] (1 Hz steps) where a Goertzel filter over the
// Hann-windowed samples finds the most energy.
double DominantFrequency(const std::vector<double>& samples, double rate, int low, int high) {
  std::vector<double> windowed(samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    windowed[i] = samples[i] * (0.5 - 0.5 * std::cos(2 * kPi * i / (samples.size() - 1)));
  }
  double best = 0, bestPower = -1;
  for (int f = low; f <= high; ++f) {
    double coeff = 2 * std::cos(2 * kPi * f / rate);
    double s1 = 0, s2 = 0;
    for (double x : windowed) {
      double s0 = x + coeff * s1 - s2;
      s2 = s1;
      s1 = s0;
    }
    double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    if (power > bestPower) {
      bestPower = power;
      best = f;
    }
  }
  return best;
}

class SoundDeviceTest : public ::testing::TestWithParam<SoundBackend> {
 protected:
  bool IsPulse() const { return GetParam() == SoundBackend::PulseAudio; }

  // Skips a PulseAudio case when no daemon is meant to be there.
  bool SkipWithoutServer() const {
    return IsPulse() && !EnvSet("PULSE_SERVER") && !EnvSet("WAVEDESK_REQUIRE_PULSE");
  }

  void OpenOutput() {
    DeviceResult r = OpenSoundOutputDevice(GetParam(), &output_);
    ASSERT_TRUE(r.Succeeded()) << Describe(r);
  }

  std::unique_ptr<SoundOutputBuffer> MakeBuffer(uint32_t bytes) {
    std::unique_ptr<SoundOutputBuffer> buffer;
    DeviceResult r = output_->CreateBuffer(bytes, WorkingFormat(), &buffer);
    EXPECT_TRUE(r.Succeeded()) << Describe(r);
    return buffer;
  }

  static uint32_t Cursor(SoundOutputBuffer& buffer) {
    uint32_t cursor = 0;
    DeviceResult r = buffer.GetCurrentPosition(&cursor);
    EXPECT_TRUE(r.Succeeded()) << Describe(r);
    return cursor;
  }

  static bool Playing(SoundOutputBuffer& buffer) {
    uint32_t status = 0;
    EXPECT_TRUE(buffer.GetStatus(&status).Succeeded());
    return (status & kBufferStatusPlaying) != 0;
  }

  // Waits until the buffer's cursor has left 0 (the stream is running).
  static void WaitUntilMoving(SoundOutputBuffer& buffer) {
    auto deadline = SteadyClock::now() + milliseconds(2000);
    while (Cursor(buffer) == 0 && SteadyClock::now() < deadline) {
      std::this_thread::sleep_for(milliseconds(5));
    }
  }

  std::unique_ptr<SoundOutputDevice> output_;
};

#define SKIP_WITHOUT_SERVER()                                         \
  if (SkipWithoutServer()) GTEST_SKIP() << "PULSE_SERVER is not set; " \
                                           "scripts/test.sh starts a daemon"

TEST_P(SoundDeviceTest, PlayCursorAdvancesAtTheByteRate) {
  SKIP_WITHOUT_SERVER();
  OpenOutput();
  // Given a looping ring that has started to sound
  auto buffer = MakeBuffer(kRingBytes);
  ASSERT_TRUE(buffer->Play(true).Succeeded());
  WaitUntilMoving(*buffer);
  std::this_thread::sleep_for(milliseconds(100));
  // When its cursor is read about a second apart
  auto t0 = SteadyClock::now();
  uint32_t c0 = Cursor(*buffer);
  std::this_thread::sleep_for(milliseconds(1000));
  auto t1 = SteadyClock::now();
  uint32_t c1 = Cursor(*buffer);
  // Then it moved 176,400 bytes per second of wall time, within 5 %
  double seconds = std::chrono::duration<double>(t1 - t0).count();
  double rate = ((c1 - c0 + kRingBytes) % kRingBytes) / seconds;
  EXPECT_NEAR(rate, kBytesPerSecond, 0.05 * kBytesPerSecond);
  EXPECT_EQ(c1 % 4, 0u) << "the cursor falls on whole frames";
}

TEST_P(SoundDeviceTest, LoopingBufferWrapsAndKeepsPlaying) {
  SKIP_WITHOUT_SERVER();
  OpenOutput();
  // Given a looping buffer of 0.2 s
  const uint32_t size = 35280;
  auto buffer = MakeBuffer(size);
  ASSERT_TRUE(buffer->Play(true).Succeeded());
  // When it is watched for 0.7 s
  int wraps = 0;
  uint32_t last = 0;
  auto end = SteadyClock::now() + milliseconds(700);
  while (SteadyClock::now() < end) {
    uint32_t cursor = Cursor(*buffer);
    ASSERT_LT(cursor, size);
    if (cursor < last) ++wraps;
    last = cursor;
    std::this_thread::sleep_for(milliseconds(5));
  }
  // Then its cursor went round at least twice and it is still playing
  EXPECT_GE(wraps, 2);
  EXPECT_TRUE(Playing(*buffer));
}

TEST_P(SoundDeviceTest, OneShotBufferStopsByItselfAtItsEnd) {
  SKIP_WITHOUT_SERVER();
  OpenOutput();
  // Given a one-shot buffer of 0.1 s that has started
  auto buffer = MakeBuffer(17640);
  ASSERT_TRUE(buffer->Play(false).Succeeded());
  EXPECT_TRUE(Playing(*buffer));
  // Then it stops by itself, soon after its length has passed
  auto deadline = SteadyClock::now() + milliseconds(1500);
  while (Playing(*buffer) && SteadyClock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(5));
  }
  EXPECT_FALSE(Playing(*buffer));
}

TEST_P(SoundDeviceTest, BuffersStartedInOnePassStayInStep) {
  SKIP_WITHOUT_SERVER();
  OpenOutput();
  // Given two rings started in one group, with time passing between the two
  // starts (longer than a mixing block)
  auto a = MakeBuffer(kRingBytes);
  auto b = MakeBuffer(kRingBytes);
  output_->BeginPlayGroup();
  ASSERT_TRUE(a->Play(true).Succeeded());
  std::this_thread::sleep_for(milliseconds(30));
  ASSERT_TRUE(b->Play(true).Succeeded());
  output_->EndPlayGroup();
  WaitUntilMoving(*a);
  std::this_thread::sleep_for(milliseconds(200));
  // When b's cursor is read between two reads of a's
  // Then it lies between them, and they are only a few frames apart
  // (a reading that was held up by the busy machine is taken again)
  bool inStep = false;
  for (int attempt = 0; attempt < 20 && !inStep; ++attempt) {
    uint32_t a1 = Cursor(*a);
    uint32_t cb = Cursor(*b);
    uint32_t a2 = Cursor(*a);
    if (a2 - a1 > 64) continue;
    EXPECT_LE(a1, cb);
    EXPECT_LE(cb, a2);
    inStep = true;
  }
  EXPECT_TRUE(inStep) << "no undisturbed reading in 20 attempts";
  EXPECT_GT(Cursor(*a), 0u);
}

TEST_P(SoundDeviceTest, CaptureRingReceivesTheTone) {
  SKIP_WITHOUT_SERVER();
  std::unique_ptr<SoundCaptureDevice> device;
  DeviceResult r = OpenSoundCaptureDevice(GetParam(), &device);
  ASSERT_TRUE(r.Succeeded()) << Describe(r);
  // Given a 440 Hz input: the daemon's default source carries one; the null
  // back-end is handed one
  if (!IsPulse()) {
    auto phase = std::make_shared<double>(0.0);
    ASSERT_TRUE(device->SetTestSignal([phase](int16_t* samples, uint32_t frames) {
      for (uint32_t i = 0; i < frames; ++i) {
        auto v = static_cast<int16_t>(10000 * std::sin(*phase));
        samples[2 * i] = samples[2 * i + 1] = v;
        *phase += 2 * kPi * 440 / 44100;
      }
    }));
  }
  std::unique_ptr<SoundCaptureBuffer> ring;
  r = device->CreateCaptureBuffer(kRingBytes, WorkingFormat(), &ring);
  ASSERT_TRUE(r.Succeeded()) << Describe(r);
  // When the ring captures for a while
  ASSERT_TRUE(ring->Start(true).Succeeded());
  uint32_t status = 0;
  ring->GetStatus(&status);
  EXPECT_EQ(status & kCaptureStatusCapturing, kCaptureStatusCapturing);
  const uint32_t window = 16384 * 4;  // about 0.37 s
  uint32_t read = 0;
  auto deadline = SteadyClock::now() + milliseconds(3000);
  while (read < window && SteadyClock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(20));
    ring->GetCurrentPosition(nullptr, &read);
  }
  ASSERT_GE(read, window) << "the ring did not fill";
  // Then the newest complete data, read across the lock's two regions, has
  // its strongest component at 440 Hz (within 2 %)
  LockedRegion first, second;
  ASSERT_TRUE(ring->Lock((read - window) % kRingBytes, window, &first, &second).Succeeded());
  std::vector<double> left;
  for (const LockedRegion* region : {&first, &second}) {
    for (uint32_t i = 0; i + 4 <= region->bytes; i += 4) {
      left.push_back(static_cast<int16_t>(region->data[i] | (region->data[i + 1] << 8)));
    }
  }
  ASSERT_TRUE(ring->Unlock(first, second).Succeeded());
  EXPECT_NEAR(DominantFrequency(left, 44100, 100, 2000), 440.0, 0.02 * 440.0);
  EXPECT_TRUE(ring->Stop().Succeeded());
}

// What a caller gets back for a request the layer refuses.
struct RefusalCase {
  const char* name;
  // Makes the request on a fresh device; returns its result.
  DeviceResult (*request)(SoundOutputDevice& device);
  DeviceError expectedCode;
};

DeviceResult BufferInFormat(SoundOutputDevice& device, WaveFormat format, uint32_t bytes) {
  std::unique_ptr<SoundOutputBuffer> buffer;
  DeviceResult r = device.CreateBuffer(bytes, format, &buffer);
  if (r.Succeeded() || buffer) return DeviceResult::Ok();  // a buffer came back: not refused
  return r;
}

WaveFormat Mono() {
  WaveFormat f = WorkingFormat();
  f.channels = 1;
  f.blockAlign = 2;
  f.avgBytesPerSec = 88200;
  return f;
}

DeviceResult LockOnBuffer(SoundOutputDevice& device, uint32_t offset, uint32_t bytes) {
  std::unique_ptr<SoundOutputBuffer> buffer;
  device.CreateBuffer(4096, WorkingFormat(), &buffer);
  LockedRegion region;
  DeviceResult r = buffer->Lock(offset, bytes, &region);
  if (r.Succeeded()) buffer->Unlock(region);
  return r;
}

const RefusalCase kRefusals[] = {
    {"MonoFormat", [](SoundOutputDevice& d) { return BufferInFormat(d, Mono(), 4096); },
     kDeviceErrorBadFormat},
    {"EmptyBuffer", [](SoundOutputDevice& d) { return BufferInFormat(d, WorkingFormat(), 0); },
     kDeviceErrorInvalidParameter},
    {"LockPastTheEnd", [](SoundOutputDevice& d) { return LockOnBuffer(d, 4092, 8); },
     kDeviceErrorInvalidParameter},
    {"LockWhoseLengthOverflows",
     [](SoundOutputDevice& d) { return LockOnBuffer(d, 8, 0xFFFFFFFC); },
     kDeviceErrorInvalidParameter},
    {"UnlockWithoutLock",
     [](SoundOutputDevice& d) {
       std::unique_ptr<SoundOutputBuffer> buffer;
       d.CreateBuffer(4096, WorkingFormat(), &buffer);
       uint8_t bytes[4];
       return buffer->Unlock(LockedRegion{bytes, 4});
     },
     kDeviceErrorNotLocked},
    {"VolumeAboveFull",
     [](SoundOutputDevice& d) {
       std::unique_ptr<SoundOutputBuffer> buffer;
       d.CreateBuffer(4096, WorkingFormat(), &buffer);
       return buffer->SetVolume(100);
     },
     kDeviceErrorInvalidParameter},
};

TEST_P(SoundDeviceTest, RefusalsComeBackWithANameAndADescription) {
  SKIP_WITHOUT_SERVER();
  OpenOutput();
  for (const RefusalCase& c : kRefusals) {
    SCOPED_TRACE(c.name);
    // When the request is made, then it fails with the expected code and
    // carries texts a message box can show
    DeviceResult r = c.request(*output_);
    EXPECT_EQ(r.code, c.expectedCode);
    EXPECT_FALSE(r.name.empty());
    EXPECT_FALSE(r.description.empty());
  }
}

TEST_P(SoundDeviceTest, CaptureBufferInAnotherFormatIsRefused) {
  SKIP_WITHOUT_SERVER();
  std::unique_ptr<SoundCaptureDevice> device;
  ASSERT_TRUE(OpenSoundCaptureDevice(GetParam(), &device).Succeeded());
  std::unique_ptr<SoundCaptureBuffer> ring;
  DeviceResult r = device->CreateCaptureBuffer(kRingBytes, Mono(), &ring);
  EXPECT_EQ(r.code, kDeviceErrorBadFormat);
  EXPECT_FALSE(r.name.empty());
  EXPECT_FALSE(ring);
}

TEST_P(SoundDeviceTest, BuffersOutliveTheirDevice) {
  SKIP_WITHOUT_SERVER();
  OpenOutput();
  // Given a playing buffer whose device is closed first
  auto buffer = MakeBuffer(kRingBytes);
  buffer->Play(true);
  std::this_thread::sleep_for(milliseconds(50));
  output_.reset();
  // Then the buffer still answers (its time has stopped) and goes quietly
  uint32_t c1 = Cursor(*buffer);
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_EQ(Cursor(*buffer), c1);
  EXPECT_TRUE(buffer->Stop().Succeeded());
}

INSTANTIATE_TEST_SUITE_P(Backends, SoundDeviceTest,
                         ::testing::Values(SoundBackend::PulseAudio, SoundBackend::Null),
                         [](const ::testing::TestParamInfo<SoundBackend>& info) {
                           return info.param == SoundBackend::PulseAudio ? "PulseAudio" : "Null";
                         });

// A server address that does not lead to a working server.
struct UnreachableServerCase {
  const char* name;
  bool listening;  // a socket accepts connections but never answers
  const char* expectedName;
  const char* expectedDescription;
};

class PulseAudioUnreachableTest : public ::testing::TestWithParam<UnreachableServerCase> {};

TEST_P(PulseAudioUnreachableTest, OpeningFailsWithinTwoSecondsSayingWhy) {
  const UnreachableServerCase& c = GetParam();
  // Given a server address where nothing listens, or where a socket takes
  // the connection and then stays silent
  std::string path = "/tmp/wavedesk-unreachable-" + std::to_string(getpid()) + ".sock";
  int listener = -1;
  if (c.listening) {
    listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    unlink(path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
  }
  const char* saved = std::getenv("PULSE_SERVER");
  std::string restore = saved != nullptr ? saved : "";
  setenv("PULSE_SERVER", ("unix:" + path).c_str(), 1);
  // When the output device is opened
  auto start = SteadyClock::now();
  std::unique_ptr<SoundOutputDevice> device;
  DeviceResult r = OpenSoundOutputDevice(SoundBackend::PulseAudio, &device);
  auto took = SteadyClock::now() - start;
  if (saved != nullptr) {
    setenv("PULSE_SERVER", restore.c_str(), 1);
  } else {
    unsetenv("PULSE_SERVER");
  }
  if (listener >= 0) {
    close(listener);
    unlink(path.c_str());
  }
  // Then it fails within a couple of seconds, with texts the user is shown
  EXPECT_EQ(r.code, kDeviceErrorNoDriver);
  EXPECT_EQ(r.name, c.expectedName);
  EXPECT_EQ(r.description, c.expectedDescription);
  EXPECT_FALSE(device);
  EXPECT_LT(took, milliseconds(3000));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PulseAudioUnreachableTest,
    ::testing::Values(UnreachableServerCase{"NothingListens", false, "PA_ERR_CONNECTIONREFUSED",
                                            "Connection refused"},
                      UnreachableServerCase{"ServerNeverAnswers", true, "PA_ERR_TIMEOUT",
                                            "Timeout"}),
    [](const ::testing::TestParamInfo<UnreachableServerCase>& info) { return info.param.name; });

}  // namespace
