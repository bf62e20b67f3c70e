#include "core/date_time.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// Day numbers and times of recorded sessions are checked against gpsd's
// reading of real logs and by the export goldens; these are the edges
// those inputs do not reach.
TEST(DateTimeValue, EdgesOfTheDayNumberAndUnixTime) {
  EXPECT_EQ(DateTimeValue::MakeDay(99999999, 12, 31), kNotSet) << "a damaged year must not overflow";
  const DateTimeValue before_1970{DateTimeValue::MakeDay(1969, 12, 31), 86399000};
  EXPECT_EQ(before_1970.ToUnixSeconds(), -1);
  const DateTimeValue back = DateTimeValue::FromUnixMs(-1000);  // the division rounds the other way
  EXPECT_EQ(back.day, before_1970.day);
  EXPECT_EQ(back.time, before_1970.time);
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
