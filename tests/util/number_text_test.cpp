// Numbers to text and back: integers with width, hexadecimal, reals,
// clock texts and durations, and the text-to-number parsers, against the
// golden file tests/data/util/number_text.txt(.chk); and the binary
// shortcut of AppendReal against the text rule it stands for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>

#include "util/byte_string.h"
#include "util/duration_text.h"
#include "util/golden_file.h"
#include "util/number_text.h"
#include "util/text_parse.h"
#include "util/utf_convert.h"
#include "util/wide_string.h"

namespace kv {
namespace {

template <typename View>
std::string Parsed(const std::string& kind, View text, char16_t separator) {
  const auto show = [](double value, bool ok) {
    char out[64];
    std::snprintf(out, sizeof out, "%.17g %s", value, ok ? "ok" : "failed");
    return std::string(out);
  };
  if (kind == "parse-int") return show(TextToInt(text).value, TextToInt(text).ok);
  if (kind == "parse-hex") return show(TextToHex(text).value, TextToHex(text).ok);
  return show(TextToReal(text, separator).value, TextToReal(text, separator).ok);
}

std::string Evaluate(const std::string& line, bool) {
  std::istringstream in(line);
  std::string kind, value;
  int32_t a = 0, b = 0, c = 0;
  in >> kind;
  if (kind.starts_with("parse")) {
    const std::string rest = line.substr(kind.size() + 1);
    const bool real = kind == "parse-real";
    const char16_t separator = real ? FromUtf8(rest.substr(0, rest.find(' '))).At(0) : u'.';
    const std::string text = real ? rest.substr(rest.find(' ') + 1) : rest;
    const std::string result = Parsed(kind, std::string_view(text), separator);
    EXPECT_EQ(Parsed(kind, std::u16string_view(FromUtf8(text)), separator), result) << line;
    return result;
  }
  in >> value >> a >> b >> c;
  ByteString bytes;
  WideString wide;
  if (kind == "int") {
    bytes.AppendInt(std::stoll(value), a);
    wide.AppendInt(std::stoll(value), a);
  } else if (kind == "hex") {
    bytes.AppendHex(static_cast<uint32_t>(std::stoul(value, nullptr, 16)), a);
    wide = FromUtf8(bytes);
  } else if (kind == "real") {
    bytes.AppendReal(std::strtod(value.c_str(), nullptr), a, b);
    wide.AppendReal(std::strtod(value.c_str(), nullptr), a, b);
  } else if (kind == "clock") {
    bytes.AppendClockCompact(std::stoi(value), a);
    wide.AppendClockHms(std::stoi(value));
    return std::string(ToUtf8(wide).AsView()).append(" ").append(bytes.AsView());
  } else if (kind == "duration") {
    AppendDuration(bytes, std::stoi(value), a, b, c);
    wide = FormatDuration(std::stoi(value), a, b, c);
  }
  EXPECT_EQ(ToUtf8(wide), bytes) << line;
  return std::string(bytes.AsView());
}

TEST(NumberText, FormatsAndParsesAsTheGoldenFile) {
  test::ExpectGolden("tests/data/util/number_text.txt", Evaluate);
}

// A byte never matches a separator above 0xFF, even its low byte.
TEST(NumberText, SeparatorAboveLatin1) {
  EXPECT_EQ(TextToReal(std::string_view("1\xAB"
                                        "5"),
                       u'\u06AB')
                .value,
            1.0);
  EXPECT_EQ(TextToReal(std::u16string(u"1\u06AB5"), u'\u06AB').value, 1.5);
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
          ADD_FAILURE() << std::hexfloat << v << " with " << decimals << ": " << fast.View()
                        << " vs " << rule.View();
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace kv
