#include "core/keep_awake.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

struct Fakes final : AppHost, platform::PowerControl {
  int32_t GetProcessId() const override { return 42; }
  void RegisterWaitable(WaitableObject*) override {}
  void UnregisterWaitable(WaitableObject*) override {}
  bool OwnsForeground(int32_t process_id) override { return foreground && process_id == 42; }
  void KeepOn() override { ++kept_on; }
  bool foreground = true;
  int kept_on = 0;
};

// Ticks count whether or not the display is kept on, so the window does not
// start over when the program comes back to the foreground.
TEST(KeepAwake, KeepsTheDisplayOnForSixtyTicksAfterAnEvent) {
  Fakes power;
  KeepAwake keep_awake(power, power);
  keep_awake.On();
  keep_awake.Tick();
  EXPECT_EQ(power.kept_on, 0) << "before any event the count starts past the window";
  keep_awake.Event();
  keep_awake.Off();
  for (int i = 0; i < 30; ++i) keep_awake.Tick();
  keep_awake.On();
  power.foreground = false;
  for (int i = 0; i < 10; ++i) keep_awake.Tick();
  EXPECT_EQ(power.kept_on, 0);
  power.foreground = true;
  for (int i = 0; i < 100; ++i) keep_awake.Tick();
  EXPECT_EQ(power.kept_on, 20) << "only what is left of the 60 ticks";
  keep_awake.Event();  // the next lap starts a new minute
  keep_awake.Tick();
  EXPECT_EQ(power.kept_on, 21);
}

}  // namespace
}  // namespace kv
