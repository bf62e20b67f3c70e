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

double Value(const SampleList& list, int32_t channel, int32_t index) {
  double v = 0;
  EXPECT_TRUE(GpsChannelValue(list, channel, index, ReferenceAt(list, 0), &v));
  return v;
}

TEST(GChannels, OfTheLastSampleAgainstThePrevious) {
  // sin(1 deg) * 20 m/s / 0.1 s / 9.80665: a 2 degree right turn in 100 ms.
  const double two_degrees_right = -std::sin(DegToRad(1.0)) * 20.0 / 0.1 / 9.80665;
  struct Case {
    const char* legend;
    std::vector<LogSample> samples;
    double lateral, longitudinal, tolerance;  // NaN: no value
  } cases[] = {
      {"first sample", {Sample(1000, 20, 90)}, 0.0, 0.0, 0.0},
      {"zero time difference gives 0, not infinity", {Sample(1000, 10, 90), Sample(1000, 30, 100)}, 0.0, 0.0, 0.0},
      {"9.80665 m/s gained in 1 s", {Sample(1000, 10, 90), Sample(2000, 10 + 9.80665, 90)}, 0.0, 1.0, 1e-3},
      {"heading 359 to 1: 2 degrees right", {Sample(0, 20, 359), Sample(100, 20, 1)}, two_degrees_right, 0.0, 1e-3},
      {"heading 10 to 12", {Sample(0, 20, 10), Sample(100, 20, 12)}, two_degrees_right, 0.0, 1e-3},
      {"missing heading", {Sample(0, 20, 90), Sample(100, 20, NAN)}, NAN, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    const SampleList list = List(c.samples);
    const int32_t last = list.Count() - 1;
    const double lateral = Value(list, kChLateralG, last);
    if (std::isnan(c.lateral)) {
      EXPECT_TRUE(std::isnan(lateral)) << c.legend;
    } else {
      EXPECT_NEAR(lateral, c.lateral, c.tolerance) << c.legend;
    }
    EXPECT_NEAR(Value(list, kChLongitudinalG, last), c.longitudinal, c.tolerance) << c.legend;
  }
}

TEST(GpsChannels, StoredWordsInUserUnitsNotSetWordsAsNaNAndNoValueOutOfRange) {
  LogSample s = Sample(5000, 25.0, 123.45);
  s.hdop = 120;
  s.vdop = 160;
  s.flags = 0x80 | 9;  // the loaded-without-satellites bit must not leak into the count
  s.altitude = RadToAngleValue(MetresToRad(250.0));
  const SampleList list = List({s, Sample(5100, 25.0, NAN)});
  EXPECT_NEAR(25.0, Value(list, kChGpsSpeed, 0), 0.01);
  EXPECT_NEAR(250.0, Value(list, kChAltitude, 0), 0.05);
  EXPECT_EQ(9.0, Value(list, kChSatellites, 0));
  EXPECT_NEAR(123.45, Value(list, kChBearing, 0), 1e-9);
  EXPECT_NEAR(1.2, Value(list, kChCoordinatePrecision, 0), 1e-9);
  EXPECT_NEAR(1.6, Value(list, kChAltitudePrecision, 0), 1e-9);
  EXPECT_NEAR(2.0, Value(list, kChPrecision3d, 0), 1e-9);
  for (int32_t channel : {kChBearing, kChCoordinatePrecision, kChAltitudePrecision, kChPrecision3d, kChAltitude})
    EXPECT_TRUE(std::isnan(Value(list, channel, 1))) << channel;
  double v = 0;
  EXPECT_FALSE(GpsChannelValue(list, kGpsChannelCount, 0, {}, &v)) << "no such channel";
  EXPECT_FALSE(GpsChannelValue(list, -1, 0, {}, &v));
  EXPECT_FALSE(GpsChannelValue(list, kChTime, 2, {}, &v)) << "no such sample";
}

TEST(GpsChannels, TimeDistanceAndDirectDistanceFromTheReference) {
  const LogSample a = Sample(10000, 20, 0, 48.0);
  LogSample b = Sample(12000, 20, 0, 48.001);        // about 111 m north
  b.distance = RadToAngleValue(MetresToRad(150.0));  // the path driven was longer
  const SampleList list = List({a, b});
  const ChannelReference from_b = ReferenceAt(list, 1);
  double v = 0;
  ASSERT_TRUE(GpsChannelValue(list, kChTime, 0, from_b, &v));
  EXPECT_DOUBLE_EQ(-2.0, v);
  ASSERT_TRUE(GpsChannelValue(list, kChDistance, 0, from_b, &v));
  EXPECT_NEAR(-150.0, v, 0.01);
  ASSERT_TRUE(GpsChannelValue(list, kChDirectDistance, 0, from_b, &v));
  EXPECT_NEAR(-111.2, v, 0.2) << "earlier than the reference: negative";
  EXPECT_NEAR(111.2, Value(list, kChDirectDistance, 1), 0.2);
  EXPECT_EQ(0.0, Value(list, kChDirectDistance, 0)) << "the reference itself, zero-length movement";
}

TEST(ObdSeries, ValueInForceIsTheLatestAtOrBefore) {
  // Channel 24 is RPM (raw / 4), 26 coolant (raw - 40). Out of order as
  // after a clock step back; of equal times the later record wins.
  const ObdSeries series({{2000, 8000, 24}, {1000, 4000, 24}, {1000, 400, 24}, {1500, 200, 26}});
  EXPECT_TRUE(std::isnan(series.ValueAt(24, 999)));
  EXPECT_DOUBLE_EQ(100.0, series.ValueAt(24, 1000));
  EXPECT_DOUBLE_EQ(100.0, series.ValueAt(24, 1999));
  EXPECT_DOUBLE_EQ(2000.0, series.ValueAt(24, 2000));
  EXPECT_DOUBLE_EQ(160.0, series.ValueAt(26, 5000));
  EXPECT_TRUE(std::isnan(series.ValueAt(23, 5000)));
  EXPECT_EQ((std::vector<int32_t>{24, 26}), series.Channels());
}

}  // namespace
}  // namespace kv
