#include "timing/geodesy.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kv {
namespace {

constexpr double kMetre = 1.0 / 6371000.0;  // a metre as a central angle

GeoPoint Deg(double lat, double lon) { return {DegToRad(lat), DegToRad(lon)}; }

TEST(GeodesyConversion, NmeaToAngleValueAndBack) {
  struct Case {
    const char* legend;
    double nmea;
    AngleValue units;
  } cases[] = {
      {"60 deg 30 min", 6030.0, 363000000},
      {"negative is the negated integer", -6030.0, -363000000},
      {"fraction of a minute", 4807.038, 288000000 + 703800},
      {"west longitude 3 digits", -12345.67891, -(123 * 6000000 + 4567891)},
      {"zero", 0.0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NmeaToAngleValue(c.nmea), c.units) << c.legend;
    EXPECT_NEAR(AngleValueToNmea(c.units), c.nmea, 1e-9) << c.legend;
  }
}

TEST(GeodesyConversion, NotSetMarkersPropagate) {
  EXPECT_TRUE(std::isnan(AngleValueToRad(kNotSet)));
  EXPECT_EQ(RadToAngleValue(kNoValue), kNotSet);
  EXPECT_FALSE(ToGeoPoint(IntPoint{}).IsValid());
  EXPECT_FALSE(ToIntPoint(GeoPoint{}).IsSet());
  EXPECT_EQ(RadToAngleValue(7.0), kNotSet) << "beyond the int32 range";
}

TEST(GeodesyConversion, IntPointRoundTripWithinOneUnit) {
  for (double lat = -89.9; lat < 90.0; lat += 7.31) {
    for (double lon = -179.99; lon <= 180.0; lon += 13.7) {
      const GeoPoint p = Deg(lat, lon);
      const IntPoint i = ToIntPoint(p);
      const GeoPoint back = ToGeoPoint(i);
      EXPECT_LE(std::fabs(RadToAngleValue(back.lat) - i.lat), 1);
      EXPECT_NEAR(back.lat, p.lat, 1.0001 * kAngleValueToRad);
      EXPECT_NEAR(back.lon, p.lon, 1.0001 * kAngleValueToRad);
    }
  }
}

TEST(GeodesyConversion, UnitMultipliers) {
  EXPECT_DOUBLE_EQ(RadPerSecToKmh(KmhToRadPerSec(100.0)), 100.0);
  EXPECT_NEAR(RadPerSecToKnots(KnotsToRadPerSec(37.5)), 37.5, 1e-9);
  EXPECT_NEAR(RadPerSecToMph(MphToRadPerSec(60.0)), 60.0, 1e-9);
  EXPECT_NEAR(RadToMetres(MetresToRad(1234.5)), 1234.5, 1e-9);
  EXPECT_NEAR(RadPerSec2ToG(9.80665 * kMetre), 1.0, 1e-12);
  EXPECT_DOUBLE_EQ(BearingToDegrees(-kPi / 2), 270.0);
  EXPECT_EQ(Fixed29ToAngleValue(1 << 29), RadToAngleValue(1.0));
}

TEST(GeodesyAngles, ModuloAndNormalise) {
  EXPECT_DOUBLE_EQ(FlooredMod(-1.0, 3.0), 2.0);
  EXPECT_DOUBLE_EQ(FlooredMod(5.0, 3.0), 2.0);
  EXPECT_DOUBLE_EQ(FlooredMod(1.0, -3.0), -2.0);
  EXPECT_NEAR(NormaliseAngle(3 * kPi / 2), -kPi / 2, 1e-15);
  EXPECT_DOUBLE_EQ(NormaliseAngle(kPi), kPi);
  EXPECT_DOUBLE_EQ(NormaliseAngle(-kPi), kPi);
  EXPECT_DOUBLE_EQ(ClampedAsin(1.0000001), kPi / 2);
  EXPECT_DOUBLE_EQ(ClampedAcos(-1.0000001), kPi);
  EXPECT_EQ(SafeAtan2(0.0, 0.0), 0.0);
  EXPECT_EQ(SafeDivide(3.0, 0.0), 0.0);
}

TEST(GeodesyDistance, EqualPointsGiveExactlyZero) {
  const GeoPoint p = Deg(51.4779, -0.0015);
  EXPECT_EQ(Distance(p, p), 0.0);
  EXPECT_EQ(NorthSouthComponent(p, p), 0.0);
  EXPECT_EQ(EastWestComponent(p, p), 0.0);
}

TEST(GeodesyDistance, KnownDistancesWithinAMillimetre) {
  // One degree of latitude on this sphere: 6371000 * pi / 180 m.
  EXPECT_NEAR(RadToMetres(Distance(Deg(10, 20), Deg(11, 20))), 111194.9266, 1e-3);
  // Across the antimeridian the short way round: 0.2 deg of equator.
  EXPECT_NEAR(RadToMetres(Distance(Deg(0, 179.9), Deg(0, -179.9))), 22238.985, 1e-3);
}

TEST(GeodesyDistance, SignedComponents) {
  const GeoPoint origin = Deg(48, 11);
  const GeoPoint north_east = DestinationPoint(origin, 100 * kMetre, kPi / 4);
  const double north = RadToMetres(NorthSouthComponent(north_east, origin));
  const double east = RadToMetres(EastWestComponent(north_east, origin));
  EXPECT_NEAR(north, 70.7107, 0.01);
  EXPECT_NEAR(east, 70.7107, 0.01);
  EXPECT_NEAR(RadToMetres(NorthSouthComponent(origin, north_east)), -north, 1e-9);
  EXPECT_NEAR(RadToMetres(EastWestComponent(origin, north_east)), -east, 1e-9);
}

TEST(GeodesyBearing, CardinalDirections) {
  const GeoPoint p = Deg(45, 7);
  EXPECT_DOUBLE_EQ(Bearing(p, Deg(44, 7)), kPi) << "due south is pi, not -pi";
  EXPECT_DOUBLE_EQ(Bearing(p, Deg(46, 7)), 0.0);
  EXPECT_NEAR(Bearing(p, Deg(45, 7.001)), kPi / 2, 1e-5);
  EXPECT_NEAR(Bearing(p, Deg(45, 6.999)), -kPi / 2, 1e-5);
  EXPECT_EQ(Bearing(p, p), 0.0);
  // Across +-180: east from 179.99 to -179.99 is still east.
  EXPECT_NEAR(Bearing(Deg(0, 179.99), Deg(0, -179.99)), kPi / 2, 1e-9);
}

TEST(GeodesyDestination, RoundTripsWithDistanceAndBearing) {
  const GeoPoint p = Deg(-33.9, 151.2);
  for (double bearing = -3.0; bearing < 3.2; bearing += 0.5) {
    const GeoPoint q = DestinationPoint(p, 250 * kMetre, bearing);
    EXPECT_NEAR(RadToMetres(Distance(p, q)), 250.0, 1e-6);
    EXPECT_NEAR(Bearing(p, q), bearing, 1e-6);
  }
  // The longitude is not wrapped.
  EXPECT_GT(DestinationPoint(Deg(0, 179.9999), 100 * kMetre, kPi / 2).lon, kPi);
}

TEST(GeodesyBox, ExtentsAndScreenDistance) {
  const GeoSegment diagonal{Deg(50, 8), Deg(50.001, 8.002)};
  EXPECT_NEAR(RadToMetres(BoxHeight(diagonal)), 111.195, 1e-3);
  EXPECT_NEAR(RadToMetres(BoxWidth(diagonal)), 111.195 * 2 * std::cos(DegToRad(50.001)), 1e-3);
  EXPECT_EQ(ScreenDistanceSquared({1000, 2000}, {1250, 1801}), 2 * 2 + 1 * 1);
  EXPECT_EQ(ScreenDistanceSquared({-199, 0}, {0, 0}), 1) << "division truncates toward zero";
  EXPECT_EQ(ScreenDistanceSquared({kNotSet, 0}, {-1000000000, 0}), INT32_MAX) << "far apart saturates";
}

// Segments in local metres around a point, to read the cases at a glance.
GeoSegment Local(GeoPoint origin, double x1, double y1, double x2, double y2) {
  auto at = [&](double x, double y) {
    return GeoPoint{origin.lat + y * kMetre, origin.lon + x * kMetre / std::cos(origin.lat)};
  };
  return {at(x1, y1), at(x2, y2)};
}

TEST(GeodesyCrossing, RightAngleCrossingFraction) {
  const GeoPoint o = Deg(47.2, 8.5);
  const GeoSegment line = Local(o, -10, 0, 10, 0);
  struct Case {
    double from_y, to_y, fraction;
  } cases[] = {{-4, 6, 0.4}, {-1, 9, 0.1}, {-9, 1, 0.9}, {6, -4, 0.6}};
  for (const Case& c : cases) {
    const SegmentCrossing x = IntersectSegments(line, Local(o, 2, c.from_y, 2, c.to_y));
    ASSERT_TRUE(x.IsValid()) << c.from_y;
    EXPECT_NEAR(x.fraction, c.fraction, 1e-6) << c.from_y;
    EXPECT_NEAR(RadToMetres(x.length), 10.0, 1e-6);
  }
}

TEST(GeodesyCrossing, MovementEndingOnTheLineCountsWithFractionOne) {
  const GeoPoint o = Deg(47.2, 8.5);
  const GeoSegment line = Local(o, -10, 0, 10, 0);
  const SegmentCrossing x = IntersectSegments(line, Local(o, 3, -5, 3, 0));
  ASSERT_TRUE(x.IsValid());
  EXPECT_NEAR(x.fraction, 1.0, 1e-5);  // the local plane sags by micrometres
}

TEST(GeodesyCrossing, NoCrossingCases) {
  const GeoPoint o = Deg(47.2, 8.5);
  const GeoSegment line = Local(o, -10, 0, 10, 0);
  EXPECT_FALSE(IntersectSegments(line, Local(o, -5, 1, 5, 1)).IsValid()) << "parallel";
  EXPECT_FALSE(IntersectSegments(line, Local(o, 2, 1, 2, 5)).IsValid()) << "short of the line";
  EXPECT_FALSE(IntersectSegments(line, Local(o, 12, -5, 12, 5)).IsValid()) << "beyond end B";
  EXPECT_FALSE(IntersectSegments(line, Local(o, 2, 5, 2, 1)).IsValid()) << "behind the start";
  EXPECT_FALSE(IntersectSegments(line, GeoSegment{}).IsValid()) << "invalid points";
  EXPECT_FALSE(IntersectSegments(line, line).IsValid()) << "identical";
}

TEST(GeodesyCrossing, AcrossTheAntimeridian) {
  const GeoSegment line{Deg(-0.0001, 179.99999), Deg(0.0001, 179.99999)};
  const GeoSegment movement{Deg(0.00001, 179.9999), Deg(0.00001, -179.9999)};
  const SegmentCrossing x = IntersectSegments(line, movement);
  ASSERT_TRUE(x.IsValid());
  EXPECT_NEAR(x.fraction, 0.45, 1e-4);
  EXPECT_NEAR(RadToDeg(x.point.lon), 179.99999, 1e-7);
}

}  // namespace
}  // namespace kv
