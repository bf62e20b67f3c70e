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
