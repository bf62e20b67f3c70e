// The gpsd transport against a real gpsd that gpsfake starts on a free
// loopback port and feeds from a recorded log. The system's own gpsd, if
// any, is never touched.
#include <gtest/gtest.h>

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

const std::string kLog = "../shared/external/nmea/gpsd-regress/bu353s4.log";
// A sentence of that log; gpsd passes the receiver's sentences on unchanged.
const std::string kLogSentence = "$GPGSA,A,3,";

class GpsdSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveTool("gpsfake") || !(test::HaveTool("gpsd") || std::filesystem::exists("/usr/sbin/gpsd")))
      GTEST_SKIP() << "gpsd and gpsfake are not installed (tools/bootstrap.sh installs them)";
    port_ = test::FreeTcpPort();
  }

  void StartGpsd() {
    // -c: a sentence every 20 ms, so the log repeats while the test runs.
    gpsfake_.Start({"env", "PATH=/usr/sbin:/usr/bin:/bin", "gpsfake", "-q", "-c", "0.02", "-P",
                    std::to_string(port_), kLog});
  }

  SourceConfig Config() const {
    SourceConfig config;
    config.transport = kTransportGpsd;
    config.host = "127.0.0.1";
    config.port = port_;
    return config;
  }

  SourceLoop loop_;
  GpsClock clock_{[] { return platform::TickCount(); }};
  ChildProcess gpsfake_;
  int port_ = 0;
};

TEST_F(GpsdSourceTest, ReceivesTheLogsSentencesAndReconnectsAfterGpsdRestarts) {
  StartGpsd();
  DataSource source(loop_.Host(), clock_);
  // gpsfake needs a moment before its gpsd listens: the source must be
  // started only then, since a gpsd that is not there ends it.
  const uint32_t start = platform::TickCount();
  do {
    source.Start(&loop_, Config());
    loop_.RunUntil([&] { return source.State() == SourceState::kConnected || source.State() == SourceState::kStopped; }, 3000);
  } while (source.State() != SourceState::kConnected && platform::TickCount() - start < 15000);
  ASSERT_EQ(source.State(), SourceState::kConnected);
  ASSERT_TRUE(loop_.RunUntil([&] { return loop_.data[0].find(kLogSentence) != std::string::npos; }, 15000));
  EXPECT_EQ(loop_.data[0].find('{'), std::string::npos) << "gpsd's JSON reports must not reach the parser";

  gpsfake_.Kill();
  ASSERT_TRUE(loop_.RunUntil([&] { return source.State() == SourceState::kConnecting; }, 5000));
  loop_.data[0].clear();
  StartGpsd();
  ASSERT_TRUE(loop_.RunUntil([&] { return source.State() == SourceState::kConnected; }, 15000));
  ASSERT_TRUE(loop_.RunUntil([&] { return loop_.data[0].find(kLogSentence) != std::string::npos; }, 15000));

  const uint32_t stop_start = platform::TickCount();
  source.Stop();
  EXPECT_LT(platform::TickCount() - stop_start, 1000u);
}

TEST_F(GpsdSourceTest, NoGpsdAtTheStartEndsTheSource) {
  DataSource source(loop_.Host(), clock_);
  source.Start(&loop_, Config());
  ASSERT_TRUE(loop_.RunUntil([&] { return loop_.Reported(0, SourceState::kStopped); }, 5000));
}

}  // namespace
}  // namespace kv
