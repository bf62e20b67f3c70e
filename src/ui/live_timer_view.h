// LiveTimerView: the live timer screen's own state (display mode, map zoom,
// which of the face's shared rows is shown) and what keys and taps do to
// it. It paints through PaintLiveTimer, adding the map's on-screen zoom
// buttons for touch screens without keys. Knows no window: the caller
// hands it sizes, keys and taps and shows the canvas. Main thread only.
#pragma once

#include <cstdint>

#include "platform/canvas.h"
#include "ui/live_timer_painter.h"
#include "ui/timer_layout.h"

namespace kv::ui {

class LiveTimerView {
 public:
  static constexpr int32_t kMaxZoom = 12;

  // predicted_line: the predicted difference is shown (a lap-timing
  // session with the setting on); the panel then has its fourth line.
  LiveTimerView(bool data_logging, bool predicted_line);

  TimerMode Mode() const { return mode_; }
  void SetMode(TimerMode mode) { mode_ = mode; }
  int32_t Zoom() const { return zoom_; }
  bool ShowsPreviousRow() const { return show_previous_row_; }
  // Carries out a timer command (kCmd...); false for one it does not know.
  bool Command(int32_t command);
  // True when the key was the timer's (a redraw is due), false for keys
  // the window's common handling takes (Escape, q, p...).
  bool Key(uint32_t key);
  // A tap or click at (x, y) in a window of width x height: the shared row
  // of the landscape face switches rows, the map's buttons zoom, anywhere
  // else toggles the mode (the action key of a touch screen). True when
  // something changed.
  bool Tap(int32_t x, int32_t y, int32_t width, int32_t height);

  // The map's zoom buttons, in the window, for the current mode (empty
  // rectangles in face mode).
  Rect ZoomInButton(int32_t width, int32_t height) const;
  Rect ZoomOutButton(int32_t width, int32_t height) const;

  // Paints the whole window: `in` as the caller knows it, the mode, zoom,
  // row choice and the session's kind as this view holds them.
  void Paint(platform::Canvas& canvas, const LiveTimerState& state, PaintInputs in) const;

 private:
  bool data_logging_;
  bool predicted_line_;
  TimerMode mode_;
  int32_t zoom_ = 0;
  bool show_previous_row_ = false;
};

}  // namespace kv::ui
