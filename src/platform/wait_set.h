// WaitSet: one blocking wait on many handles (events, sockets, the window
// system's connection). The main loop's only way to sleep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv::platform {

class WaitSet {
 public:
  void Clear() { fds_.clear(); ready_.clear(); }
  // Returns the slot of the handle; a negative handle is never ready.
  int32_t Add(int handle);
  int32_t Size() const { return static_cast<int32_t>(fds_.size()); }

  // Blocks until at least one handle is readable or timeout_ms passed
  // (negative: no time-out). Returns the number of ready handles.
  int32_t Wait(int32_t timeout_ms);
  bool IsReady(int32_t slot) const { return ready_[static_cast<size_t>(slot)] != 0; }

 private:
  std::vector<int> fds_;
  std::vector<char> ready_;
};

}  // namespace kv::platform
