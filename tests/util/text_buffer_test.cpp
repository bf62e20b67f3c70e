// Growth rules, bounds checks and copy semantics of WideString/ByteString.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "util/byte_string.h"
#include "util/errors.h"
#include "util/wide_string.h"

namespace kv {
namespace {

TEST(TextBufferGrowth, AppendReservesNeedPlus128) {
  ByteString s;
  s.Append("abc");
  EXPECT_EQ(s.Capacity(), 3 + 128);
  // Filling up to the capacity does not reallocate...
  s.AppendRepeated('x', 128);
  EXPECT_EQ(s.Length(), 131);
  EXPECT_EQ(s.Capacity(), 131);
  // ...one more unit does: length + added + 128.
  s.AppendUnit('y');
  EXPECT_EQ(s.Capacity(), 132 + 128);
}

TEST(TextBufferGrowth, NumbersAppendUnderTheSameRule) {
  WideString s;
  s.AppendInt(-12345, 8);  // one append of 8 units
  EXPECT_EQ(s.Capacity(), 8 + 128);
  WideString r;
  r.AppendReal(2.5, 3);  // "2.500"
  EXPECT_EQ(r.Capacity(), 5 + 128);
}

TEST(TextBufferGrowth, AssignAllocatesExactlyAndNeverShrinks) {
  WideString s;
  s.Assign(u"0123456789");
  EXPECT_EQ(s.Capacity(), 10);
  s.Assign(u"abc");
  EXPECT_EQ(s.Capacity(), 10);
  EXPECT_EQ(s, u"abc");
  s.Assign(u"0123456789abcdefghij");
  EXPECT_EQ(s.Capacity(), 20);
}

TEST(TextBufferGrowth, CopiesAreDeepAndExact) {
  ByteString a;
  a.Append("hello");  // capacity 133
  ByteString b = a;
  EXPECT_EQ(b.Capacity(), 5);
  b.SetAt(0, 'j');
  EXPECT_EQ(a, "hello");
  EXPECT_EQ(b, "jello");
  EXPECT_NE(a.Data(), b.Data());
}

TEST(TextBufferGrowth, MovedFromTextIsEmpty) {
  WideString a(u"some text");
  WideString b = std::move(a);
  EXPECT_EQ(b, u"some text");
  EXPECT_EQ(b.Capacity(), 9);
  EXPECT_TRUE(a.IsEmpty());  // NOLINT(bugprone-use-after-move): defined state
  EXPECT_EQ(a.Capacity(), 0);
  a.Append(u"again");
  EXPECT_EQ(a, u"again");
}

TEST(TextBufferGrowth, AppendingItselfWhileGrowing) {
  ByteString s("abc");  // capacity exactly 3, so the append must reallocate
  s.Append(s);
  EXPECT_EQ(s, "abcabc");
  s.Append(std::string_view(s).substr(1, 2));  // fits now: no reallocation
  EXPECT_EQ(s, "abcabcbc");
}

TEST(TextBufferGrowth, LengthPastInt32ThrowsOutOfMemory) {
  ByteString s("x");
  try {
    s.ReserveAppend(static_cast<int64_t>(INT32_MAX));
    FAIL() << "no exception";
  } catch (const CodeException& e) {
    EXPECT_EQ(e.code, kErrOutOfMemory);
  }
  EXPECT_EQ(s, "x");
}

TEST(TextBufferEdit, SubstringRemoveTruncateClear) {
  WideString s(u"Start/Finish");
  EXPECT_EQ(s.Substring(0, 5), u"Start");
  EXPECT_EQ(s.Substring(6, 6), u"Finish");
  EXPECT_EQ(s.Substring(12, 0), u"");
  s.Remove(5, 1);
  EXPECT_EQ(s, u"StartFinish");
  s.Truncate(5);
  EXPECT_EQ(s, u"Start");
  const int32_t capacity = s.Capacity();
  s.Clear();
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.Capacity(), capacity);
}

TEST(TextBufferEdit, CopyToFixedBuffer) {
  const WideString s(u"Korvatinel");
  std::array<char16_t, 10> exact{};
  s.CopyTo(exact);
  EXPECT_EQ(std::u16string_view(exact.data(), exact.size()), u"Korvatinel");
}

TEST(TextBufferEdit, StdStringIsTerminated) {
  const ByteString s("COM4:");
  EXPECT_STREQ(s.Std().c_str(), "COM4:");
}

using TextBufferDeathTest = ::testing::Test;

TEST_F(TextBufferDeathTest, IndexOutsideTextIsKvCore7) {
  const ByteString s("abc");
  EXPECT_DEATH(s.At(3), "KvCore 7");
  EXPECT_DEATH(s.At(-1), "KvCore 7");
  EXPECT_DEATH(ByteString().At(0), "KvCore 7");
}

TEST_F(TextBufferDeathTest, SubstringOutsideTextIsKvCore7) {
  WideString s(u"abc");
  EXPECT_DEATH(s.Substring(2, 2), "KvCore 7");
  EXPECT_DEATH(s.Substring(-1, 1), "KvCore 7");
  EXPECT_DEATH(s.Substring(0, -1), "KvCore 7");
  EXPECT_DEATH(s.Remove(1, 3), "KvCore 7");
  EXPECT_DEATH(s.Truncate(4), "KvCore 7");
}

TEST_F(TextBufferDeathTest, CopyBeyondDestinationIsKvCore8) {
  const WideString s(u"Korvatinel!");
  std::array<char16_t, 10> small{};
  EXPECT_DEATH(s.CopyTo(small), "KvCore 8");
}

}  // namespace
}  // namespace kv
