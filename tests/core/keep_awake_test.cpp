#include "core/keep_awake.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

class FakeHost final : public AppHost {
 public:
  int32_t GetProcessId() const override { return 42; }
  void RegisterWaitable(WaitableObject*) override {}
  void UnregisterWaitable(WaitableObject*) override {}
};

class FakePower final : public platform::PowerControl {
 public:
  bool OwnsForeground(int32_t process_id) override { return foreground && process_id == 42; }
  void KeepOn() override { ++kept_on; }
  bool foreground = true;
  int kept_on = 0;
};

TEST(KeepAwake, OnlyForEventsKeepsTheDisplayOnForSixtyTicks) {
  FakeHost host;
  FakePower power;
  KeepAwake keep_awake(host, power);
  keep_awake.On();
  keep_awake.Tick();
  EXPECT_EQ(power.kept_on, 0) << "no event yet: the counter starts far past the window";
  keep_awake.Event();
  for (int i = 0; i < 100; ++i) keep_awake.Tick();
  EXPECT_EQ(power.kept_on, 60);
  keep_awake.Event();  // the next lap starts a new minute
  keep_awake.Tick();
  EXPECT_EQ(power.kept_on, 61);
}

TEST(KeepAwake, NeitherOffNorBackgroundKeepsItOnButTicksStillCount) {
  FakeHost host;
  FakePower power;
  KeepAwake keep_awake(host, power);
  keep_awake.Event();
  for (int i = 0; i < 30; ++i) keep_awake.Tick();  // off: counted, not kept on
  EXPECT_EQ(power.kept_on, 0);
  keep_awake.On();
  power.foreground = false;
  for (int i = 0; i < 10; ++i) keep_awake.Tick();
  EXPECT_EQ(power.kept_on, 0);
  power.foreground = true;
  for (int i = 0; i < 100; ++i) keep_awake.Tick();
  EXPECT_EQ(power.kept_on, 20) << "only what is left of the 60 ticks";
}

}  // namespace
}  // namespace kv
