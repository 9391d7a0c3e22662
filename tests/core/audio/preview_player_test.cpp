// The preview player on the null back-end, heard through its tap on the
// mixed output: a sound plays once, whole and in order, and the player says
// when it has ended; a reader that delivers less is followed by silence, not
// by what the buffer held; Stop silences it at once; and what cannot play is
// refused with its reason.
#include "core/audio/preview_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/audio/sound_device.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// Frame i of the test sound: left i + 1, right -(i + 1); never silence.
std::vector<uint8_t> CountingSound(uint32_t frames) {
  std::vector<int16_t> samples(2 * frames);
  for (uint32_t i = 0; i < frames; ++i) {
    samples[2 * i] = static_cast<int16_t>(i % 30000 + 1);
    samples[2 * i + 1] = static_cast<int16_t>(-samples[2 * i]);
  }
  std::vector<uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

class PreviewPlayerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenSoundOutputDevice(SoundBackend::Null, &m_device).Succeeded());
    ASSERT_TRUE(m_device->SetMixTap([this](const int16_t* samples, uint32_t frames, uint64_t) {
      const std::lock_guard<std::mutex> lock(m_mutex);
      m_heard.insert(m_heard.end(), samples, samples + 2 * frames);
    }));
  }
  void TearDown() override { (void)m_device->SetMixTap({}); }
  // The frames heard that were not silence, in order.
  std::vector<int16_t> Sounding() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<int16_t> sounding;
    for (size_t i = 0; i + 1 < m_heard.size(); i += 2) {
      if (m_heard[i] != 0 || m_heard[i + 1] != 0) sounding.insert(sounding.end(), {m_heard[i], m_heard[i + 1]});
    }
    return sounding;
  }
  bool WaitForEnd(PreviewPlayer& player) {
    const auto deadline = SteadyClock::now() + std::chrono::seconds(5);
    while (!player.HasEnded() && SteadyClock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(PreviewPlayer::kPollMilliseconds));
    // The tap has the last block once the mixer has gone round once more.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return player.HasEnded();
  }

  std::unique_ptr<SoundOutputDevice> m_device;
  std::mutex m_mutex;  // guards m_heard, filled on the mixer's thread
  std::vector<int16_t> m_heard;
};

TEST_F(PreviewPlayerTest, PlaysTheSoundOnceInOrderAndSaysWhenItHasEnded) {
  // Given a fifth of a second of sound
  const std::vector<uint8_t> sound = CountingSound(8820);
  PreviewPlayer player;
  // When it is previewed
  const auto started = SteadyClock::now();
  ASSERT_EQ(player.Play(m_device.get(), sound.data(), sound.size()), PreviewStart::kPlaying);
  EXPECT_TRUE(player.IsActive());
  EXPECT_FALSE(player.HasEnded());
  // Then it ends by itself after about its length
  ASSERT_TRUE(WaitForEnd(player));
  EXPECT_GE(SteadyClock::now() - started, std::chrono::milliseconds(150));
  // And every frame was heard once, in order
  const std::vector<int16_t> sounding = Sounding();
  std::vector<int16_t> expected(sound.size() / 2);
  std::memcpy(expected.data(), sound.data(), sound.size());
  EXPECT_EQ(sounding, expected);
  player.Stop();
  EXPECT_FALSE(player.IsActive());
}

TEST_F(PreviewPlayerTest, WhatTheReaderCannotDeliverIsSilence) {
  const std::vector<uint8_t> sound = CountingSound(4410);
  PreviewPlayer player;
  // Given a reader that fills the whole room with noise but delivers only
  // the first half of the sound
  auto halfReader = [&sound](uint8_t* into, uint64_t bytes) -> uint64_t {
    std::memset(into, 0x55, static_cast<size_t>(bytes));
    std::memcpy(into, sound.data(), sound.size() / 2);
    return sound.size() / 2;
  };
  ASSERT_EQ(player.Play(m_device.get(), sound.size(), halfReader), PreviewStart::kPlaying);
  ASSERT_TRUE(WaitForEnd(player));
  // Then only the half it delivered is heard
  std::vector<int16_t> expected(sound.size() / 4);
  std::memcpy(expected.data(), sound.data(), sound.size() / 2);
  EXPECT_EQ(Sounding(), expected);
}

TEST_F(PreviewPlayerTest, StopSilencesThePreviewAtOnce) {
  const std::vector<uint8_t> sound = CountingSound(441000);
  PreviewPlayer player;
  ASSERT_EQ(player.Play(m_device.get(), sound.data(), sound.size()), PreviewStart::kPlaying);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  player.Stop();
  EXPECT_TRUE(player.HasEnded());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const size_t heardAtStop = Sounding().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Sounding().size(), heardAtStop);
  EXPECT_LT(heardAtStop, sound.size() / 4);
}

TEST_F(PreviewPlayerTest, RefusesWhatCannotPlay) {
  const std::vector<uint8_t> sound = CountingSound(10);
  PreviewPlayer player;
  struct {
    const char* name;
    SoundOutputDevice* device;
    uint64_t length;
    PreviewStart result;
  } cases[] = {{"NoBytes", m_device.get(), 0, PreviewStart::kNothingToPlay},
               {"LessThanAFrame", m_device.get(), 3, PreviewStart::kNothingToPlay},
               {"NoDevice", nullptr, sound.size(), PreviewStart::kNoDevice}};
  for (const auto& c : cases) {
    EXPECT_EQ(player.Play(c.device, sound.data(), c.length), c.result) << c.name;
    EXPECT_FALSE(player.IsActive()) << c.name;
    EXPECT_TRUE(player.HasEnded()) << c.name;
  }
}

}  // namespace
