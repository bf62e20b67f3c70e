// The OBD-II source end to end: reader thread and protocol engine against
// the emulated adapter on a pseudo-terminal; run under ThreadSanitizer by
// tools/check.sh.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/data_source.h"
#include "elm327_emulator.h"
#include "platform/ticks.h"
#include "source_loop.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

std::vector<std::string> Commands(const std::string& log) {
  std::vector<std::string> commands;
  for (const auto& line : test::EmulatorLog(log)) commands.push_back(line[0]);
  return commands;
}

// A slow adapter that does not understand the first "ATE0": the reader
// thread must repeat it and then send one request per prompt, never a second
// one while a reply is still coming. The channels are chosen before the
// start and hold across a reconnection (the adapter unplugged and another
// one plugged in under the same name), which resets the engine.
TEST(ObdSource, SlowAdapterIsPolledInPriorityOrderOneRequestPerPromptAcrossReconnections) {
  testing::TempFolder dir;
  const std::string link = dir.Path() + "obd", first_log = dir.Path() + "first.log", second_log = dir.Path() + "second.log";
  auto adapter = std::make_unique<test::Elm327Emulator>(std::vector<std::string>{
      "--rpm", "1726", "--speed", "100", "--coolant", "90", "--delay", "150", "--refuse", "1", "--log", first_log});
  ASSERT_FALSE(adapter->Device().empty()) << "no pseudo-terminal or no python3";
  std::filesystem::create_symlink(adapter->Device(), link);
  test::SourceLoop loop;
  GpsClock clock([] { return platform::TickCount(); });
  DataSource source(loop.Host(), clock);
  source.AddChannel(0x0C, 2);
  source.AddChannel(0x0D, 2);
  source.AddChannel(0x05, 1);
  SourceConfig config;
  config.transport = kTransportSerial;
  config.source_id = kSourceObd;
  config.device = link;
  config.baud_rate = 38400;
  source.Start(&loop, config);
  const std::vector<std::string> expected = {"ATE0",  "ATE0",  "01 00", "01 0C", "01 0D", "01 0C", "01 0D",
                                             "01 0C", "01 0D", "01 0C", "01 0D", "01 0C", "01 0D", "01 05"};
  ASSERT_TRUE(loop.RunUntil([&] { return Commands(first_log).size() >= expected.size(); }, 15000));
  std::vector<std::string> got = Commands(first_log);
  got.resize(expected.size());
  EXPECT_EQ(got, expected);
  // The replies reach the main thread as sentences, with an empty time before
  // a GPS fix; the program tests decode them through the whole program.
  EXPECT_EQ(loop.data[kSourceObd].substr(0, 21), "$KVOBD,,00,41 00 08 1");

  adapter.reset();
  std::filesystem::remove(link);
  ASSERT_TRUE(loop.RunUntil([&] { return source.State() == SourceState::kConnecting; }, 5000));
  adapter = std::make_unique<test::Elm327Emulator>(std::vector<std::string>{"--rpm", "900", "--log", second_log});
  std::filesystem::create_symlink(adapter->Device(), link);
  ASSERT_TRUE(loop.RunUntil([&] { return Commands(second_log).size() >= 3; }, 15000));
  EXPECT_EQ(Commands(second_log)[2], "01 0C") << "the engine forgot the channels";
  const uint32_t start = platform::TickCount();
  source.Stop();
  EXPECT_LT(platform::TickCount() - start, 1000u);
}

}  // namespace
}  // namespace kv
