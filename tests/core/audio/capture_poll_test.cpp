// The capture poll against a ring the test feeds by hand (exact positions:
// the one-tick start, writes across the ring's end, an overrun, the last
// part-tick written by Stop, the loudest sample of a tick), against the null
// back-end's paced feed with a counting test signal (a recording across
// several laps of the ring has no gap and no repeat), a tick whose write the
// disk refuses part way, and the level table.
#include "core/audio/capture_poll.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "core/audio/capture_ring.h"
#include "core/audio/recording_file.h"

namespace {

constexpr uint32_t kRingBytes = 64;

struct LevelCase {
  const char* name;
  int16_t sample;
  int level;
};

class LevelValueTest : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelValueTest, FollowsTheDecibelFormula) {
  EXPECT_EQ(CapturePoll::LevelValue(GetParam().sample), GetParam().level);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LevelValueTest,
    ::testing::Values(LevelCase{"Silence", 0, 55}, LevelCase{"MinusOneIsSilence", -1, 55},
                      LevelCase{"HalfScaleIsMinus6dB", 16384, 94}, LevelCase{"FullScale", 32767, 100},
                      LevelCase{"NegativeFullScale", -32768, 100}, LevelCase{"JustBelowMinus45dB", 183, 55},
                      LevelCase{"JustAboveMinus45dB", 184, 56}, LevelCase{"NearMinus44dB", 196, 56},
                      LevelCase{"WithinTheTopDecibel", 30000, 100}),
    [](const auto& info) { return std::string(info.param.name); });

// The byte at unwrapped position i of the test's capture stream.
uint8_t StreamByte(uint64_t i) { return static_cast<uint8_t>(i * 7 + 3); }

class HandFedRing {
 public:
  HandFedRing() {
    EXPECT_TRUE(CaptureRing::Create(kRingBytes, WorkingFormat(), &ring).Succeeded());
    EXPECT_TRUE(ring->Start(true).Succeeded());
    EXPECT_TRUE(RecordingFile::Create(std::filesystem::temp_directory_path().string(), &file));
  }
  // The feed delivers the next `bytes` bytes of the stream.
  void Capture(uint32_t bytes) {
    std::vector<uint8_t> data(bytes);
    for (uint32_t i = 0; i < bytes; ++i) data[i] = StreamByte(fed + i);
    ring->Write(data.data(), bytes);
    fed += bytes;
  }
  std::vector<uint8_t> Recorded() const {
    std::vector<uint8_t> bytes(file->Length());
    EXPECT_EQ(file->ReadAt(0, bytes.data(), bytes.size()), static_cast<int64_t>(bytes.size()));
    return bytes;
  }
  static std::vector<uint8_t> Stream(uint64_t from, uint64_t to) {
    std::vector<uint8_t> bytes;
    for (uint64_t i = from; i < to; ++i) bytes.push_back(StreamByte(i));
    return bytes;
  }

  std::unique_ptr<CaptureRing> ring;
  std::unique_ptr<RecordingFile> file;
  uint64_t fed = 0;
  CapturePoll poll;
};

TEST(CapturePollTest, StartsOneTickAfterRecordAndWritesAcrossTheRingsEnd) {
  HandFedRing t;
  t.Capture(8);
  // Given Record, the first tick only takes the ring's position
  t.poll.StartRecording();
  EXPECT_TRUE(t.poll.Poll(t.ring.get(), t.file.get()).ran);
  EXPECT_TRUE(t.poll.captureStarted());
  EXPECT_EQ(t.poll.readPosition(), 8u);
  EXPECT_EQ(t.file->Length(), 0u);
  // When the next tick finds 48 new bytes, and the one after 24 that wrap
  // past the ring's end (56 .. 64, then 0 .. 16)
  t.Capture(48);
  EXPECT_TRUE(t.poll.Poll(t.ring.get(), t.file.get()).ran);
  t.Capture(24);
  const CapturePoll::Tick tick = t.poll.Poll(t.ring.get(), t.file.get());
  // Then the file holds the stream from the armed position on, in order,
  // with no gap at the wrap
  EXPECT_TRUE(tick.ran);
  EXPECT_EQ(tick.lostBytes, 0u);
  EXPECT_EQ(t.Recorded(), HandFedRing::Stream(8, 80));
  EXPECT_EQ(t.poll.readPosition(), 16u);
  EXPECT_EQ(t.poll.recordedBytes(), 72u);
  EXPECT_EQ(t.poll.tickCount(), 3);
}

