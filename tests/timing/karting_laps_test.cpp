// Real kart laps: recorded RMC sentences (paired with GGA sentences built
// from them) through the whole timing road, against the lap times the
// recordings' source timer reported.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/session_pipeline.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

// The start/finish line the recordings' README gives as two points.
TrapList KartTrack() {
  const GeoPoint a{DegToRad(28.41270817056385), DegToRad(-81.37973266418031)};
  const GeoPoint b{DegToRad(28.41273038679321), DegToRad(-81.37957048753776)};
  const GeoPoint middle{(a.lat + b.lat) / 2, (a.lon + b.lon) / 2};
  Trap trap;
  SetTrap(trap, DefaultTrapName(kTrapStartFinish), kTrapStartFinish, ToIntPoint(middle), Bearing(a, b) - kPi / 2,
          Distance(a, b), false);
  TrapList traps(kTrapListGrowth);
  traps.Append(trap);
  return traps;
}

struct KartCase {
  const char* file;
  std::vector<int32_t> source_timer_ms;  // the first laps of the recording
};

class KartingLaps : public ::testing::TestWithParam<KartCase> {};

TEST_P(KartingLaps, LapTimesWithin20MsOfTheSourceTimer) {
  const KartCase& c = GetParam();
  const std::string nmea = testing::ReadWholeFile(std::string("../shared/external/nmea/karting/") + c.file);
  ASSERT_FALSE(nmea.empty()) << c.file;
  const TrapList traps = KartTrack();
  sim::SessionPipeline run(traps);
  run.Feed(nmea);
  const std::vector<int32_t> times = sim::LapTimes(run.Laps());
  ASSERT_GE(times.size(), c.source_timer_ms.size()) << c.file;
  for (size_t i = 0; i < c.source_timer_ms.size(); ++i) {
    EXPECT_NEAR(times[i], c.source_timer_ms[i], 20) << c.file << " lap " << i + 1;
    std::printf("[ karting ] %s lap %zu: %d ms (source timer %d ms)\n", c.file, i + 1, times[i], c.source_timer_ms[i]);
  }
  // Recomputing the loaded session gives the same laps.
  run.Laps().Recompute(run.Crossings());
  EXPECT_EQ(sim::LapTimes(run.Laps()), times);
}

INSTANTIATE_TEST_SUITE_P(Recordings, KartingLaps,
                         ::testing::Values(KartCase{"lap.paired.nmea", {68748}},
                                           KartCase{"2laps.paired.nmea", {69958, 68748}},
                                           KartCase{"long_lap.paired.nmea", {58611}},
                                           KartCase{"praga_laps.paired.nmea", {62727, 61317}}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace kv
