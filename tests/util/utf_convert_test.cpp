// UTF-16 <-> UTF-8: round trips, malformed input, appending, form quoting.
#include <gtest/gtest.h>

#include <string>

#include "util/utf_convert.h"

namespace kv {
namespace {

TEST(Utf, RoundTripsAtTheBoundariesOfEachLength) {
  const std::u16string text = u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"\u20AC\U0001D11E"), "\xE2\x82\xAC\xF0\x9D\x84\x9E");
  // An unpaired surrogate becomes the UTF-8 of U+FFFD.
  EXPECT_EQ(ToUtf8(std::u16string{char16_t{0xDC00}, char16_t{0xD800}, u'a'}),
            "\xEF\xBF\xBD\xEF\xBF\xBD"
            "a");
}

// Each maximal ill-formed subsequence becomes one U+FFFD.
TEST(Utf, MalformedUtf8BecomesReplacementCharacters) {
  const struct {
    std::string utf8;
    std::u16string expected;
    const char* legend;
  } cases[] = {
      {"\x80", u"\uFFFD", "lone continuation byte"},
      {"\xC0\xAF", u"\uFFFD\uFFFD", "overlong two-byte '/'"},
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", "overlong three-byte"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", "encoded surrogate U+D800"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", "above U+10FFFF"},
      {"\xE2\x82!", u"\uFFFD!", "truncated before ASCII"},
      {"\xF0\x9F\x98", u"\uFFFD", "truncated four-byte at the end"},
      {"\xC3\xC3\xA9", u"\uFFFD\u00E9", "lead byte then a valid pair"},
      {"\xEF\xBB\xBFx", u"\uFEFFx", "a byte-order mark is kept as text"},
  };
  for (const auto& c : cases) EXPECT_EQ(FromUtf8(c.utf8), c.expected) << c.legend;
  EXPECT_EQ(DecodeUtf8("").length, 1) << "never zero, so callers always advance";
}

TEST(Utf, AppendsAndQuotesForForms) {
  ByteString bytes("name=");
  const int32_t capacity = bytes.Capacity();
  AppendUtf8(bytes, u"");
  EXPECT_EQ(bytes.Capacity(), capacity) << "nothing to append leaves the destination alone";
  AppendFormQuoted(bytes, u"\"Ring\" \u00E9");
  EXPECT_EQ(bytes, "name=\"\"Ring\"\" \xC3\xA9");
  WideString wide(u"Track: ");
  AppendUtf16(wide, "Spa");
  EXPECT_EQ(wide, u"Track: Spa");
}

}  // namespace
}  // namespace kv
