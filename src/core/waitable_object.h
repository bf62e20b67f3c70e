// WaitableObject: the base of everything whose work must run on the main
// thread. A producer thread calls Signal(); the main loop then calls
// Signalled() on the main thread. Signals that arrive before the loop gets
// round to it collapse into one call, so Signalled() must take all the work
// there is, and a Signal() racing with that call costs at most one extra,
// possibly empty, call.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/app_host.h"
#include "platform/event.h"

namespace kv {

class WaitableObject {
 public:
  // Registers with host; the host must outlive the object.
  explicit WaitableObject(AppHost& host);
  virtual ~WaitableObject();
  WaitableObject(const WaitableObject&) = delete;
  WaitableObject& operator=(const WaitableObject&) = delete;

  virtual void OnError(int32_t /*code*/) {}
  // Main thread only.
  virtual void Signalled() = 0;

  // Any thread: mark work pending, then wake the main loop.
  void Signal();

  // For the main loop: clears the pending flag; true when it was set.
  bool TakePending() { return pending_.exchange(0) != 0; }
  platform::Event& WakeEvent() { return event_; }

 protected:
  AppHost& host() { return host_; }

 private:
  AppHost& host_;
  std::atomic<int32_t> pending_{0};
  platform::Event event_;
};

}  // namespace kv
