#include "ui/timer_content.h"

#include <algorithm>
#include <string>

#include "util/duration_text.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::ui {

namespace {

// A time as the timer shows it; no value shows as 0.
WideString Time(int32_t ms, int32_t decimals, bool sign, bool round) {
  return FormatDuration(IsSet(ms) ? ms : 0, decimals, sign, round);
}

WideString Number(int32_t n) { return FromUtf8(std::to_string(n)); }

uint32_t ColourOf(int32_t diff) {
  if (!IsSet(diff) || diff == 0) return kEven;
  return diff < 0 ? kFaster : kSlower;
}

// It changes at every fix: tenths are what a driver can take in.
Label Predicted(int32_t diff, uint32_t colour) {
  return {Time(diff, 1, true, true), colour, IsSet(diff)};
}

}  // namespace

FaceContent MakeFaceContent(const LiveTimerState& s, int32_t decimals, int32_t satellites) {
  FaceContent c;
  c.status = {s.status != 0 ? Load(kStrStatusFirst - 1 + s.status) : WideString(), kSlower,
              s.status != 0};
  c.satellites = {FormatN(kStrSatellitesInUse, satellites), kEven, s.status == 0};
  c.rows[0] = {Load(s.comparison_is_best ? kStrLiveBest : kStrLiveComparison),
               Number(s.comparison_number), Time(s.comparison_time, decimals, false, true),
               kNeutral};
  if (s.has_result) {
    const uint32_t colour = ColourOf(s.result_diff);
    c.rows[1] = {Load(kStrLivePrevious), Number(s.held_previous_number),
                 Time(s.held_previous_time, decimals, false, true), kNeutral};
    c.rows[2] = {Load(kStrLiveCurrent), Number(s.result_number),
                 Time(s.result_time, decimals, false, true), colour};
    WideString big = s.trap_name;
    if (!big.IsEmpty()) big.Append(u" ");
    big.Append(Time(s.result_diff, decimals, IsSet(s.result_diff), true).AsView());
    c.big = {big, colour, true};
  } else {
    c.rows[1] = {Load(kStrLivePrevious), Number(s.previous_number),
                 Time(s.previous_time, decimals, false, true), kNeutral};
    c.rows[2] = {Load(kStrLiveCurrent), Number(s.current_number),
                 Time(s.running_time, decimals, false, false), kNeutral};
    c.big = {WideString(), kNeutral, true};
  }
  c.predicted = Predicted(s.predicted_diff, ColourOf(s.predicted_diff));
  if (IsSet(s.predicted_diff)) {
    c.predicted_bar = std::clamp(s.predicted_diff, -kPredictedFullScale, kPredictedFullScale) *
                      1000 / kPredictedFullScale;
  }
  return c;
}

PanelContent MakePanelContent(const LiveTimerState& s, int32_t decimals) {
  PanelContent c;
  c.status = {s.status != 0 ? Load(kStrStatusFirst - 1 + s.status) : WideString(), kPanelSlower,
              s.status != 0};
  c.time.colour = c.middle.colour = c.number.colour = kNeutral;
  c.trap_name = {s.trap_name, kPanelTrapName, false};
  c.difference = {WideString(), kPanelSlower, false};
  c.predicted = Predicted(s.predicted_diff, s.predicted_diff < 0 ? kPanelFaster : kPanelSlower);
  if (!IsSet(s.running_time) && !IsSet(s.result_time)) {
    c.middle.text = Load(kStrWaiting);
    return c;
  }
  if ((s.has_result && IsSet(s.result_time)) || !IsSet(s.running_time)) {
    c.time.text = Time(s.result_time, decimals, false, true);
    c.number.text = Number(s.result_number);
  } else {
    c.time.text = Time(s.running_time, 0, false, false);
    c.number.text = Number(s.current_number);
  }
  c.trap_name.visible = !c.status.visible && s.has_result && !s.trap_name.IsEmpty();
  if (s.has_result && IsSet(s.result_diff)) {
    c.difference = {Time(s.result_diff, decimals, true, true),
                    s.result_diff < 0 ? kPanelFaster : kPanelSlower, true};
  }
  return c;
}

TimerMode InitialMode(bool data_logging) {
  return data_logging ? TimerMode::kSplit : TimerMode::kFace;
}

TimerMode Toggle(TimerMode mode, bool data_logging) {
  switch (mode) {
    case TimerMode::kSplit:
      return TimerMode::kMap;
    case TimerMode::kMap:
      return data_logging ? TimerMode::kSplit : TimerMode::kFace;
    case TimerMode::kFace:
      break;
  }
  return TimerMode::kSplit;
}

std::optional<int32_t> KeyCommand(TimerMode mode, uint32_t key) {
  const bool face = mode == TimerMode::kFace;
  switch (key) {
    case '\r':
      return kCmdToggle;
    case '1':
    case kKeySoft3:
      return face ? 0 : kCmdZoomIn;
    case '4':
    case kKeySoft4:
      return face ? 0 : kCmdZoomOut;
    case '2':
    case kKeySoft1:
      return face ? kCmdShowPreviousRow : kCmdMapNext;
    case '3':
    case kKeySoft2:
      return face ? kCmdShowComparisonRow : kCmdMapPrevious;
    default:
      return std::nullopt;
  }
}

}  // namespace kv::ui
