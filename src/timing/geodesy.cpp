#include "timing/geodesy.h"

#include <cmath>
#include <cstdint>

namespace kv {

AngleValue NmeaToAngleValue(double nmea) {
  const double a = std::fabs(nmea);
  if (!(a <= 36000.0)) return kNotSet;  // no angle, and beyond what the units hold
  const auto degrees = static_cast<int64_t>(a * 0.01);
  const int64_t units =
      degrees * 6000000 + static_cast<int64_t>(std::fmod(a, 100.0) * 100000.0 + 0.5);
  return static_cast<AngleValue>(nmea < 0.0 ? -units : units);
}

double AngleValueToNmea(AngleValue value) {
  const int64_t a = value < 0 ? -static_cast<int64_t>(value) : value;
  const int64_t degrees = a / 6000000;
  const int64_t rest = a - degrees * 6000000;
  const double result = static_cast<double>(degrees * 100) + static_cast<double>(rest) / 100000.0;
  return value < 0 ? -result : result;
}

GeoPoint ToGeoPoint(IntPoint point) { return {AngleValueToRad(point.lat), AngleValueToRad(point.lon)}; }

IntPoint ToIntPoint(GeoPoint point) { return {RadToAngleValue(point.lat), RadToAngleValue(point.lon)}; }

IntPoint RadiansToIntPoint(double lat, double lon) { return {RadToAngleValue(lat), RadToAngleValue(lon)}; }

bool SamePoint(GeoPoint a, GeoPoint b) {
  if (a.IsValid() != b.IsValid()) return false;
  return !a.IsValid() || (a.lat == b.lat && a.lon == b.lon);
}

double FlooredMod(double x, double y) {
  double r = std::fmod(std::fabs(x), std::fabs(y));
  // |y| - r: the remainder taken from the other side keeps the result floored
  // for negative divisors too.
  if ((x < 0.0 && y > 0.0) || (x > 0.0 && y < 0.0)) r = std::fabs(y) - r;
  return y > 0.0 ? r : -r;
}

double NormaliseAngle(double angle) {
  double a = FlooredMod(angle, kTwoPi);
  if (a > kPi) a -= kTwoPi;
  return a;
}

double ClampedAsin(double x) { return std::asin(x < -1.0 ? -1.0 : (x > 1.0 ? 1.0 : x)); }

double ClampedAcos(double x) { return std::acos(x < -1.0 ? -1.0 : (x > 1.0 ? 1.0 : x)); }

double SafeAtan2(double y, double x) {
  if (y == 0.0 && x == 0.0) return 0.0;
  return std::atan2(y, x);
}

namespace {

double Square(double x) { return x * x; }

double HaversineAngle(double a) { return 2.0 * SafeAtan2(std::sqrt(a), std::sqrt(1.0 - a)); }

}  // namespace

double Distance(GeoPoint a, GeoPoint b) {
  if (a.lat == b.lat && a.lon == b.lon) return 0.0;
  const double h = Square(std::sin((b.lat - a.lat) * 0.5)) +
                   std::cos(a.lat) * std::cos(b.lat) * Square(std::sin((b.lon - a.lon) * 0.5));
  return HaversineAngle(h);
}

double NorthSouthComponent(GeoPoint a, GeoPoint b) {
  if (a.lat == b.lat && a.lon == b.lon) return 0.0;
  const double d = HaversineAngle(Square(std::sin((b.lat - a.lat) * 0.5)));
  return a.lat > b.lat ? d : -d;
}

double EastWestComponent(GeoPoint a, GeoPoint b) {
  if (a.lat == b.lat && a.lon == b.lon) return 0.0;
  const double d =
      HaversineAngle(std::cos(a.lat) * std::cos(b.lat) * Square(std::sin((b.lon - a.lon) * 0.5)));
  return a.lon > b.lon ? d : -d;
}

double Bearing(GeoPoint start, GeoPoint end) {
  const double dlon = end.lon - start.lon;
  return SafeAtan2(std::sin(dlon) * std::cos(end.lat),
                   std::cos(start.lat) * std::sin(end.lat) -
                       std::sin(start.lat) * std::cos(end.lat) * std::cos(dlon));
}

GeoPoint DestinationPoint(GeoPoint start, double distance, double bearing) {
  const double lat = ClampedAsin(std::sin(start.lat) * std::cos(distance) +
                                 std::cos(start.lat) * std::sin(distance) * std::cos(bearing));
  const double lon =
      start.lon + std::atan2(std::sin(bearing) * std::sin(distance) * std::cos(start.lat),
                             std::cos(distance) - std::sin(start.lat) * std::sin(lat));
  return {lat, lon};
}

double BoxHeight(const GeoSegment& s) { return Distance(s.start, {s.end.lat, s.start.lon}); }

double BoxWidth(const GeoSegment& s) { return Distance(s.end, {s.end.lat, s.start.lon}); }

int32_t ScreenDistanceSquared(IntPoint a, IntPoint b) {
  // Worked in 64 bits and saturated: points far apart (or unset) must not
  // overflow, they are simply far.
  const int64_t dlat = (static_cast<int64_t>(a.lat) - b.lat) / 100;
  const int64_t dlon = (static_cast<int64_t>(a.lon) - b.lon) / 100;
  const int64_t sum = dlat * dlat + dlon * dlon;
  return sum > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sum);
}

