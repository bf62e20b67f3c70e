// DataSource and its reader thread against the real main loop, transport by
// transport: a replayed file, a pseudo-terminal playing a serial receiver,
// and a real gpsd that gpsfake feeds from a recording on a free loopback
// port (the system's own gpsd is never touched). Run under ThreadSanitizer
// by tools/check.sh.
#include "acquisition/data_source.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/ticks.h"
#include "util/errors.h"
#include "source_loop.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

const std::string kRecording = "../shared/external/nmea/gpsd-regress/bu353s4.log";
const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

struct Rig {
  test::SourceLoop loop;
  GpsClock clock{[] { return platform::TickCount(); }};
  DataSource source{loop.Host(), clock};
  SourceConfig config;

  void StartFast(const std::string& path) {
    config.transport = kTransportFile;
    config.path = path;
    config.fast = true;
    source.Start(&loop, config);
  }
  bool RunUntilStopped(int32_t timeout_ms) {
    return loop.RunUntil([&] { return loop.Reported(0, SourceState::kStopped); }, timeout_ms);
  }
  bool RunUntilState(SourceState state, int32_t timeout_ms = 5000) {
    return loop.RunUntil([&] { return source.State() == state; }, timeout_ms);
  }
  // Stop must return at once in every state.
  void StopAtOnce() {
    const uint32_t start = platform::TickCount();
    source.Stop();
    EXPECT_LT(platform::TickCount() - start, 1000u);
    EXPECT_EQ(source.State(), SourceState::kStopped);
  }
};

TEST(DataSourceFile, FastReplayDeliversEveryByteInOrderBetweenConnectedAndStopped) {
  Rig rig;
  const std::string recording = "../shared/external/nmea/gpsd-regress/quectel-l76k-nmea.log";
  const std::string expected = testing::ReadWholeFile(recording);
  ASSERT_GT(expected.size(), DataSource::kMaxPending) << "needs a file larger than the pending cap";
  // A slow main thread: the reader must wait for it instead of dropping.
  rig.loop.SetOnData([](const std::string&) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
  rig.StartFast(recording);
  ASSERT_TRUE(rig.RunUntilStopped(20000));
  EXPECT_TRUE(rig.loop.data[0] == expected) << "bytes lost, changed or reordered";
  EXPECT_EQ(rig.source.ReplayedBytes(), static_cast<int64_t>(expected.size())) << "a progress bar would stop short";
  const auto& events = rig.loop.events;
  const auto first_data = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.is_data; });
  const auto connected = std::find_if(events.begin(), events.end(),
                                      [](const auto& e) { return !e.is_data && e.state == SourceState::kConnected; });
  EXPECT_LT(connected, first_data) << "Connected comes before the data that came with it";
  EXPECT_FALSE(events.back().is_data) << "data after Stopped";
}

// The reader's pauses, seen without sitting through them: a paced replay
// (every block delivered, one wake-up each at most), and a serial device
// lost at once, missing for five reopen attempts, then
// giving data and lost again (the backoff starts over after data).
struct PauseLog final : platform::StreamFactory {
  struct Device final : platform::ByteStream {
    explicit Device(PauseLog& log) : log_(log) {}
    int32_t Open(const platform::Event&) override { return ++log_.opens == 1 || log_.opens > 6 ? 0 : ENOENT; }
    platform::IoStatus Read(char* out, size_t, size_t* got, int32_t, const platform::Event&) override {
      if (log_.opens <= 6 || log_.delivered) return platform::IoStatus::kLost;
      log_.delivered = true;
      *got = kGga.copy(out, kGga.size());
      return platform::IoStatus::kData;
    }
    bool Write(std::string_view) override { return true; }
    void Close() override {}
    PauseLog& log_;
  };
  using Stream = std::unique_ptr<platform::ByteStream>;
  Stream File(const std::string& path) override { return platform::MakeSystemStreamFactory()->File(path); }
  Stream Serial(const std::string&, int32_t) override { return std::make_unique<Device>(*this); }
  Stream Rfcomm(const platform::BluetoothAddress&, int32_t) override { return nullptr; }
  Stream Gpsd(const std::string&, int32_t) override { return nullptr; }
  bool Pause(const platform::Event&, int32_t ms) override {
    pauses->push_back(ms);
    return pauses->size() >= stop_after;
  }
  std::shared_ptr<std::vector<int32_t>> pauses = std::make_shared<std::vector<int32_t>>();
  size_t stop_after = 100;
  int32_t opens = 0;
  bool delivered = false;
};

