#include "core/geo_types.h"

namespace kv {

double AngleValueToRad(AngleValue value) {
  if (!IsSet(value)) return kNoValue;
  return static_cast<double>(value) * kAngleValueToRad;
}

AngleValue RadToAngleValue(double radians) {
  if (!IsSet(radians)) return kNotSet;
  // Rounded half up, then truncated toward zero: negative values therefore
  // round differently from positive ones, as the stored data was written.
  const double units = radians * kRadToAngleValue + 0.5;
  // Beyond about +-6.2 rad there is no such value (and no such position).
  if (!(units > -2147483648.0 && units < 2147483647.0)) return kNotSet;
  return static_cast<AngleValue>(units);
}

AngleValue Fixed29ToAngleValue(int32_t fixed) {
  return RadToAngleValue(static_cast<double>(fixed) * kFixed29ToRad);
}

}  // namespace kv
