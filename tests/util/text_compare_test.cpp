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

struct CompareCase {
  std::u16string a;
  std::u16string b;
  int exact;    // sign of Compare
  int no_case;  // sign of CompareNoCase
};

TEST(Compare, PrefixThenLength) {
  const CompareCase cases[] = {
      {u"abc", u"abcd", -1, -1},
      {u"abcd", u"abc", 1, 1},
      {u"ABC", u"abc", -1, 0},
      {u"abc", u"abc", 0, 0},
      {u"", u"", 0, 0},
      {u"", u"a", -1, -1},
      {u"a", u"", 1, 1},
      {u"abd", u"abc", 1, 1},
      {u"Zeta", u"alpha", -1, 1},  // 'Z' < 'a' as codes, 'z' > 'a' folded
      {u"Track", u"tracks", -1, -1},
      {u"\u00C4BC", u"\u00E4bc", -1, 0},  // Latin-1 capitals fold
      {u"\u00D7", u"\u00F7", -1, -1},     // the multiplication sign is no capital
      {u"\u0100", u"z", 1, 1},            // units compare unsigned
  };
  for (const CompareCase& c : cases) {
    EXPECT_EQ(Sign(Compare(c.a, c.b)), c.exact);
    EXPECT_EQ(Sign(CompareNoCase(c.a, c.b)), c.no_case);
    // The ASCII cases behave the same on 8-bit texts.
    const bool ascii = std::all_of(c.a.begin(), c.a.end(), [](char16_t u) { return u < 0x80; }) &&
                       std::all_of(c.b.begin(), c.b.end(), [](char16_t u) { return u < 0x80; });
    if (ascii) {
      const std::string a(c.a.begin(), c.a.end());
      const std::string b(c.b.begin(), c.b.end());
      EXPECT_EQ(Sign(Compare(a, b)), c.exact) << a << " / " << b;
      EXPECT_EQ(Sign(CompareNoCase(a, b)), c.no_case) << a << " / " << b;
    }
  }
}

TEST(Compare, BytesAreUnsignedAndNotLatin1Folded) {
  EXPECT_GT(Compare(std::string_view("\x80"), std::string_view("a")), 0);
  // 0xC4 and 0xE4 are UTF-8 lead bytes here, not Latin-1 letters.
  EXPECT_NE(CompareNoCase(std::string_view("\xC4"), std::string_view("\xE4")), 0);
}

TEST(Compare, StringsConvertToViews) {
  const WideString a(u"Monza");
  const WideString b(u"MONZA");
  EXPECT_TRUE(EqualNoCase(a, b));
  EXPECT_NE(Compare(a, b), 0);
  EXPECT_TRUE(EqualNoCase(ByteString("Success."), "success."));
}

}  // namespace
}  // namespace kv
