// DateTimeValue: a date as a day number and a time of day in milliseconds.
//
// The day number counts every month as 31 days:
//   day = year * 372 + (month - 1) * 31 + (day_of_month - 1)
// so day numbers sort like dates but are not contiguous (31 Dec 2023 is
// 752927, 1 Jan 2024 is 752928). The time of day is 0..86399999 ms, UTC.
// Both fields kNotSet means "unknown". Stored in session files as is.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/not_set.h"

namespace kv {

// Milliseconds in a day: times of day run from 0 to kDayMs - 1.
inline constexpr int32_t kDayMs = 86400000;

struct CalendarParts {
  int32_t year = 0, month = 0, day = 0;
  int32_t hours = 0, minutes = 0, seconds = 0, milliseconds = 0;
};

struct DateTimeValue {
  int32_t day = kNotSet;   // day number as above
  int32_t time = kNotSet;  // milliseconds of day

  bool IsKnown() const { return IsSet(day) && IsSet(time); }
  void SetUnknown() { *this = DateTimeValue{}; }

  // kNotSet when the day number would not fit in 32 bits (a year beyond
  // about +-5.7 million, which only damaged input carries).
  static constexpr int32_t MakeDay(int32_t year, int32_t month, int32_t day_of_month) {
    const int64_t day = ((int64_t{year} * 12 + month) * 31 + day_of_month) - 32;
    return day >= INT32_MIN && day < INT32_MAX ? static_cast<int32_t>(day) : kNotSet;
  }
  static constexpr int32_t MakeTime(int32_t hours, int32_t minutes, int32_t seconds,
                                    int32_t milliseconds) {
    return hours * 3600000 + minutes * 60000 + seconds * 1000 + milliseconds;
  }

  // Splits both fields; the result is meaningful only for set fields.
  CalendarParts Decompose() const;

  // Seconds since 1970-01-01 00:00:00 UTC (proleptic Gregorian), ignoring the
  // milliseconds. Day numbers whose day does not exist in its month (31 April)
  // roll over into the next month, as a calendar library would.
  int64_t ToUnixSeconds() const;
  static DateTimeValue FromUnixMs(int64_t unix_ms);
};

// Reads an NMEA time of day "hhmmss[.f..]" into milliseconds of day: up
// to six fraction digits after the ".", kept to the millisecond. Returns
// false (and leaves *ms alone) when the field is shorter than 6, a value
// is out of range, or anything but "." and up to six digits follows the
// seconds.
bool ParseNmeaTime(std::string_view field, int32_t* ms);

}  // namespace kv
