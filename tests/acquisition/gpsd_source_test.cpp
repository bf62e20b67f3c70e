// The gpsd transport against a real gpsd that gpsfake starts on a free
// loopback port and feeds from a recorded log. The system's own gpsd, if
// any, is never touched.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "acquisition/data_source.h"
#include "platform/ticks.h"
#include "source_loop.h"

namespace kv {
namespace {

bool HaveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// gpsfake (-q: quiet, -c: a sentence every 20 ms, so the log repeats) in a
// process group of its own, so the gpsd it starts ends with it; ended by its
// own pid, never by name.
class Gpsfake {
 public:
  ~Gpsfake() { Kill(); }
  void Start(int port, const std::string& log) {
    const std::string port_text = std::to_string(port);
    const char* argv[] = {
        "env",  "PATH=/usr/sbin:/usr/bin:/bin", "gpsfake", "-q", "-c", "0.02", "-P", port_text.c_str(), log.c_str(),
        nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    ASSERT_EQ(posix_spawnp(&pid_, "env", nullptr, &attributes, const_cast<char**>(argv), environ), 0);
    posix_spawnattr_destroy(&attributes);
  }
  void Kill() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    bool ended = false;
    for (int i = 0; i < 100 && !(ended = waitpid(pid_, nullptr, WNOHANG) == pid_); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!ended) {
      kill(-pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

// A loopback TCP port that was free a moment ago.
int FreeTcpPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

const std::string kLog = "../shared/external/nmea/gpsd-regress/bu353s4.log";

TEST(GpsdSource, ReceivesTheLogsSentencesAndReconnectsAfterGpsdRestarts) {
  if (!HaveTool("gpsfake") || !(HaveTool("gpsd") || std::filesystem::exists("/usr/sbin/gpsd")))
    GTEST_SKIP() << "gpsd and gpsfake are not installed (tools/bootstrap.sh installs them)";
  test::SourceLoop loop;
  GpsClock clock([] { return platform::TickCount(); });
  DataSource source(loop.Host(), clock);
  SourceConfig config;
  config.transport = kTransportGpsd;
  config.host = "127.0.0.1";
  config.port = FreeTcpPort();
  source.Start(&loop, config);
  ASSERT_TRUE(loop.RunUntil([&] { return loop.Reported(0, kStateStopped); }, 5000)) << "no gpsd ends the source";

  Gpsfake gpsfake;
  const auto start_gpsd = [&] { gpsfake.Start(config.port, kLog); };
  // gpsd passes the receiver's sentences on unchanged; "$GPGSA,A,3," is one of that log.
  const auto receives_the_log = [&] {
    return loop.RunUntil([&] { return loop.data[0].find("$GPGSA,A,3,") != std::string::npos; }, 15000);
  };
  start_gpsd();
  // gpsfake needs a moment before its gpsd listens, and a gpsd that is not
  // there ends the source: start again until it connects.
  const uint32_t start = platform::TickCount();
  do {
    source.Start(&loop, config);
    loop.RunUntil([&] { return source.State() == kStateConnected || source.State() == kStateStopped; }, 3000);
  } while (source.State() != kStateConnected && platform::TickCount() - start < 15000);
  ASSERT_EQ(source.State(), kStateConnected);
  ASSERT_TRUE(receives_the_log());
  EXPECT_EQ(loop.data[0].find('{'), std::string::npos) << "gpsd's JSON reports must not reach the parser";

  gpsfake.Kill();
  ASSERT_TRUE(loop.RunUntil([&] { return source.State() == kStateConnecting; }, 5000));
  loop.data[0].clear();
  start_gpsd();
  ASSERT_TRUE(loop.RunUntil([&] { return source.State() == kStateConnected; }, 15000));
  ASSERT_TRUE(receives_the_log());
  const uint32_t stop_start = platform::TickCount();
  source.Stop();
  EXPECT_LT(platform::TickCount() - stop_start, 1000u);
}

}  // namespace
}  // namespace kv
