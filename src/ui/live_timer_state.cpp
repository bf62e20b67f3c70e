#include "ui/live_timer_state.h"

#include "timing/live_figures.h"

namespace kv::ui {

int32_t LiveStatusCode(const StatusInputs& in) {
  if (!in.recording) return 9;
  if (in.gps_status == 6) return 10;
  if (in.gps_status == 1) return 1;
  if (in.obd_status == 1) return 2;
  if (in.gps_status == 2) return 3;
  if (in.obd_status == 2) return 4;
  if (in.gps_status == 3) return 5;
  if (in.low_storage) return 8;
  if (in.lap_timing && !in.start_line) return 6;
  if (in.lap_timing && !in.finish_line) return 7;
  return 0;
}

LiveTimerState ComputeLiveTimerState(const LapList& laps, const StatusInputs& status,
                                     Backlight backlight) {
  LiveTimerState s;
  s.status = LiveStatusCode(status);
  const LiveFigures f = ComputeLiveFigures(laps);
  s.recent_event = f.highlight;
  s.backlight_event =
      backlight == Backlight::kAlwaysOn || (backlight == Backlight::kOnlyForEvents && f.highlight);
  s.has_result = f.shown_lap >= 0 && IsSet(f.shown_time);
  if (s.has_result) {
    s.result_number = f.shown_lap + 1;
    s.result_time = f.shown_time;
    s.result_diff = f.shown_difference;
    if (f.last_trap >= 0 && f.last_trap < laps.Traps().Count())
      s.trap_name = laps.Traps()[f.last_trap].name;
  }
  s.running_time = f.current_time;
  s.predicted_diff = f.predicted_difference;
  s.current_number = f.current_lap + 1;
  s.comparison_time = f.comparison_time;
  s.comparison_number = f.comparison_lap >= 0 ? f.comparison_lap + 1 : 0;
  s.comparison_is_best = f.comparison_is_best;
  s.previous_time = f.previous_time[0];
  s.previous_number = f.previous_lap[0] + 1;
  // While a finished lap is the result, "Previous" is the one before it.
  const int held = s.has_result && f.previous_lap[0] == f.shown_lap ? 1 : 0;
  s.held_previous_time = f.previous_time[held];
  s.held_previous_number = f.previous_lap[held] + 1;
  return s;
}

}  // namespace kv::ui
