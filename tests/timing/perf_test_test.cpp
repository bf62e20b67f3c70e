#include <gtest/gtest.h>

#include <cmath>

#include "timing/perf_test_list.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {
namespace {

PerfTest Speed(std::u16string_view name, double from, double to) {
  PerfTest t;
  t.name = WideString(name);
  t.start_speed = from;
  t.finish_speed = to;
  return t;
}

PerfTest Distance(std::u16string_view name, double metres, double start_speed = 0.0) {
  PerfTest t = Speed(name, start_speed, 0.0);
  t.type = kPerfDistanceTest;
  t.distance = metres;
  return t;
}

// The test-add command checks a missing name, equal speeds and a zero
// distance; these are the other ways a test is valid or not.
TEST(PerfTestValidation, NaNNegativeAndDescendingSpeedsFail) {
  EXPECT_FALSE(IsValidPerfTest(Speed(u"a", 0.0, std::nan("")))) << "NaN fails every comparison";
  EXPECT_FALSE(IsValidPerfTest(Speed(u"a", -1.0, 5.0)));
  EXPECT_FALSE(IsValidPerfTest(Speed(u"a", 10.0, 5.0)));
  EXPECT_TRUE(IsValidPerfTest(Speed(u"a", 5.0, 10.0))) << "rolling start";
  EXPECT_FALSE(IsValidPerfTest(Distance(u"a", -5.0)));
  EXPECT_TRUE(IsValidPerfTest(Distance(u"a", 10.0, 9.0))) << "a distance test ignores its speeds";
}

TEST(PerfTestList, OnlyUserTestsCanBeChangedOrRemovedAndTheSelectionFollows) {
  PerfTestList list;
  PerfTest mine = Speed(u"50-90", 50 / 3.6, 90 / 3.6);
  mine.flag = kPerfPredefined;  // not the user's to set
  EXPECT_EQ(list.Add(mine), 12);
  EXPECT_EQ(list.Add(Distance(u"100 m", 100.0)), 13);
  EXPECT_EQ(list.At(12).flag, 0);
  EXPECT_EQ(list.Find(u"100 M"), -1) << "names match exactly";
  for (int32_t index : {0, 11, 14}) EXPECT_FALSE(list.Remove(index)) << index;
  EXPECT_FALSE(list.Replace(6, mine));
  EXPECT_TRUE(list.Replace(13, Distance(u"200 m", 200.0)));
  EXPECT_EQ(list.At(13).distance, 200.0);

  list.Select(13);
  EXPECT_TRUE(list.Remove(12));
  EXPECT_EQ(list.Selected(), 12) << "the selection follows its test";
  EXPECT_TRUE(list.Remove(12));
  EXPECT_EQ(list.Selected(), PerfTestList::kDefaultSelection);
  EXPECT_EQ(list.UserCount(), 0);
}

TEST(PerfTestList, SelectionThatStopsASessionFromStarting) {
  PerfTestList list;
  EXPECT_TRUE(SelectedTestMessage(list).IsEmpty());
  list.Select(-1);
  EXPECT_EQ(SelectedTestMessage(list), Load(kStrSelectPerfTestFirst));
  list.Select(20);
  EXPECT_EQ(SelectedTestMessage(list), Load(kStrPerfTestNotFound));
}

}  // namespace
}  // namespace kv
