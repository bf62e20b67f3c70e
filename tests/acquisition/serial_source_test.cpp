// The serial transport against a real pseudo-terminal: the source reads the
// slave side through a fixed link, the test plays the receiver on the
// master side, "unplugs" it by closing the master and plugs a new one in by
// pointing the link at a fresh pair.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "acquisition/data_source.h"
#include "platform/ticks.h"
#include "source_loop.h"

namespace kv {
namespace {

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

class SerialSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_.transport = kTransportSerial;
    config_.device = (std::filesystem::temp_directory_path() / ("kv_gps_" + std::to_string(::getpid()))).string();
    config_.baud_rate = 9600;
  }
  void TearDown() override {
    Unplug();
    std::filesystem::remove(config_.device);
  }

  void PlugIn() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0);
    std::filesystem::remove(config_.device);
    std::filesystem::create_symlink(ptsname(master_), config_.device);
  }
  void Unplug() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }
  // Sends `count` GGA sentences and waits until the main loop has them.
  void SendSentences(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += kGga;
    const size_t before = loop_.data[0].size();
    ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ASSERT_TRUE(loop_.RunUntil([&] { return loop_.data[0].size() >= before + text.size(); }, 5000));
  }
  // Whether the SiRF initialisation reaches the receiver within timeout_ms.
  bool SirfCommandArrives(int timeout_ms) {
    std::string text;
    char buffer[256];
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (pollfd p{master_, POLLIN, 0}; std::chrono::steady_clock::now() < end;) {
      if (poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n > 0) text.append(buffer, static_cast<size_t>(n));
      if (text.find(NmeaParser::kSirfCommand) != std::string::npos) return true;
    }
    return false;
  }
  bool RunUntilState(int32_t state) {
    return loop_.RunUntil([&] { return source_.State() == state; }, 5000);
  }

  test::SourceLoop loop_;
  GpsClock clock_{[] { return platform::TickCount(); }};
  DataSource source_{loop_.Host(), clock_};
  SourceConfig config_;
  int master_ = -1;
};

// The receiver gets the SiRF initialisation once per connection: the
// counting starts over when the port is reopened.
TEST_F(SerialSourceTest, UnpluggedReceiverIsReopenedAndItsParserStartsOver) {
  PlugIn();
  source_.Start(&loop_, config_);
  ASSERT_TRUE(RunUntilState(kStateConnected));
  SendSentences(10);
  EXPECT_TRUE(IsSet(clock_.Now())) << "the reader thread's parser keeps the GPS clock";
  SendSentences(45);
  EXPECT_TRUE(SirfCommandArrives(3000)) << "only GGA: after 51 sentences the full set is asked for";
  SendSentences(60);
  EXPECT_FALSE(SirfCommandArrives(500));

  Unplug();
  ASSERT_TRUE(RunUntilState(kStateConnecting));
  loop_.RunUntil([] { return false; }, 1500);  // a few reopen attempts fail meanwhile
  EXPECT_EQ(source_.State(), kStateConnecting);
  PlugIn();
  ASSERT_TRUE(RunUntilState(kStateConnected));
  SendSentences(30);
  EXPECT_FALSE(SirfCommandArrives(400));
  SendSentences(25);
  EXPECT_TRUE(SirfCommandArrives(3000));

  // Stop also ends the wait for a receiver that is gone.
  Unplug();
  ASSERT_TRUE(RunUntilState(kStateConnecting));
  const uint32_t start = platform::TickCount();
  source_.Stop();
  EXPECT_LT(platform::TickCount() - start, 500u);
  EXPECT_EQ(source_.State(), kStateStopped);
}

}  // namespace
}  // namespace kv
