#include "core/date_time.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(DateTimeValue, DayNumbersCountEveryMonthAs31Days) {
  EXPECT_EQ(DateTimeValue::MakeDay(2023, 12, 31), 752927);
  EXPECT_EQ(DateTimeValue::MakeDay(2024, 1, 1), 752928);
  // Not contiguous: 28 Feb and 1 Mar are four numbers apart.
  EXPECT_EQ(DateTimeValue::MakeDay(2023, 3, 1) - DateTimeValue::MakeDay(2023, 2, 28), 4);
}

TEST(DateTimeValue, DayNumberOfADamagedYearIsNotSetInsteadOfOverflowing) {
  EXPECT_EQ(DateTimeValue::MakeDay(99999999, 12, 31), kNotSet);
  EXPECT_EQ(DateTimeValue::MakeDay(-99999999, 1, 1), kNotSet);
  EXPECT_EQ(DateTimeValue::MakeDay(9999, 12, 31), 9999 * 372 + 11 * 31 + 30);
}

TEST(DateTimeValue, StartsUnknown) {
  DateTimeValue value;
  EXPECT_FALSE(value.IsKnown());
  EXPECT_EQ(value.day, kNotSet);
  EXPECT_EQ(value.time, kNotSet);
}

TEST(DateTimeValue, DecomposeInvertsMake) {
  const DateTimeValue value{DateTimeValue::MakeDay(2024, 2, 29),
                            DateTimeValue::MakeTime(23, 59, 58, 999)};
  const CalendarParts p = value.Decompose();
  EXPECT_EQ(p.year, 2024);
  EXPECT_EQ(p.month, 2);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hours, 23);
  EXPECT_EQ(p.minutes, 59);
  EXPECT_EQ(p.seconds, 58);
  EXPECT_EQ(p.milliseconds, 999);
}

TEST(DateTimeValue, UnixTimeRoundTripsAcrossLeapDaysAndYearEnds) {
  struct Case {
    int y, m, d, ms;
    int64_t unix_seconds;
  } cases[] = {
      {1970, 1, 1, 0, 0},
      {2000, 2, 29, 43200000, 951825600},
      {2023, 12, 31, 86399000, 1704067199},
      {2024, 1, 1, 0, 1704067200},
  };
  for (const Case& c : cases) {
    const DateTimeValue value{DateTimeValue::MakeDay(c.y, c.m, c.d), c.ms};
    EXPECT_EQ(value.ToUnixSeconds(), c.unix_seconds) << c.y << "-" << c.m << "-" << c.d;
    const DateTimeValue back = DateTimeValue::FromUnixMs(c.unix_seconds * 1000);
    EXPECT_EQ(back.day, value.day);
    EXPECT_EQ(back.time, value.time);
  }
}

TEST(ParseNmeaTime, FractionDigitsByFieldLength) {
  struct Case {
    const char* field;
    bool ok;
    int32_t ms;
  } cases[] = {
      {"123456", true, 45296000},
      {"123456.7", true, 45296700},
      {"123456.78", true, 45296780},
      {"123456.789", true, 45296789},
      {"123456.", true, 45296000},        // 7 characters: no fraction
      {"123456.7891", true, 45296000},    // 11 characters: no fraction either
      {"000000", true, 0},
      {"235959.999", true, 86399999},
      {"12345", false, 0},                // too short
      {"243456", false, 0},               // hour 24
      {"126056", false, 0},               // minute 60
      {"123460", false, 0},               // second 60
      {"12a456", false, 0},
      {"123456.7x", false, 0},
  };
  for (const Case& c : cases) {
    int32_t ms = -1;
    EXPECT_EQ(ParseNmeaTime(c.field, &ms), c.ok) << c.field;
    if (c.ok) {
      EXPECT_EQ(ms, c.ms) << c.field;
    } else {
      EXPECT_EQ(ms, -1) << c.field << " must leave the output alone";
    }
  }
}

}  // namespace
}  // namespace kv
