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
// Up to 7 integer and 7 fraction digits are read eight bytes at a time when
// the text allows; the result is the same as digit by digit, since adding a
// zero product leaves the sum unchanged.
#pragma once

#include <array>
#include <bit>
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstring>

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

// digit × scale of the k-th fraction digit, for digits 0..15 (10..15 never
// occur and are 0).
constexpr std::array<std::array<double, 16>, kTenthsCount> MakeProducts() {
  std::array<std::array<double, 16>, kTenthsCount> products{};
  for (int k = 0; k < kTenthsCount; ++k) {
    for (int d = 0; d < 10; ++d) products[k][d] = d * kTenths[k];
  }
  return products;
}
inline constexpr std::array<std::array<double, 16>, kTenthsCount> kProducts = MakeProducts();

// Integer digits that a uint64_t and a double both hold exactly.
inline constexpr int kExactWholeDigits = 15;

inline constexpr bool kWordWise = std::endian::native == std::endian::little;
inline constexpr uint64_t kAsciiZeros = 0x3030303030303030ull;

// The eight bytes at p as a little-endian word, XOR-ed with '0' in every
// byte, so digit bytes hold their values 0..9.
inline uint64_t DigitWord(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  return word ^ kAsciiZeros;
}

// How many of the bytes of a DigitWord are digits before the first other
// one (8 when all are). A carry out of a non-digit byte can only disturb
// the bytes after it.
inline int LeadingDigits(uint64_t x) {
  const uint64_t non_digit = (x | (x + 0x0606060606060606ull)) & 0xF0F0F0F0F0F0F0F0ull;
  return non_digit == 0 ? 8 : std::countr_zero(non_digit) / 8;
}

// The value of the first n (1..8) digits of a DigitWord.
inline uint64_t DigitsValue(uint64_t x, int n) {
  uint64_t y = x << (64 - 8 * n);  // the digits into the top bytes, zeros before them
  y = y * 10 + (y >> 8);           // pairs
  y = (((y & 0x000000FF000000FFull) * 0x000F424000000064ull) +
       (((y >> 16) & 0x000000FF000000FFull) * 0x0000271000000001ull)) >> 32;
  return y;
}

// Reads a real from p on and stops at the first character that cannot
// continue it, which it returns. *ok: at least one digit and a finite value.
// Accepts one leading '-'.
inline const char* ScanReal(const char* p, const char* end, double* value, bool* ok) {
  bool negative = false;
  if (p != end && *p == '-') {
    negative = true;
    ++p;
  }
  const char* const digits = p;
  double v = 0;
  int n = 8;
  if (kWordWise && end - p >= 8) {
    const uint64_t x = DigitWord(p);
    n = LeadingDigits(x);
    if (n < 8) {
      v = n == 0 ? 0.0 : static_cast<double>(DigitsValue(x, n));
      p += n;
    }
  }
  if (n == 8) {
    const char* const exact_end = end - p > kExactWholeDigits ? p + kExactWholeDigits : end;
    uint64_t whole = 0;
    for (; p != exact_end && IsDigit(*p); ++p) whole = whole * 10 + static_cast<uint64_t>(*p - '0');
    v = static_cast<double>(whole);
    if (p == exact_end) {
      for (; p != end && IsDigit(*p); ++p) v = v * 10 + (*p - '0');  // past 15 digits
    }
  }
  bool any_digit = p != digits;
  if (p != end && *p == '.') {
    ++p;
    const char* const fraction = p;
    int m = 8;
    if (kWordWise && end - p >= 8) {
      const uint64_t x = DigitWord(p);
      m = LeadingDigits(x);
      if (m < 8) {
        // Seven additions whatever m is: the bytes past the digits are
        // cleared to 0, and adding 0 changes nothing.
        const uint64_t d = m == 0 ? 0 : x & (~uint64_t{0} >> (64 - 8 * m));
        v += kProducts[0][d & 0xF];
        v += kProducts[1][d >> 8 & 0xF];
        v += kProducts[2][d >> 16 & 0xF];
        v += kProducts[3][d >> 24 & 0xF];
        v += kProducts[4][d >> 32 & 0xF];
        v += kProducts[5][d >> 40 & 0xF];
        v += kProducts[6][d >> 48 & 0xF];
        p += m;
      }
    }
    if (m == 8) {
      const char* const table_end = end - p > kTenthsCount ? p + kTenthsCount : end;
      int k = 0;
      for (; p != table_end && IsDigit(*p); ++p, ++k) v += kProducts[k][*p - '0'];
      if (p == table_end) {  // past the table: each scale the previous divided by 10
        double scale = kTenths[kTenthsCount - 1];
        for (; p != end && IsDigit(*p); ++p) {
          scale /= 10;
          v += (*p - '0') * scale;
        }
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
inline const char* ScanInt(const char* p, const char* end, int32_t* value, bool* ok) {
  bool negative = false;
  if (p != end && *p == '-') {
    negative = true;
    ++p;
  }
  const char* const digits = p;
  int64_t v = 0;
  bool in_range = true;
  for (; p != end && IsDigit(*p); ++p) {
    v = v * 10 + (*p - '0');
    if (v > INT32_MAX) {
      in_range = false;
      v = 0;
    }
  }
  *ok = p != digits && in_range;
  *value = static_cast<int32_t>(negative ? -v : v);
  return p;
}

}  // namespace kv::nmea::detail
