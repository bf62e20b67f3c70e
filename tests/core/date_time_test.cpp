#include "core/date_time.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// Day numbers and times of recorded sessions are checked against gpsd's
// reading of real logs and by the export goldens; these are the edges
// those inputs do not reach. NMEA time fields are read in the golden file
// of nmea_sentences_test.
TEST(DateTimeValue, EdgesOfTheDayNumberAndUnixTime) {
  EXPECT_EQ(DateTimeValue::MakeDay(99999999, 12, 31), kNotSet) << "a damaged year must not overflow";
  const DateTimeValue before_1970{DateTimeValue::MakeDay(1969, 12, 31), 86399000};
  EXPECT_EQ(before_1970.ToUnixSeconds(), -1);
  const DateTimeValue back = DateTimeValue::FromUnixMs(-1000);  // the division rounds the other way
  EXPECT_EQ(back.day, before_1970.day);
  EXPECT_EQ(back.time, before_1970.time);
}

}  // namespace
}  // namespace kv
