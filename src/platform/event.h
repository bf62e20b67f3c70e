// Event: an auto-reset event the main loop can wait on together with others.
// Set() may be called from any thread and from a signal handler; a Wait or
// Consume that sees it set resets it. Creation failure throws kErrOutOfMemory.
#pragma once

#include <cstdint>

namespace kv::platform {

class Event {
 public:
  Event();
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();    // async-signal-safe
  void Reset();
  // Takes the event if it is set; true when it was.
  bool Consume();
  // Waits at most timeout_ms (negative: forever); true when the event was
  // set (and is now reset), false on time-out.
  bool Wait(int32_t timeout_ms);

  // Readable while set. For WaitSet only.
  int Handle() const { return fd_; }

 private:
  int fd_;
};

}  // namespace kv::platform
