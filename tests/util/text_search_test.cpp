// Find, NextLine and TakeField on both string kinds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/text_search.h"

namespace kv {
namespace {

TEST(Find, UnitsAndSubstrings) {
  EXPECT_EQ(Find(std::string_view("abcabc"), 'c'), 2);
  EXPECT_EQ(Find(std::string_view("abcabc"), 'a', 1), 3);
  EXPECT_EQ(Find(std::string_view("abcabc"), 'x'), -1);
  EXPECT_EQ(Find(std::string_view("abcabc"), 'a', 7), -1);
  EXPECT_EQ(Find(std::string_view("abcabc"), 'a', -1), -1);
  EXPECT_EQ(Find(std::string_view("abcabc"), "ca"), 2);
  EXPECT_EQ(Find(std::string_view("abcabc"), "bc", 2), 4);
  EXPECT_EQ(Find(std::string_view("abcabc"), ""), -1);  // empty pattern never found
  EXPECT_EQ(Find(std::string_view(""), ""), -1);
  EXPECT_EQ(Find(std::string_view("ab"), "abc"), -1);
  EXPECT_EQ(Find(std::u16string_view(u"Lap %N of %U"), u"%U"), 10);
  EXPECT_EQ(Find(std::u16string_view(u"Lap %N of %U"), u'%'), 4);
  EXPECT_EQ(Find(std::u16string_view(u"abc"), u""), -1);
}

struct LineCase {
  std::string text;
  int32_t index;
  int32_t terminator;
};

TEST(NextLine, CrLfOnlyWhenItEndsTheFirstLine) {
  const LineCase cases[] = {
      {"abc\r\ndef", 3, 2}, {"abc\ndef\r\n", 3, 1},
      {"abc\rdef\n", 7, 1},  // a lone CR stays in the line
      {"abc", -1, 0},       {"", -1, 0},
      {"\r\n", 0, 2},       {"\n\r\n", 0, 1},
      {"\r\r\n", 1, 2},     {"abc\r", -1, 0},
  };
  for (const LineCase& c : cases) {
    const LineEnd bytes = NextLine(c.text);
    EXPECT_EQ(bytes.index, c.index) << c.text;
    EXPECT_EQ(bytes.terminator, c.terminator) << c.text;
    const LineEnd wide = NextLine(std::u16string(c.text.begin(), c.text.end()));
    EXPECT_EQ(wide.index, c.index) << c.text;
    EXPECT_EQ(wide.terminator, c.terminator) << c.text;
  }
}

TEST(TakeField, SplitsAnIndexLine) {
  ByteString line("monza.bin;Italy/Monza;Autodromo");
  ByteString field;
  std::vector<std::string> fields;
  while (TakeField(line, field, ';', 0)) fields.emplace_back(field.AsView());
  EXPECT_EQ(fields, (std::vector<std::string>{"monza.bin", "Italy/Monza", "Autodromo"}));
  EXPECT_TRUE(line.IsEmpty());
  EXPECT_TRUE(field.IsEmpty());  // false leaves the destination empty
}

TEST(TakeField, EmptyFieldsAndMaximum) {
  WideString source(u";a");
  WideString field(u"old");
  EXPECT_TRUE(TakeField(source, field, u';', 0));
  EXPECT_EQ(field, u"");
  EXPECT_EQ(source, u"a");

  // Without a separator the maximum limits the field and the rest stays.
  source = u"abcdef";
  EXPECT_TRUE(TakeField(source, field, u';', 4));
  EXPECT_EQ(field, u"abcd");
  EXPECT_EQ(source, u"ef");
  EXPECT_TRUE(TakeField(source, field, u';', 4));
  EXPECT_EQ(field, u"ef");
  EXPECT_TRUE(source.IsEmpty());

  // A separator found ends the field whatever the maximum.
  source = u"abcdef;g";
  EXPECT_TRUE(TakeField(source, field, u';', 2));
  EXPECT_EQ(field, u"abcdef");
  EXPECT_EQ(source, u"g");

  // A separator as the last unit leaves an empty source.
  source = u"x;";
  EXPECT_TRUE(TakeField(source, field, u';', 0));
  EXPECT_EQ(field, u"x");
  EXPECT_TRUE(source.IsEmpty());
  EXPECT_FALSE(TakeField(source, field, u';', 0));
}

}  // namespace
}  // namespace kv
