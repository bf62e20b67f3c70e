// KeepAwake: keeps the display on while the driver needs it.
//
// A thread ticks once a second. On each tick the display is kept on when
// this program has the foreground, keeping awake is on, and fewer than 60
// ticks have passed since the last event. "Timer backlight" maps onto it:
// "Always on" = On() and an Event() every tick; "Only for events" = On() and
// Event() per lap or message, so the display stays lit for about a minute;
// "Always off" = Off().
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "core/app_host.h"
#include "platform/event.h"
#include "platform/power.h"
#include "platform/thread.h"

namespace kv {

class KeepAwake {
 public:
  static constexpr int32_t kTickMs = 1000;
  static constexpr int32_t kTicksAfterEvent = 60;

  // Starts the thread (throws kErrThreadCreate, kErrOutOfMemory). host and
  // power must outlive the object.
  KeepAwake(const AppHost& host, platform::PowerControl& power);
  // Stops the thread, waiting for it at most 15 s.
  ~KeepAwake();

  void On() { on_.store(true); }
  void Off() { on_.store(false); }
  void Event() { ticks_.store(0); }

  // One tick of the policy; the thread calls it every kTickMs. Public so the
  // policy can be exercised without waiting a minute.
  void Tick();

 private:
  const AppHost& host_;
  platform::PowerControl& power_;
  std::atomic<bool> on_{false};
  std::atomic<int32_t> ticks_{1000};  // starts far past the event window
  platform::Event stop_;
  std::unique_ptr<platform::Thread> thread_;
};

}  // namespace kv
