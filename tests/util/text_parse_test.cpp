// Text to number: integers, reals with a chosen separator, hexadecimal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "util/text_parse.h"
#include "util/wide_string.h"

namespace kv {
namespace {

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

struct IntCase {
  std::string text;
  int32_t value;
  bool ok;
};

TEST(TextToInt, SignDigitsAndStop) {
  const IntCase cases[] = {
      {"-12abc", -12, true},
      {"abc", 0, false},
      {"1-2", 1, true},
      {"+7", 7, true},
      {"007", 7, true},
      {"12 34", 12, true},
      {"", 0, false},
      {"-", 0, false},
      {"+-1", 0, false},  // a sign only as the very first character
      {" 1", 0, false},   // no skipping of blanks
      {"2147483647", INT32_MAX, true},
      {"2147483648", INT32_MAX, true},  // saturates
      {"-2147483648", INT32_MIN, true},
      {"-2147483649", INT32_MIN, true},
      {"99999999999999999999999999", INT32_MAX, true},
      {"-99999999999999999999999999", INT32_MIN, true},
  };
  for (const IntCase& c : cases) {
    const ParseResult<int32_t> bytes = TextToInt(c.text);
    EXPECT_EQ(bytes.value, c.value) << c.text;
    EXPECT_EQ(bytes.ok, c.ok) << c.text;
    const ParseResult<int32_t> wide = TextToInt(Widen(c.text));
    EXPECT_EQ(wide.value, c.value) << c.text;
    EXPECT_EQ(wide.ok, c.ok) << c.text;
  }
}

TEST(TextToInt, ReadsFromBothStringKinds) {
  EXPECT_EQ(TextToInt(WideString(u"42")).value, 42);
  EXPECT_EQ(TextToInt(std::string_view("\xB2"
                                       "5"))
                .ok,
            false);  // a high byte is not a digit
}

struct RealCase {
  std::string text;
  char16_t separator;
  double value;
  bool ok;
};

TEST(TextToReal, OneSeparatorDigitByDigit) {
  const RealCase cases[] = {
      {"3.5.1", u'.', 3.5, true},   {"3,5", u',', 3.5, true},
      {"3,5", u'.', 3.0, true},  // the other separator ends the number
      {"-0.25", u'.', -0.25, true}, {"+2.5x", u'.', 2.5, true},
      {".5", u'.', 0.5, true},      {"5.", u'.', 5.0, true},
      {"1e5", u'.', 1.0, true},     {"27.78", u'.', 27.78, true},
      {"2.675", u'.', 2.675, true}, {".", u'.', 0.0, false},
      {"-", u'.', 0.0, false},      {"", u'.', 0.0, false},
      {"-.", u'.', 0.0, false},     {"x1", u'.', 0.0, false},
      {"1-2", u'.', 1.0, true},
  };
  for (const RealCase& c : cases) {
    for (const ParseResult<double> r :
         {TextToReal(c.text, c.separator), TextToReal(Widen(c.text), c.separator)}) {
      EXPECT_NEAR(r.value, c.value, 1e-12 * std::max(1.0, std::fabs(c.value))) << c.text;
      EXPECT_EQ(r.ok, c.ok) << c.text;
    }
  }
}

TEST(TextToReal, HugeIntegerPartSaturates) {
  const ParseResult<double> r = TextToReal(std::string(400, '9'), u'.');
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.value, std::numeric_limits<double>::max());
  EXPECT_EQ(TextToReal("-" + std::string(400, '9'), u'.').value,
            -std::numeric_limits<double>::max());
}

TEST(TextToReal, LongFractionStaysFinite) {
  const ParseResult<double> r = TextToReal("0." + std::string(500, '3'), u'.');
  EXPECT_TRUE(r.ok);
  EXPECT_NEAR(r.value, 1.0 / 3.0, 1e-12);
}

TEST(TextToReal, SeparatorAboveLatin1InWideText) {
  EXPECT_EQ(TextToReal(std::u16string(u"1\u066B5"), u'\u066B').value, 1.5);
  // A byte never matches a separator above 0xFF, even by its low byte.
  EXPECT_EQ(TextToReal(std::string("1\xAB"
                                   "5"),
                       u'\u06AB')
                .value,
            1.0);
}

struct HexCase {
  std::string text;
  uint32_t value;
  bool ok;
};

TEST(TextToHex, EveryCharacterMustBeHex) {
  const HexCase cases[] = {
      {"1A", 0x1A, true},
      {"ff", 0xFF, true},
      {"0c", 0x0C, true},
      {"", 0, false},
      {"12G4", 0x12, false},  // value built while digits last, yet failure
      {"-1", 0, false},
      {" 1", 0, false},
      {"FFFFFFFF", 0xFFFFFFFF, true},
      {"100000000", 0xFFFFFFFF, true},  // saturates
      {"00000000000000000001", 1, true},
  };
  for (const HexCase& c : cases) {
    for (const ParseResult<uint32_t> r : {TextToHex(c.text), TextToHex(Widen(c.text))}) {
      EXPECT_EQ(r.value, c.value) << c.text;
      EXPECT_EQ(r.ok, c.ok) << c.text;
    }
  }
}

}  // namespace
}  // namespace kv
