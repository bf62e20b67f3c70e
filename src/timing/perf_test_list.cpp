#include "timing/perf_test_list.h"

#include <array>
#include <cmath>

#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {

namespace {

struct Predefined {
  int32_t name_id;
  int32_t type;
  double start_speed;
  double finish_speed;
  double distance;
};

// km/h figures as exact fractions (n / 3.6 = 5n / 18), so that each speed is
// the double nearest the true value: dividing by the inexact 3.6 may land
// one step off.
constexpr double Kph(int n) { return 5.0 * n / 18.0; }

constexpr std::array<Predefined, PerfTestList::kPredefinedCount> kPredefined = {{
    {kStrPerf60Feet, kPerfDistanceTest, 0.0, 0.0, 18.288},
    {kStrPerfEighthMile, kPerfDistanceTest, 0.0, 0.0, 201.168},
    {kStrPerfQuarterMile, kPerfDistanceTest, 0.0, 0.0, 402.336},
    {kStrPerf1000Meters, kPerfDistanceTest, 0.0, 0.0, 1000.0},
    {kStrPerfMile, kPerfDistanceTest, 0.0, 0.0, 1609.344},
    {kStrPerf0To60Mph, kPerfSpeedTest, 0.0, 26.8224, 0.0},
    {kStrPerf0To100Kph, kPerfSpeedTest, 0.0, Kph(100), 0.0},
    {kStrPerf0To100Mph, kPerfSpeedTest, 0.0, 44.704, 0.0},
    {kStrPerf0To200Kph, kPerfSpeedTest, 0.0, Kph(200), 0.0},
    {kStrPerf80To120Kph, kPerfSpeedTest, Kph(80), Kph(120), 0.0},
    {kStrPerf60To160Kph, kPerfSpeedTest, Kph(60), Kph(160), 0.0},
    {kStrPerf100To200Kph, kPerfSpeedTest, Kph(100), Kph(200), 0.0},
}};

}  // namespace

bool IsValidPerfTest(const PerfTest& test) {
  if (test.name.IsEmpty()) return false;
  if (test.IsDistance()) return test.distance > 0.0;
  // Written so that NaN fails every comparison.
  return test.start_speed >= 0.0 && test.start_speed < test.finish_speed;
}

WideString InvalidPerfTestMessage() { return Load(kStrPerfInvalidValues); }

PerfTestList::PerfTestList() {
  for (const Predefined& p : kPredefined) {
    PerfTest test;
    test.name = Load(p.name_id);
    test.type = p.type;
    test.start_speed = p.start_speed;
    test.finish_speed = p.finish_speed;
    test.distance = p.distance;
    test.flag = kPerfPredefined;
    tests_.Append(test);
  }
}

int32_t PerfTestList::Find(std::u16string_view name) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (tests_[i].name.AsView() == name) return i;
  }
  return -1;
}

int32_t PerfTestList::Add(PerfTest test) {
  test.flag = 0;
  tests_.Append(test);
  return Count() - 1;
}

std::vector<PerfTest> PerfTestList::UserTests() const {
  std::vector<PerfTest> tests;
  for (int32_t i = kPredefinedCount; i < Count(); ++i) tests.push_back(tests_[i]);
  return tests;
}

bool PerfTestList::Replace(int32_t index, PerfTest test) {
  if (index < kPredefinedCount || index >= Count()) return false;
  test.flag = 0;
  tests_[index] = std::move(test);
  return true;
}

bool PerfTestList::Remove(int32_t index) {
  if (index < kPredefinedCount || index >= Count()) return false;
  tests_.RemoveAt(index);
  if (selected_ == index) {
    selected_ = kDefaultSelection;
  } else if (selected_ > index) {
    --selected_;
  }
  return true;
}

WideString SelectedTestMessage(const PerfTestList& list) {
  if (list.Selected() < 0) return Load(kStrSelectPerfTestFirst);
  if (list.Selected() >= list.Count()) return Load(kStrPerfTestNotFound);
  return {};
}

WideString ChosenTestMessage(const PerfTestList& list, std::u16string_view name) {
  if (name.empty()) return Load(kStrSelectPerfTestFirst);
  if (list.Find(name) < 0) return Load(kStrPerfTestNotFound);
  return {};
}

}  // namespace kv
