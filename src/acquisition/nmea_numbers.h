// Number scanning for the NMEA field reader (nmea_fields.h), in place over
// the received text and without allocation, locale or strtod.
//
// Reals are built by the digit rule: the integer part digit by digit (times
// 10 plus the digit), then each fraction digit times its scale added in
// order, the scales being 0.1 and each further one the previous divided by
// 10. Integer parts are exact (they are accumulated as integers while below
// 2^53, which gives the same double). The rule's rounding differs from the
// correctly rounded value by up to about 3 ulp with 8 fraction digits.
//
// The scanners stop at the first character that cannot continue the number
// and do not compare positions with the end of the text: the text must be
// followed by a readable character that is neither a digit nor '.' (every
// received line is: the sentence ends before '*', CR or LF; so is the NUL
// after a std::string's characters).
#pragma once

#include <array>
#include <cfloat>
#include <cstddef>
#include <cstdint>

namespace kv::nmea::detail {

constexpr bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

inline constexpr int kTenthsCount = 24;

constexpr std::array<double, kTenthsCount> MakeTenths() {
  std::array<double, kTenthsCount> tenths{};
  double scale = 0.1;
  for (double& t : tenths) {
    t = scale;
    scale /= 10;
  }
  return tenths;
}
// The scale of the k-th fraction digit, computed at compile time with the
// same IEEE operations as at run time.
inline constexpr std::array<double, kTenthsCount> kTenths = MakeTenths();

// Integer digits that a uint64_t and a double both hold exactly.
inline constexpr int kExactWholeDigits = 15;

// Reads a real from p on and returns where it stopped. *ok: at least one
// digit and a finite value. Accepts one leading '-'.
inline const char* ScanReal(const char* p, double* value, bool* ok) {
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  const char* const digits = p;
  uint64_t whole = 0;  // exact up to 15 digits, wraps only past 19
  for (; IsDigit(*p); ++p) whole = whole * 10 + static_cast<uint64_t>(*p - '0');
  double v = static_cast<double>(whole);
  if (p - digits > kExactWholeDigits) {  // past 15 digits the rule goes on in doubles
    const char* q = digits;
    for (whole = 0; q != digits + kExactWholeDigits; ++q)
      whole = whole * 10 + static_cast<uint64_t>(*q - '0');
    for (v = static_cast<double>(whole); q != p; ++q) v = v * 10 + (*q - '0');
  }
  bool any_digit = p != digits;
  if (*p == '.') {
    ++p;
    const char* const fraction = p;
    int k = 0;
    for (; k < kTenthsCount && IsDigit(*p); ++p, ++k) v += (*p - '0') * kTenths[k];
    if (k == kTenthsCount) {  // past the table: each scale the previous divided by 10
      double scale = kTenths[kTenthsCount - 1];
      for (; IsDigit(*p); ++p) {
        scale /= 10;
        v += (*p - '0') * scale;
      }
    }
    any_digit = any_digit || p != fraction;
  }
  *ok = any_digit && v <= DBL_MAX;
  *value = negative ? -v : v;
  return p;
}

// Reads an integer (optional '-', digits, within int32) from p on; stops
// like ScanReal.
inline const char* ScanInt(const char* p, int32_t* value, bool* ok) {
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  const char* const digits = p;
  uint64_t v = 0;  // wraps only past 19 digits
  for (; IsDigit(*p); ++p) v = v * 10 + static_cast<uint64_t>(*p - '0');
  bool in_range = v <= INT32_MAX;
  if (p - digits > 19) {  // the sum may have wrapped: only leading zeros may pad it
    const char* first = digits;
    while (first != p && *first == '0') ++first;
    in_range = in_range && p - first <= 10;
  }
  *ok = p != digits && in_range;
  *value = static_cast<int32_t>(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
  return p;
}

}  // namespace kv::nmea::detail
