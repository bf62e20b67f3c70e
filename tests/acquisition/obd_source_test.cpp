// The OBD-II source end to end: reader thread, protocol engine and the
// main thread's decoding, against a simulated adapter on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/data_source.h"
#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "elm327_simulator.h"
#include "platform/ticks.h"
#include "source_loop.h"

namespace kv {
namespace {

// Chooses the channels when the source connects, as the screens do.
class ObdLoop final : public test::SourceLoop {
 public:
  DataSource* source = nullptr;
  void OnStateChange(int32_t source_id, SourceState state) override {
    if (state == SourceState::kConnected && source) {
      source->ClearChannels();
      source->AddChannel(0x0C, 2);
      source->AddChannel(0x0D, 2);
      source->AddChannel(0x05, 1);
    }
    SourceLoop::OnStateChange(source_id, state);
  }
};

class ObdSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(adapter_.Device().empty()) << "no pseudo-terminal";
    adapter_.SetVehicle({{0x00, "41 00 08 18 00 00"}, {0x0C, "41 0C 1A F8"}, {0x0D, "41 0D 64"}, {0x05, "41 05 82"}});
    loop_.source = &source_;
  }
  void TearDown() override { source_.Stop(); }

  void Start() {
    SourceConfig config;
    config.transport = kTransportSerial;
    config.source_id = kSourceObd;
    config.device = adapter_.Device();
    config.baud_rate = 38400;
    source_.Start(&loop_, config);
  }
  // The commands after the first "ATE0" that start with "01 ", as their PIDs.
  std::vector<std::string> Requests() {
    std::vector<std::string> pids;
    for (const std::string& c : adapter_.Commands())
      if (c.compare(0, 3, "01 ") == 0) pids.push_back(c.substr(3));
    return pids;
  }

  test::Elm327Simulator adapter_;
  ObdLoop loop_;
  GpsClock clock_{[] { return platform::TickCount(); }};
  DataSource source_{loop_.Host(), clock_};
};

TEST_F(ObdSourceTest, PollsInPriorityOrderAndDeliversDecodableSentences) {
  Start();
  ASSERT_TRUE(loop_.RunUntil([&] { return Requests().size() >= 15; }, 10000));
  const std::vector<std::string> expected = {"00", "0C", "0D", "0C", "0D", "0C", "0D", "0C",
                                             "0D", "0C", "0D", "05", "0C", "0D"};
  std::vector<std::string> got = Requests();
  got.resize(expected.size());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(adapter_.Commands().front(), "ATE0");

  NmeaParser parser(false);
  parser.Append(loop_.data[kSourceObd]);
  ObdChannelTable table;
  int32_t rpm_replies = 0;
  while (parser.NextSentence()) {
    ASSERT_EQ(parser.Fix().type, kSentenceObd) << parser.RawLine();
    EXPECT_EQ(parser.RawLine().substr(0, 8), "$KVOBD,,") << "no GPS fix yet: empty time";
    int32_t raw = 0;
    if (!table.Decode(parser.Fix().obd, &raw) || parser.Fix().obd.pid != 0x0C) continue;
    ++rpm_replies;
    EXPECT_EQ(raw, 6904);
    EXPECT_DOUBLE_EQ(ObdChannelTable::Value(*table.ForPid(0x0C), raw), 1726.0);
  }
  EXPECT_GE(rpm_replies, 4);
  EXPECT_EQ(table.ForPid(0x05)->support, ObdSupport::kYes) << "learnt from the 01 00 reply";
}

TEST_F(ObdSourceTest, FiveUnableToConnectRepliesLeadToAnAdapterReset) {
  adapter_.unable = true;
  Start();
  const auto unable_replies = [&] {
    int32_t count = 0;
    for (size_t at = 0; (at = loop_.data[kSourceObd].find(",UNABLE TO CONNECT*", at)) != std::string::npos; ++at)
      ++count;
    return count;
  };
  ASSERT_TRUE(loop_.RunUntil([&] { return unable_replies() >= 5; }, 10000));
  const auto reset = [&] {
    for (const std::string& c : adapter_.Commands())
      if (c == "ATZ") return true;
    return false;
  };
  for (int i = 0; i < 50 && !reset(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(reset());
  std::vector<std::string> before_reset;
  for (const std::string& c : adapter_.Commands()) {
    if (c == "ATZ") break;
    before_reset.push_back(c);
  }
  EXPECT_EQ(before_reset, (std::vector<std::string>{"ATE0", "01 00", "01 0C", "01 0D", "01 0C", "01 0D"}));
}

TEST_F(ObdSourceTest, SlowRepliesAndAQuestionMarkDoNotConfuseTheConversation) {
  adapter_.delay_ms = 150;
  adapter_.questions_left = 1;  // the first ATE0 is not understood
  Start();
  ASSERT_TRUE(loop_.RunUntil([&] { return Requests().size() >= 4; }, 12000));
  const std::vector<std::string> commands = adapter_.Commands();
  ASSERT_GE(commands.size(), 3u);
  EXPECT_EQ(commands[0], "ATE0");
  EXPECT_EQ(commands[1], "ATE0") << "sent again after the ?";
  EXPECT_EQ(commands[2], "01 00");
  // One request per prompt: never a second request before the reply.
  EXPECT_EQ(Requests()[1], "0C");
  const uint32_t start = platform::TickCount();
  source_.Stop();
  EXPECT_LT(platform::TickCount() - start, 1000u);
}

}  // namespace
}  // namespace kv
