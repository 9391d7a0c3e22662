// Requests to a sound server that has stopped answering. The test starts a
// PulseAudio daemon of its own (so that stopping it disturbs no other test),
// connects the input mixer and a capture to it, and stops it with SIGSTOP:
// every request the record dialog makes (the inputs, the default input,
// levels, volume, balance, input line, moving the capture) must give up
// after its time limit with PA_ERR_TIMEOUT, and the same connections must
// work again once the daemon goes on. Skipped where there is no pulseaudio
// program, unless WAVEDESK_REQUIRE_PULSE=1.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "core/audio/pulse_capture_device.h"
#include "core/audio/pulse_source_mixer.h"
#include "test_support.h"

namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool CanConnect(const std::string& socketPath) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketPath.copy(address.sun_path, sizeof(address.sun_path) - 1);
  const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  close(fd);
  return connected;
}

// A pulseaudio process of the test's own with two silent inputs, "quiet"
// (the default) and "other".
class PrivateDaemon {
 public:
  ~PrivateDaemon() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGCONT);
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
  }
  bool Start() {
    const std::string runtime = m_folder.File("runtime");
    test_support::WriteFileBytes(m_folder.File("daemon.pa"),
                                 "load-module module-native-protocol-unix auth-anonymous=1 socket=" + socketPath() +
                                     "\nload-module module-null-source source_name=quiet"
                                     "\nload-module module-null-source source_name=other"
                                     "\nset-default-source quiet\n");
    const std::string config = m_folder.File("daemon.pa");
    const std::string log = "--log-target=file:" + m_folder.File("daemon.log");
    m_pid = fork();
    if (m_pid == 0) {
      setenv("PULSE_RUNTIME_PATH", runtime.c_str(), 1);
      setenv("PULSE_STATE_PATH", runtime.c_str(), 1);
      execlp("pulseaudio", "pulseaudio", "-n", "-F", config.c_str(), "--daemonize=no", "--exit-idle-time=-1",
             "--disallow-exit", "--use-pid-file=no", log.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (m_pid < 0) return false;
    for (int waited = 0; waited < 10000; waited += 50) {
      if (CanConnect(socketPath())) return true;
      if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) break;
      std::this_thread::sleep_for(milliseconds(50));
    }
    return false;
  }
  std::string socketPath() const { return m_folder.File("native"); }
  void Stop() { kill(m_pid, SIGSTOP); }
  void Continue() { kill(m_pid, SIGCONT); }

 private:
  test_support::TemporaryFolder m_folder;
  pid_t m_pid = -1;
};

// Points new connections at `server` while it lives.
class ServerChoice {
 public:
  explicit ServerChoice(const std::string& server) {
    if (const char* previous = std::getenv("PULSE_SERVER")) m_previous = previous;
    setenv("PULSE_SERVER", server.c_str(), 1);
  }
  ~ServerChoice() {
    if (m_previous.empty())
      unsetenv("PULSE_SERVER");
    else
      setenv("PULSE_SERVER", m_previous.c_str(), 1);
  }

 private:
  std::string m_previous;
};

TEST(PulseStallTest, RequestsToAStoppedServerGiveUpAfterTheirLimitAndWorkWhenItGoesOn) {
  if (system("command -v pulseaudio >/dev/null 2>&1") != 0) {
    if (EnvSet("WAVEDESK_REQUIRE_PULSE")) FAIL() << "no pulseaudio program";
    GTEST_SKIP() << "no pulseaudio program";
  }
  PrivateDaemon daemon;
  ASSERT_TRUE(daemon.Start());
  constexpr milliseconds kLimit{300};
  std::unique_ptr<CaptureSourceMixer> mixer;
  std::unique_ptr<SoundCaptureDevice> device;
  {
    const ServerChoice choice("unix:" + daemon.socketPath());
    ASSERT_TRUE(PulseSourceMixer::Open(&mixer, kLimit).Succeeded());
    ASSERT_TRUE(PulseCaptureDevice::Open(&device, kLimit).Succeeded());
  }
  std::unique_ptr<SoundCaptureBuffer> ring;
  ASSERT_TRUE(device->CreateCaptureBuffer(65536, WorkingFormat(), &ring).Succeeded());
  ASSERT_TRUE(ring->Start(true).Succeeded());
  std::vector<CaptureSource> sources;
  ASSERT_TRUE(mixer->ListSources(&sources).Succeeded());
  ASSERT_GE(sources.size(), 2u);

  // When the server stops answering
  daemon.Stop();
  std::string name;
  SourceLevels levels;
  const struct {
    const char* name;
    std::function<DeviceResult()> request;
  } requests[] = {
      {"ListSources", [&] { return mixer->ListSources(&sources); }},
      {"DefaultSourceName", [&] { return mixer->DefaultSourceName(&name); }},
      {"GetLevels", [&] { return mixer->GetLevels("quiet", &levels); }},
      {"SetVolume", [&] { return mixer->SetVolume("quiet", 0.5); }},
      {"SetBalance", [&] { return mixer->SetBalance("quiet", 0.2); }},
      {"SetActivePort", [&] { return mixer->SetActivePort("quiet", "line"); }},
      {"MoveToSource", [&] { return ring->MoveToSource("other"); }},
  };
  for (const auto& r : requests) {
    // Then each request fails with a timeout once its limit has passed
    const auto started = SteadyClock::now();
    std::future<DeviceResult> answer = std::async(std::launch::async, r.request);
    if (answer.wait_for(kLimit + std::chrono::seconds(3)) != std::future_status::ready) {
      // A request without a limit would wait for ever: let it have its answer.
      daemon.Continue();
      (void)answer.get();
      FAIL() << r.name << " waited on the stopped server with no limit";
    }
    const DeviceResult result = answer.get();
    const auto took = SteadyClock::now() - started;
    EXPECT_FALSE(result.Succeeded()) << r.name;
    EXPECT_EQ(result.code, kDeviceErrorTimeout) << r.name;
    EXPECT_EQ(result.name, "PA_ERR_TIMEOUT") << r.name;
    EXPECT_FALSE(result.description.empty()) << r.name;
    EXPECT_GE(took, kLimit - milliseconds(20)) << r.name;
  }

  // And once the server goes on, the same connections work again
  daemon.Continue();
  ASSERT_TRUE(mixer->ListSources(&sources).Succeeded());
  EXPECT_GE(sources.size(), 2u);
  ASSERT_TRUE(mixer->DefaultSourceName(&name).Succeeded());
  EXPECT_EQ(name, "quiet");
  EXPECT_TRUE(ring->MoveToSource("other").Succeeded());
  ASSERT_TRUE(ring->Stop().Succeeded());
}

}  // namespace
