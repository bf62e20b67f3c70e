#include "acquisition/nmea_fields.h"

#include <array>
#include <cfloat>

#include "core/date_time.h"

namespace kv::nmea {

namespace {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The scale of the k-th fraction digit, each the previous divided by 10, as
// the digit rule builds them; computed at compile time with the same IEEE
// divisions the rule would do at run time.
constexpr int kTenthsCount = 24;
constexpr std::array<double, kTenthsCount> MakeTenths() {
  std::array<double, kTenthsCount> tenths{};
  double scale = 0.1;
  for (double& t : tenths) {
    t = scale;
    scale /= 10;
  }
  return tenths;
}
constexpr std::array<double, kTenthsCount> kTenths = MakeTenths();

// Integer digits that a uint64_t holds exactly and a double too (below 2^53),
// so accumulating them as an integer gives the digit rule's value.
constexpr int kExactWholeDigits = 15;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ReadNumberAndSign(FieldReader& in, char positive, char negative, double* value) {
  std::string_view number, sign;
  const bool have_number = in.Take(&number);
  const bool have_sign = have_number && in.Take(&sign);
  double v;
  if (!have_sign || !ParseReal(number, &v) || sign.size() != 1) return false;
  if (sign[0] == negative) {
    v = -v;
  } else if (sign[0] != positive) {
    return false;
  }
  *value = v;
  return true;
}

}  // namespace

bool ParseReal(std::string_view text, double* value) {
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p != end && *p == '-') {
    negative = true;
    ++p;
  }
  bool any_digit = false;
  uint64_t whole = 0;
  int whole_digits = 0;
  while (p != end && IsDigit(*p) && whole_digits < kExactWholeDigits) {
    whole = whole * 10 + static_cast<uint64_t>(*p - '0');
    ++whole_digits;
    ++p;
  }
  double v = static_cast<double>(whole);
  any_digit = whole_digits > 0;
  while (p != end && IsDigit(*p)) {  // beyond 15 digits: the rule in doubles
    v = v * 10 + (*p - '0');
    any_digit = true;
    ++p;
  }
  if (p != end) {
    if (*p != '.') return false;
    ++p;
    int k = 0;
    double scale = kTenths[kTenthsCount - 1];
    for (; p != end && IsDigit(*p); ++p, ++k) {
      const int digit = *p - '0';
      if (k >= kTenthsCount) scale /= 10;
      // Adding 0 changes nothing, so zero digits are passed over.
      if (digit != 0) v += digit * (k < kTenthsCount ? kTenths[k] : scale);
      any_digit = true;
    }
    if (p != end) return false;
  }
  if (!any_digit || !(v <= DBL_MAX)) return false;
  *value = negative ? -v : v;
  return true;
}

bool ParseInt(std::string_view text, int32_t* value) {
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p != end && *p == '-') {
    negative = true;
    ++p;
  }
  if (p == end) return false;
  int64_t v = 0;
  for (; p != end; ++p) {
    if (!IsDigit(*p)) return false;
    v = v * 10 + (*p - '0');
    if (v > INT32_MAX) return false;
  }
  *value = static_cast<int32_t>(negative ? -v : v);
  return true;
}

bool ParseHex(std::string_view text, uint32_t* value) {
  if (text.empty()) return false;
  uint32_t v = 0;
  for (const char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0 || v > 0x0FFFFFFFu) return false;
    v = v << 4 | static_cast<uint32_t>(digit);
  }
  *value = v;
  return true;
}

bool Time::Read(FieldReader& in) const {
  std::string_view f;
  if (in.Take(&f) && ParseNmeaTime(f, ms)) return true;
  *ms = 0;
  return false;
}

bool RmcDate::Read(FieldReader& in) const {
  std::string_view f;
  if (!in.Take(&f) || f.size() < 6) return false;
  for (int i = 0; i < 6; ++i) {
    if (!IsDigit(f[i])) return false;
  }
  const int32_t dd = (f[0] - '0') * 10 + (f[1] - '0');
  const int32_t mm = (f[2] - '0') * 10 + (f[3] - '0');
  const int32_t yy = (f[4] - '0') * 10 + (f[5] - '0');
  if (dd < 1 || dd > 31 || mm < 1 || mm > 12) return false;
  *day = DateTimeValue::MakeDay(2000 + yy, mm, dd);
  return true;
}

bool Knots::Read(FieldReader& in) const {
  std::string_view f;
  double v;
  if (!in.Take(&f) || !ParseReal(f, &v) || v < 0 || v > 1000) return false;
  *value = v;
  return true;
}

bool Latitude::Read(FieldReader& in) const {
  return ReadNumberAndSign(in, 'N', 'S', value);
}

bool Longitude::Read(FieldReader& in) const {
  return ReadNumberAndSign(in, 'E', 'W', value);
}

}  // namespace kv::nmea