TEST(CapturePollTest, AHeldUpTickWritesNothingOlderThanTheRing) {
  HandFedRing t;
  t.Capture(8);
  t.poll.StartRecording();
  (void)t.poll.Poll(t.ring.get(), t.file.get());
  // When 100 bytes arrive before the next tick: the ring holds only 64
  t.Capture(100);
  const CapturePoll::Tick tick = t.poll.Poll(t.ring.get(), t.file.get());
  // Then the 36 overwritten bytes are reported lost and only the ring's
  // true content is written
  EXPECT_EQ(tick.lostBytes, 36u);
  EXPECT_EQ(t.Recorded(), HandFedRing::Stream(44, 108));
}

TEST(CapturePollTest, StopWritesTheLastPartTick) {
  HandFedRing t;
  t.Capture(4);
  t.poll.StartRecording();
  (void)t.poll.Poll(t.ring.get(), t.file.get());
  t.Capture(12);
  (void)t.poll.Poll(t.ring.get(), t.file.get());
  // When Stop comes 20 bytes after the last tick
  t.Capture(20);
  (void)t.poll.StopRecording(t.ring.get(), t.file.get());
  // Then those bytes are in the recording too
  EXPECT_EQ(t.Recorded(), HandFedRing::Stream(4, 36));
  EXPECT_FALSE(t.poll.recording());
  EXPECT_FALSE(t.poll.captureStarted());
  // And later ticks add nothing
  t.Capture(8);
  (void)t.poll.Poll(t.ring.get(), t.file.get());
  EXPECT_EQ(t.file->Length(), 32u);
}

TEST(CapturePollTest, StopBeforeTheFirstWriteRecordsNothing) {
  HandFedRing t;
  t.Capture(4);
  t.poll.StartRecording();
  t.Capture(8);
  (void)t.poll.StopRecording(t.ring.get(), t.file.get());
  (void)t.poll.Poll(t.ring.get(), t.file.get());
  EXPECT_EQ(t.file->Length(), 0u);
}

// A disk that fills up: write `failAt` takes only `partial` bytes and the
// one after it fails; then there is room again. One test thread uses it.
struct DiskFull {
  int failAt = 0;
  size_t partial = 0;
  int writes = 0;
};
DiskFull g_diskFull;

ssize_t DiskFullPwrite(int fd, const void* bytes, size_t size, off_t offset) {
  const int n = ++g_diskFull.writes;
  if (n == g_diskFull.failAt + 1) {
    errno = ENOSPC;
    return -1;
  }
  if (n == g_diskFull.failAt) size = std::min(size, g_diskFull.partial);
  return ::pwrite(fd, bytes, size, offset);
}
constexpr RecordingFileCalls kDiskFullCalls{DiskFullPwrite, ::ftruncate, ::pread};

TEST(CapturePollTest, AWriteThatFailsPartWaySkipsTheRestOfTheTickAndStaysOnTheFrame) {
  HandFedRing t;
  const RecordingFileCalls* real = RecordingFile::UseSystemCalls(&kDiskFullCalls);
  g_diskFull = DiskFull{2, 6};
  t.Capture(8);
  t.poll.StartRecording();
  (void)t.poll.Poll(t.ring.get(), t.file.get());
  t.Capture(48);
  (void)t.poll.Poll(t.ring.get(), t.file.get());
  // When the next tick's bytes wrap past the ring's end (56 .. 64, then
  // 0 .. 16) and the disk takes only a frame and a half of the first region
  t.Capture(24);
  const CapturePoll::Tick failed = t.poll.Poll(t.ring.get(), t.file.get());
  // And the tick after it finds room again
  t.Capture(8);
  const CapturePoll::Tick after = t.poll.Poll(t.ring.get(), t.file.get());
  RecordingFile::UseSystemCalls(real);
  // Then the failing tick says so and how much it left out
  EXPECT_TRUE(failed.writeFailed);
  EXPECT_EQ(failed.unwrittenBytes, 20u);
  EXPECT_FALSE(after.writeFailed);
  // And the recording keeps the whole frame it got, leaves the rest of that
  // tick out and goes on with the next tick's frames, each on the frame
  std::vector<uint8_t> expected = HandFedRing::Stream(8, 60);
  const std::vector<uint8_t> next = HandFedRing::Stream(80, 88);
  expected.insert(expected.end(), next.begin(), next.end());
  EXPECT_EQ(t.Recorded(), expected);
  EXPECT_EQ(t.poll.recordedBytes(), expected.size());
}

