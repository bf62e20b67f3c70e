// Positions as people and text files write them: "LAT,LON" in signed
// decimal degrees, north and east positive ("50.4362800,-5.9722000").
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/geo_types.h"

namespace kv {

inline constexpr double kAngleValuesPerDegree = 6000000.0;

// Exactly one comma between two numbers with "." as the decimal point,
// latitude within ±90 and longitude within ±180; nothing otherwise.
std::optional<IntPoint> ParseLatLon(std::string_view text);

// Both coordinates with 7 decimals (1e-7 degree, about 1 cm), rounded half
// away from zero in integers, so the text is the same on every machine.
std::string LatLonText(IntPoint position);

}  // namespace kv
