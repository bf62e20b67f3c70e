// The monotonic tick counter: milliseconds since an arbitrary start,
// wrapping at 2^32 like the handheld's tick count. Differences of two ticks
// taken as uint32_t are right across the wrap.
#pragma once

#include <cstdint>

namespace kv::platform {

uint32_t TickCount();

}  // namespace kv::platform
