#include "acquisition/nmea_fields.h"

#include <string>

#include "core/date_time.h"

namespace kv::nmea {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool ParseReal(std::string_view text, double* value) {
  const std::string copy(text);  // ends in NUL, which stops the scanner
  double v;
  bool ok;
  if (detail::ScanReal(copy.c_str(), &v, &ok) != copy.c_str() + copy.size() || !ok) return false;
  *value = v;
  return true;
}

bool ParseInt(std::string_view text, int32_t* value) {
  const std::string copy(text);
  int32_t v;
  bool ok;
  if (detail::ScanInt(copy.c_str(), &v, &ok) != copy.c_str() + copy.size() || !ok) return false;
  *value = v;
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

bool RmcDate::Read(FieldReader& in) const {
  std::string_view f;
  if (!in.Take(&f) || f.size() < 6) return false;
  for (int i = 0; i < 6; ++i) {
    if (!detail::IsDigit(f[i])) return false;
  }
  const int32_t dd = (f[0] - '0') * 10 + (f[1] - '0');
  const int32_t mm = (f[2] - '0') * 10 + (f[3] - '0');
  const int32_t yy = (f[4] - '0') * 10 + (f[5] - '0');
  if (dd < 1 || dd > 31 || mm < 1 || mm > 12) return false;
  // Two-digit years: 80-99 are the GPS era's first decades, the rest this
  // century's.
  *day = DateTimeValue::MakeDay((yy >= 80 ? 1900 : 2000) + yy, mm, dd);
  return true;
}

}  // namespace kv::nmea
