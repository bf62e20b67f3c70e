// The file transport and the source's reader thread against the real main
// loop; run under ThreadSanitizer by tools/check.sh.
#include "acquisition/data_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/ticks.h"
#include "source_loop.h"

namespace kv {
namespace {

const std::string kRecording = "../shared/external/nmea/gpsd-regress/bu353s4.log";
const std::string kLongRecording = "../shared/external/nmea/gpsd-regress/quectel-l76k-nmea.log";

struct Rig {
  test::SourceLoop loop;
  GpsClock clock{[] { return platform::TickCount(); }};
  DataSource source{loop.Host(), clock};

  void StartFast(const std::string& path) {
    SourceConfig config;
    config.transport = kTransportFile;
    config.path = path;
    config.fast = true;
    source.Start(&loop, config);
  }
  bool RunUntilStopped(int32_t timeout_ms) {
    return loop.RunUntil([&] { return loop.Reported(0, kStateStopped); }, timeout_ms);
  }
};

TEST(DataSourceFile, FastReplayDeliversEveryByteInOrderBetweenConnectedAndStopped) {
  Rig rig;
  const std::string expected = test::ReadWholeFile(kLongRecording);
  ASSERT_GT(expected.size(), DataSource::kMaxPending) << "needs a file larger than the pending cap";
  // A slow main thread: the reader must wait for it instead of dropping.
  rig.loop.SetOnData([](const std::string&) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
  rig.StartFast(kLongRecording);
  ASSERT_TRUE(rig.RunUntilStopped(20000));
  EXPECT_TRUE(rig.loop.data[0] == expected) << "bytes lost, changed or reordered";
  const auto& events = rig.loop.events;
  const auto first_data = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.is_data; });
  const auto connected = std::find_if(events.begin(), events.end(),
                                      [](const auto& e) { return !e.is_data && e.state == kStateConnected; });
  EXPECT_LT(connected, first_data) << "Connected comes before the data that came with it";
  EXPECT_FALSE(events.back().is_data) << "data after Stopped";
}

// 3000 + 1000 ms of waits, then 40 blocks of 256 bytes with 15 ms after each.
TEST(DataSourceFile, PacedReplayTakesItsTimeAndASecondStartDoesNothing) {
  std::string text;
  while (text.size() < 10000) text += "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
  text.resize(10000);
  const auto path = std::filesystem::temp_directory_path() / ("kv_paced_" + std::to_string(::getpid()));
  std::ofstream(path, std::ios::binary) << text;
  Rig rig;
  const uint32_t start = platform::TickCount();
  rig.source.StartFile(&rig.loop, path.string());
  ASSERT_TRUE(rig.loop.RunUntil([&] { return rig.source.State() == kStateConnected; }, 6000));
  EXPECT_EQ(rig.source.GetStatus(), 1);
  rig.StartFast("/nonexistent/other.nmea");
  EXPECT_EQ(rig.source.State(), kStateConnected);
  ASSERT_TRUE(rig.RunUntilStopped(15000));
  const uint32_t elapsed = platform::TickCount() - start;
  EXPECT_GE(elapsed, 4000u + 39u * 15u);
  EXPECT_LT(elapsed, 7000u);
  EXPECT_EQ(rig.loop.data[0], text);
  // One wake-up per burst: never more data calls than blocks.
  EXPECT_LE(std::count_if(rig.loop.events.begin(), rig.loop.events.end(), [](const auto& e) { return e.is_data; }), 40);
  std::filesystem::remove(path);
}

TEST(DataSourceFile, StopDuringTheOpeningWaitReturnsAtOnce) {
  Rig rig;
  rig.source.StartFile(&rig.loop, kRecording);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const uint32_t start = platform::TickCount();
  rig.source.Stop();
  EXPECT_LT(platform::TickCount() - start, 500u);
  EXPECT_TRUE(rig.RunUntilStopped(2000));
  EXPECT_TRUE(rig.loop.data[0].empty());
}

TEST(DataSourceFile, AMissingFileGoesFromConnectingToStopped) {
  Rig rig;
  rig.StartFast("/nonexistent/kv/none.nmea");
  ASSERT_TRUE(rig.RunUntilStopped(5000));
  EXPECT_FALSE(rig.loop.Reported(0, kStateConnected));
  EXPECT_EQ(rig.source.GetStatus(), 0);
}

TEST(DataSourceFile, OutOfMemoryStopsTheSourceAsFailedAndSilent) {
  Rig rig;
  rig.source.StartFile(&rig.loop, kRecording);
  rig.source.OnError(kErrStringTooLong);  // ignored
  EXPECT_NE(rig.source.State(), kStateFailed);
  rig.source.OnError(kErrOutOfMemory);
  EXPECT_EQ(rig.source.GetStatus(), 2);
  ASSERT_FALSE(rig.loop.States(0).empty());
  EXPECT_EQ(rig.loop.States(0).back(), kStateFailed);
  const size_t seen = rig.loop.events.size();
  rig.loop.RunUntil([] { return false; }, 300);
  EXPECT_EQ(rig.loop.events.size(), seen);
}

TEST(DataSourceNone, StartsAThreadThatReadsNothingAndKeepsState3) {
  Rig rig;
  rig.source.StartNone(&rig.loop, kSourceGps);
  rig.loop.RunUntil([] { return false; }, 200);
  EXPECT_EQ(rig.source.State(), kStateLost);
  EXPECT_TRUE(rig.loop.events.empty());
}

}  // namespace
}  // namespace kv
