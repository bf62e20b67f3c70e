#include "core/gps_clock.h"

#include <utility>

namespace kv {

GpsClock::GpsClock(TickFn ticks) : ticks_(std::move(ticks)) {}

void GpsClock::Update(const FixRecord& fix) {
  if (fix.type != kSentenceGga || !fix.valid.time || !fix.valid.fix_quality ||
      fix.fix_quality == 0)
    return;
  std::lock_guard lock(mutex_);
  if (set_ && fix.time <= NowLocked()) return;
  tick_at_set_ = ticks_();
  set_ = true;
  time_at_set_ = fix.time;
}

int32_t GpsClock::Now() const {
  std::lock_guard lock(mutex_);
  return NowLocked();
}

int32_t GpsClock::NowLocked() const {
  if (!set_) return kNotSet;
  const uint32_t elapsed = ticks_() - tick_at_set_;
  return static_cast<int32_t>(static_cast<uint32_t>(time_at_set_) + elapsed);
}

void GpsClock::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
  time_at_set_ = 0;
}

}  // namespace kv
