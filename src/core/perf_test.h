// PerfTest: one acceleration or distance test ("0-100 kph", "1/4 mile"), as
// the test list holds it and "perftest.dat" keeps the user's own. Speeds
// are m/s, distances metres.
#pragma once

#include <cstdint>

#include "util/wide_string.h"

namespace kv {

enum PerfTestType : int32_t { kPerfSpeedTest = 0, kPerfDistanceTest = 1 };

struct PerfTest {
  WideString name;            // never empty in a valid test
  double start_speed = 0.0;   // m/s; 0 for a standing start
  double finish_speed = 0.0;  // m/s, speed tests
  double distance = 0.0;      // metres, distance tests
  int32_t type = kPerfSpeedTest;
  int32_t flag = 0;  // kPerfPredefined for the built-in tests

  bool IsDistance() const { return type == kPerfDistanceTest; }
};

inline constexpr int32_t kPerfPredefined = 1;

}  // namespace kv
