#include "util/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kv::number_text {

Digits DecimalDigits(int64_t value) {
  // Through unsigned arithmetic so that the most negative value has a
  // magnitude too.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  Digits out;
  char reversed[20];
  int32_t count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (count > 0) out.chars[static_cast<size_t>(out.length++)] = reversed[--count];
  return out;
}

Digits HexDigits(uint32_t value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Digits out;
  char reversed[8];
  int32_t count = 0;
  do {
    reversed[count++] = kHex[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (count > 0) out.chars[static_cast<size_t>(out.length++)] = reversed[--count];
  return out;
}

namespace {

// Powers of ten that are exact doubles.
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Values below this, scaled, are whole numbers of at most 15 digits whose
// spacing is at most 1/8.
constexpr double kShortcutLimit = 1e15;

// The rounded digits of |value| * 10^decimals when they can be had from
// binary arithmetic: the shortest text T differs from `value` by half a unit
// in the last place, and the product is rounded once more, so the scaled
// result lies within 1.5 units of T * 10^decimals. Rounding half up is
// continuous everywhere but at the halves; away from a half by more than
// that, rounding the product gives the digits the text would. False near
// a half (2.675 -> 267.4999...), where only the text can decide.
bool ScaledDigits(double magnitude, int32_t decimals, uint64_t* digits) {
  if (decimals >= static_cast<int32_t>(std::size(kPowersOfTen))) return false;
  const double scaled = magnitude * kPowersOfTen[decimals];
  if (!(scaled < kShortcutLimit)) return false;
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  const double margin = scaled * 1e-15;  // about 4.5 units in the last place
  if (std::fabs(fraction - 0.5) <= margin) return false;
  *digits = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  return true;
}

}  // namespace

RealText FormatReal(double value, int32_t decimals, bool sign) {
  if (std::isfinite(value)) {
    const int32_t kept = std::clamp(decimals, 0, kMaxDecimals);
    uint64_t digits = 0;
    if (ScaledDigits(std::fabs(value), kept, &digits)) {
      RealText out;
      if (value < 0) {
        out.chars[static_cast<size_t>(out.length++)] = '-';
      } else if (sign) {
        out.chars[static_cast<size_t>(out.length++)] = '+';
      }
      // Digits from the right, at least one before the point.
      char text[32];
      char* const end = text + sizeof text;
      char* first = end;
      int32_t count = 0;
      while (digits != 0 || count <= kept) {
        if (count == kept && kept > 0) *--first = '.';
        *--first = static_cast<char>('0' + digits % 10);
        digits /= 10;
        ++count;
      }
      std::memcpy(out.chars.data() + out.length, first, static_cast<size_t>(end - first));
      out.length += static_cast<int32_t>(end - first);
      return out;
    }
  }
  return FormatRealByText(value, decimals, sign);
}

RealText FormatRealByText(double value, int32_t decimals, bool sign) {
  RealText out;
  auto put = [&out](char c) { out.chars[static_cast<size_t>(out.length++)] = c; };
  auto put_text = [&put](std::string_view text) {
    for (char c : text) put(c);
  };
  if (std::isnan(value)) {
    put_text("NaN");
    return out;
  }
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  if (value < 0) {
    put('-');
  } else if (sign) {
    put('+');
  }
  value = std::fabs(value);  // also drops the sign of -0.0, which is not negative
  if (std::isinf(value)) {
    put_text("Inf");
    return out;
  }

  // Shortest fixed-notation text that reads back as `value`: at most 309
  // integer digits, or "0." and up to 340 fraction digits for subnormals.
  char shortest[400];
  const std::to_chars_result written =
      std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::fixed);
  const std::string_view text(
      shortest, written.ec == std::errc() ? static_cast<size_t>(written.ptr - shortest) : 0);
  const size_t dot = text.find('.');
  const std::string_view integer_part = dot == std::string_view::npos ? text : text.substr(0, dot);
  const std::string_view fraction =
      dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);

  // The kept digits: integer part, then `decimals` fraction digits (zeros
  // where the text has no more), with one spare place in front for a carry.
  char digits[1 + 309 + kMaxDecimals];
  int32_t count = 1;
  digits[0] = '0';
  for (char c : integer_part) digits[count++] = c;
  if (integer_part.empty()) digits[count++] = '0';
  for (int32_t i = 0; i < decimals; ++i) {
    digits[count++] =
        static_cast<size_t>(i) < fraction.size() ? fraction[static_cast<size_t>(i)] : '0';
  }
  // Adding 5 in the first dropped place carries into the kept digits
  // exactly when that place holds 5 or more; the rest is truncated.
  const size_t dropped = static_cast<size_t>(decimals);
  if (dropped < fraction.size() && fraction[dropped] >= '5') {
    int32_t i = count - 1;
    while (digits[i] == '9') digits[i--] = '0';
    ++digits[i];
  }

  const int32_t integer_end = count - decimals;
  int32_t first = 0;
  while (first < integer_end - 1 && digits[first] == '0') ++first;
  for (int32_t i = first; i < integer_end; ++i) put(digits[i]);
  if (decimals > 0) {
    put('.');
    for (int32_t i = integer_end; i < count; ++i) put(digits[i]);
  }
  return out;
}

}  // namespace kv::number_text
