// The serial transport against a real pseudo-terminal pair made by socat:
// the source reads one end, the test plays the receiver on the other, and
// "unplugs" it by ending socat.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "acquisition/data_source.h"
#include "child_process.h"
#include "platform/ticks.h"
#include "source_loop.h"

namespace kv {
namespace {

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

class SerialSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveTool("socat")) GTEST_SKIP() << "socat is not installed (tools/bootstrap.sh installs it)";
    dir_ = test::MakeTempDir("kv_serial_");
    config_.transport = kTransportSerial;
    config_.device = dir_ + "/gps";
    config_.baud_rate = 9600;
  }
  void TearDown() override {
    Unplug();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  // A pty pair: the source's end at config_.device, ours opened raw.
  void PlugIn() {
    const std::string feed = dir_ + "/feed";
    socat_.Start({"socat", "pty,raw,echo=0,link=" + config_.device, "pty,raw,echo=0,link=" + feed});
    ASSERT_TRUE(test::WaitForPath(config_.device, 5000) && test::WaitForPath(feed, 5000));
    feed_ = open(feed.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(feed_, 0);
  }
  void Unplug() {
    if (feed_ >= 0) close(feed_);
    feed_ = -1;
    socat_.Kill();
  }
  // Sends `count` GGA sentences and waits until the main loop has them.
  void SendSentences(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += kGga;
    const size_t before = loop_.data[0].size();
    ASSERT_EQ(write(feed_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ASSERT_TRUE(loop_.RunUntil([&] { return loop_.data[0].size() >= before + text.size(); }, 5000));
  }
  bool SirfCommandArrives(int timeout_ms) {
    return test::ReadFor(feed_, timeout_ms, "*1C\r\n").find(NmeaParser::kSirfCommand) != std::string::npos;
  }
  bool RunUntilState(int32_t state) {
    return loop_.RunUntil([&] { return source_.State() == state; }, 5000);
  }

  test::SourceLoop loop_;
  GpsClock clock_{[] { return platform::TickCount(); }};
  DataSource source_{loop_.Host(), clock_};
  test::ChildProcess socat_;
  std::string dir_;
  SourceConfig config_;
  int feed_ = -1;
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

TEST_F(SerialSourceTest, APortThatCannotBeOpenedAtTheStartEndsTheSource) {
  source_.Start(&loop_, config_);  // nothing plugged in
  EXPECT_TRUE(loop_.RunUntil([&] { return loop_.Reported(0, kStateStopped); }, 5000));
}

}  // namespace
}  // namespace kv
