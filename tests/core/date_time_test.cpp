#include "core/date_time.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// Session files store these numbers: a changed formula reads old files wrong.
TEST(DateTimeValue, DayNumbersCountEveryMonthAs31Days) {
  EXPECT_EQ(DateTimeValue::MakeDay(2023, 12, 31), 752927);
  EXPECT_EQ(DateTimeValue::MakeDay(2024, 1, 1), 752928);
  EXPECT_EQ(DateTimeValue::MakeDay(2023, 3, 1) - DateTimeValue::MakeDay(2023, 2, 28), 4);
  EXPECT_EQ(DateTimeValue::MakeDay(99999999, 12, 31), kNotSet) << "a damaged year must not overflow";
  EXPECT_EQ(DateTimeValue::MakeDay(-99999999, 1, 1), kNotSet);
}

TEST(DateTimeValue, UnixTimeRoundTripsAcrossLeapDaysAndYearEnds) {
  const struct {
    int y, m, d, ms;
    int64_t unix_seconds;
  } cases[] = {
      {1969, 12, 31, 86399000, -1},  // before the epoch the division rounds the other way
      {1970, 1, 1, 0, 0},
      {2000, 2, 29, 43200000, 951825600},
      {2023, 12, 31, 86399000, 1704067199},
  };
  for (const auto& c : cases) {
    const DateTimeValue value{DateTimeValue::MakeDay(c.y, c.m, c.d), c.ms};
    EXPECT_EQ(value.ToUnixSeconds(), c.unix_seconds) << c.y << "-" << c.m << "-" << c.d;
    const DateTimeValue back = DateTimeValue::FromUnixMs(c.unix_seconds * 1000);
    EXPECT_EQ(back.day, value.day) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(back.time, value.time) << c.y << "-" << c.m << "-" << c.d;
    const CalendarParts p = value.Decompose();
    EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, c.y * 10000 + c.m * 100 + c.d);
    EXPECT_EQ(DateTimeValue::MakeTime(p.hours, p.minutes, p.seconds, p.milliseconds), c.ms);
  }
}

TEST(ParseNmeaTime, FractionDigitsByFieldLength) {
  const struct {
    const char* field;
    bool ok;
    int32_t ms;
  } cases[] = {
      {"123456.7", true, 45296700},
      {"123456.789", true, 45296789},
      {"123456.", true, 45296000},      // 7 characters: no fraction
      {"123456.7891", true, 45296000},  // 11 characters: no fraction either
      {"235959.999", true, 86399999},
      {"12345", false, 0},   // too short
      {"243456", false, 0},  // hour 24
      {"126056", false, 0},  // minute 60
      {"123460", false, 0},  // second 60
      {"12a456", false, 0},
      {"123456.7x", false, 0},
  };
  for (const auto& c : cases) {
    int32_t ms = -1;
    EXPECT_EQ(ParseNmeaTime(c.field, &ms), c.ok) << c.field;
    EXPECT_EQ(ms, c.ok ? c.ms : -1) << c.field << ": a failure leaves the output alone";
  }
}

}  // namespace
}  // namespace kv