TEST(CapturePollTest, EndsTheTickWithoutCaptureOrAtPositionZero) {
  HandFedRing t;
  EXPECT_FALSE(t.poll.Poll(nullptr, t.file.get()).ran);
  // Nothing captured yet: position 0
  EXPECT_FALSE(t.poll.Poll(t.ring.get(), t.file.get()).ran);
  t.Capture(kRingBytes);
  EXPECT_FALSE(t.poll.Poll(t.ring.get(), t.file.get()).ran);
  t.Capture(4);
  EXPECT_TRUE(t.poll.Poll(t.ring.get(), t.file.get()).ran);
  ASSERT_TRUE(t.ring->Stop().Succeeded());
  EXPECT_FALSE(t.poll.Poll(t.ring.get(), t.file.get()).ran);
  EXPECT_EQ(t.poll.tickCount(), 5);
}

void WriteFrame(CaptureRing& ring, int16_t left, int16_t right) {
  const uint8_t frame[4] = {static_cast<uint8_t>(left), static_cast<uint8_t>(static_cast<uint16_t>(left) >> 8),
                            static_cast<uint8_t>(right), static_cast<uint8_t>(static_cast<uint16_t>(right) >> 8)};
  ring.Write(frame, 4);
}

TEST(CapturePollTest, LevelsComeFromTheLoudestSampleSinceTheLastTick) {
  HandFedRing t;
  WriteFrame(*t.ring, 32767, 32767);
  (void)t.poll.Poll(t.ring.get(), nullptr);
  // Given a tone whose newest frame happens to be near a zero crossing
  WriteFrame(*t.ring, 100, -200);
  WriteFrame(*t.ring, -30000, 16000);
  WriteFrame(*t.ring, 12, -3);
  const CapturePoll::Tick tick = t.poll.Poll(t.ring.get(), nullptr);
  // Then the level samples are the loudest of the tick's frames, the full
  // scale frame of the previous tick not among them
  EXPECT_EQ(tick.peakLeft, -30000);
  EXPECT_EQ(tick.peakRight, 16000);
  EXPECT_EQ(tick.left, 12);
  EXPECT_EQ(tick.right, -3);
  // And a tick with no new frame shows the newest frame
  const CapturePoll::Tick still = t.poll.Poll(t.ring.get(), nullptr);
  EXPECT_EQ(still.peakLeft, 12);
  EXPECT_EQ(still.peakRight, -3);
}

TEST(CapturePollNullDeviceTest, RecordsTheTestSignalAcrossLapsOfTheRing) {
  // Given the null device's paced feed counting frames into a ring of
  // 32 KiB (0.19 s), polled every 50 ms for about a second
  std::unique_ptr<SoundCaptureDevice> device;
  ASSERT_TRUE(OpenSoundCaptureDevice(SoundBackend::Null, &device).Succeeded());
  uint16_t counter = 0;  // the feed thread's alone
  ASSERT_TRUE(device->SetTestSignal([counter](int16_t* samples, uint32_t frames) mutable {
    for (uint32_t i = 0; i < frames; ++i, ++counter) {
      samples[2 * i] = static_cast<int16_t>(counter);
      samples[2 * i + 1] = static_cast<int16_t>(~counter);
    }
  }));
  std::unique_ptr<SoundCaptureBuffer> ring;
  ASSERT_TRUE(device->CreateCaptureBuffer(32768, WorkingFormat(), &ring).Succeeded());
  ASSERT_TRUE(ring->Start(true).Succeeded());
  std::unique_ptr<RecordingFile> file;
  ASSERT_TRUE(RecordingFile::Create(std::filesystem::temp_directory_path().string(), &file));
  CapturePoll poll;
  poll.StartRecording();
  int writes = 0;
  for (int i = 0; i < 22; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const CapturePoll::Tick tick = poll.Poll(ring.get(), file.get());
    EXPECT_EQ(tick.lostBytes, 0u);
    if (poll.captureStarted() && writes++ == 0) {
      EXPECT_EQ(file->Length(), 0u) << "the first tick writes nothing";
    }
  }
  (void)poll.StopRecording(ring.get(), file.get());
  // Then the recording is longer than the ring and every frame follows the
  // one before it
  const uint64_t length = file->Length();
  ASSERT_GT(length, 2u * 32768u);
  ASSERT_EQ(length % 4, 0u);
  std::vector<uint8_t> bytes(length);
  ASSERT_EQ(file->ReadAt(0, bytes.data(), bytes.size()), static_cast<int64_t>(length));
  auto at = [&](uint64_t frame, int channel) {
    return static_cast<uint16_t>(bytes[frame * 4 + channel * 2] | (bytes[frame * 4 + channel * 2 + 1] << 8));
  };
  for (uint64_t f = 1; f < length / 4; ++f) {
    ASSERT_EQ(at(f, 0), static_cast<uint16_t>(at(f - 1, 0) + 1)) << "frame " << f;
    ASSERT_EQ(at(f, 1), static_cast<uint16_t>(~at(f, 0))) << "frame " << f;
  }
}

}  // namespace
