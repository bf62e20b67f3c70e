// The test list: predefined tests, selection, user tests, validation and
// the messages that stop a performance session.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "timing/perf_test_list.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {
namespace {

struct Expected {
  const char16_t* name;
  int32_t type;
  // The true values as exact fractions numerator / denominator.
  long double start_num, finish_num, distance_num, denominator;
};

constexpr Expected kExpected[] = {
    {u"60 feet", kPerfDistanceTest, 0, 0, 18.288L, 1},
    {u"1/8 mile", kPerfDistanceTest, 0, 0, 201.168L, 1},
    {u"1/4 mile", kPerfDistanceTest, 0, 0, 402.336L, 1},
    {u"1000 meters", kPerfDistanceTest, 0, 0, 1000, 1},
    {u"1 mile", kPerfDistanceTest, 0, 0, 1609.344L, 1},
    {u"0-60 mph", kPerfSpeedTest, 0, 26.8224L, 0, 1},
    {u"0-100 kph", kPerfSpeedTest, 0, 100, 0, 3.6L},
    {u"0-100 mph", kPerfSpeedTest, 0, 44.704L, 0, 1},
    {u"0-200 kph", kPerfSpeedTest, 0, 200, 0, 3.6L},
    {u"80-120 kph", kPerfSpeedTest, 80, 120, 0, 3.6L},
    {u"60-160 kph", kPerfSpeedTest, 60, 160, 0, 3.6L},
    {u"100-200 kph", kPerfSpeedTest, 100, 200, 0, 3.6L},
};

// `value` is the double nearest the exact number: neither neighbour is closer.
::testing::AssertionResult Nearest(double value, long double exact) {
  const long double here = std::fabs(static_cast<long double>(value) - exact);
  const double up = std::nextafter(value, std::numeric_limits<double>::infinity());
  const double down = std::nextafter(value, -std::numeric_limits<double>::infinity());
  if (std::fabs(static_cast<long double>(up) - exact) < here ||
      std::fabs(static_cast<long double>(down) - exact) < here) {
    return ::testing::AssertionFailure()
           << value << " is not the double nearest " << static_cast<double>(exact);
  }
  return ::testing::AssertionSuccess();
}

TEST(PerfTestList, StartsWithTheTwelvePredefinedTestsInOrder) {
  const PerfTestList list;
  ASSERT_EQ(list.Count(), 12);
  for (int32_t i = 0; i < 12; ++i) {
    const Expected& e = kExpected[i];
    const PerfTest& t = list.At(i);
    SCOPED_TRACE(i);
    EXPECT_EQ(t.name.AsView(), std::u16string_view(e.name));
    EXPECT_EQ(t.type, e.type);
    EXPECT_EQ(t.flag, kPerfPredefined);
    EXPECT_TRUE(list.IsPredefined(i));
    // 3.6 has no exact double, so the km/h values are checked against
    // decimal fractions: 100 / 3.6 = 1000 / 36.
    const long double d = e.denominator == 1 ? 1 : 36;
    const long double k = e.denominator == 1 ? 1 : 10;
    EXPECT_TRUE(Nearest(t.start_speed, e.start_num * k / d));
    EXPECT_TRUE(Nearest(t.finish_speed, e.finish_num * k / d));
    EXPECT_TRUE(Nearest(t.distance, e.distance_num));
    EXPECT_TRUE(IsValidPerfTest(t));
  }
  EXPECT_EQ(list.Selected(), 6);
  EXPECT_EQ(list.At(list.Selected()).name.AsView(), u"0-100 kph");
  EXPECT_EQ(list.UserCount(), 0);
}

PerfTest Speed(std::u16string_view name, double from, double to) {
  PerfTest t;
  t.name = WideString(name);
  t.start_speed = from;
  t.finish_speed = to;
  return t;
}

PerfTest Distance(std::u16string_view name, double metres) {
  PerfTest t;
  t.name = WideString(name);
  t.type = kPerfDistanceTest;
  t.distance = metres;
  return t;
}

TEST(PerfTestList, UserTestsFollowAndOnlyTheyCanBeChangedOrRemoved) {
  PerfTestList list;
  PerfTest mine = Speed(u"50-90", 50 / 3.6, 90 / 3.6);
  mine.flag = kPerfPredefined;  // not the user's to set
  const int32_t a = list.Add(mine);
  const int32_t b = list.Add(Distance(u"100 m", 100.0));
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 13);
  EXPECT_EQ(list.At(a).flag, 0);
  EXPECT_EQ(list.UserCount(), 2);
  EXPECT_EQ(list.Find(u"100 m"), 13);
  EXPECT_EQ(list.Find(u"100 M"), -1);

