// Paints the live timer into a canvas, as the window shows it: the face in
// face mode; the panel, the header and the map in the split and map modes.
// White ground, the texts in their colours; the map north up, the route in
// grey, start and finish lines in black, splits in blue, the car as a red
// dot with its heading. Main thread only.
#pragma once

#include <cstdint>

#include "platform/canvas.h"
#include "timing/sample_list.h"
#include "timing/trap.h"
#include "ui/live_timer_state.h"
#include "ui/timer_layout.h"
#include "util/wide_string.h"

namespace kv::ui {

struct PaintInputs {
  TimerMode mode = TimerMode::kFace;
  int32_t decimals = 2;
  int32_t satellites = 0;
  bool data_logging = false;
  bool show_previous_row = false;     // the face's shared row in landscape
  // "Predicted difference" in a lap-timing session: the face's bar, the
  // panel's fourth line (which takes room from the header and map).
  bool predicted_difference = true;
  WideString header;                  // GPS status, recording state and clock
  const SampleList* route = nullptr;  // the session so far; nullptr: no map
  const TrapList* traps = nullptr;
  int32_t zoom = 0;  // 0: the whole route; each step halves the span
};

void PaintLiveTimer(platform::Canvas& canvas, const LiveTimerState& state, const PaintInputs& in);

}  // namespace kv::ui
