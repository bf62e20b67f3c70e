#include "timing/channels.h"

#include <gtest/gtest.h>

#include <cmath>

#include "timing/geodesy.h"

namespace kv {
namespace {

LogSample Sample(int32_t time, double speed_mps, double heading_deg, double lat_deg = 48.0, double lon_deg = 11.0) {
  LogSample s;
  s.time = time;
  s.position = RadiansToIntPoint(DegToRad(lat_deg), DegToRad(lon_deg));
  s.speed = MetresPerSecondToStored(speed_mps);
  s.heading = std::isnan(heading_deg) ? LogSample::kNoWord : static_cast<uint16_t>(heading_deg * 100.0 + 0.5);
  s.distance = 0;
  return s;
}

SampleList List(std::initializer_list<LogSample> samples) {
  SampleList list(kSampleListGrowth);
  for (const LogSample& s : samples) list.Append(s);
  return list;
}

double Value(const SampleList& list, int32_t channel, int32_t index) {
  double v = 0;
  EXPECT_TRUE(GpsChannelValue(list, channel, index, ReferenceAt(list, 0), &v));
  return v;
}

TEST(GChannels, FirstSampleGivesZeroForBoth) {
  const SampleList list = List({Sample(1000, 20, 90)});
  EXPECT_EQ(0.0, Value(list, kChLateralG, 0));
  EXPECT_EQ(0.0, Value(list, kChLongitudinalG, 0));
}

TEST(GChannels, SameTimeGivesZeroNotInfinity) {
  const SampleList list = List({Sample(1000, 10, 90), Sample(1000, 30, 100)});
  EXPECT_EQ(0.0, Value(list, kChLongitudinalG, 1));
  EXPECT_EQ(0.0, Value(list, kChLateralG, 1));
}

TEST(GChannels, LongitudinalFromSpeedChange) {
  // 9.80665 m/s gained in one second is 1 G, within the stored speed's resolution.
  const SampleList list = List({Sample(1000, 10, 90), Sample(2000, 10 + 9.80665, 90)});
  EXPECT_NEAR(1.0, Value(list, kChLongitudinalG, 1), 1e-3);
}

TEST(GChannels, HeadingFrom359To1IsATwoDegreeRightTurn) {
  const SampleList wrap = List({Sample(0, 20, 359), Sample(100, 20, 1)});
  const SampleList plain = List({Sample(0, 20, 10), Sample(100, 20, 12)});
  const double g = Value(wrap, kChLateralG, 1);
  EXPECT_LT(g, 0.0) << "turning right (increasing heading) is negative";
  EXPECT_NEAR(Value(plain, kChLateralG, 1), g, 1e-6);
  // sin(1 deg) * 20 m/s / 0.1 s / 9.80665
  EXPECT_NEAR(-std::sin(DegToRad(1.0)) * 20.0 / 0.1 / 9.80665, g, 1e-3);
}

TEST(GChannels, MissingHeadingGivesNaNLateral) {
  const SampleList list = List({Sample(0, 20, 90), Sample(100, 20, NAN)});
  EXPECT_TRUE(std::isnan(Value(list, kChLateralG, 1)));
  EXPECT_FALSE(std::isnan(Value(list, kChLongitudinalG, 1)));
}

TEST(GpsChannels, OutOfRangeGivesNoValue) {
  const SampleList list = List({Sample(0, 20, 90)});
  double v = 0;
  EXPECT_FALSE(GpsChannelValue(list, kGpsChannelCount, 0, {}, &v));
  EXPECT_FALSE(GpsChannelValue(list, -1, 0, {}, &v));
  EXPECT_FALSE(GpsChannelValue(list, kChTime, 1, {}, &v));
}

TEST(GpsChannels, StoredWordsInUserUnits) {
  LogSample s = Sample(5000, 25.0, 123.45);
  s.hdop = 120;
  s.vdop = 160;
  s.flags = 0x80 | 9;  // loaded without satellites bit must not leak into the count
  s.altitude = RadToAngleValue(MetresToRad(250.0));
  const SampleList list = List({s});
  EXPECT_NEAR(25.0, Value(list, kChGpsSpeed, 0), 0.01);
  EXPECT_NEAR(250.0, Value(list, kChAltitude, 0), 0.05);
  EXPECT_EQ(9.0, Value(list, kChSatellites, 0));
  EXPECT_NEAR(123.45, Value(list, kChBearing, 0), 1e-9);
  EXPECT_NEAR(1.2, Value(list, kChCoordinatePrecision, 0), 1e-9);
  EXPECT_NEAR(1.6, Value(list, kChAltitudePrecision, 0), 1e-9);
  EXPECT_NEAR(2.0, Value(list, kChPrecision3d, 0), 1e-9);
}

TEST(GpsChannels, NotSetWordsGiveNaN) {
  LogSample s = Sample(5000, 25.0, NAN);
  const SampleList list = List({s});
  for (int32_t channel : {kChBearing, kChCoordinatePrecision, kChAltitudePrecision, kChPrecision3d, kChAltitude})
    EXPECT_TRUE(std::isnan(Value(list, channel, 0))) << channel;
}

TEST(GpsChannels, TimeDistanceAndDirectDistanceFromTheReference) {
  LogSample a = Sample(10000, 20, 0, 48.0, 11.0);
  LogSample b = Sample(12000, 20, 0, 48.001, 11.0);  // about 111 m north
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
  EXPECT_EQ(0.0, Value(list, kChDirectDistance, 0));
}

TEST(ObdSeries, ValueInForceIsTheLatestAtOrBefore) {
  // Channel 24 is RPM: raw / 4.
  const ObdSeries series({{1000, 4000, 24}, {2000, 8000, 24}, {1500, 200, 26}});
  EXPECT_TRUE(std::isnan(series.ValueAt(24, 999)));
  EXPECT_DOUBLE_EQ(1000.0, series.ValueAt(24, 1000));
  EXPECT_DOUBLE_EQ(1000.0, series.ValueAt(24, 1999));
  EXPECT_DOUBLE_EQ(2000.0, series.ValueAt(24, 2000));
  EXPECT_DOUBLE_EQ(160.0, series.ValueAt(26, 5000));  // coolant: raw - 40
  EXPECT_TRUE(std::isnan(series.ValueAt(23, 5000)));
  EXPECT_EQ((std::vector<int32_t>{24, 26}), series.Channels());
}

TEST(ObdSeries, RecordsOutOfOrderAreSortedAndLaterOfEqualTimeWins) {
  const ObdSeries series({{2000, 8000, 24}, {1000, 4000, 24}, {1000, 400, 24}});
  EXPECT_DOUBLE_EQ(100.0, series.ValueAt(24, 1500));
  EXPECT_DOUBLE_EQ(2000.0, series.ValueAt(24, 2500));
}

TEST(ChannelNames, GpsAndObdFromTheStringTable) {
  EXPECT_EQ(u"Time", ChannelName(kChTime).Std());
  EXPECT_EQ(u"GPS longidutinal G", ChannelName(kChLongitudinalG).Std());
  EXPECT_EQ(u"RPM", ChannelName(24).Std());
}

}  // namespace
}  // namespace kv
