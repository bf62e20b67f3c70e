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

TEST(GpsClock, ExtrapolatesAGgaWithAFixAndOnlyMovesForward) {
  uint32_t ticks = 0xFFFFFF00u;
  GpsClock clock([&] { return ticks; });
  FixRecord rmc = Gga(1000, 1), no_time = Gga(1000, 1);
  rmc.type = kSentenceRmc;
  no_time.valid.time = 0;
  for (const FixRecord& fix : {Gga(1000, 0), rmc, no_time}) clock.Update(fix);
  EXPECT_EQ(clock.Now(), kNotSet) << "only a GGA with a fix and a time sets the clock";
  clock.Update(Gga(86399000, 1));
  ticks = 0x100;  // 512 ms later, across the tick wrap
  EXPECT_EQ(clock.Now(), 86399512) << "not wrapped at midnight";
  clock.Update(Gga(86399100, 1));  // a late sentence does not pull it back
  EXPECT_EQ(clock.Now(), 86399512);
  clock.Update(Gga(86399600, 2));
  EXPECT_EQ(clock.Now(), 86399600);
  clock.Reset();
  EXPECT_EQ(clock.Now(), kNotSet);
  clock.Update(Gga(500, 1));  // an earlier time is accepted after a reset
  EXPECT_EQ(clock.Now(), 500);
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
