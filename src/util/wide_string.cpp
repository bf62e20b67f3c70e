#include "util/wide_string.h"

namespace kv {

namespace {

constexpr int32_t kMsPerSecond = 1000;
constexpr int32_t kMsPerMinute = 60 * kMsPerSecond;
constexpr int32_t kMsPerHour = 60 * kMsPerMinute;

}  // namespace

void WideString::AppendClockHm(int32_t ms_of_day) {
  if (ms_of_day < 0) ms_of_day = 0;
  AppendInt(ms_of_day / kMsPerHour, 2);
  AppendUnit(u':');
  AppendInt(ms_of_day / kMsPerMinute % 60, 2);
}

void WideString::AppendClockHms(int32_t ms_of_day) {
  if (ms_of_day < 0) ms_of_day = 0;
  AppendClockHm(ms_of_day);
  AppendUnit(u':');
  AppendInt(ms_of_day / kMsPerSecond % 60, 2);
}

}  // namespace kv
