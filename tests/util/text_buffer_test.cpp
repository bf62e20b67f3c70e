// Ownership, aliasing, editing and bounds of WideString/ByteString.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "util/byte_string.h"
#include "util/errors.h"
#include "util/wide_string.h"

namespace kv {
namespace {

TEST(TextBuffer, CopiesAreDeepAndAMovedFromTextStartsEmpty) {
  const ByteString a("hello");
  ByteString b = a;
  b.SetAt(0, 'j');
  EXPECT_EQ(a, "hello");
  EXPECT_EQ(b, "jello");
  EXPECT_NE(a.Data(), b.Data());

  WideString from(u"some text");
  WideString to = std::move(from);
  EXPECT_EQ(to, u"some text");
  // A stale capacity would let the next append skip its reallocation.
  EXPECT_TRUE(from.IsEmpty());  // NOLINT(bugprone-use-after-move): defined state
  EXPECT_EQ(from.Capacity(), 0);
  from.Append(u"again");
  EXPECT_EQ(from, u"again");
}

// The appended view points into the buffer that the append reallocates.
TEST(TextBuffer, AppendingItselfWhileGrowing) {
  ByteString s("abc");  // capacity exactly 3
  s.Append(s);
  EXPECT_EQ(s, "abcabc");
  s.Append(std::string_view(s).substr(1, 2));  // fits now: no reallocation
  EXPECT_EQ(s, "abcabcbc");
}

TEST(TextBuffer, LengthPastInt32ThrowsOutOfMemoryAndKeepsTheText) {
  ByteString s("x");
  try {
    s.ReserveAppend(static_cast<int64_t>(INT32_MAX));
    FAIL() << "no exception";
  } catch (const CodeException& e) {
    EXPECT_EQ(e.code, kErrOutOfMemory);
  }
  EXPECT_EQ(s, "x");
}

TEST(TextBufferDeathTest, OutsideTheTextIsKvCore7AndAShortDestinationIs8) {
  EXPECT_DEATH(ByteString("abc").At(3), "KvCore 7");
  EXPECT_DEATH(ByteString("abc").At(-1), "KvCore 7");
  WideString s(u"abc");
  EXPECT_DEATH(s.Substring(2, 2), "KvCore 7");
  EXPECT_DEATH(s.Substring(-1, 1), "KvCore 7");
  EXPECT_DEATH(s.Substring(0, -1), "KvCore 7");
  EXPECT_DEATH(s.Remove(1, 3), "KvCore 7");
  EXPECT_DEATH(s.Truncate(4), "KvCore 7");
  std::array<char16_t, 2> small{};
  EXPECT_DEATH(s.CopyTo(small), "KvCore 8");
}

}  // namespace
}  // namespace kv
