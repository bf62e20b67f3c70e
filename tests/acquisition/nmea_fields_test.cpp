// Number conversions of the NMEA field reader: what reads, what fails, and
// that reals are built by the digit rule (integer part times 10, fraction
// digits scaled by successive tenths).
#include "acquisition/nmea_fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace kv::nmea {
namespace {

struct RealCase {
  const char* legend;
  const char* text;
  bool ok;
  double value;
};

const RealCase kRealCases[] = {
    {"integer", "12", true, 12.0},
    {"zero", "0", true, 0.0},
    {"ddmm.mmm latitude", "4807.038", true, 4807.038},
    {"leading zeros", "01131.000", true, 1131.0},
    {"negative geoid separation", "-34.2", true, -34.2},
    {"fraction only", ".5", true, 0.5},
    {"trailing point", "12.", true, 12.0},
    {"empty", "", false, 0},
    {"sign alone", "-", false, 0},
    {"point alone", ".", false, 0},
    {"plus sign is not accepted", "+1.5", false, 0},
    {"two points", "3.5.1", false, 0},
    {"exponent", "1e5", false, 0},
    {"trailing letter", "12.5M", false, 0},
    {"leading space", " 1.0", false, 0},
    {"trailing space", "1.0 ", false, 0},
    {"double minus", "--1", false, 0},
    {"comma decimal", "1,5", false, 0},
};

TEST(NmeaFieldsTest, RealTable) {
  for (const RealCase& c : kRealCases) {
    double v = -777;
    EXPECT_EQ(ParseReal(c.text, &v), c.ok) << c.legend << ": " << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.legend;
    } else {
      EXPECT_EQ(v, -777) << c.legend << ": a failed read must not write";
    }
  }
}

TEST(NmeaFieldsTest, RealTooLargeFails) {
  const std::string huge(400, '9');
  double v = 0;
  EXPECT_FALSE(ParseReal(huge, &v));
}

// The rule written out plainly, as a reference.
double DigitRule(const std::string& s) {
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  double v = 0;
  for (; i < s.size() && s[i] != '.'; ++i) v = v * 10 + (s[i] - '0');
  double scale = 0.1;
  for (++i; i < s.size(); ++i) {
    v += (s[i] - '0') * scale;
    scale /= 10;
  }
  return negative ? -v : v;
}

int64_t UlpDistance(double a, double b) {
  int64_t x, y;
  std::memcpy(&x, &a, 8);
  std::memcpy(&y, &b, 8);
  return std::llabs(x - y);
}

TEST(NmeaFieldsTest, RealFollowsTheDigitRuleExactly) {
  std::mt19937 rng(7);
  int64_t worst_vs_strtod = 0;
  for (int n = 0; n < 200000; ++n) {
    std::string s;
    if (rng() % 4 == 0) s += '-';
    const int whole = rng() % 21;  // past 15 digits the rule continues in doubles
    for (int i = 0; i < whole; ++i) s += static_cast<char>('0' + rng() % 10);
    s += '.';
    const int fraction = rng() % 30 + (whole == 0 ? 1 : 0);  // past the table of 24 tenths too
    for (int i = 0; i < fraction; ++i) s += static_cast<char>('0' + rng() % 10);
    double v;
    ASSERT_TRUE(ParseReal(s, &v)) << s;
    ASSERT_EQ(UlpDistance(v, DigitRule(s)), 0) << s;
    // Followed by more fields, as in a sentence.
    const std::string line = s + ",N,01131.000,E";
    double in_line;
    bool ok;
    const char* stop = detail::ScanReal(line.data(), &in_line, &ok);
    ASSERT_TRUE(ok) << line;
    ASSERT_EQ(stop - line.data(), static_cast<ptrdiff_t>(s.size())) << line;
    ASSERT_EQ(UlpDistance(in_line, v), 0) << line;
    if (whole <= 15 && fraction <= 9) {
      worst_vs_strtod = std::max(worst_vs_strtod, UlpDistance(v, std::strtod(s.c_str(), nullptr)));
    }
  }
  // Tolerance: the rule's accumulated rounding stays within a few ulp of the
  // correctly rounded value for receiver-sized numbers.
  EXPECT_LE(worst_vs_strtod, 4);
}

struct IntCase {
  const char* legend;
  const char* text;
  bool ok;
  int32_t value;
};

