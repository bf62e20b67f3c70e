// Find, NextLine and TakeField on both string kinds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/text_search.h"

namespace kv {
namespace {

TEST(Find, UnitsAndSubstrings) {
  const std::string_view text = "abcabc";
  EXPECT_EQ(Find(text, 'a', 1), 3);
  EXPECT_EQ(Find(text, 'a', 7), -1);
  EXPECT_EQ(Find(text, "bc", 2), 4);
  EXPECT_EQ(Find(text, "bc", -1), -1);
  EXPECT_EQ(Find(text, ""), -1);  // an empty pattern is never found
  EXPECT_EQ(Find(std::u16string_view(u"Lap %N of %U"), u'%', 5), 10);
  EXPECT_EQ(Find(std::u16string_view(u"Lap %N of %U"), u"%X"), -1);
}

TEST(NextLine, CrLfOnlyWhenItEndsTheFirstLine) {
  const struct {
    std::string text;
    int32_t index, terminator;
  } cases[] = {{"abc\r\ndef", 3, 2}, {"abc\ndef\r\n", 3, 1}, {"a\rb\n", 3, 1}, {"\r\r\n", 1, 2}, {"abc\r", -1, 0}};
  for (const auto& c : cases) {
    for (const LineEnd end : {NextLine(c.text), NextLine(std::u16string(c.text.begin(), c.text.end()))}) {
      EXPECT_EQ(end.index, c.index) << c.text;
      EXPECT_EQ(end.terminator, c.terminator) << c.text;
    }
  }
}

// The maximum limits only a field without a separator; the rest stays.
TEST(TakeField, SplitsAtTheSeparatorOrTheMaximum) {
  ByteString line("monza.bin;;Autodromo");
  ByteString field;
  std::vector<std::string> fields;
  while (TakeField(line, field, ';', 4)) fields.emplace_back(field.AsView());
  EXPECT_EQ(fields, (std::vector<std::string>{"monza.bin", "", "Auto", "drom", "o"}));
  EXPECT_TRUE(field.IsEmpty());  // false leaves the destination empty
  WideString source(u"x;");
  WideString wide;
  EXPECT_TRUE(TakeField(source, wide, u';', 0));
  EXPECT_EQ(wide, u"x");
  EXPECT_FALSE(TakeField(source, wide, u';', 0)) << "a separator as the last unit leaves nothing";
}

}  // namespace
}  // namespace kv
