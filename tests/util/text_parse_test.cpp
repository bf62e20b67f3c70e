// Text to number: integers, reals with a chosen separator, hexadecimal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "util/text_parse.h"

namespace kv {
namespace {

std::u16string Widen(std::string_view text) {
  std::u16string wide;
  for (char c : text) wide.push_back(static_cast<unsigned char>(c));  // as Latin-1
  return wide;
}

// kind 'i': TextToInt, 'r': TextToReal, 'h': TextToHex.
template <typename View>
std::pair<double, bool> Parse(char kind, View text, char16_t separator) {
  if (kind == 'i') return {TextToInt(text).value, TextToInt(text).ok};
  if (kind == 'h') return {TextToHex(text).value, TextToHex(text).ok};
  return {TextToReal(text, separator).value, TextToReal(text, separator).ok};
}

// Every case reads the same from 8-bit and from UTF-16 text. Tolerance:
// 1e-12 relative, as the digit rule may differ from the correctly rounded
// double in the last place.
TEST(TextParse, Table) {
  const double max = std::numeric_limits<double>::max();
  const struct {
    char kind;
    std::string text;
    double value;
    bool ok;
    char16_t separator = u'.';
  } cases[] = {
      {'i', "-12abc", -12, true},
      {'i', "+-1", 0, false},                // a sign only as the very first character
      {'i', " 1", 0, false},                 // no skipping of blanks
      {'i', "\xB2\x35", 0, false},           // superscript two is not a digit
      {'i', "2147483648", INT32_MAX, true},  // saturates
      {'i', "99999999999999999999999999", INT32_MAX, true},
      {'r', "3,5", 3.5, true, u','},
      {'r', "3,5", 3.0, true},  // the other separator ends the number
      {'r', "2.675", 2.675, true},
      {'r', std::string(400, '9'), max, true},
      {'r', "0." + std::string(500, '3'), 1.0 / 3.0, true},
      {'r', "1\xAB\x35", 1.0, true, u'\u06AB'},  // a byte never matches a separator above 0xFF
      {'h', "12G4", 0x12, false},                // value built while digits last, yet failure
      {'h', "100000000", 0xFFFFFFFF, true},      // saturates
  };
  for (const auto& c : cases) {
    for (const auto& [value, ok] : {Parse(c.kind, std::string_view(c.text), c.separator),
                                    Parse(c.kind, std::u16string_view(Widen(c.text)), c.separator)}) {
      EXPECT_NEAR(value, c.value, 1e-12 * std::max(1.0, std::fabs(c.value))) << c.kind << " " << c.text;
      EXPECT_EQ(ok, c.ok) << c.kind << " " << c.text;
    }
  }
  EXPECT_EQ(TextToReal(std::u16string(u"1\u066B5"), u'\u066B').value, 1.5);
}

}  // namespace
}  // namespace kv
