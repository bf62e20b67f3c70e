#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/event.h"
#include "platform/single_instance.h"
#include "platform/termination.h"
#include "platform/thread.h"
#include "support/temp_folder.h"

namespace kv::platform {
namespace {

TEST(Thread, JoinGivesUpOnAThreadThatDoesNotEnd) {
  Event release;
  Thread stuck([&] { release.Wait(-1); });
  EXPECT_FALSE(stuck.Join(20));
  EXPECT_FALSE(stuck.Join(5000)) << "once given up, the thread is detached";
  release.Set();  // let it end before the event goes away
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// A socket left by a crashed instance must not block the next start; the
// second instance raises the first, and the lock goes with the first.
TEST(SingleInstance, SecondAcquireRaisesTheFirst) {
  const testing::TempFolder dir;
  const std::string folder = dir.Path();
  testing::WriteWholeFile(folder + "korvatinel.sock", "stale");
  std::atomic<int> raises{0};
  SingleInstance::Outcome outcome;
  auto first = SingleInstance::Acquire(
      folder, [&] { ++raises; }, &outcome);
  ASSERT_TRUE(first);
  EXPECT_EQ(outcome, SingleInstance::Outcome::kAcquired);
  EXPECT_FALSE(SingleInstance::Acquire(
      folder, [] {}, &outcome));
  EXPECT_EQ(outcome, SingleInstance::Outcome::kOtherRaised);
  EXPECT_EQ(raises.load(), 1);
  first.reset();
  EXPECT_TRUE(SingleInstance::Acquire(
      folder, [] {}, &outcome));
}

TEST(TerminationSignals, SigtermAndSigintSetTheEventInsteadOfKilling) {
  Event quit;
  TerminationSignals signals(quit);
  ASSERT_EQ(raise(SIGTERM), 0);
  EXPECT_TRUE(quit.Wait(1000));
  ASSERT_EQ(raise(SIGINT), 0);
  EXPECT_TRUE(quit.Wait(1000));
}

}  // namespace
}  // namespace kv::platform
