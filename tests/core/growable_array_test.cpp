#include "core/growable_array.h"

#include <gtest/gtest.h>


namespace kv {
namespace {

TEST(GrowableArrayDeathTest, IndexOutsideTheListEndsTheProcess) {
  GrowableArray<int> list(4);
  list.Append(1);
  EXPECT_DEATH(list.At(1), "KvCore 3");
  EXPECT_DEATH(list.At(-1), "KvCore 3");
  EXPECT_DEATH(list.Insert(2, 0), "KvCore 3");
}

}  // namespace
}  // namespace kv