TEST(DataSourcePauses, ReplayPaceAndReopenBackoff) {
  testing::TempFolder dir;
  const std::string text(4 * DataSource::kReplayBlock, 'x');
  testing::WriteWholeFile(dir.Path() + "four_blocks.nmea", text);
  for (const bool serial : {false, true}) {
    test::SourceLoop loop;
    GpsClock clock{[] { return platform::TickCount(); }};
    auto log = std::make_unique<PauseLog>();
    log->stop_after = serial ? 7 : 100;
    const std::shared_ptr<std::vector<int32_t>> pauses = log->pauses;
    DataSource source{loop.Host(), clock, std::move(log)};
    if (serial) {
      source.StartSerial(&loop, 1, 4800, kSourceGps);
    } else {
      source.StartFile(&loop, dir.Path() + "four_blocks.nmea");
    }
    ASSERT_TRUE(loop.RunUntil([&] { return loop.Reported(0, SourceState::kStopped); }, 5000)) << serial;
    source.Stop();
    const std::vector<int32_t> expected =
        serial ? std::vector<int32_t>{500, 1000, 2000, 4000, 5000, 5000, 500} : std::vector<int32_t>{3000, 1000, 15, 15, 15, 15};
    EXPECT_EQ(*pauses, expected) << (serial ? "reopen backoff" : "replay pace");
    EXPECT_EQ(loop.data[0], serial ? kGga : text);
    EXPECT_LE(std::count_if(loop.events.begin(), loop.events.end(), [](const auto& e) { return e.is_data; }), 4);
  }
}

// A loopback TCP port that was free a moment ago.
int FreeTcpPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

// The platform throws -2 on the reader thread when it cannot make a wait
// (poll fails with ENOMEM): the source ends Failed through OnError, once and
// then silent, instead of taking the program down.
struct NoRoomForAWait final : platform::StreamFactory, platform::ByteStream {
  int32_t Open(const platform::Event&) override { return 0; }
  platform::IoStatus Read(char*, size_t, size_t*, int32_t, const platform::Event&) override { ThrowCode(kErrOutOfMemory); }
  bool Write(std::string_view) override { return true; }
  void Close() override {}
  std::unique_ptr<ByteStream> File(const std::string&) override { return nullptr; }
  std::unique_ptr<ByteStream> Serial(const std::string&, int32_t) override { return std::make_unique<NoRoomForAWait>(); }
  std::unique_ptr<ByteStream> Rfcomm(const platform::BluetoothAddress&, int32_t) override { return nullptr; }
  std::unique_ptr<ByteStream> Gpsd(const std::string&, int32_t) override { return nullptr; }
};

TEST(DataSourceSerial, AFatalErrorOnTheReaderThreadFailsTheSourceThroughOnError) {
  test::SourceLoop loop;
  GpsClock clock{[] { return platform::TickCount(); }};
  DataSource source{loop.Host(), clock, std::make_unique<NoRoomForAWait>()};
  source.StartSerial(&loop, 1, 4800, kSourceGps);
  ASSERT_TRUE(loop.RunUntil([&] { return loop.Reported(0, SourceState::kFailed); }, 5000));
  source.OnError(kErrStringTooLong);  // other codes are ignored
  const size_t seen = loop.events.size();
  loop.RunUntil([] { return false; }, 300);
  EXPECT_EQ(loop.events.size(), seen) << "Failed once, then silent";
}

// The receiver on the master side of a pty, reached by the source through a
// fixed link: unplugging closes the master, plugging in points the link at
// a fresh pair.
class Receiver {
 public:
  explicit Receiver(std::string link) : link_(std::move(link)) {}
  ~Receiver() { Unplug(); }
  void PlugIn() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0);
    std::filesystem::remove(link_);
    std::filesystem::create_symlink(ptsname(master_), link_);
  }
  // The device node goes with it, as a USB receiver's does: the freed pty
  // may be handed to another test's adapter at once.
  void Unplug() {
    if (master_ >= 0) close(master_);
    master_ = -1;
    std::filesystem::remove(link_);
  }
  // Sends `count` GGA sentences and runs the loop until it has them.
  void Send(test::SourceLoop& loop, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += kGga;
    const size_t before = loop.data[0].size();
    ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ASSERT_TRUE(loop.RunUntil([&] { return loop.data[0].size() >= before + text.size(); }, 5000));
  }
  // Whether the SiRF initialisation arrives within timeout_ms.
  bool GetsSirfCommand(int timeout_ms) {
    std::string text;
    char buffer[256];
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (pollfd p{master_, POLLIN, 0}; std::chrono::steady_clock::now() < end;) {
      const ssize_t n = poll(&p, 1, 20) > 0 ? read(master_, buffer, sizeof buffer) : 0;
      if (n > 0) text.append(buffer, static_cast<size_t>(n));
      if (text.find(NmeaParser::kSirfCommand) != std::string::npos) return true;
    }
    return false;
  }

 private:
  std::string link_;
  int master_ = -1;
};

