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

using test::ChildProcess;
using test::SourceLoop;

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

class SerialSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveTool("socat")) GTEST_SKIP() << "socat is not installed (tools/bootstrap.sh installs it)";
    dir_ = test::MakeTempDir("kv_serial_");
    device_ = dir_ + "/gps";
    feed_path_ = dir_ + "/feed";
  }
  void TearDown() override {
    CloseFeed();
    socat_.Kill();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  // Plugs the receiver in: a pty pair, our end opened raw.
  void PlugIn() {
    socat_.Start({"socat", "pty,raw,echo=0,link=" + device_, "pty,raw,echo=0,link=" + feed_path_});
    ASSERT_TRUE(test::WaitForPath(device_, 5000) && test::WaitForPath(feed_path_, 5000));
    feed_ = open(feed_path_.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(feed_, 0);
  }
  void Unplug() {
    CloseFeed();
    socat_.Kill();
  }
  void CloseFeed() {
    if (feed_ >= 0) close(feed_);
    feed_ = -1;
  }
  void Send(const std::string& text) { ASSERT_EQ(write(feed_, text.data(), text.size()), static_cast<ssize_t>(text.size())); }
  void SendSentences(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += kGga;
    Send(text);
  }

  SourceConfig Config() const {
    SourceConfig config;
    config.transport = kTransportSerial;
    config.device = device_;
    config.baud_rate = 9600;
    return config;
  }

  SourceLoop loop_;
  GpsClock clock_{[] { return platform::TickCount(); }};
  ChildProcess socat_;
  std::string dir_, device_, feed_path_;
  int feed_ = -1;
};

TEST_F(SerialSourceTest, ReadsTheReceiverAndSendsTheSirfInitialisationOnce) {
  PlugIn();
  DataSource source(loop_.Host(), clock_);
  source.Start(&loop_, Config());
  ASSERT_TRUE(loop_.RunUntil([&] { return source.State() == SourceState::kConnected; }, 5000));
  SendSentences(10);
  ASSERT_TRUE(loop_.RunUntil([&] { return loop_.data[0].size() >= 10 * kGga.size(); }, 5000));
  EXPECT_EQ(loop_.data[0].substr(0, kGga.size()), kGga);
  EXPECT_TRUE(IsSet(clock_.Now())) << "the reader thread's parser keeps the GPS clock";
  // Only GGA: after 51 sentences the receiver is asked for the full set.
  SendSentences(45);
  EXPECT_NE(test::ReadFor(feed_, 3000, "*1C\r\n").find(NmeaParser::kSirfCommand), std::string::npos);
  SendSentences(60);
  EXPECT_EQ(test::ReadFor(feed_, 500), "") << "the initialisation goes out once per connection";
  source.Stop();
}

TEST_F(SerialSourceTest, UnpluggedReceiverIsReopenedByItselfAndItsParserStartsOver) {
  PlugIn();
  DataSource source(loop_.Host(), clock_);
  source.Start(&loop_, Config());
  ASSERT_TRUE(loop_.RunUntil([&] { return source.State() == SourceState::kConnected; }, 5000));
  SendSentences(55);
  ASSERT_NE(test::ReadFor(feed_, 3000, "*1C\r\n").find(NmeaParser::kSirfCommand), std::string::npos);

  Unplug();
  ASSERT_TRUE(loop_.RunUntil([&] { return source.State() == SourceState::kConnecting; }, 5000));
  loop_.RunUntil([&] { return loop_.Reported(0, SourceState::kConnecting); }, 2000);
  EXPECT_TRUE(loop_.Reported(0, SourceState::kConnecting));
  loop_.RunUntil([] { return false; }, 1500);  // a few reopen attempts fail meanwhile
  EXPECT_EQ(source.State(), SourceState::kConnecting);

  PlugIn();
  ASSERT_TRUE(loop_.RunUntil([&] { return source.State() == SourceState::kConnected; }, 5000));
  const size_t before = loop_.data[0].size();
  // The SiRF count starts again from 0: 30 sentences are not enough ...
  SendSentences(30);
  ASSERT_TRUE(loop_.RunUntil([&] { return loop_.data[0].size() >= before + 30 * kGga.size(); }, 5000));
  EXPECT_EQ(test::ReadFor(feed_, 400), "");
  // ... 25 more are, and the command is sent again on the new connection.
  SendSentences(25);
  EXPECT_NE(test::ReadFor(feed_, 3000, "*1C\r\n").find(NmeaParser::kSirfCommand), std::string::npos);
  const uint32_t start = platform::TickCount();
  source.Stop();
  EXPECT_LT(platform::TickCount() - start, 1000u);
}

TEST_F(SerialSourceTest, APortThatCannotBeOpenedAtTheStartEndsTheSource) {
  DataSource source(loop_.Host(), clock_);
  source.Start(&loop_, Config());  // nothing plugged in
  ASSERT_TRUE(loop_.RunUntil([&] { return loop_.Reported(0, SourceState::kStopped); }, 5000));
  EXPECT_EQ(source.State(), SourceState::kStopped);
}

TEST_F(SerialSourceTest, StopWhileWaitingForTheReceiverToComeBackReturnsAtOnce) {
  PlugIn();
  DataSource source(loop_.Host(), clock_);
  source.Start(&loop_, Config());
  ASSERT_TRUE(loop_.RunUntil([&] { return source.State() == SourceState::kConnected; }, 5000));
  Unplug();
  ASSERT_TRUE(loop_.RunUntil([&] { return source.State() == SourceState::kConnecting; }, 5000));
  const uint32_t start = platform::TickCount();
  source.Stop();
  EXPECT_LT(platform::TickCount() - start, 500u);
  EXPECT_EQ(source.State(), SourceState::kStopped);
}

}  // namespace
}  // namespace kv
