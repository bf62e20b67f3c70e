// Earth model and position arithmetic. The earth is a sphere of radius
// 6,371,000 m; no ellipsoid anywhere. Angles are radians, distances central
// angles (metres = angle * 6,371,000), speeds rad/s, accelerations rad/s^2.
// User units appear only at the edges, through the conversions below.
//
// Every function is pure. None fails: invalid inputs propagate as NaN or
// kNotSet, a division by exactly zero gives 0 and inverse trigonometric
// arguments are clamped to [-1, 1]. Callers test GeoPoint::IsValid() on
// results. Any thread.
#pragma once

#include <cstdint>

#include "core/geo_types.h"

namespace kv {

// The multipliers, kept exactly as the stored data was produced with them.
inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;
inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kEarthRadius = 6371000.0;            // metres
inline constexpr double kMetresToRad = 1.5696123057604772e-7;
inline constexpr double kRadPerSecToKmh = 22935600.0;
inline constexpr double kRadPerSecToMph = 14251521.116678597;
inline constexpr double kRadPerSecToKnots = 12384233.261339093;
inline constexpr double kRadPerSec2ToG = 649661.1992882381;
inline constexpr double kKmhToRadPerSec = 4.360034182667992e-8;

// The no-crossing value: NaN point, NaN length, fraction 0.
struct SegmentCrossing {
  GeoPoint point;
  double length = kNoValue;  // of the movement segment, radians
  double fraction = 0.0;     // 0..1 along the movement segment

  bool IsValid() const { return point.IsValid(); }
};

// --- Unit conversions --------------------------------------------------
inline double DegToRad(double degrees) { return degrees * kDegToRad; }
inline double RadToDeg(double radians) { return radians * kRadToDeg; }
// Bearing (-pi..pi] to degrees [0, 360).
inline double BearingToDegrees(double radians) {
  return (radians < 0.0 ? radians + kTwoPi : radians) * kRadToDeg;
}
inline double MetresToRad(double metres) { return metres * kMetresToRad; }
inline double RadToMetres(double radians) { return radians * kEarthRadius; }
inline double RadPerSecToKmh(double v) { return v * kRadPerSecToKmh; }
inline double RadPerSecToMph(double v) { return v * kRadPerSecToMph; }
inline double RadPerSecToKnots(double v) { return v * kRadPerSecToKnots; }
inline double RadPerSec2ToG(double a) { return a * kRadPerSec2ToG; }
inline double KmhToRadPerSec(double kmh) { return kmh * kKmhToRadPerSec; }
inline double KnotsToRadPerSec(double knots) { return knots * 1.852 * kKmhToRadPerSec; }
inline double MphToRadPerSec(double mph) { return mph * 1.609344 * kKmhToRadPerSec; }

// NMEA "DDMM.mmmmm" as a signed number (negative south / west); kNotSet
// for NaN and for more than 360 degrees.
AngleValue NmeaToAngleValue(double nmea);
double AngleValueToNmea(AngleValue value);

GeoPoint ToGeoPoint(IntPoint point);
IntPoint ToIntPoint(GeoPoint point);
IntPoint RadiansToIntPoint(double lat, double lon);

// Both coordinates equal and equally valid.
bool SamePoint(GeoPoint a, GeoPoint b);

// --- Angle operations --------------------------------------------------
// Floored modulo: for y > 0 the result lies in [0, y).
double FlooredMod(double x, double y);
// To (-pi, pi].
double NormaliseAngle(double angle);
double ClampedAsin(double x);
double ClampedAcos(double x);
// atan2, but 0 when both are exactly 0.
double SafeAtan2(double y, double x);
// a / b, but 0 when b is exactly 0.
inline double SafeDivide(double a, double b) { return b == 0.0 ? 0.0 : a / b; }

// --- Great-circle operations -------------------------------------------
// Haversine central angle; exactly 0 for equal points.
double Distance(GeoPoint a, GeoPoint b);
inline double SegmentLength(const GeoSegment& s) { return Distance(s.start, s.end); }
// Signed components of the distance: positive when a lies north (east) of b.
double NorthSouthComponent(GeoPoint a, GeoPoint b);
double EastWestComponent(GeoPoint a, GeoPoint b);
// Initial bearing start -> end in (-pi, pi], clockwise from north.
double Bearing(GeoPoint start, GeoPoint end);
inline double Bearing(const GeoSegment& s) { return Bearing(s.start, s.end); }
// Point at central angle `distance` on `bearing` from start; the longitude
// is not wrapped.
GeoPoint DestinationPoint(GeoPoint start, double distance, double bearing);
// The segment as the diagonal of a box: height along the start meridian,
// width along the end parallel (central angles).
double BoxHeight(const GeoSegment& s);
double BoxWidth(const GeoSegment& s);
// Squared distance in 1/100 AngleValue units, for finding the point nearest
// a tap on the map; saturates at INT32_MAX.
int32_t ScreenDistanceSquared(IntPoint a, IntPoint b);

// Where the great circles of line (P1 -> P2) and movement (P3 -> P4) meet,
// on the side ahead of both starts; the invalid point when they are
// parallel, identical or meet behind a start point.
GeoPoint GreatCircleIntersection(const GeoSegment& line, const GeoSegment& movement);
// The crossing of the two segments themselves (1e-9 rad, about 6 mm, of
// slack at the ends), with the fraction along the movement.
SegmentCrossing IntersectSegments(const GeoSegment& line, const GeoSegment& movement);

}  // namespace kv
