// ViewManager: what the core asks of whatever shows things to the driver
// (the terminal today, the window later). Main thread only.
#pragma once

#include <string_view>

namespace kv {

class ViewManager {
 public:
  virtual ~ViewManager() = default;
  // A message the user must see (a message box on screen).
  virtual void ShowMessage(std::u16string_view text) = 0;
  // Redraw the live screens; full when layout-affecting figures changed.
  virtual void RefreshLive(bool full) = 0;
  // A connection state changed.
  virtual void RefreshStatus() = 0;
  // Another start of the program asked this one to come to the front.
  virtual void BringToFront() = 0;
};

}  // namespace kv
