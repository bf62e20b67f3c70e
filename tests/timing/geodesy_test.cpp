#include "timing/geodesy.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kv {
namespace {

GeoPoint Deg(double lat, double lon) { return {DegToRad(lat), DegToRad(lon)}; }

TEST(GeodesyConversion, NmeaToAngleValueAndBack) {
  struct Case {
    const char* legend;
    double nmea;
    AngleValue units;
  } cases[] = {
      {"60 deg 30 min", 6030.0, 363000000},
      {"fraction of a minute", 4807.038, 288000000 + 703800},
      {"west longitude 3 digits", -12345.67891, -(123 * 6000000 + 4567891)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NmeaToAngleValue(c.nmea), c.units) << c.legend;
    EXPECT_NEAR(AngleValueToNmea(c.units), c.nmea, 1e-9) << c.legend;
  }
}

// Regression: unset markers and angles beyond the int32 range overflowed the
// fixed form and the screen distance instead of staying unset or far.
TEST(GeodesyConversion, UnsetAndOutOfRangeValuesDoNotOverflow) {
  EXPECT_TRUE(std::isnan(AngleValueToRad(kNotSet)));
  EXPECT_EQ(RadToAngleValue(kNoValue), kNotSet);
  EXPECT_EQ(RadToAngleValue(7.0), kNotSet) << "beyond the int32 range";
  EXPECT_EQ(ScreenDistanceSquared({kNotSet, 0}, {-1000000000, 0}), INT32_MAX) << "far apart saturates";
  EXPECT_EQ(ScreenDistanceSquared({-199, 0}, {0, 0}), 1) << "1/100 units, truncated toward zero";
}

TEST(GeodesyDistance, ExactlyZeroForEqualPointsAndKnownDistancesOtherwise) {
  const GeoPoint p = Deg(51.4779, -0.0015);
  EXPECT_EQ(Distance(p, p), 0.0);
  EXPECT_EQ(NorthSouthComponent(p, p), 0.0);
  EXPECT_EQ(EastWestComponent(p, p), 0.0);
  EXPECT_EQ(Bearing(p, p), 0.0);
  // Known distances and components, within a millimetre.
  const GeoPoint north_east = DestinationPoint(Deg(48, 11), MetresToRad(100.0), kPi / 4);
  EXPECT_NEAR(RadToMetres(NorthSouthComponent(north_east, Deg(48, 11))), 70.7107, 1e-3);
  EXPECT_NEAR(RadToMetres(EastWestComponent(Deg(48, 11), north_east)), -70.7107, 1e-3) << "west of b: negative";
  const GeoSegment diagonal{Deg(50, 8), Deg(50.001, 8.002)};
  EXPECT_NEAR(RadToMetres(BoxHeight(diagonal)), 111.195, 1e-3);
  EXPECT_NEAR(RadToMetres(BoxWidth(diagonal)), 111.195 * 2 * std::cos(DegToRad(50.001)), 1e-3);
}

TEST(GeodesyAntimeridian, DistanceBearingAndCrossingTakeTheShortWayAcross180) {
  EXPECT_NEAR(RadToMetres(Distance(Deg(0, 179.9), Deg(0, -179.9))), 22238.985, 1e-3);
  EXPECT_NEAR(Bearing(Deg(0, 179.99), Deg(0, -179.99)), kPi / 2, 1e-9) << "still east";
  EXPECT_DOUBLE_EQ(Bearing(Deg(45, 7), Deg(44, 7)), kPi) << "due south is pi, not -pi";
  const GeoSegment line{Deg(-0.0001, 179.99999), Deg(0.0001, 179.99999)};
  const SegmentCrossing x = IntersectSegments(line, {Deg(0.00001, 179.9999), Deg(0.00001, -179.9999)});
  ASSERT_TRUE(x.IsValid());
  EXPECT_NEAR(x.fraction, 0.45, 1e-4);
  EXPECT_NEAR(RadToDeg(x.point.lon), 179.99999, 1e-7);
}

}  // namespace
}  // namespace kv
