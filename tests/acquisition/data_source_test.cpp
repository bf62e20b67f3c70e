#include "acquisition/data_source.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/ticks.h"
#include "source_loop.h"

namespace kv {
namespace {

using test::SourceLoop;

const std::string kRecording = "../shared/external/nmea/gpsd-regress/bu353s4.log";
const std::string kLongRecording = "../shared/external/nmea/gpsd-regress/quectel-l76k-nmea.log";

uint32_t MsSince(uint32_t start) { return platform::TickCount() - start; }

std::string TempFile(const std::string& name, const std::string& contents) {
  const auto path = std::filesystem::temp_directory_path() / ("kv_ds_" + std::to_string(::getpid()) + name);
  std::ofstream(path, std::ios::binary) << contents;
  return path.string();
}

struct Rig {
  SourceLoop loop;
  GpsClock clock{[] { return platform::TickCount(); }};
  DataSource source{loop.Host(), clock};

  SourceConfig Fast(const std::string& path) {
    SourceConfig config;
    config.transport = kTransportFile;
    config.path = path;
    config.fast = true;
    return config;
  }
};

TEST(DataSourceFile, FastReplayDeliversEveryByteInOrderAndEndsStopped) {
  Rig rig;
  const std::string expected = test::ReadWholeFile(kLongRecording);
  ASSERT_GT(expected.size(), DataSource::kMaxPending) << "needs a file larger than the pending cap";
  // A slow main thread: the reader must wait for it instead of dropping.
  rig.loop.SetOnData([](const std::string&) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
  rig.source.Start(&rig.loop, rig.Fast(kLongRecording));
  ASSERT_TRUE(rig.loop.RunUntil([&] { return rig.loop.Reported(0, SourceState::kStopped); }, 20000));
  rig.loop.RunUntil([&] { return rig.loop.data[0].size() >= expected.size(); }, 2000);
  EXPECT_EQ(rig.loop.data[0].size(), expected.size());
  EXPECT_TRUE(rig.loop.data[0] == expected) << "bytes changed or reordered";
  // Changes that follow each other before the loop looks collapse into the last.
  EXPECT_TRUE(rig.loop.Reported(0, SourceState::kConnected));
  EXPECT_EQ(rig.loop.States(0).back(), SourceState::kStopped);
}

TEST(DataSourceFile, ConnectedIsReportedBeforeTheFirstDataAndStoppedAfterTheLast) {
  Rig rig;
  rig.source.Start(&rig.loop, rig.Fast(kRecording));
  ASSERT_TRUE(rig.loop.RunUntil([&] { return rig.loop.Reported(0, SourceState::kStopped); }, 10000));
  int32_t first_data = -1, connected = -1, stopped = -1;
  for (size_t i = 0; i < rig.loop.events.size(); ++i) {
    const auto& e = rig.loop.events[i];
    if (e.is_data && first_data < 0) first_data = static_cast<int32_t>(i);
    if (!e.is_data && e.state == SourceState::kConnected) connected = static_cast<int32_t>(i);
    if (!e.is_data && e.state == SourceState::kStopped) stopped = static_cast<int32_t>(i);
  }
  ASSERT_GE(first_data, 0);
  EXPECT_LT(connected, first_data);
  for (size_t i = static_cast<size_t>(stopped) + 1; i < rig.loop.events.size(); ++i)
    EXPECT_FALSE(rig.loop.events[i].is_data) << "data after Stopped was reported";
}

TEST(DataSourceFile, PacedReplayOf10000BytesTakesTheWaitsPlus40BlocksOf15Ms) {
  std::string text;
  while (text.size() < 10000) text += "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
  text.resize(10000);
  const std::string path = TempFile("paced.nmea", text);
  Rig rig;
  const uint32_t start = platform::TickCount();
  rig.source.StartFile(&rig.loop, path);
  EXPECT_TRUE(rig.source.State() == SourceState::kLost || rig.source.State() == SourceState::kConnecting)
      << "a started source reads 3 until its thread runs";
  ASSERT_TRUE(rig.loop.RunUntil([&] { return rig.loop.Reported(0, SourceState::kStopped); }, 15000));
  const uint32_t elapsed = MsSince(start);
  // 3000 + 1000 ms of waits, 40 blocks of 256 bytes with 15 ms after each.
  EXPECT_GE(elapsed, 4000u + 39u * 15u);
  EXPECT_LT(elapsed, 7000u);
  EXPECT_EQ(rig.loop.data[0], text);
  // One wake-up per burst: never more data calls than blocks.
  int32_t data_calls = 0;
  for (const auto& e : rig.loop.events) data_calls += e.is_data ? 1 : 0;
  EXPECT_LE(data_calls, 40);
  std::filesystem::remove(path);
}

TEST(DataSourceFile, StopDuringTheOpeningWaitReturnsAtOnce) {
  Rig rig;
  rig.source.StartFile(&rig.loop, kRecording);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const uint32_t start = platform::TickCount();
  rig.source.Stop();
  EXPECT_LT(MsSince(start), 500u);
  rig.loop.RunUntil([&] { return rig.loop.Reported(0, SourceState::kStopped); }, 2000);
  EXPECT_TRUE(rig.loop.Reported(0, SourceState::kStopped));
  EXPECT_TRUE(rig.loop.data[0].empty());
}

TEST(DataSourceFile, AMissingFileGoesFromConnectingToStopped) {
  Rig rig;
  rig.source.Start(&rig.loop, rig.Fast("/nonexistent/kv/none.nmea"));
  ASSERT_TRUE(rig.loop.RunUntil([&] { return rig.loop.Reported(0, SourceState::kStopped); }, 5000));
  EXPECT_FALSE(rig.loop.Reported(0, SourceState::kConnected));
  EXPECT_EQ(rig.source.GetStatus(), 0);
}

TEST(DataSourceFile, StartingAConnectedSourceAgainDoesNothing) {
  Rig rig;
  SourceConfig paced;
  paced.transport = kTransportFile;
  paced.path = kRecording;
  rig.source.Start(&rig.loop, paced);
  ASSERT_TRUE(rig.loop.RunUntil([&] { return rig.loop.Reported(0, SourceState::kConnected); }, 6000));
  EXPECT_EQ(rig.source.GetStatus(), 1);
  rig.source.Start(&rig.loop, rig.Fast("/nonexistent/other.nmea"));
  EXPECT_EQ(rig.source.State(), SourceState::kConnected);
  rig.loop.RunUntil([&] { return !rig.loop.data[0].empty(); }, 3000);
  EXPECT_EQ(rig.loop.data[0].substr(0, 20), test::ReadWholeFile(kRecording).substr(0, 20));
  rig.source.Stop();
}

TEST(DataSourceFile, OutOfMemoryReportedToTheSourceStopsItAsFailed) {
  Rig rig;
  SourceConfig paced;
  paced.transport = kTransportFile;
  paced.path = kRecording;
  rig.source.Start(&rig.loop, paced);
  rig.source.OnError(kErrStringTooLong);  // ignored
  EXPECT_NE(rig.source.State(), SourceState::kFailed);
  rig.source.OnError(kErrOutOfMemory);
  EXPECT_EQ(rig.source.State(), SourceState::kFailed);
  EXPECT_EQ(rig.source.GetStatus(), 2);
  ASSERT_FALSE(rig.loop.States(0).empty());
  EXPECT_EQ(rig.loop.States(0).back(), SourceState::kFailed);
  // A failed source hands nothing more to the listener.
  const size_t seen = rig.loop.events.size();
  rig.loop.RunUntil([] { return false; }, 300);
  EXPECT_EQ(rig.loop.events.size(), seen);
}

TEST(DataSourceNone, StartsAThreadThatReadsNothingAndKeepsState3) {
  Rig rig;
  rig.source.StartNone(&rig.loop, kSourceGps);
  rig.loop.RunUntil([] { return false; }, 200);
  EXPECT_EQ(rig.source.State(), SourceState::kLost);
  EXPECT_TRUE(rig.loop.events.empty());
  rig.source.Stop();
}

}  // namespace
}  // namespace kv
