// The NMEA field reader: reals are built by the digit rule (integer part
// times 10, fraction digits scaled by successive tenths), and skipping
// fields ends where taking them does. What reads and what fails is in the
// golden file of nmea_sentences_test.
#include "acquisition/nmea_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace kv::nmea {
namespace {

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

std::vector<std::string> RemainingFields(FieldReader& in) {
  std::vector<std::string> fields;
  std::string_view f;
  while (in.Take(&f)) fields.emplace_back(f);
  return fields;
}

// A used-up text holds no further (empty) field; skipping, which goes eight
// bytes at a time, must end where taking the fields one by one does.
TEST(NmeaFieldsTest, SkippingFieldsEqualsTakingThem) {
  FieldReader in("a,,b,");
  EXPECT_EQ(RemainingFields(in), (std::vector<std::string>{"a", "", "b"}));
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

}  // namespace
}  // namespace kv::nmea
