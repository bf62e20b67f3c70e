#include "timing/channels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "timing/geodesy.h"

namespace kv {
namespace {

LogSample Sample(int32_t time, double speed_mps, double heading_deg, double lat_deg = 48.0) {
  LogSample s;
  s.time = time;
  s.position = RadiansToIntPoint(DegToRad(lat_deg), DegToRad(11.0));
  s.speed = MetresPerSecondToStored(speed_mps);
  s.heading = std::isnan(heading_deg) ? LogSample::kNoWord : static_cast<uint16_t>(heading_deg * 100.0 + 0.5);
  s.distance = 0;
  return s;
}

SampleList List(const std::vector<LogSample>& samples) {
  SampleList list(kSampleListGrowth);
  for (const LogSample& s : samples) list.Append(s);
  return list;
}

constexpr double kNoChannel = -1e9;

// Channel `channel` of sample `index` from the reference sample `from`;
// kNoChannel when the channel or the sample does not exist.
double Value(const SampleList& list, int32_t channel, int32_t index, int32_t from = 0) {
  double v = NAN;
  return GpsChannelValue(list, channel, index, ReferenceAt(list, from), &v) ? v : kNoChannel;
}

TEST(GChannels, OfTheLastSampleAgainstThePrevious) {
  // sin(1 deg) * 20 m/s / 0.1 s / 9.80665: a 2 degree right turn in 100 ms.
  const double two_degrees_right = -std::sin(DegToRad(1.0)) * 20.0 / 0.1 / 9.80665;
  struct Case {
    const char* legend;
    std::vector<LogSample> samples;
    double lateral, longitudinal, tolerance;
  } cases[] = {
      {"zero time difference gives 0, not infinity", {Sample(1000, 10, 90), Sample(1000, 30, 100)}, 0.0, 0.0, 0.0},
      {"9.80665 m/s gained in 1 s", {Sample(1000, 10, 90), Sample(2000, 10 + 9.80665, 90)}, 0.0, 1.0, 1e-3},
      {"heading 359 to 1: 2 degrees right", {Sample(0, 20, 359), Sample(100, 20, 1)}, two_degrees_right, 0.0, 1e-3},
  };
  for (const Case& c : cases) {
    const SampleList list = List(c.samples);
    EXPECT_NEAR(Value(list, kChLateralG, list.Count() - 1), c.lateral, c.tolerance) << c.legend;
    EXPECT_NEAR(Value(list, kChLongitudinalG, list.Count() - 1), c.longitudinal, c.tolerance) << c.legend;
  }
  EXPECT_TRUE(std::isnan(Value(List({Sample(0, 20, 90), Sample(100, 20, NAN)}), kChLateralG, 1))) << "no heading";
}

TEST(GpsChannels, StoredWordsInUserUnitsFromTheReference) {
  LogSample a = Sample(10000, 25.0, 123.45);
  a.hdop = 120;
  a.vdop = 160;
  a.flags = 0x80 | 9;                                // the loaded-without-satellites bit must not leak into the count
  LogSample b = Sample(12000, 20, NAN, 48.001);      // about 111 m north, no stored words
  b.distance = RadToAngleValue(MetresToRad(150.0));  // the path driven was longer
  const SampleList list = List({a, b});
  EXPECT_EQ(Value(list, kChSatellites, 0), 9.0);
  EXPECT_NEAR(Value(list, kChPrecision3d, 0), 2.0, 1e-9) << "HDOP 1.2 and VDOP 1.6";
  for (int32_t channel : {kChBearing, kChCoordinatePrecision, kChAltitudePrecision, kChPrecision3d, kChAltitude})
    EXPECT_TRUE(std::isnan(Value(list, channel, 1))) << "not set: " << channel;
  EXPECT_DOUBLE_EQ(Value(list, kChTime, 0, 1), -2.0) << "before the reference: negative";
  EXPECT_NEAR(Value(list, kChDirectDistance, 0, 1), -111.2, 0.2) << "straight, not the 150 m driven";
  for (int32_t channel : {-1, static_cast<int32_t>(kGpsChannelCount)}) EXPECT_EQ(Value(list, channel, 0), kNoChannel);
  EXPECT_EQ(Value(list, kChTime, 2), kNoChannel) << "no such sample";
}

TEST(ObdSeries, ValueInForceIsTheLatestAtOrBefore) {
  // Channel 24 is RPM (raw / 4). Out of order as after a clock step
  // back; of equal times the later record wins.
  const ObdSeries series({{2000, 8000, 24}, {1000, 4000, 24}, {1000, 400, 24}, {1500, 200, 26}});
  EXPECT_TRUE(std::isnan(series.ValueAt(24, 999)));
  EXPECT_DOUBLE_EQ(100.0, series.ValueAt(24, 1999));
  EXPECT_DOUBLE_EQ(2000.0, series.ValueAt(24, 2000));
  EXPECT_TRUE(std::isnan(series.ValueAt(23, 5000)));
  EXPECT_EQ((std::vector<int32_t>{24, 26}), series.Channels());
}

}  // namespace
}  // namespace kv
