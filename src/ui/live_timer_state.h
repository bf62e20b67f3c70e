// LiveTimerState: what the live timer shows at one refresh, recomputed from
// the lap engine's live figures, the sources' status and the settings. The
// window's panel and face take their texts and colours from it
// (timer_content.h). Times are ms, kNotSet for none; lap numbers 1-based,
// 0 for none. Main thread only.
#pragma once

#include <cstdint>

#include "timing/lap_list.h"
#include "util/wide_string.h"

namespace kv::ui {

// Status codes by precedence (the first that applies): 9 "Paused", 10
// "Memory full", 1 "No connection to GPS", 2 "No connection to OBD", 3 "No
// data from GPS", 4 "No data from OBD", 5 "No fix to satellites", 8 "Low
// storage space", 6 "Start line not defined", 7 "Finish line not defined";
// 0 none. Its text is string kStrStatusFirst - 1 + code.
struct StatusInputs {
  bool recording = true;   // false: paused, or no session
  int32_t gps_status = 4;  // 1 no connection, 2 no data, 3 no fix, 4 fixed, 5 DGPS, 6 memory full
  int32_t obd_status = 0;  // 1 no connection, 2 no data, else nothing to say
  bool low_storage = false;
  bool lap_timing = true;  // a lap-timing session (the lines matter)
  bool start_line = true;
  bool finish_line = true;
};
int32_t LiveStatusCode(const StatusInputs& in);

// "Timer backlight": 0 "Always off", 1 "Only for events", 2 "Always on".
enum class Backlight : int32_t { kAlwaysOff = 0, kOnlyForEvents = 1, kAlwaysOn = 2 };

struct LiveTimerState {
  int32_t status = 0;
  bool backlight_event = false;  // keep the display on at this refresh
  bool recent_event = false;     // a lap or split finished, or a lap started, recently
  bool has_result = false;
  int32_t result_number = 0;
  int32_t result_time = kNotSet;
  int32_t result_diff = kNotSet;  // negative: faster than the comparison
  int32_t running_time = kNotSet;
  int32_t predicted_diff = kNotSet;  // the running lap against the comparison at the same distance
  int32_t current_number = 0;
  int32_t comparison_time = kNotSet;
  int32_t comparison_number = 0;   // 0 for the optimal lap
  bool comparison_is_best = true;  // caption "Best", else "Comparison"
  int32_t previous_time = kNotSet;
  int32_t previous_number = 0;
  int32_t held_previous_time = kNotSet;  // the lap before the result's
  int32_t held_previous_number = 0;
  WideString trap_name;
};

LiveTimerState ComputeLiveTimerState(const LapList& laps, const StatusInputs& status,
                                     Backlight backlight);

}  // namespace kv::ui
