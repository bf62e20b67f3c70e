#include "core/date_time.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// Session files store day numbers as they are: a changed formula would read
// every earlier session wrong.
TEST(DateTimeValue, DayNumbersCountEveryMonthAs31DaysAndConvertToUnixTime) {
  EXPECT_EQ(DateTimeValue::MakeDay(2023, 12, 31), 752927);
  EXPECT_EQ(DateTimeValue::MakeDay(2023, 3, 1) - DateTimeValue::MakeDay(2023, 2, 28), 4);
  EXPECT_EQ(DateTimeValue::MakeDay(99999999, 12, 31), kNotSet) << "a damaged year must not overflow";
  const struct {
    int y, m, d, ms;
    int64_t unix_seconds;
  } cases[] = {
      {1969, 12, 31, 86399000, -1},  // before the epoch the division rounds the other way
      {2000, 2, 29, 43200000, 951825600},
      {2023, 12, 31, 86399000, 1704067199},
  };
  for (const auto& c : cases) {
    const DateTimeValue value{DateTimeValue::MakeDay(c.y, c.m, c.d), c.ms};
    EXPECT_EQ(value.ToUnixSeconds(), c.unix_seconds) << c.y;
    const DateTimeValue back = DateTimeValue::FromUnixMs(c.unix_seconds * 1000);
    EXPECT_EQ(back.day, value.day) << c.y;
    EXPECT_EQ(back.time, value.time) << c.y;
    const CalendarParts p = value.Decompose();
    EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, c.y * 10000 + c.m * 100 + c.d);
    EXPECT_EQ(DateTimeValue::MakeTime(p.hours, p.minutes, p.seconds, p.milliseconds), c.ms);
  }
}

TEST(ParseNmeaTime, FractionDigitsByFieldLength) {
  const struct {
    const char* field;
    int32_t ms;  // -1: the read fails and leaves the output alone
  } cases[] = {
      {"123456.7", 45296700},
      {"123456.789", 45296789},
      {"123456.", 45296000},      // 7 characters: no fraction
      {"123456.7891", 45296000},  // 11 characters: no fraction either
      {"12345", -1},
      {"243456", -1},
      {"123460", -1},
      {"123456.7x", -1},
  };
  for (const auto& c : cases) {
    int32_t ms = -1;
    EXPECT_EQ(ParseNmeaTime(c.field, &ms), c.ms >= 0) << c.field;
    EXPECT_EQ(ms, c.ms) << c.field;
  }
}

}  // namespace
}  // namespace kv
