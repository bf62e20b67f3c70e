// Window: the one window of the program on the display (X11, or a Linux
// console through KMS/DRM), showing a Canvas painted elsewhere, and its
// input as plain events.
//
// It never runs a loop of its own: WaitHandle() is readable whenever there
// may be input (the display connection's socket, a one-shot view timer, a
// wake from another thread), so the program's single wait covers it;
// TakeEvents() then drains everything pending. Main thread only, except
// Power(), whose calls are safe from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/power.h"

namespace kv::platform {

struct WindowEvent {
  enum class Kind { kKey, kTap, kResized, kExposed, kTimer, kClose };
  Kind kind = Kind::kExposed;
  // Keys as characters (lower case letters, digits), '\r' for Enter, 0x1B
  // for Escape, 0xF801-0xF804 for F1-F4.
  uint32_t key = 0;
  int32_t x = 0, y = 0;  // taps and clicks, in window pixels
};

class Window {
 public:
  struct Options {
    std::string title = "Korvatinel";
    int32_t width = 800, height = 480;  // ignored in full screen
    bool full_screen = false;
  };

  // True when the environment names a display (an X or Wayland session):
  // then a window is expected to open.
  static bool DisplayNamed();
  // Opens the window; nullptr with the reason in `error` when no display
  // can be opened (no X server, no console access).
  static std::unique_ptr<Window> Open(const Options& options, std::string* error);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  int WaitHandle() const;
  std::vector<WindowEvent> TakeEvents();

  int32_t Width() const;
  int32_t Height() const;
  // Shows the picture; a canvas of another size than the window's is
  // shown from the top left corner.
  void Present(const Canvas& canvas);

  // A kTimer event after `ms` (one shot; a new call replaces the old one).
  void StartViewTimer(int32_t ms);

  // What keeping the display awake needs: the window counts as in front
  // while it is shown and not minimised; KeepOn() holds the screen saver
  // and display sleep off for the next two seconds.
  PowerControl& Power();
  // Applies the last KeepOn() to the display (main thread; TakeEvents and
  // Present do it too).
  void ApplyScreenSaver();

  // The video driver in use ("x11", "KMSDRM", ...).
  std::string DriverName() const;

 private:
  struct Impl;
  explicit Window(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace kv::platform
