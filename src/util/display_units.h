// DisplayUnits: the units a driver reads speeds and distances in, the
// "Units" setting (0 "Metric": km/h and metres, 1 "English": mph and feet).
// Only text meant for people goes through here: stored figures, JSON and
// the export formats keep their own fixed units.
#pragma once

#include <cstdint>

namespace kv {

enum class DisplayUnits { kMetric, kEnglish };

// The stored setting; anything but 1 is metric, the default.
inline DisplayUnits DisplayUnitsFromSetting(int32_t stored) {
  return stored == 1 ? DisplayUnits::kEnglish : DisplayUnits::kMetric;
}

inline constexpr double kKmPerMile = 1.609344;    // international mile
inline constexpr double kMetresPerFoot = 0.3048;  // international foot

// km/h to the display unit (unchanged for metric, so metric text keeps
// exactly the figures it always had). NaN stays NaN.
inline double SpeedFromKmh(double kmh, DisplayUnits units) {
  return units == DisplayUnits::kEnglish ? kmh / kKmPerMile : kmh;
}
inline double SpeedFromMps(double mps, DisplayUnits units) {
  return SpeedFromKmh(mps * 3.6, units);
}
inline const char* SpeedUnitText(DisplayUnits units) {
  return units == DisplayUnits::kEnglish ? "mph" : "km/h";
}

// Metres to the display unit (unchanged for metric). NaN stays NaN.
inline double DistanceFromMetres(double metres, DisplayUnits units) {
  return units == DisplayUnits::kEnglish ? metres / kMetresPerFoot : metres;
}
inline const char* DistanceUnitText(DisplayUnits units) {
  return units == DisplayUnits::kEnglish ? "ft" : "m";
}
// Metres to km or miles, for whole sessions.
inline double LongDistanceFromMetres(double metres, DisplayUnits units) {
  return metres / (units == DisplayUnits::kEnglish ? kKmPerMile * 1000.0 : 1000.0);
}
inline const char* LongDistanceUnitText(DisplayUnits units) {
  return units == DisplayUnits::kEnglish ? "mi" : "km";
}

}  // namespace kv
