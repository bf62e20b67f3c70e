#include "storage/local_time.h"

#include "platform/folders.h"

namespace kv {

namespace {

DateTimeValue Shift(const DateTimeValue& value, int64_t (*convert)(int64_t)) {
  if (!value.IsKnown()) return DateTimeValue{};
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