const IntCase kIntCases[] = {
    {"satellites with leading zero", "08", true, 8},
    {"negative accelerometer value", "-40", true, -40},
    {"largest int32", "2147483647", true, 2147483647},
    {"many leading zeros", "000000000000012", true, 12},
    {"past int32", "2147483648", false, 0},
    {"twenty digits", "12345678901234567890", false, 0},
    {"twenty-five zeros then 7", "00000000000000000000000007", true, 7},
    {"twenty zeros", "00000000000000000000", true, 0},
    {"decimal point", "1.0", false, 0},
    {"empty", "", false, 0},
    {"sign alone", "-", false, 0},
    {"letter", "1a", false, 0},
};

TEST(NmeaFieldsTest, IntTable) {
  for (const IntCase& c : kIntCases) {
    int32_t v = -777;
    EXPECT_EQ(ParseInt(c.text, &v), c.ok) << c.legend << ": " << c.text;
    EXPECT_EQ(v, c.ok ? c.value : -777) << c.legend;
  }
}

struct HexCase {
  const char* legend;
  const char* text;
  bool ok;
  uint32_t value;
};

const HexCase kHexCases[] = {
    {"upper case", "0C", true, 0x0C},
    {"lower case", "af", true, 0xAF},
    {"eight digits", "FFFFFFFF", true, 0xFFFFFFFFu},
    {"nine digits overflow", "100000000", false, 0},
    {"empty", "", false, 0},
    {"not hex", "G1", false, 0},
    {"sign", "-1", false, 0},
    {"space", "4 1", false, 0},
};

TEST(NmeaFieldsTest, HexTable) {
  for (const HexCase& c : kHexCases) {
    uint32_t v = 777;
    EXPECT_EQ(ParseHex(c.text, &v), c.ok) << c.legend << ": " << c.text;
    EXPECT_EQ(v, c.ok ? c.value : 777u) << c.legend;
  }
}

TEST(NmeaFieldsTest, FieldsAreTakenLikeATakeFieldLoop) {
  // A used-up text holds no further (empty) field.
  FieldReader in("a,,b,");
  std::string_view f;
  ASSERT_TRUE(in.Take(&f));
  EXPECT_EQ(f, "a");
  ASSERT_TRUE(in.Take(&f));
  EXPECT_EQ(f, "");
  ASSERT_TRUE(in.Take(&f));
  EXPECT_EQ(f, "b");
  EXPECT_FALSE(in.Take(&f));
}

std::vector<std::string> RemainingFields(FieldReader& in) {
  std::vector<std::string> fields;
  std::string_view f;
  while (in.Take(&f)) fields.emplace_back(f);
  return fields;
}

TEST(NmeaFieldsTest, SkippingFieldsEqualsTakingThem) {
  // Random texts of commas and letters, long enough for the word-wise path.
  std::mt19937 rng(3);
  for (int n = 0; n < 20000; ++n) {
    std::string text(rng() % 41, 'x');
    for (char& c : text) c = rng() % 3 == 0 ? ',' : 'x';
    const int count = static_cast<int>(rng() % 12);
    FieldReader skipped(text), taken(text);
    skipped.SkipFields(count);
    std::string_view f;
    for (int i = 0; i < count && taken.Take(&f); ++i) {
    }
    ASSERT_EQ(RemainingFields(skipped), RemainingFields(taken)) << text << " skip " << count;
  }
}

TEST(NmeaFieldsTest, ScanKeepsPositionsAfterAFailedRead) {
  FieldReader in("x,4807.038,n,01131.000,E,7");
  double lat = -1, lon = -1;
  int32_t a = -1, b = -1;
  const uint32_t ok = Scan(in, Int{&a}, Latitude{&lat}, Longitude{&lon}, Int{&b});
  EXPECT_EQ(ok, 0b1100u);
  EXPECT_EQ(lat, -1) << "hemisphere n is not N";
  EXPECT_DOUBLE_EQ(lon, 1131.0);
  EXPECT_EQ(b, 7);
}

TEST(NmeaFieldsTest, ScanAllStopsAtTheFirstFailure) {
  FieldReader in("1,x,3");
  int32_t a = 0, b = 0, c = 0;
  EXPECT_FALSE(ScanAll(in, Int{&a}, Int{&b}, Int{&c}));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(c, 0);
}

}  // namespace
}  // namespace kv::nmea
