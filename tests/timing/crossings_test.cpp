#include "timing/crossings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kv {
namespace {

// Local metres around 47 N, 8 E (x east, y north).
IntPoint At(double x, double y) {
  const double lat0 = DegToRad(47.0);
  return RadiansToIntPoint(lat0 + MetresToRad(y), DegToRad(8.0) + MetresToRad(x) / std::cos(lat0));
}

LogSample Sample(int32_t time, double x, double y, double mps = 20.0, double heading_deg = 0.0) {
  LogSample s;
  s.time = time;
  s.position = At(x, y);
  s.speed = MetresPerSecondToStored(mps);
  s.distance = RadToAngleValue(MetresToRad(y + 1000.0));
  s.heading = RadiansToHeadingWord(DegToRad(heading_deg));
  return s;
}

// A 20 m line across the y axis at y, bearing north.
Trap Line(TrapLineType type, double y = 0.0, bool unidirectional = false) {
  Trap trap;
  SetTrap(trap, DefaultTrapName(type), type, At(0.0, y), 0.0, MetresToRad(20.0), unidirectional);
  return trap;
}

class CrossingsTest : public ::testing::Test {
 protected:
  // The crossings the recompute finds, kept in crossings_, as "trap@time"
  // in driving order; the live search, sample by sample, must find the same.
  std::string Found() {
    CrossingList live(kCrossingListGrowth);
    SampleList growing(kSampleListGrowth);
    for (const LogSample& s : samples_) {
      growing.Append(s);
      UpdateCrossingsLive(growing, traps_, live);
    }
    RecomputeCrossings(samples_, traps_, crossings_);
    std::string text[2];
    for (int i = 0; i < 2; ++i) {
      for (const TrapCrossing& c : i ? live : crossings_) {
        text[i].append(text[i].empty() ? "" : " ").append(std::to_string(c.trap_index));
        text[i].append("@").append(std::to_string(c.crossing_sample.time));
      }
    }
    EXPECT_EQ(text[1], text[0]) << "live";
    return text[0];
  }

  SampleList samples_{kSampleListGrowth};
  TrapList traps_{kTrapListGrowth};
  CrossingList crossings_{kCrossingListGrowth};
};

// Movements in local metres against a 20 m line along y = 0 (x from -10
// to 10), its bearing north.
TEST(CrossesTrap, FractionAlongTheMovementOrNoCrossing) {
  struct Case {
    const char* legend;
    TrapLineType type;
    bool unidirectional;
    double from_x, from_y, to_x, to_y;
    double fraction;  // NaN: no crossing
  } cases[] = {
      {"along the bearing", kTrapSplit, true, 2, -4, 2, 6, 0.4},
      {"against the bearing", kTrapSplit, true, 2, 6, 2, -4, NAN},
      {"against, both directions allowed", kTrapSplit, false, 2, 6, 2, -4, 0.6},
      {"89 degrees off the bearing", kTrapSplit, true, -50, -0.8, 50, 0.95, 0.457},
      {"91 degrees off the bearing", kTrapSplit, true, -50, 0.8, 50, -0.95, NAN},
      {"ending exactly on the line", kTrapStart, false, 3, -5, 3, 0, 1.0},
      {"standing on the line: zero-length movement", kTrapStart, false, 0, 0, 0, 0, NAN},
      {"along the line itself", kTrapStart, false, -10, 0, 10, 0, NAN},
      {"both ends on one side", kTrapStart, false, 2, 1, 2, 5, NAN},
      {"beyond end B", kTrapStart, false, 12, -5, 12, 5, NAN},
      {"disabled", kTrapDisabled, false, 0, -5, 0, 5, NAN},
  };
  for (const Case& c : cases) {
    SegmentCrossing x;
    const bool crossed =
        CrossesTrap(Line(c.type, 0.0, c.unidirectional), At(c.from_x, c.from_y), At(c.to_x, c.to_y), &x);
    ASSERT_EQ(crossed, !std::isnan(c.fraction)) << c.legend;
    if (crossed) {
      EXPECT_NEAR(x.fraction, c.fraction, 0.01) << c.legend;
    }
  }
}

TEST_F(CrossingsTest, LineExactlyThroughASampleIsRecordedOnce) {
  traps_.Append(Line(kTrapStart));
  for (int32_t k = 0; k < 3; ++k) samples_.Append(Sample(k * 100, 1.0, 5.0 * k - 5.0));
  EXPECT_EQ(Found(), "0@100");
  EXPECT_EQ(crossings_[0].sample_index, 1) << "in the interval that ends on the line";
}

// Regression: a split passed just before the finish in the same interval
// reached the lap engine after the finish and landed in the next lap.
TEST_F(CrossingsTest, TwoLinesInOneIntervalInDrivingOrder) {
  traps_.Append(Line(kTrapFinish, 4.0));  // crossed second along the movement
  traps_.Append(Line(kTrapSplit, 1.0));
  samples_.Append(Sample(10000, 0.5, -5.0, 10.0));
  samples_.Append(Sample(11000, 0.5, 5.0, 20.0));
  EXPECT_EQ(Found(), "1@10600 0@10900") << "60 and 90 % of a 1000 ms interval";
  EXPECT_EQ(crossings_[0].sample_interval, 1000);
}

TEST_F(CrossingsTest, InterpolationEdges) {
  samples_.Append(Sample(0, 0, 0, 10.0, 170.0));
  samples_.Append(Sample(1000, 0, 10, 20.0, 190.0));
  EXPECT_EQ(InterpolateSample(samples_, 1, 0.5).heading, 18000)
      << "170 and 190 degrees meet at 180 across +-180, not 0";
  EXPECT_EQ(InterpolateSample(samples_, 1, 1.0).position, samples_[1].position) << "exactly the later sample";
  samples_[0].heading = LogSample::kNoWord;
  EXPECT_EQ(InterpolateSample(samples_, 1, 0.5).heading, LogSample::kNoWord);
}

}  // namespace
}  // namespace kv