// The receiver gets the SiRF initialisation once per connection: the
// counting starts over when the port is reopened.
TEST(DataSourceSerial, UnpluggedReceiverIsReopenedAndItsParserStartsOver) {
  Rig rig;
  rig.config.transport = kTransportSerial;
  rig.config.device = (std::filesystem::temp_directory_path() / ("kv_gps_" + std::to_string(::getpid()))).string();
  rig.config.baud_rate = 9600;
  Receiver receiver(rig.config.device);
  receiver.PlugIn();
  rig.source.Start(&rig.loop, rig.config);
  ASSERT_TRUE(rig.RunUntilState(SourceState::kConnected));
  receiver.Send(rig.loop, 10);
  EXPECT_TRUE(IsSet(rig.clock.Now())) << "the reader thread's parser keeps the GPS clock";
  receiver.Send(rig.loop, 45);
  EXPECT_TRUE(receiver.GetsSirfCommand(3000)) << "only GGA: after 51 sentences the full set is asked for";
  receiver.Send(rig.loop, 60);
  EXPECT_FALSE(receiver.GetsSirfCommand(500));

  receiver.Unplug();
  ASSERT_TRUE(rig.RunUntilState(SourceState::kConnecting));
  rig.loop.RunUntil([] { return false; }, 1500);  // a few reopen attempts fail meanwhile
  EXPECT_EQ(rig.source.State(), SourceState::kConnecting);
  receiver.PlugIn();
  ASSERT_TRUE(rig.RunUntilState(SourceState::kConnected));
  receiver.Send(rig.loop, 30);
  EXPECT_FALSE(receiver.GetsSirfCommand(400));
  receiver.Send(rig.loop, 25);
  EXPECT_TRUE(receiver.GetsSirfCommand(3000));

  receiver.Unplug();  // Stop also ends the wait for a receiver that is gone
  ASSERT_TRUE(rig.RunUntilState(SourceState::kConnecting));
  rig.StopAtOnce();
}

// gpsfake (-q: quiet, -c: a sentence every 20 ms, so the log repeats) in a
// process group of its own, so the gpsd it starts ends with it; ended by its
// own pid, never by name.
class Gpsfake {
 public:
  ~Gpsfake() { Kill(); }
  void Start(int port) {
    const std::string port_text = std::to_string(port);
    const char* argv[] = {"env",
                          "PATH=/usr/sbin:/usr/bin:/bin",
                          "gpsfake",
                          // Reading at once: left to wait for a client, gpsfake
                          // now and then never feeds the one that came.
                          "-n",
                          "-q",
                          "-c",
                          "0.02",
                          "-P",
                          port_text.c_str(),
                          kRecording.c_str(),
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

TEST(DataSourceGpsd, ReceivesTheLogsSentencesAndReconnectsAfterGpsdRestarts) {
  if (std::system("command -v gpsfake > /dev/null && (command -v gpsd || test -x /usr/sbin/gpsd) > /dev/null"))
    GTEST_SKIP() << "gpsd and gpsfake are not installed (tools/bootstrap.sh installs them)";
  Rig rig;
  rig.config.transport = kTransportGpsd;
  rig.config.host = "127.0.0.1";
  rig.config.port = FreeTcpPort();
  Gpsfake gpsfake;
  gpsfake.Start(rig.config.port);
  // gpsfake needs a moment before its gpsd listens, and a gpsd that is not
  // there fails the source: start again until it connects.
  const uint32_t start = platform::TickCount();
  do {
    rig.source.Start(&rig.loop, rig.config);
    rig.loop.RunUntil([&] { return rig.source.State() != SourceState::kConnecting; }, 3000);
  } while (rig.source.State() != SourceState::kConnected && platform::TickCount() - start < 15000);
  // gpsd passes the receiver's sentences on unchanged; "$GPGSA,A,3," is one of that log.
  const auto receives_the_log = [&] {
    return rig.loop.RunUntil([&] { return rig.loop.data[0].find("$GPGSA,A,3,") != std::string::npos; }, 15000);
  };
  ASSERT_TRUE(receives_the_log());
  EXPECT_EQ(rig.loop.data[0].find('{'), std::string::npos) << "gpsd's JSON reports must not reach the parser";

  gpsfake.Kill();
  ASSERT_TRUE(rig.RunUntilState(SourceState::kConnecting));
  rig.loop.data[0].clear();
  gpsfake.Start(rig.config.port);
  ASSERT_TRUE(rig.RunUntilState(SourceState::kConnected, 15000));
  ASSERT_TRUE(receives_the_log());
  rig.StopAtOnce();
}

}  // namespace
}  // namespace kv
