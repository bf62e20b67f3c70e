// Number-to-text: integers with width, hexadecimal, reals, clock texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "util/byte_string.h"
#include "util/number_text.h"
#include "util/wide_string.h"

namespace kv {
namespace {

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST(AppendIntAndHex, WidthCountsTheSignAndHexIsUpperCase) {
  const struct {
    int64_t value;
    int32_t width;
    const char* expected;
  } cases[] = {{-7, 3, "-07"}, {-123, 3, "-123"}, {5, -4, "5"}, {INT64_MIN, 0, "-9223372036854775808"}};
  for (const auto& c : cases) {
    ByteString bytes;
    bytes.AppendInt(c.value, c.width);
    EXPECT_EQ(bytes, c.expected) << c.value << " width " << c.width;
    WideString wide;
    wide.AppendInt(c.value, c.width);
    EXPECT_EQ(wide, Widen(c.expected)) << c.value << " width " << c.width;
  }
  ByteString hex;
  hex.AppendHex(0, 0);
  hex.AppendHex(255, 4);
  hex.AppendHex(0xDEADBEEF, 2);
  EXPECT_EQ(hex, "000FFDEADBEEF");
}

TEST(AppendReal, RoundsHalfUpOnTheDecimalValue) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    int32_t decimals;
    bool sign;
    const char* expected;
    const char* legend;
  } cases[] = {
      {2.675, 2, false, "2.68", "binary 2.67499999... still rounds up"},
      {2.5, 0, false, "3", "half up, not to even"},
      {-2.5, 0, false, "-3", "half up on the absolute value"},
      {9.995, 2, false, "10.00", "carry through all digits"},
      {-3.0, 1, true, "-3.0", "sign flag does not double the minus"},
      {-0.001, 2, false, "-0.00", "negative values keep their minus"},
      {-0.0, 1, false, "0.0", "negative zero is not negative"},
      {nan, 3, true, "NaN", "NaN regardless of decimals and sign"},
      {inf, 2, true, "+Inf", ""},
      {0.1, 25, false, "0.10000000000000000000", "decimals clamped to 20"},
      {std::numeric_limits<double>::denorm_min(), 20, false, "0.00000000000000000000", "smallest subnormal"},
  };
  for (const auto& c : cases) {
    ByteString bytes;
    bytes.AppendReal(c.value, c.decimals, c.sign);
    EXPECT_EQ(bytes, c.expected) << c.legend;
    WideString wide;
    wide.AppendReal(c.value, c.decimals, c.sign);
    EXPECT_EQ(wide, Widen(c.expected)) << c.legend;
  }
}

TEST(AppendReal, LargestDoubleWritesAllIntegerDigits) {
  ByteString s;
  s.AppendReal(std::numeric_limits<double>::max(), 2, true);
  EXPECT_EQ(s.Length(), 1 + 309 + 3);
  EXPECT_TRUE(s.AsView().starts_with("+17976931348623157"));
  EXPECT_TRUE(s.AsView().ends_with(".00"));
}

// The binary shortcut must give the rule's digits everywhere: values of
// every size, values typed with few decimals (which sit on or next to the
// halves), and their neighbours one unit in the last place away.
TEST(AppendReal, ShortcutAgreesWithTheTextRule) {
  std::mt19937_64 random(20261206);
  std::uniform_real_distribution<double> exponent(-12.0, 17.0);
  std::uniform_int_distribution<int64_t> typed(-2000000000, 2000000000);
  std::uniform_int_distribution<int32_t> places(0, 9);
  int64_t mismatches = 0;
  for (int32_t n = 0; n < 100000; ++n) {
    const double any = (n % 2 ? -1.0 : 1.0) * std::pow(10.0, exponent(random));
    const double decimal = static_cast<double>(typed(random)) / std::pow(10.0, places(random));
    for (double v : {any, decimal, std::nextafter(decimal, 0.0), std::nextafter(decimal, 1e300)}) {
      for (int32_t decimals : {0, 1, 2, 3, 6, 7, 9, 15, 16}) {
        const number_text::RealText fast = number_text::FormatReal(v, decimals, n % 3 == 0);
        const number_text::RealText rule = number_text::FormatRealByText(v, decimals, n % 3 == 0);
        if (fast.View() != rule.View() && ++mismatches <= 5)
          ADD_FAILURE() << std::hexfloat << v << " with " << decimals << ": " << fast.View() << " vs " << rule.View();
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(ClockText, WideAndCompact) {
  const struct {
    int32_t ms, decimals;
    const char16_t* hms;
    const char* compact;
  } cases[] = {{45296789, 1, u"12:34:56", "123456.7"},
               {45296789, 4, u"12:34:56", "123456"},
               {5, 3, u"00:00:00", "000000.005"},
               {-5, 2, u"00:00:00", "000000.00"}};
  for (const auto& c : cases) {
    WideString hms;
    hms.AppendClockHms(c.ms);
    EXPECT_EQ(hms, c.hms) << c.ms;
    ByteString compact;
    compact.AppendClockCompact(c.ms, c.decimals);
    EXPECT_EQ(compact, c.compact) << c.ms << " / " << c.decimals;
  }
}

}  // namespace
}  // namespace kv
