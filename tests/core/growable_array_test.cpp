#include "core/growable_array.h"

#include <gtest/gtest.h>

#include <vector>

namespace kv {
namespace {

TEST(GrowableArray, InsertAndRemoveMoveTheLaterElementsAndClearKeepsTheRoom) {
  GrowableArray<int> list(4);
  for (int i = 0; i < 6; ++i) list.Append(i * 10);
  list.RemoveAt(1);
  list.Insert(0, -1);
  list.Insert(list.Count(), 99);
  EXPECT_EQ(std::vector<int>(list.begin(), list.end()), (std::vector<int>{-1, 0, 20, 30, 40, 50, 99}));
  const int32_t capacity = list.Capacity();
  list.Clear();
  EXPECT_EQ(list.Capacity(), capacity);
}

TEST(GrowableArrayDeathTest, IndexOutsideTheListEndsTheProcess) {
  GrowableArray<int> list(4);
  list.Append(1);
  EXPECT_DEATH(list.At(1), "KvCore 3");
  EXPECT_DEATH(list.At(-1), "KvCore 3");
  EXPECT_DEATH(list.Insert(2, 0), "KvCore 3");
}

}  // namespace
}  // namespace kv
