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
      const GeoPoint back = ToGeoPoint(ToIntPoint(Deg(lat, lon)));
      EXPECT_NEAR(back.lat, DegToRad(lat), 1.0001 * kAngleValueToRad) << lat << " " << lon;
      EXPECT_NEAR(back.lon, DegToRad(lon), 1.0001 * kAngleValueToRad) << lat << " " << lon;
    }
  }
}

// Each multiplier and its inverse are separate constants: a typo in one
// shows as a round trip that does not come back.
TEST(GeodesyConversion, UnitConversionsRoundTrip) {
  EXPECT_NEAR(RadPerSecToKmh(KmhToRadPerSec(100.0)), 100.0, 1e-9);
  EXPECT_NEAR(RadPerSecToKnots(KnotsToRadPerSec(37.5)), 37.5, 1e-9);
  EXPECT_NEAR(RadPerSecToMph(MphToRadPerSec(60.0)), 60.0, 1e-9);
  EXPECT_NEAR(RadPerSec2ToG(9.80665 * kMetre), 1.0, 1e-12);
  EXPECT_DOUBLE_EQ(BearingToDegrees(-kPi / 2), 270.0);
}

TEST(GeodesyAngles, ModuloAndNormaliseAtTheEdges) {
  EXPECT_DOUBLE_EQ(FlooredMod(-1.0, 3.0), 2.0);
  EXPECT_DOUBLE_EQ(FlooredMod(1.0, -3.0), -2.0);
  EXPECT_NEAR(NormaliseAngle(3 * kPi / 2), -kPi / 2, 1e-15);
  EXPECT_DOUBLE_EQ(NormaliseAngle(-kPi), kPi) << "the range is (-pi, pi]";
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
  EXPECT_EQ(Bearing(p, p), 0.0);
}

TEST(GeodesyDistance, KnownDistancesAndComponentsWithinAMillimetre) {
  // One degree of latitude on this sphere: 6371000 * pi / 180 m.
  EXPECT_NEAR(RadToMetres(Distance(Deg(10, 20), Deg(11, 20))), 111194.9266, 1e-3);
  EXPECT_NEAR(RadToMetres(Distance(Deg(0, 179.9), Deg(0, -179.9))), 22238.985, 1e-3) << "short way round";
  const GeoPoint origin = Deg(48, 11);
  const GeoPoint north_east = DestinationPoint(origin, 100 * kMetre, kPi / 4);
  EXPECT_NEAR(RadToMetres(NorthSouthComponent(north_east, origin)), 70.7107, 1e-3);
  EXPECT_NEAR(RadToMetres(EastWestComponent(origin, north_east)), -70.7107, 1e-3) << "west of b: negative";
  const GeoSegment diagonal{Deg(50, 8), Deg(50.001, 8.002)};
  EXPECT_NEAR(RadToMetres(BoxHeight(diagonal)), 111.195, 1e-3);
  EXPECT_NEAR(RadToMetres(BoxWidth(diagonal)), 111.195 * 2 * std::cos(DegToRad(50.001)), 1e-3);
}

TEST(GeodesyBearing, CardinalDirectionsAndTheAntimeridian) {
  const GeoPoint p = Deg(45, 7);
  EXPECT_DOUBLE_EQ(Bearing(p, Deg(44, 7)), kPi) << "due south is pi, not -pi";
  EXPECT_DOUBLE_EQ(Bearing(p, Deg(46, 7)), 0.0);
  EXPECT_NEAR(Bearing(p, Deg(45, 6.999)), -kPi / 2, 1e-5);
  EXPECT_NEAR(Bearing(Deg(0, 179.99), Deg(0, -179.99)), kPi / 2, 1e-9) << "east across +-180";
}

TEST(GeodesyDestination, RoundTripsWithDistanceAndBearing) {
  const GeoPoint p = Deg(-33.9, 151.2);
  for (double bearing = -3.0; bearing < 3.2; bearing += 0.5) {
    const GeoPoint q = DestinationPoint(p, 250 * kMetre, bearing);
    EXPECT_NEAR(RadToMetres(Distance(p, q)), 250.0, 1e-6) << bearing;
    EXPECT_NEAR(Bearing(p, q), bearing, 1e-6) << bearing;
  }
  EXPECT_GT(DestinationPoint(Deg(0, 179.9999), 100 * kMetre, kPi / 2).lon, kPi) << "the longitude is not wrapped";
}

TEST(GeodesyScreen, DistanceTruncatesAndSaturates) {
  EXPECT_EQ(ScreenDistanceSquared({1000, 2000}, {1250, 1801}), 2 * 2 + 1 * 1);
  EXPECT_EQ(ScreenDistanceSquared({-199, 0}, {0, 0}), 1) << "division truncates toward zero";
  EXPECT_EQ(ScreenDistanceSquared({kNotSet, 0}, {-1000000000, 0}), INT32_MAX) << "far apart saturates";
}

// Segments in local metres around a point, to read the cases at a glance.
GeoSegment Local(double x1, double y1, double x2, double y2) {
  const GeoPoint o = Deg(47.2, 8.5);
  auto at = [&](double x, double y) { return GeoPoint{o.lat + y * kMetre, o.lon + x * kMetre / std::cos(o.lat)}; };
  return {at(x1, y1), at(x2, y2)};
}

TEST(GeodesyCrossing, FractionAlongTheMovement) {
  const GeoSegment line = Local(-10, 0, 10, 0);
  struct Case {
    const char* legend;
    double from_y, to_y, fraction, tolerance;
  } cases[] = {
      {"northwards", -4, 6, 0.4, 1e-6},
      {"early", -1, 9, 0.1, 1e-6},
      {"late", -9, 1, 0.9, 1e-6},
      {"southwards", 6, -4, 0.6, 1e-6},
      {"ending exactly on the line (the local plane sags by micrometres)", -5, 0, 1.0, 1e-5},
  };
  for (const Case& c : cases) {
    const SegmentCrossing x = IntersectSegments(line, Local(2, c.from_y, 2, c.to_y));
    ASSERT_TRUE(x.IsValid()) << c.legend;
    EXPECT_NEAR(x.fraction, c.fraction, c.tolerance) << c.legend;
    EXPECT_NEAR(RadToMetres(x.length), std::fabs(c.to_y - c.from_y), 1e-6) << c.legend;
  }
}

TEST(GeodesyCrossing, NoCrossing) {
  const GeoSegment line = Local(-10, 0, 10, 0);
  struct Case {
    const char* legend;
    GeoSegment movement;
  } cases[] = {
      {"parallel", Local(-5, 1, 5, 1)},       {"short of the line", Local(2, 1, 2, 5)},
      {"beyond end B", Local(12, -5, 12, 5)}, {"behind the start", Local(2, 5, 2, 1)},
      {"invalid points", GeoSegment{}},       {"identical", line},
  };
  for (const Case& c : cases) EXPECT_FALSE(IntersectSegments(line, c.movement).IsValid()) << c.legend;
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
