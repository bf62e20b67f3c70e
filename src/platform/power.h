// PowerControl: what keeping the device awake needs of the system. The
// terminal program has no display to keep on; the window program supplies
// its own implementation.
#pragma once

#include <cstdint>

namespace kv::platform {

class PowerControl {
 public:
  virtual ~PowerControl() = default;
  // True while this process has the user's attention (its window is in front).
  virtual bool OwnsForeground(int32_t process_id) = 0;
  // Resets the idle timers and asks for the display to stay on.
  virtual void KeepOn() = 0;
};

class NoPowerControl final : public PowerControl {
 public:
  bool OwnsForeground(int32_t) override { return false; }
  void KeepOn() override {}
};

}  // namespace kv::platform
