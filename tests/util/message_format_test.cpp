// Placeholder replacement: order, first occurrence, inserted text searched.
#include <gtest/gtest.h>

#include <climits>

#include "util/message_format.h"

namespace kv {
namespace {

TEST(MessageFormat, Numbers) {
  EXPECT_EQ(FormatN(u"%N tracks", 12), u"12 tracks");
  EXPECT_EQ(FormatN(u"Error #%N", -5), u"Error #-5");
  EXPECT_EQ(FormatN(u"%N", INT_MIN), u"-2147483648");
  EXPECT_EQ(FormatN(u"%N", 1234567), u"1234567");  // no grouping
  EXPECT_EQ(FormatNN(u"%0N sessions, %1N traps", 3, 12), u"3 sessions, 12 traps");
  EXPECT_EQ(FormatNN(u"%1N before %0N", 1, 2), u"2 before 1");
}

TEST(MessageFormat, Texts) {
  EXPECT_EQ(FormatU(u"Delete track '%U'?", u"Monza"), u"Delete track 'Monza'?");
  EXPECT_EQ(FormatU(u"%U and %U", u"a"), u"a and %U");  // first occurrence only
  EXPECT_EQ(FormatUU(u"%0U-%1U", u"a", u"b"), u"a-b");
  EXPECT_EQ(FormatUUU(u"%2U%1U%0U", u"a", u"b", u"c"), u"cba");
  EXPECT_EQ(FormatUN(u"Best: %U (%N laps)", u"1:23.45", 7), u"Best: 1:23.45 (7 laps)");
  EXPECT_EQ(FormatU(u"[%U]", u""), u"[]");
}

TEST(MessageFormat, InsertedTextIsSearchedByLaterSteps) {
  // "%N" inside the inserted text is replaced, not the one later on.
  EXPECT_EQ(FormatUN(u"%U then %N", u"a%Nb", 5), u"a5b then %N");
  EXPECT_EQ(FormatUU(u"%0U and %1U", u"x%1U", u"y"), u"xy and %1U");
  EXPECT_EQ(FormatUUU(u"%0U|%1U|%2U", u"%2U", u"b", u"c"), u"c|b|%2U");
}

using MessageFormatDeathTest = ::testing::Test;

TEST_F(MessageFormatDeathTest, MissingPlaceholderIsKvCore11) {
  EXPECT_DEATH(FormatN(u"no placeholder", 1), "KvCore 11");
  EXPECT_DEATH(FormatNN(u"%0N only", 1, 2), "KvCore 11");
  EXPECT_DEATH(FormatU(u"only %0U", u"x"), "KvCore 11");  // "%0U" does not hold "%U"
  EXPECT_DEATH(FormatUN(u"%U only", u"x", 1), "KvCore 11");
  EXPECT_DEATH(FormatUUU(u"%0U %1U", u"a", u"b", u"c"), "KvCore 11");
  EXPECT_DEATH(FormatN(u"", 1), "KvCore 11");
}

}  // namespace
}  // namespace kv
