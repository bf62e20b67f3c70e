#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/event.h"
#include "platform/single_instance.h"
#include "platform/termination.h"
#include "platform/thread.h"
#include "platform/ticks.h"
#include "platform/wait_set.h"

namespace kv::platform {
namespace {

TEST(Event, IsAutoResetAndCollapsesRepeatedSets) {
  Event event;
  EXPECT_FALSE(event.Consume());
  event.Set();
  event.Set();
  EXPECT_TRUE(event.Consume());
  EXPECT_FALSE(event.Consume()) << "two sets before a wait are one wake-up";
  event.Set();
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, WaitTimesOutAndWakesOnASetFromAnotherThread) {
  Event event;
  const uint32_t start = TickCount();
  EXPECT_FALSE(event.Wait(30));
  EXPECT_GE(TickCount() - start, 29u);
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    event.Set();
  });
  EXPECT_TRUE(event.Wait(10000));
  setter.join();
}

TEST(WaitSet, ReportsEveryReadyHandleAndNeverANegativeOne) {
  Event a, b, c;
  WaitSet set;
  const int32_t slot_a = set.Add(a.Handle());
  const int32_t slot_none = set.Add(-1);
  const int32_t slot_b = set.Add(b.Handle());
  const int32_t slot_c = set.Add(c.Handle());
  a.Set();
  c.Set();
  EXPECT_EQ(set.Wait(-1), 2);
  EXPECT_TRUE(set.IsReady(slot_a));
  EXPECT_FALSE(set.IsReady(slot_none));
  EXPECT_FALSE(set.IsReady(slot_b));
  EXPECT_TRUE(set.IsReady(slot_c));
  a.Consume();
  c.Consume();
  EXPECT_EQ(set.Wait(0), 0);
}

TEST(Thread, JoinGivesUpOnAThreadThatDoesNotEnd) {
  Event release;
  Thread stuck([&] { release.Wait(-1); });
  EXPECT_FALSE(stuck.Join(20));
  release.Set();  // let it end before the event goes away
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::atomic<bool> ran{false};
  Thread quick([&] { ran.store(true); });
  EXPECT_TRUE(quick.Join(5000));
  EXPECT_TRUE(ran.load());
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("kv-instance-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_F(SingleInstanceTest, SecondAcquireRaisesTheFirst) {
  std::atomic<int> raises{0};
  SingleInstance::Outcome outcome;
  auto first = SingleInstance::Acquire(folder_.string(), [&] { ++raises; }, &outcome);
  ASSERT_TRUE(first);
  EXPECT_EQ(outcome, SingleInstance::Outcome::kAcquired);
  auto second = SingleInstance::Acquire(folder_.string(), [] {}, &outcome);
  EXPECT_FALSE(second);
  EXPECT_EQ(outcome, SingleInstance::Outcome::kOtherRaised);
  EXPECT_EQ(raises.load(), 1);
  first.reset();
  auto third = SingleInstance::Acquire(folder_.string(), [] {}, &outcome);
  EXPECT_TRUE(third) << "the lock is released with the first instance";
}

TEST_F(SingleInstanceTest, SocketLeftByACrashedInstanceDoesNotBlockTheNextStart) {
  std::ofstream(folder_ / "korvatinel.sock") << "stale";
  SingleInstance::Outcome outcome;
  auto instance = SingleInstance::Acquire(folder_.string(), [] {}, &outcome);
  ASSERT_TRUE(instance);
  auto second = SingleInstance::Acquire(folder_.string(), [] {}, &outcome);
  EXPECT_EQ(outcome, SingleInstance::Outcome::kOtherRaised);
}

TEST(TerminationSignals, SigtermSetsTheEventInsteadOfKilling) {
  Event quit;
  {
    TerminationSignals signals(quit);
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_TRUE(quit.Wait(1000));
    ASSERT_EQ(raise(SIGINT), 0);
    EXPECT_TRUE(quit.Wait(1000));
  }
}

}  // namespace
}  // namespace kv::platform
