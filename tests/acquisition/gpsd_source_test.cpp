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

const std::string kLog = "../shared/external/nmea/gpsd-regress/bu353s4.log";

TEST(GpsdSource, ReceivesTheLogsSentencesAndReconnectsAfterGpsdRestarts) {
  if (!test::HaveTool("gpsfake") || !(test::HaveTool("gpsd") || std::filesystem::exists("/usr/sbin/gpsd")))
    GTEST_SKIP() << "gpsd and gpsfake are not installed (tools/bootstrap.sh installs them)";
  test::SourceLoop loop;
  GpsClock clock([] { return platform::TickCount(); });
  DataSource source(loop.Host(), clock);
  SourceConfig config;
  config.transport = kTransportGpsd;
  config.host = "127.0.0.1";
  config.port = test::FreeTcpPort();
  source.Start(&loop, config);
  ASSERT_TRUE(loop.RunUntil([&] { return loop.Reported(0, kStateStopped); }, 5000)) << "no gpsd ends the source";

  // -c: a sentence every 20 ms, so the log repeats while the test runs.
  test::ChildProcess gpsfake;
  const auto start_gpsd = [&] {
    gpsfake.Start({"env", "PATH=/usr/sbin:/usr/bin:/bin", "gpsfake", "-q", "-c", "0.02", "-P",
                   std::to_string(config.port), kLog});
  };
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
