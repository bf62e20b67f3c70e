// GpsClock: GPS time of day extrapolated with the tick counter between fixes.
//
// Written by the GPS reader thread (Update, Reset) and read by the OBD-II
// reader thread (Now), so it carries its own lock: the two threads hold the
// locks of two different sources, which would not exclude each other.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "core/fix_record.h"

namespace kv {

class GpsClock {
 public:
  using TickFn = std::function<uint32_t()>;  // milliseconds, wraps at 2^32

  explicit GpsClock(TickFn ticks);

  // Moves the clock to the time of a GGA with a fix, but only forward: a
  // time not later than the current extrapolation leaves the clock alone.
  void Update(const FixRecord& fix);

  // GPS time of day in ms (not wrapped at midnight), kNotSet before the first
  // usable GGA.
  int32_t Now() const;

  void Reset();

 private:
  int32_t NowLocked() const;

  TickFn ticks_;
  mutable std::mutex mutex_;
  uint32_t tick_at_set_ = 0;
  bool set_ = false;
  int32_t time_at_set_ = 0;
};

}  // namespace kv
