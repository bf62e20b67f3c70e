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

struct IntCase {
  int64_t value;
  int32_t width;
  const char* expected;
};

TEST(AppendInt, WidthCountsTheSign) {
  const IntCase cases[] = {
      {7, 3, "007"},
      {-7, 3, "-07"},
      {0, 0, "0"},
      {0, 3, "000"},
      {-5, 0, "-5"},
      {123, 2, "123"},
      {-123, 3, "-123"},
      {-1, 1, "-1"},
      {42, 5, "00042"},
      {5, -4, "5"},
      {INT32_MIN, 0, "-2147483648"},
      {INT32_MAX, 12, "002147483647"},
      {INT64_MIN, 0, "-9223372036854775808"},
  };
  for (const IntCase& c : cases) {
    ByteString bytes;
    bytes.AppendInt(c.value, c.width);
    EXPECT_EQ(bytes, c.expected) << c.value << " width " << c.width;
    WideString wide;
    wide.AppendInt(c.value, c.width);
    EXPECT_EQ(wide, Widen(c.expected)) << c.value << " width " << c.width;
  }
}

TEST(AppendHex, UpperCaseZeroFilled) {
  const struct {
    uint32_t value;
    int32_t width;
    const char* expected;
  } cases[] = {
      {0, 0, "0"},    {0, 2, "00"}, {255, 4, "00FF"}, {0x1A, 1, "1A"}, {0xDEADBEEF, 0, "DEADBEEF"},
      {0xC, 2, "0C"},
  };
  for (const auto& c : cases) {
    ByteString s;
    s.AppendHex(c.value, c.width);
    EXPECT_EQ(s, c.expected) << c.value;
  }
}

struct RealCase {
  double value;
  int32_t decimals;
  bool sign;
  const char* expected;
  const char* legend;
};

TEST(AppendReal, RoundsHalfUpOnTheDecimalValue) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const RealCase cases[] = {
      {2.675, 2, false, "2.68", "binary 2.67499999... still rounds up"},
      {1.005, 2, false, "1.01", "binary 1.00499999..."},
      {0.125, 2, false, "0.13", "exact half"},
      {2.5, 0, false, "3", "half up, not to even"},
      {-2.5, 0, false, "-3", "half up on the absolute value"},
      {0.4, 0, false, "0", "below half"},
      {0.5, 0, false, "1", "integer part appears by carry"},
      {9.995, 2, false, "10.00", "carry through all digits"},
      {0.999, 2, false, "1.00", "carry into the integer part"},
      {123.456, 1, false, "123.5", ""},
      {27.78, 2, false, "27.78", ""},
      {-27.777, 2, false, "-27.78", ""},
      {0.25, 5, false, "0.25000", "zeros where the value has no digits"},
      {3.0, 0, false, "3", "no point without decimals"},
      {1e20, 0, false, "100000000000000000000", "no exponent"},
      {1e-7, 3, false, "0.000", "tiny value"},
      {0.0005, 3, false, "0.001", ""},
      {0.0, 2, true, "+0.00", "sign flag on zero"},
      {3.0, 0, true, "+3", "sign flag"},
      {-3.0, 1, true, "-3.0", "sign flag does not double the minus"},
      {-0.001, 2, false, "-0.00", "negative values keep their minus"},
      {-0.0, 1, false, "0.0", "negative zero is not negative"},
      {nan, 0, false, "NaN", "NaN with 0 decimals"},
      {nan, 3, true, "NaN", "NaN regardless of decimals and sign"},
      {inf, 2, false, "Inf", ""},
      {-inf, 2, false, "-Inf", ""},
      {1.5, -1, false, "2", "negative decimals count as 0"},
      {0.1, 25, false, "0.10000000000000000000", "decimals clamped to 20"},
  };
  for (const RealCase& c : cases) {
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
  // All 309 integer digits of the exact value, no exponent.
  EXPECT_EQ(s.Length(), 1 + 309 + 3);
  EXPECT_TRUE(s.AsView().starts_with("+17976931348623157"));
  EXPECT_TRUE(s.AsView().ends_with(".00"));
}

TEST(AppendReal, SmallestSubnormalFitsTheBuffer) {
  ByteString s;
  s.AppendReal(std::numeric_limits<double>::denorm_min(), 20, false);
  EXPECT_EQ(s, "0.00000000000000000000");
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

TEST(ClockText, WideHoursMinutesSeconds) {
  const struct {
    int32_t ms;
    const char16_t* hm;
    const char16_t* hms;
  } cases[] = {
      {45296789, u"12:34", u"12:34:56"},
      {0, u"00:00", u"00:00:00"},
      {86399999, u"23:59", u"23:59:59"},
      {-5, u"00:00", u"00:00:00"},
  };
  for (const auto& c : cases) {
    WideString hm;
    hm.AppendClockHm(c.ms);
    EXPECT_EQ(hm, c.hm) << c.ms;
    WideString hms;
    hms.AppendClockHms(c.ms);
    EXPECT_EQ(hms, c.hms) << c.ms;
  }
}

TEST(ClockText, CompactForFileFormats) {
  const struct {
    int32_t ms;
    int32_t decimals;
    const char* expected;
  } cases[] = {
      {45296789, 0, "123456"},     {45296789, 1, "123456.7"}, {45296789, 2, "123456.78"},
      {45296789, 3, "123456.789"}, {45296789, 4, "123456"},   {5, 3, "000000.005"},
      {50, 2, "000000.05"},        {0, 1, "000000.0"},
  };
  for (const auto& c : cases) {
    ByteString s;
    s.AppendClockCompact(c.ms, c.decimals);
    EXPECT_EQ(s, c.expected) << c.ms << " / " << c.decimals;
  }
}

}  // namespace
}  // namespace kv
