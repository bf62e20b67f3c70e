// ObdRecord: one OBD-II value of a session, the raw value of a channel at
// a sample-time instant. The sample builder finishes one per decoded
// reply, the session records it, the sample file keeps it (types 1 and 2)
// and the channels read it back.
#pragma once

#include <cstdint>

#include "core/not_set.h"

namespace kv {

struct ObdRecord {
  int32_t time = kNotSet;  // ms of day, the sample time base
  uint32_t value = 0;      // raw, as the adapter's reply decoded
  int32_t channel = 0;     // system-wide channel number (ObdChannel::channel)
};

}  // namespace kv