  EXPECT_FALSE(list.Remove(0));
  EXPECT_FALSE(list.Remove(11));
  EXPECT_FALSE(list.Remove(14));
  EXPECT_FALSE(list.Replace(6, mine));
  EXPECT_TRUE(list.Replace(13, Distance(u"200 m", 200.0)));
  EXPECT_EQ(list.At(13).distance, 200.0);

  list.Select(13);
  EXPECT_TRUE(list.Remove(12));
  EXPECT_EQ(list.Selected(), 12) << "the selection follows its test";
  EXPECT_TRUE(list.Remove(12));
  EXPECT_EQ(list.Selected(), PerfTestList::kDefaultSelection);
  EXPECT_EQ(list.Count(), 12);
}

struct ValidityCase {
  const char* legend;
  PerfTest test;
  bool valid;
};

TEST(PerfTestValidation, TableOfCases) {
  const ValidityCase cases[] = {
      {"standing start", Speed(u"a", 0.0, 10.0), true},
      {"rolling start", Speed(u"a", 5.0, 10.0), true},
      {"equal start and finish speed", Speed(u"a", 10.0, 10.0), false},
      {"finish below start", Speed(u"a", 10.0, 5.0), false},
      {"negative start", Speed(u"a", -1.0, 5.0), false},
      {"no name", Speed(u"", 0.0, 5.0), false},
      {"NaN finish", Speed(u"a", 0.0, std::nan("")), false},
      {"distance", Distance(u"a", 0.1), true},
      {"zero distance", Distance(u"a", 0.0), false},
      {"negative distance", Distance(u"a", -5.0), false},
      {"distance without name", Distance(u"", 10.0), false},
      {"distance test ignores its speeds",
       [] {
         PerfTest t = Distance(u"a", 10.0);
         t.start_speed = 9;
         return t;
       }(),
       true},
  };
  for (const ValidityCase& c : cases) EXPECT_EQ(IsValidPerfTest(c.test), c.valid) << c.legend;
}

TEST(PerfTestValidation, EqualSpeedsGetTheValidationMessage) {
  EXPECT_FALSE(IsValidPerfTest(Speed(u"same", 20.0, 20.0)));
  EXPECT_EQ(InvalidPerfTestMessage().AsView(),
            u"Invalid values! Please verify that the test has a name, non-zero distance and lower "
            u"start speed "
            u"from finish speed!");
}

TEST(PerfTestList, SessionStartMessages) {
  PerfTestList list;
  EXPECT_TRUE(SelectedTestMessage(list).IsEmpty());
  list.Select(-1);
  EXPECT_EQ(SelectedTestMessage(list).AsView(), u"Please select a performance test first.");
  list.Select(20);
  EXPECT_EQ(SelectedTestMessage(list).AsView(),
            u"The selected performance test was not found. Please select another one or cancel.");
  EXPECT_TRUE(ChosenTestMessage(list, u"1/4 mile").IsEmpty());
  EXPECT_EQ(ChosenTestMessage(list, u"").AsView(), Load(kStrSelectPerfTestFirst).AsView());
  EXPECT_EQ(ChosenTestMessage(list, u"0-30 kph").AsView(), Load(kStrPerfTestNotFound).AsView());
}

}  // namespace
}  // namespace kv
