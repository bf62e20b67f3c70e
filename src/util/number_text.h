// Number-to-text conversions that both string kinds share. They write ASCII
// into small fixed buffers; the string classes copy the characters out as
// their own units. No allocation, no locale.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kv::number_text {

// Most decimal places FormatReal writes; larger requests are clamped.
inline constexpr int32_t kMaxDecimals = 20;

// Digits of an integer's magnitude (no sign, no padding).
struct Digits {
  std::array<char, 20> chars{};
  int32_t length = 0;
  std::string_view View() const { return {chars.data(), static_cast<size_t>(length)}; }
};

Digits DecimalDigits(int64_t value);
// Upper-case hexadecimal digits ("%X"), no padding.
Digits HexDigits(uint32_t value);

// A formatted real number: at most 1 sign + 309 integer digits + "." +
// kMaxDecimals digits.
struct RealText {
  std::array<char, 336> chars;  // only the first `length` are written
  int32_t length = 0;
  std::string_view View() const { return {chars.data(), static_cast<size_t>(length)}; }
};

// Real number with `decimals` (0..kMaxDecimals, clamped) digits:
// "NaN" for a NaN whatever the other arguments; "-" for negative values
// (then the absolute value), "+" for the others when `sign` is set; rounded
// half up by adding 0.5 * 10^-decimals to the absolute value; the integer
// digits ("0" below 1); then, if decimals >= 1, "." and exactly `decimals`
// digits. Infinities are written as "Inf" after the sign.
//
// The half is added to the shortest decimal text that reads back as the same
// double, not to the binary value: 2.675 is stored as 2.67499999999999982...,
// and a binary addition of 0.005 would print 2.67 where the user typed and
// expects 2.675 -> 2.68.
//
// Most values are formatted from their scaled binary value, which gives the
// same digits wherever the value is not within a few units in the last place
// of a half; the others go through the text.
RealText FormatReal(double value, int32_t decimals, bool sign);
// The same by the shortest text alone: the rule itself, slower.
RealText FormatRealByText(double value, int32_t decimals, bool sign);

}  // namespace kv::number_text
