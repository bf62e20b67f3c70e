// The texts and colours of the live timer's face and panel for one
// LiveTimerState, and its display modes and keys. Drawing takes these as
// they are; nothing here knows pixels or fonts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "ui/live_timer_state.h"
#include "ui/timer_layout.h"
#include "util/wide_string.h"

namespace kv::ui {

// Colours 0xRRGGBB.
constexpr uint32_t kNeutral = 0x0000C0;  // times without a difference
constexpr uint32_t kFaster = 0x00C000;
constexpr uint32_t kSlower = 0xC00000;  // also the face's status line
constexpr uint32_t kEven = 0x606060;    // no difference; the satellites line
constexpr uint32_t kPanelFaster = 0x00FF00;
constexpr uint32_t kPanelSlower = 0xFF0000;  // also the panel's status line
constexpr uint32_t kPanelTrapName = 0x808080;
// The face's predicted-difference bar is full length at this difference (ms).
constexpr int32_t kPredictedFullScale = 2000;

struct Label {
  WideString text;
  uint32_t colour = kNeutral;
  bool visible = true;
};

// A face row: caption, lap number and time, in the row's colour.
struct FaceRow {
  WideString caption, number, time;
  uint32_t colour = kNeutral;
};

// decimals: "Timer decimals", 0..3. satellites: in use, for the strip.
struct FaceContent {
  Label status;      // shown when the status code is not 0...
  Label satellites;  // ...else this: exactly one of the two is visible
  std::array<FaceRow, 3> rows;
  Label big;  // trap name and difference
  // The running lap's predicted difference, signed, in tenths, and its bar:
  // the share of the half length in per mille, negative (faster) growing
  // left from the centre, positive to the right.
  Label predicted;
  int32_t predicted_bar = 0;
};
FaceContent MakeFaceContent(const LiveTimerState& state, int32_t decimals, int32_t satellites);

struct PanelContent {
  Label status;
  Label time, middle, number;  // the time line's three parts
  Label trap_name;
  Label difference;
  Label predicted;  // under the difference line, coloured as it
};
PanelContent MakePanelContent(const LiveTimerState& state, int32_t decimals);

// Commands of the timer.
enum TimerCommand : int32_t {
  kCmdToggle = 4111,
  kCmdZoomIn = 4117,
  kCmdZoomOut = 4118,
  kCmdMapPrevious = 4135,
  kCmdMapNext = 4136,
  kCmdShowComparisonRow = 4137,  // the face's shared row in landscape
  kCmdShowPreviousRow = 4138,
};
// Keys as the window delivers them: characters, Enter ('\r') and the soft
// keys F1-F4 as 0xF801-0xF804.
constexpr uint32_t kKeySoft1 = 0xF801, kKeySoft2 = 0xF802, kKeySoft3 = 0xF803, kKeySoft4 = 0xF804;

TimerMode InitialMode(bool data_logging);
TimerMode Toggle(TimerMode mode, bool data_logging);
// The command a key gives in a mode; 0 for a key the timer takes and does
// nothing with (zooming the face); nullopt for a key that is not the
// timer's (the window's common keys take it).
std::optional<int32_t> KeyCommand(TimerMode mode, uint32_t key);

}  // namespace kv::ui
