#include "core/keep_awake.h"

namespace kv {

KeepAwake::KeepAwake(const AppHost& host, platform::PowerControl& power)
    : host_(host), power_(power) {
  thread_ = std::make_unique<platform::Thread>([this] {
    while (!stop_.Wait(kTickMs)) Tick();
  });
}

KeepAwake::~KeepAwake() {
  stop_.Set();
  thread_->Join(15000);
}

void KeepAwake::Tick() {
  const int32_t ticks = ticks_.load();
  if (ticks < kTicksAfterEvent && on_.load() && power_.OwnsForeground(host_.GetProcessId()))
    power_.KeepOn();
  // An Event() since the load wins; past the window the count stays put.
  int32_t expected = ticks;
  if (ticks < kTicksAfterEvent * 1000) ticks_.compare_exchange_strong(expected, ticks + 1);
}

}  // namespace kv
