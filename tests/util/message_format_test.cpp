// Placeholder replacement: order, first occurrence, inserted text searched.
#include <gtest/gtest.h>

#include <climits>

#include "util/message_format.h"

namespace kv {
namespace {

TEST(MessageFormat, EachStepReplacesTheFirstOccurrence) {
  EXPECT_EQ(FormatN(u"%N", INT_MIN), u"-2147483648");
  EXPECT_EQ(FormatNN(u"%1N before %0N", 1, 2), u"2 before 1");
  EXPECT_EQ(FormatU(u"%U and %U", u""), u" and %U");
  EXPECT_EQ(FormatUUU(u"%2U%1U%0U", u"a", u"b", u"c"), u"cba");
  EXPECT_EQ(FormatUN(u"Best: %U (%N laps)", u"1:23.45", 1234567), u"Best: 1:23.45 (1234567 laps)");
}

// The search starts over at the front of the text built so far, so a
// placeholder inside an inserted text is the one replaced.
TEST(MessageFormat, InsertedTextIsSearchedByLaterSteps) {
  EXPECT_EQ(FormatUN(u"%U then %N", u"a%Nb", 5), u"a5b then %N");
  EXPECT_EQ(FormatUU(u"%0U and %1U", u"x%1U", u"y"), u"xy and %1U");
  EXPECT_EQ(FormatUUU(u"%0U|%1U|%2U", u"%2U", u"b", u"c"), u"c|b|%2U");
}

TEST(MessageFormatDeathTest, MissingPlaceholderIsKvCore11) {
  EXPECT_DEATH(FormatNN(u"%0N only", 1, 2), "KvCore 11");
  EXPECT_DEATH(FormatU(u"only %0U", u"x"), "KvCore 11");  // "%0U" does not hold "%U"
}

}  // namespace
}  // namespace kv
