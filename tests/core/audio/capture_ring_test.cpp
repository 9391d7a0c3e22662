// The capture ring on its own, written by the test as a feed would: wrapping
// writes, positions, and locks across the ring's end.
#include "core/audio/capture_ring.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr uint32_t kRingBytes = 16;

std::unique_ptr<CaptureRing> StartedRing(bool looping = true) {
  std::unique_ptr<CaptureRing> ring;
  EXPECT_TRUE(CaptureRing::Create(kRingBytes, WorkingFormat(), &ring).Succeeded());
  EXPECT_TRUE(ring->Start(looping).Succeeded());
  return ring;
}

// Writes the bytes first, first + 1, ... as a feed delivering them.
void WriteCounting(CaptureRing& ring, uint8_t first, uint32_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (uint32_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(first + i);
  ring.Write(data.data(), bytes);
}

std::vector<uint8_t> Bytes(const LockedRegion& region) {
  return std::vector<uint8_t>(region.data, region.data + region.bytes);
}

struct LockCase {
  const char* name;
  uint32_t offset, bytes;
  std::vector<uint8_t> first, second;
};

class CaptureRingLockTest : public ::testing::TestWithParam<LockCase> {};

TEST_P(CaptureRingLockTest, LocksWhatWasRecorded) {
  const LockCase& c = GetParam();
  // Given a 16-byte ring that has taken bytes 0..19 (so 16..19 overwrote 0..3)
  auto ring = StartedRing();
  WriteCounting(*ring, 0, 12);
  WriteCounting(*ring, 12, 8);
  // When the range is locked
  LockedRegion first, second;
  ASSERT_TRUE(ring->Lock(c.offset, c.bytes, &first, &second).Succeeded());
  // Then the regions hold the ring's bytes in order, the second from its start
  EXPECT_EQ(Bytes(first), c.first);
  EXPECT_EQ(second.bytes == 0 ? std::vector<uint8_t>{} : Bytes(second), c.second);
  EXPECT_TRUE(ring->Unlock(first, second).Succeeded());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureRingLockTest,
    ::testing::Values(
        LockCase{"InsideTheRing", 4, 4, {4, 5, 6, 7}, {}},
        LockCase{"UpToTheEnd", 12, 4, {12, 13, 14, 15}, {}},
        LockCase{"AcrossTheEnd", 12, 8, {12, 13, 14, 15}, {16, 17, 18, 19}},
        LockCase{"NewestFrame", 0, 4, {16, 17, 18, 19}, {}},
        LockCase{"WholeRingFromTheMiddle",
                 8, 16, {8, 9, 10, 11, 12, 13, 14, 15}, {16, 17, 18, 19, 4, 5, 6, 7}}),
    [](const ::testing::TestParamInfo<LockCase>& info) { return info.param.name; });

TEST(CaptureRingTest, PositionsWrapAtTheRingSize) {
  // Given a ring that has taken 20 bytes
  auto ring = StartedRing();
  WriteCounting(*ring, 0, 20);
  // Then capture and read positions are 20 mod 16
  uint32_t capture = 99, read = 99;
  ASSERT_TRUE(ring->GetCurrentPosition(&capture, &read).Succeeded());
  EXPECT_EQ(capture, 4u);
  EXPECT_EQ(read, 4u);
}

TEST(CaptureRingTest, StoppedRingTakesNothing) {
  // Given a ring stopped after 8 bytes
  auto ring = StartedRing();
  WriteCounting(*ring, 0, 8);
  ASSERT_TRUE(ring->Stop().Succeeded());
  // When more arrives
  WriteCounting(*ring, 100, 4);
  // Then it is not recorded and the ring reports not capturing
  uint32_t status = 1, read = 0;
  ring->GetStatus(&status);
  ring->GetCurrentPosition(nullptr, &read);
  EXPECT_EQ(status & kCaptureStatusCapturing, 0u);
  EXPECT_EQ(read, 8u);
}

TEST(CaptureRingTest, OnePassCaptureStopsWhenFull) {
  // Given a ring started without looping
  auto ring = StartedRing(false);
  // When more than the ring holds arrives
  WriteCounting(*ring, 0, 12);
  WriteCounting(*ring, 12, 8);
  // Then the first 16 bytes are kept and capturing has ended
  uint32_t status = 1;
  ring->GetStatus(&status);
  EXPECT_EQ(status & kCaptureStatusCapturing, 0u);
  LockedRegion first, second;
  ASSERT_TRUE(ring->Lock(0, 4, &first, &second).Succeeded());
  EXPECT_EQ(Bytes(first), (std::vector<uint8_t>{0, 1, 2, 3}));
  ring->Unlock(first, second);
}

TEST(CaptureRingTest, GapsAreRecordedAsSilence) {
  // Given a full ring of bytes 1..16
  auto ring = StartedRing();
  WriteCounting(*ring, 1, 16);
  // When the feed reports a gap of 4 bytes
  ring->Write(nullptr, 4);
  // Then the gap overwrites the oldest bytes with zeros and moves the position
  LockedRegion first, second;
  ASSERT_TRUE(ring->Lock(0, 8, &first, &second).Succeeded());
  EXPECT_EQ(Bytes(first), (std::vector<uint8_t>{0, 0, 0, 0, 5, 6, 7, 8}));
  ring->Unlock(first, second);
  uint32_t read = 0;
  ring->GetCurrentPosition(nullptr, &read);
  EXPECT_EQ(read, 4u);
}

}  // namespace
