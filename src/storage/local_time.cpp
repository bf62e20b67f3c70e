#include "storage/local_time.h"

#include "core/date_time.h"
#include "platform/folders.h"

namespace kv {

namespace {

// Day numbers of years 0..9999 and times within one day: anything else
// came from a damaged file and is passed on unconverted.
constexpr int32_t kLastDay = 10000 * 372;

DateTimeValue Shift(const DateTimeValue& value, int64_t (*convert)(int64_t)) {
  if (!value.IsKnown()) return DateTimeValue{};
  if (value.day < 0 || value.day >= kLastDay || value.time < 0 || value.time >= kDayMs) return value;
  const int64_t seconds = value.ToUnixSeconds();
  const int64_t milliseconds = value.time % 1000;
  return DateTimeValue::FromUnixMs(convert(seconds) * 1000 + milliseconds);
}

}  // namespace

DateTimeValue LocalToUtc(const DateTimeValue& local) { return Shift(local, platform::LocalSecondsToUtc); }
DateTimeValue UtcToLocal(const DateTimeValue& utc) { return Shift(utc, platform::UtcSecondsToLocal); }
DateTimeValue NowUtc() { return DateTimeValue::FromUnixMs(platform::NowUnixMs()); }
DateTimeValue NowLocal() { return UtcToLocal(NowUtc()); }

}  // namespace kv
