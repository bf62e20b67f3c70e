#include "core/growable_array.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(GrowableArray, GrowsByExactlyItsStep) {
  GrowableArray<int> list(8);
  EXPECT_EQ(list.Capacity(), 0);
  list.Append(1);
  EXPECT_EQ(list.Capacity(), 8);
  for (int i = 2; i <= 8; ++i) list.Append(i);
  EXPECT_EQ(list.Capacity(), 8);
  list.Append(9);  // count reached capacity: one more step, never doubled
  EXPECT_EQ(list.Capacity(), 16);
  for (int i = 10; i <= 17; ++i) list.Append(i);
  EXPECT_EQ(list.Capacity(), 24);
}

TEST(GrowableArray, RemovalMovesLaterElementsDownAndKeepsCapacity) {
  GrowableArray<int> list(4);
  for (int i = 0; i < 6; ++i) list.Append(i * 10);
  list.RemoveAt(1);
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list[0], 0);
  EXPECT_EQ(list[1], 20);
  EXPECT_EQ(list[4], 50);
  EXPECT_EQ(list.Capacity(), 8);
  list.Insert(0, -1);
  list.Insert(list.Count(), 99);
  EXPECT_EQ(list[0], -1);
  EXPECT_EQ(list[list.Count() - 1], 99);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 8);
}

TEST(GrowableArrayDeathTest, IndexOutsideTheListEndsTheProcess) {
  GrowableArray<int> list(4);
  list.Append(1);
  EXPECT_DEATH(list.At(1), "KvCore 3");
  EXPECT_DEATH(list.At(-1), "KvCore 3");
  EXPECT_DEATH(list.RemoveAt(5), "KvCore 3");
  EXPECT_DEATH(list.Insert(3, 0), "KvCore 3");
}

}  // namespace
}  // namespace kv
