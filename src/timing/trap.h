// Trap: a timing line ready for the crossing search, identified everywhere
// by its index in the track's trap list. The line is derived from the
// centre position, the bearing and the width, and must be rebuilt
// (BuildLine) after any change of those three; SetTrap, MakeTrap and the
// editing steps do so. Plain data: copying a trap copies every field, the
// derived ones included. Main thread only.
#pragma once

#include <cstdint>

#include "core/geo_types.h"
#include "core/growable_array.h"
#include "core/trap_definition.h"
#include "util/wide_string.h"

namespace kv {

// The line of a definition, derived from its centre, bearing and width.
struct Trap : TrapDefinition {
  GeoSegment line;  // end A -> end B, radians
  IntPoint end_a;   // the same ends in fixed form, for the box prefilter
  IntPoint end_b;
};

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

// The trap of a stored definition (its bearing normalised, its line built),
// and the traps of a whole track.
Trap MakeTrap(const TrapDefinition& definition);
TrapList MakeTraps(const TrapDefinitionList& definitions);
// The definitions of traps, to store them.
TrapDefinitionList DefinitionsOf(const TrapList& traps);

// A trap whose line runs from end A to end B: centred between them (the
// mean of the fixed coordinates), with the bearing that makes BuildLine put
// end A at bearing + 90 degrees and end B at bearing - 90 degrees, that is
// the bearing from A to B plus 90 degrees. The width is given, not taken
// from the ends. Not set ends give a trap with no line.
Trap TrapFromEnds(const WideString& name, TrapLineType type, IntPoint end_a, IntPoint end_b, double width,
                  bool unidirectional);

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
