// Comparisons with and without regard to case.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "util/byte_string.h"
#include "util/text_compare.h"
#include "util/wide_string.h"

namespace kv {
namespace {

int Sign(int32_t v) { return (v > 0) - (v < 0); }

TEST(Compare, PrefixThenLength) {
  const struct {
    std::u16string a, b;
    int exact, no_case;  // signs of Compare and CompareNoCase
  } cases[] = {
      {u"abc", u"abcd", -1, -1},         {u"ABC", u"abc", -1, 0}, {u"", u"", 0, 0}, {u"", u"a", -1, -1},
      {u"Zeta", u"alpha", -1, 1},         // 'Z' < 'a' as codes, 'z' > 'a' folded
      {u"\u00C4BC", u"\u00E4bc", -1, 0},  // Latin-1 capitals fold
      {u"\u00D7", u"\u00F7", -1, -1},     // the multiplication sign is no capital
      {u"\u0100", u"z", 1, 1},            // units compare unsigned
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sign(Compare(c.a, c.b)), c.exact) << c.a.size() << " / " << c.b.size();
    EXPECT_EQ(Sign(CompareNoCase(c.a, c.b)), c.no_case) << c.a.size() << " / " << c.b.size();
    const auto ascii = [](const std::u16string& s) {
      return std::all_of(s.begin(), s.end(), [](char16_t u) { return u < 0x80; });
    };
    if (ascii(c.a) && ascii(c.b)) {
      const std::string a(c.a.begin(), c.a.end()), b(c.b.begin(), c.b.end());
      EXPECT_EQ(Sign(Compare(a, b)), c.exact) << a << " / " << b;
      EXPECT_EQ(Sign(CompareNoCase(a, b)), c.no_case) << a << " / " << b;
    }
  }
  EXPECT_TRUE(EqualNoCase(ByteString("Monza"), "MONZA"));
}

}  // namespace
}  // namespace kv
