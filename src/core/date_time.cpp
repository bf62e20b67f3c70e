#include "core/date_time.h"

namespace kv {

namespace {

// Days from 1970-01-01 to the given civil date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int32_t* year, int32_t* month, int32_t* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int32_t>(yoe + era * 400 + (m <= 2));
  *month = static_cast<int32_t>(m);
  *day = static_cast<int32_t>(d);
}

bool TwoDigits(const char* p, int32_t* out) {
  if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') return false;
  *out = (p[0] - '0') * 10 + (p[1] - '0');
  return true;
}

}  // namespace

CalendarParts DateTimeValue::Decompose() const {
  CalendarParts parts;
  parts.year = day / 372;
  const int32_t rest = day % 372;
  parts.month = rest / 31 + 1;
  parts.day = rest % 31 + 1;
  parts.hours = time / 3600000;
  parts.minutes = time / 60000 % 60;
  parts.seconds = time / 1000 % 60;
  parts.milliseconds = time % 1000;
  return parts;
}

int64_t DateTimeValue::ToUnixSeconds() const {
  const CalendarParts p = Decompose();
  const int64_t days = DaysFromCivil(p.year, p.month, 1) + (p.day - 1);
  return days * 86400 + time / 1000;
}

DateTimeValue DateTimeValue::FromUnixMs(int64_t unix_ms) {
  int64_t days = unix_ms / 86400000;
  int64_t ms = unix_ms % 86400000;
  if (ms < 0) {
    ms += 86400000;
    --days;
  }
  int32_t y, m, d;
  CivilFromDays(days, &y, &m, &d);
  return DateTimeValue{MakeDay(y, m, d), static_cast<int32_t>(ms)};
}

namespace {
constexpr size_t kMaxFractionDigits = 6;
}  // namespace

bool ParseNmeaTime(std::string_view field, int32_t* ms) {
  if (field.size() < 6) return false;
  int32_t h, m, s;
  if (!TwoDigits(field.data(), &h) || !TwoDigits(field.data() + 2, &m) ||
      !TwoDigits(field.data() + 4, &s) || h > 23 || m > 59 || s > 59)
    return false;
  int32_t fraction = 0;
  const size_t n = field.size();
  // No receiver sends more than a "." and a few fraction digits after the
  // seconds; anything else is damage, not a time.
  if (n > 6 && (field[6] != '.' || n > 7 + kMaxFractionDigits)) return false;
  // Digits from the eighth character on, tenths first; those below the
  // millisecond are dropped.
  static constexpr int32_t kPlace[3] = {100, 10, 1};
  for (size_t i = 7; i < n; ++i) {
    const char c = field[i];
    if (c < '0' || c > '9') return false;
    if (i - 7 < 3) fraction += (c - '0') * kPlace[i - 7];
  }
  *ms = DateTimeValue::MakeTime(h, m, s, fraction);
  return true;
}

}  // namespace kv
