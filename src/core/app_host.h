// AppHost: the narrow face of the application that services get, so they can
// have work run on the main thread without knowing the application.
#pragma once

#include <cstdint>

namespace kv {

class WaitableObject;

class AppHost {
 public:
  virtual ~AppHost() = default;
  virtual int32_t GetProcessId() const = 0;
  // Waitables are serviced in registration order.
  virtual void RegisterWaitable(WaitableObject* object) = 0;
  // Removes the first entry equal to object; no effect when absent.
  virtual void UnregisterWaitable(WaitableObject* object) = 0;
};

}  // namespace kv
