// FormatDuration: hours, minutes, seconds, decimals, sign and rounding.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "util/duration_text.h"

namespace kv {
namespace {

struct DurationCase {
  int32_t ms;
  int32_t decimals;
  bool sign;
  bool round;
  const char* expected;
};

TEST(FormatDuration, Table) {
  const DurationCase cases[] = {
      {83456, 2, false, true, "1:23.46"},
      {5678, 3, false, false, "5.678"},
      {3725000, 0, false, false, "1:02:05"},
      {-1230, 1, true, true, "-1.2"},
      {-1230, 1, true, false, "-1.2"},
      {59600, 0, false, true, "1:00"},  // rounding reaches the next minute
      {59600, 0, false, false, "59"},
      {59999, 2, false, true, "1:00.00"},
      {59999, 3, false, true, "59.999"},  // nothing to add with 3 decimals
      {0, 2, false, true, "0.00"},
      {0, 2, true, true, "+0.00"},
      {0x7FFFFFFF, 2, false, true, "0.00"},  // no value: formatted as 0
      {0x7FFFFFFF, 1, true, false, "+0.0"},
      {3600000, 3, false, false, "1:00:00.000"},
      {60000, 0, false, false, "1:00"},
      {9 * 3600000 + 5 * 60000 + 7000 + 10, 1, false, false, "9:05:07.0"},
      {25 * 3600000, 0, false, false, "25:00:00"},  // hours are not wrapped
      {1049, 1, false, true, "1.0"},
      {1050, 1, false, true, "1.1"},
      {83456, 7, false, false, "1:23.456"},  // decimals clamped to 3
      {83456, -2, false, false, "1:23"},     // and to 0
      {INT32_MIN, 0, false, true, "-596:31:24"},
      {INT32_MAX - 1, 0, false, true, "596:31:24"},
  };
  for (const DurationCase& c : cases) {
    const WideString wide = FormatDuration(c.ms, c.decimals, c.sign, c.round);
    EXPECT_EQ(wide,
              std::u16string(c.expected, c.expected + std::char_traits<char>::length(c.expected)))
        << c.ms << " / " << c.decimals;
    ByteString bytes("t=");
    AppendDuration(bytes, c.ms, c.decimals, c.sign, c.round);
    EXPECT_EQ(bytes, std::string("t=") + c.expected) << c.ms << " / " << c.decimals;
  }
}

}  // namespace
}  // namespace kv
