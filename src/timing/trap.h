// Trap: one timing line of a track profile, identified everywhere by its
// index in the track's trap list. The line is derived from the centre
// position, the bearing and the width, and must be rebuilt (BuildLine) after
// any change of those three; SetTrap and the editing steps do so.
// Plain data: copying a trap copies every field, the derived ones included.
// Main thread only.
#pragma once

#include <cstdint>

#include "core/growable_array.h"
#include "timing/geo_types.h"
#include "util/wide_string.h"

namespace kv {

// Stored in track files as int32; do not renumber.
enum TrapLineType : int32_t {
  kTrapDisabled = 0,     // never crossed
  kTrapStart = 1,        // starts a lap
  kTrapFinish = 2,       // finishes a lap
  kTrapStartFinish = 3,  // finishes the running lap and starts the next one
  kTrapSplit = 4,        // records a split inside a lap
};

struct Trap {
  IntPoint position;     // centre of the line, as the user placed it
  GeoSegment line;       // end A -> end B, radians; derived
  IntPoint end_a;        // the same ends in fixed form, for the box prefilter; derived
  IntPoint end_b;
  int32_t unidirectional = 0;  // 1: counts only when crossed along the bearing
  WideString name;
  TrapLineType line_type = kTrapDisabled;
  double bearing = kNoValue;  // radians clockwise from north, kept in (-pi, pi]
  double width = kNoValue;    // central angle (metres / 6,371,000)
};

// A track's traps in list order; grows by this step.
inline constexpr int32_t kTrapListGrowth = 8;
using TrapList = GrowableArray<Trap>;

// Trap added live or from a sample: width and direction rule.
inline constexpr double kNewTrapWidthMetres = 50.0;

// Derives line, end_a and end_b from position, bearing and width:
// end A lies half the width away on bearing + 90 degrees, end B on
// bearing - 90 degrees. An unset position leaves the line unset.
void BuildLine(Trap& trap);

// Sets every user field and rebuilds the line. bearing is normalised to
// (-pi, pi]; width is a central angle.
void SetTrap(Trap& trap, const WideString& name, TrapLineType line_type, IntPoint position,
             double bearing, double width, bool unidirectional);

// "Start", "Finish", "Start/Finish", else "New split".
WideString DefaultTrapName(TrapLineType line_type);

// Some trap has type 1 or 3 / some trap has type 2 or 3.
bool HasStartLine(const TrapList& traps);
bool HasFinishLine(const TrapList& traps);

// Editing steps on the map; each rebuilds the line.
// Rotate by 1 degree (10 with large_step), clockwise when clockwise.
void RotateTrap(Trap& trap, bool clockwise, bool large_step);
enum class MoveDirection { kNorth, kSouth, kEast, kWest };
// Move by 50 AngleValue units (500 with large_step).
void MoveTrap(Trap& trap, MoveDirection direction, bool large_step);

}  // namespace kv
