#include "core/gps_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kv {
namespace {

FixRecord Gga(int32_t time_ms, int32_t quality) {
  FixRecord fix;
  fix.type = kSentenceGga;
  fix.time = time_ms;
  fix.valid.time = 1;
  fix.fix_quality = quality;
  fix.valid.fix_quality = 1;
  return fix;
}

class GpsClockTest : public ::testing::Test {
 protected:
  uint32_t ticks_ = 0;
  GpsClock clock_{[this] { return ticks_; }};
};

TEST_F(GpsClockTest, OnlyAGgaWithAFixAndATimeSetsIt) {
  FixRecord rmc = Gga(1000, 1);
  rmc.type = kSentenceRmc;
  FixRecord no_time = Gga(1000, 1);
  no_time.valid.time = 0;
  for (const FixRecord& fix : {Gga(1000, 0), rmc, no_time}) clock_.Update(fix);
  EXPECT_EQ(clock_.Now(), kNotSet);
}

TEST_F(GpsClockTest, ExtrapolatesWithTicksAndOnlyMovesForward) {
  ticks_ = 5000;
  clock_.Update(Gga(43200000, 1));
  ticks_ = 5250;
  EXPECT_EQ(clock_.Now(), 43200250);
  clock_.Update(Gga(43200100, 1));  // a late sentence does not pull it back
  EXPECT_EQ(clock_.Now(), 43200250);
  clock_.Update(Gga(43200250, 1));  // equal is not later either
  ticks_ = 5300;
  EXPECT_EQ(clock_.Now(), 43200300);
  clock_.Update(Gga(43201000, 2));
  EXPECT_EQ(clock_.Now(), 43201000);
  clock_.Reset();
  EXPECT_EQ(clock_.Now(), kNotSet);
  clock_.Update(Gga(500, 1));  // an earlier time is accepted after a reset
  EXPECT_EQ(clock_.Now(), 500);
}

TEST_F(GpsClockTest, TicksWrapAsAnUnsignedDifferenceAndMidnightDoesNotWrap) {
  ticks_ = 0xFFFFFF00u;
  clock_.Update(Gga(86399000, 1));
  ticks_ = 0x100;  // 512 ms later, across the wrap
  EXPECT_EQ(clock_.Now(), 86399512);
}

TEST(GpsClock, WriterAndReaderThreadsSeeConsistentValues) {
  std::atomic<uint32_t> ticks{0};
  GpsClock clock([&] { return ticks.load(); });
  std::atomic<bool> done{false};
  std::thread reader([&] {
    int32_t last = 0;
    while (!done.load()) {
      const int32_t now = clock.Now();
      if (now == kNotSet) continue;
      EXPECT_GE(now, last);
      last = now;
    }
  });
  for (int i = 1; i <= 20000; ++i) {
    ticks.store(static_cast<uint32_t>(i));
    clock.Update(Gga(i * 2, 1));
  }
  done.store(true);
  reader.join();
}

}  // namespace
}  // namespace kv
