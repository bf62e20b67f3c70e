// FormatDuration: hours, minutes, seconds, decimals, sign and rounding.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "util/duration_text.h"

namespace kv {
namespace {

TEST(FormatDuration, Table) {
  const struct {
    int32_t ms, decimals;
    bool sign, round;
    const char *expected, *legend;
  } cases[] = {
      {83456, 2, false, true, "1:23.46", "minutes, rounded"},
      {-1230, 1, true, false, "-1.2", "negative"},
      {59600, 0, false, true, "1:00", "rounding reaches the next minute"},
      {59999, 3, false, true, "59.999", "nothing to add with 3 decimals"},
      {0x7FFFFFFF, 1, true, false, "+0.0", "no value is formatted as 0, with its sign"},
      {3600000, 3, false, false, "1:00:00.000", "zero-filled minutes and seconds"},
      {83456, 7, false, false, "1:23.456", "decimals clamped to 3"},
      {83456, -2, false, false, "1:23", "and to 0"},
      {INT32_MIN, 0, false, true, "-596:31:24", "most negative, hours not wrapped"},
  };
  for (const auto& c : cases) {
    const std::string expected = c.expected;
    EXPECT_EQ(FormatDuration(c.ms, c.decimals, c.sign, c.round), std::u16string(expected.begin(), expected.end()))
        << c.legend;
    ByteString bytes("t=");
    AppendDuration(bytes, c.ms, c.decimals, c.sign, c.round);
    EXPECT_EQ(bytes, "t=" + expected) << c.legend;
  }
}

}  // namespace
}  // namespace kv
