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
  EXPECT_EQ(Find(text, 'x'), -1);
  EXPECT_EQ(Find(text, 'a', 7), -1);
  EXPECT_EQ(Find(text, 'a', -1), -1);
  EXPECT_EQ(Find(text, "bc", 2), 4);
  EXPECT_EQ(Find(text, ""), -1);  // an empty pattern is never found
  EXPECT_EQ(Find(std::string_view("ab"), "abc"), -1);
  EXPECT_EQ(Find(std::u16string_view(u"Lap %N of %U"), u"%U"), 10);
  EXPECT_EQ(Find(std::u16string_view(u"Lap %N of %U"), u'%', 5), 10);
  EXPECT_EQ(Find(std::u16string_view(u"abc"), u""), -1);
}

TEST(NextLine, CrLfOnlyWhenItEndsTheFirstLine) {
  const struct {
    std::string text;
    int32_t index, terminator;
  } cases[] = {
      {"abc\r\ndef", 3, 2}, {"abc\ndef\r\n", 3, 1}, {"abc\rdef\n", 7, 1},  // a lone CR stays in the line
      {"abc", -1, 0},       {"\n\r\n", 0, 1},       {"\r\r\n", 1, 2},     {"abc\r", -1, 0},
  };
  for (const auto& c : cases) {
    for (const LineEnd end : {NextLine(c.text), NextLine(std::u16string(c.text.begin(), c.text.end()))}) {
      EXPECT_EQ(end.index, c.index) << c.text;
      EXPECT_EQ(end.terminator, c.terminator) << c.text;
    }
  }
}

TEST(TakeField, SplitsAnIndexLine) {
  ByteString line("monza.bin;;Autodromo");
  ByteString field;
  std::vector<std::string> fields;
  while (TakeField(line, field, ';', 0)) fields.emplace_back(field.AsView());
  EXPECT_EQ(fields, (std::vector<std::string>{"monza.bin", "", "Autodromo"}));
  EXPECT_TRUE(line.IsEmpty());
  EXPECT_TRUE(field.IsEmpty());  // false leaves the destination empty
}

TEST(TakeField, MaximumLimitsOnlyAFieldWithoutSeparator) {
  WideString source(u"abcdef");
  WideString field;
  EXPECT_TRUE(TakeField(source, field, u';', 4));
  EXPECT_EQ(field, u"abcd");
  EXPECT_EQ(source, u"ef");

  source = u"abcdef;g";
  EXPECT_TRUE(TakeField(source, field, u';', 2));
  EXPECT_EQ(field, u"abcdef");
  EXPECT_EQ(source, u"g");

  source = u"x;";  // a separator as the last unit leaves an empty source
  EXPECT_TRUE(TakeField(source, field, u';', 0));
  EXPECT_EQ(field, u"x");
  EXPECT_FALSE(TakeField(source, field, u';', 0));
}

}  // namespace
}  // namespace kv