GeoPoint GreatCircleIntersection(const GeoSegment& line, const GeoSegment& movement) {
  const GeoPoint& p1 = line.start;
  const GeoPoint& p3 = movement.start;
  if (!p1.IsValid() || !line.end.IsValid() || !p3.IsValid() || !movement.end.IsValid()) return {};
  const double lat1 = p1.lat, lon1 = p1.lon, lat3 = p3.lat, lon3 = p3.lon;
  const double crs13 = Bearing(line);
  const double crs23 = Bearing(movement);
  const double dst12 = 2.0 * ClampedAsin(std::sqrt(Square(std::sin((lat1 - lat3) * 0.5)) +
                                                   std::cos(lat1) * std::cos(lat3) *
                                                       Square(std::sin((lon1 - lon3) * 0.5))));
  const double sin_dst12 = std::sin(dst12);
  const double cos_dst12 = std::cos(dst12);
  double crs12 = ClampedAcos(
      SafeDivide(std::sin(lat3) - std::sin(lat1) * cos_dst12, sin_dst12 * std::cos(lat1)));
  double crs21 = ClampedAcos(
      SafeDivide(std::sin(lat1) - std::sin(lat3) * cos_dst12, sin_dst12 * std::cos(lat3)));
  if (std::sin(lon1 - lon3) >= 0.0) crs12 = kTwoPi - crs12;
  if (std::sin(lon3 - lon1) >= 0.0) crs21 = kTwoPi - crs21;
  double ang1 = FlooredMod(crs13 - crs12 + kPi, kTwoPi) - kPi;
  double ang2 = FlooredMod(crs21 - crs23 + kPi, kTwoPi) - kPi;
  if (std::sin(ang1) * std::sin(ang2) <= 1e-11) return {};
  ang1 = std::fabs(ang1);
  ang2 = std::fabs(ang2);
  const double ang3 =
      ClampedAcos(-std::cos(ang1) * std::cos(ang2) + std::sin(ang1) * std::sin(ang2) * cos_dst12);
  const double dst13 = ClampedAsin(SafeDivide(sin_dst12 * std::sin(ang2), std::sin(ang3)));
  const double lat = ClampedAsin(std::sin(lat1) * std::cos(dst13) +
                                 std::cos(lat1) * std::sin(dst13) * std::cos(crs13));
  const double dlon = ClampedAsin(SafeDivide(std::sin(crs13) * std::sin(dst13), std::cos(lat)));
  const double lon = FlooredMod(lon1 + dlon + kPi, kTwoPi) - kPi;
  return {lat, lon};
}

SegmentCrossing IntersectSegments(const GeoSegment& line, const GeoSegment& movement) {
  constexpr double kSlack = 1e-9;  // radians, about 6.4 mm
  const GeoPoint x = GreatCircleIntersection(line, movement);
  if (!x.IsValid()) return {};
  if (Distance(line.start, x) + Distance(line.end, x) > SegmentLength(line) + kSlack) return {};
  const double to_start = Distance(movement.start, x);
  const double to_end = Distance(movement.end, x);
  const double length = SegmentLength(movement);
  if (to_start + to_end > length + kSlack) return {};
  const double sum = to_start + to_end;
  return {x, length, sum > 0.0 ? to_start / sum : 0.0};
}

}  // namespace kv
