// Markers for values that do not exist. Every record starts with its values
// set to these; ask with IsSet() rather than comparing with literals.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kv {

inline constexpr int32_t kNotSet = 0x7FFFFFFF;  // 32-bit integers and times
inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

constexpr bool IsSet(int32_t value) { return value != kNotSet; }
inline bool IsSet(double value) { return !std::isnan(value); }

}  // namespace kv
