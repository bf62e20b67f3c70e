// Local time <-> UTC for DateTimeValues: older files stored local time,
// ours store UTC. The conversion follows the system's time zone rules at
// that date. Unknown values stay unknown; values outside years 0..9999 or
// a day's milliseconds (only a damaged file holds them) are not converted.
#pragma once

#include "core/date_time.h"

namespace kv {

DateTimeValue LocalToUtc(const DateTimeValue& local);
DateTimeValue UtcToLocal(const DateTimeValue& utc);
DateTimeValue NowUtc();
DateTimeValue NowLocal();

}  // namespace kv
