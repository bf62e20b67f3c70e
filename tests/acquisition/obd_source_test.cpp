// The OBD-II source end to end: reader thread and protocol engine against a
// simulated adapter on a pseudo-terminal; run under ThreadSanitizer by
// tools/check.sh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/data_source.h"
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
    if (state == SourceState::kConnected) {
      source->ClearChannels();
      source->AddChannel(0x0C, 2);
      source->AddChannel(0x0D, 2);
      source->AddChannel(0x05, 1);
    }
    SourceLoop::OnStateChange(source_id, state);
  }
};

// A slow adapter that does not understand the first "ATE0": the reader
// thread must repeat it and then send one request per prompt, never a second
// one while a reply is still coming.
TEST(ObdSource, SlowAdapterIsPolledInPriorityOrderOneRequestPerPrompt) {
  test::Elm327Simulator adapter;
  ASSERT_FALSE(adapter.Device().empty()) << "no pseudo-terminal";
  adapter.SetVehicle({{0x00, "41 00 08 18 00 00"}, {0x0C, "41 0C 1A F8"}, {0x0D, "41 0D 64"}, {0x05, "41 05 82"}});
  adapter.delay_ms = 150;
  adapter.questions_left = 1;
  ObdLoop loop;
  GpsClock clock([] { return platform::TickCount(); });
  DataSource source(loop.Host(), clock);
  loop.source = &source;
  SourceConfig config;
  config.transport = kTransportSerial;
  config.source_id = kSourceObd;
  config.device = adapter.Device();
  config.baud_rate = 38400;
  source.Start(&loop, config);
  const std::vector<std::string> expected = {"ATE0",  "ATE0",  "01 00", "01 0C", "01 0D", "01 0C", "01 0D",
                                             "01 0C", "01 0D", "01 0C", "01 0D", "01 0C", "01 0D", "01 05"};
  ASSERT_TRUE(loop.RunUntil([&] { return adapter.Commands().size() >= expected.size(); }, 15000));
  std::vector<std::string> got = adapter.Commands();
  got.resize(expected.size());
  EXPECT_EQ(got, expected);
  const uint32_t start = platform::TickCount();
  source.Stop();
  EXPECT_LT(platform::TickCount() - start, 1000u);

  // The replies reach the main thread as sentences, with an empty time before
  // a GPS fix; the obd command test decodes them through the whole program.
  EXPECT_EQ(loop.data[kSourceObd].substr(0, 21), "$KVOBD,,00,41 00 08 1");
}

}  // namespace
}  // namespace kv
