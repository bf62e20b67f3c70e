// UTF-16 <-> UTF-8: round trips, malformed input, appending, form quoting.
#include <gtest/gtest.h>

#include <string>

#include "util/utf_convert.h"

namespace kv {
namespace {

TEST(Utf, RoundTrips) {
  const std::u16string texts[] = {
      u"Z\u00FCrich \u00C5re",                                // Latin-1
      u"\u20AC 12,50",                                        // three-byte UTF-8
      u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF",  // boundaries of each length
  };
  for (const std::u16string& text : texts) EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"\u20AC"), "\xE2\x82\xAC");
  EXPECT_EQ(ToUtf8(u"\U0001D11E"), "\xF0\x9D\x84\x9E");
}

TEST(Utf, MalformedUtf8BecomesReplacementCharacters) {
  const struct {
    std::string utf8;
    std::u16string expected;
    const char* legend;
  } cases[] = {
      {"\x80", u"\uFFFD", "lone continuation byte"},
      {"\xC0\xAF", u"\uFFFD\uFFFD", "overlong two-byte '/'"},
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", "overlong three-byte"},
      {"\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD", "overlong four-byte"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", "encoded surrogate U+D800"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", "above U+10FFFF"},
      {"\xE2\x82!", u"\uFFFD!", "truncated before ASCII"},
      {"\xF0\x9F\x98", u"\uFFFD", "truncated four-byte at the end"},
      {"\xC3\xC3\xA9", u"\uFFFD\u00E9", "lead byte then a valid pair"},
      {"\xEF\xBB\xBFx", u"\uFEFFx", "a byte-order mark is kept as text"},
  };
  for (const auto& c : cases) EXPECT_EQ(FromUtf8(c.utf8), c.expected) << c.legend;
  // The length is never zero, so callers always advance.
  EXPECT_EQ(DecodeUtf8("").length, 1);
  EXPECT_EQ(DecodeUtf8("\xE2\x82!").length, 2);
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementInUtf8) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(ToUtf8(std::u16string{char16_t{0xD800}, u'a'}), fffd + "a");
  EXPECT_EQ(ToUtf8(std::u16string{char16_t{0xDC00}, char16_t{0xD800}}), fffd + fffd);
  EXPECT_EQ(ToUtf8(std::u16string{u'x', char16_t{0xDBFF}}), "x" + fffd);
}

TEST(Utf, AppendsAndLeavesDestinationAloneWhenNothingComes) {
  ByteString bytes("name=");
  const int32_t capacity = bytes.Capacity();
  AppendUtf8(bytes, u"");
  EXPECT_EQ(bytes.Capacity(), capacity);
  AppendUtf8(bytes, u"\u00E9");
  EXPECT_EQ(bytes, "name=\xC3\xA9");
  WideString wide(u"Track: ");
  AppendUtf16(wide, "");
  AppendUtf16(wide, "Spa");
  EXPECT_EQ(wide, u"Track: Spa");
  ByteString form;
  AppendFormQuoted(form, u"The \"Ring\" \u00E9");
  EXPECT_EQ(form, "The \"\"Ring\"\" \xC3\xA9");
}

}  // namespace
}  // namespace kv
