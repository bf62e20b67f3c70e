// Position types. The earth is a sphere of radius 6,371,000 m; angles are
// radians, distances central angles (metres = angle * 6,371,000), speeds
// central angles per second.
#pragma once

#include <cstdint>

#include "core/not_set.h"

namespace kv {

// Signed 32-bit angle in 1/6,000,000 degree (1/100,000 arc-minute, the
// resolution of NMEA "DDMM.mmmmm"); kNotSet when not set. Also carries
// stored distances (a central angle) and stored speeds (per 1000 s).
using AngleValue = int32_t;

// The scale of AngleValue, kept exactly as the stored data was produced
// with it, and of the radians x 2^29 form older files hold.
inline constexpr double kAngleValueToRad = 2.9088820866571646e-9;
inline constexpr double kRadToAngleValue = 343774677.0785;
inline constexpr double kFixed29ToRad = 1.862645149230957e-9;  // 2^-29

// kNotSet gives NaN.
double AngleValueToRad(AngleValue value);
// NaN (and a value beyond the int32 range) gives kNotSet; otherwise rounded
// half up, truncated toward zero.
AngleValue RadToAngleValue(double radians);
// Radians scaled by 2^29 in an int32 (older stored forms).
AngleValue Fixed29ToAngleValue(int32_t fixed);

// Latitude then longitude, each an AngleValue; the form positions take in
// records, files and track profiles.
struct IntPoint {
  AngleValue lat = kNotSet;
  AngleValue lon = kNotSet;

  bool IsSet() const { return lat != kNotSet && lon != kNotSet; }
  friend bool operator==(const IntPoint&, const IntPoint&) = default;
};

inline constexpr AngleValue kMaxLatitudeValue = 90 * 6000000;
inline constexpr AngleValue kMaxLongitudeValue = 180 * 6000000;

// Each coordinate that is set lies on the globe: what a receiver can give.
// Damaged files hold other values, which only feed the arithmetic nonsense.
constexpr bool OnGlobeWhereSet(IntPoint p) {
  return (p.lat == kNotSet || (p.lat >= -kMaxLatitudeValue && p.lat <= kMaxLatitudeValue)) &&
         (p.lon == kNotSet || (p.lon >= -kMaxLongitudeValue && p.lon <= kMaxLongitudeValue));
}

// Latitude then longitude in radians, north and east positive; valid only
// when neither is NaN.
struct GeoPoint {
  double lat = kNoValue;
  double lon = kNoValue;

  bool IsValid() const { return kv::IsSet(lat) && kv::IsSet(lon); }
};

struct GeoSegment {
  GeoPoint start;
  GeoPoint end;
};

}  // namespace kv
