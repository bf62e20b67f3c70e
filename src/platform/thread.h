// Thread: a joinable thread whose join can give up. The owner must Join it
// before destruction; a thread that does not end in time is left detached
// (it must not touch its owner afterwards: owners stop threads with an event
// first and only then join).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace kv::platform {

class Thread {
 public:
  // Starts body at once. Throws kErrThreadCreate when no thread can be made.
  explicit Thread(std::function<void()> body);
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Waits at most timeout_ms for the thread to end; true when it ended.
  bool Join(int32_t timeout_ms);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kv::platform
