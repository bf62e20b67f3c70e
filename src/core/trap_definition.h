// TrapDefinition: one timing line as the user placed it and as a track
// file keeps it: centre, bearing, width, kind and name. The line's ends are
// derived from these by the timing engine (Trap), never stored.
#pragma once

#include <cstdint>

#include "core/geo_types.h"
#include "core/growable_array.h"
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

struct TrapDefinition {
  IntPoint position;            // centre of the line
  int32_t unidirectional = 0;   // 1: counts only when crossed along the bearing
  WideString name;
  TrapLineType line_type = kTrapDisabled;
  double bearing = kNoValue;    // radians clockwise from north
  double width = kNoValue;      // central angle (metres / 6,371,000)
};

// A track's timing lines in list order (the index names a line everywhere);
// grows by this step.
inline constexpr int32_t kTrapListGrowth = 8;
using TrapDefinitionList = GrowableArray<TrapDefinition>;

}  // namespace kv
