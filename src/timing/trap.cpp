#include "timing/trap.h"

#include "timing/geodesy.h"
#include "util/string_ids.h"
#include "util/string_table.h"

namespace kv {

void BuildLine(Trap& trap) {
  const GeoPoint centre = ToGeoPoint(trap.position);
  const double half = trap.width * 0.5;
  constexpr double kQuarter = kPi / 2.0;
  trap.line.start = DestinationPoint(centre, half, trap.bearing + kQuarter);
  trap.line.end = DestinationPoint(centre, half, trap.bearing - kQuarter);
  trap.end_a = ToIntPoint(trap.line.start);
  trap.end_b = ToIntPoint(trap.line.end);
}

void SetTrap(Trap& trap, const WideString& name, TrapLineType line_type, IntPoint position,
             double bearing, double width, bool unidirectional) {
  trap.name = name;
  trap.line_type = line_type;
  trap.position = position;
  trap.bearing = NormaliseAngle(bearing);
  trap.width = width;
  trap.unidirectional = unidirectional ? 1 : 0;
  BuildLine(trap);
}

Trap MakeTrap(const TrapDefinition& definition) {
  Trap trap;
  SetTrap(trap, definition.name, definition.line_type, definition.position, definition.bearing, definition.width,
          definition.unidirectional != 0);
  // A stored flag other than 0 or 1 is kept as it was.
  trap.unidirectional = definition.unidirectional;
  return trap;
}

TrapList MakeTraps(const TrapDefinitionList& definitions) {
  TrapList traps(kTrapListGrowth);
  for (const TrapDefinition& definition : definitions) traps.Append(MakeTrap(definition));
  return traps;
}

TrapDefinitionList DefinitionsOf(const TrapList& traps) {
  TrapDefinitionList definitions(kTrapListGrowth);
  for (const Trap& trap : traps) definitions.Append(trap);
  return definitions;
}

Trap TrapFromEnds(const WideString& name, TrapLineType type, IntPoint end_a, IntPoint end_b, double width,
                  bool unidirectional) {
  // Walking from A to B heads along bearing - 90 degrees (BuildLine).
  const GeoPoint a = ToGeoPoint(end_a);
  const GeoPoint b = ToGeoPoint(end_b);
  const IntPoint centre{static_cast<AngleValue>((static_cast<int64_t>(end_a.lat) + end_b.lat) / 2),
                        static_cast<AngleValue>((static_cast<int64_t>(end_a.lon) + end_b.lon) / 2)};
  Trap trap;
  SetTrap(trap, name, type, centre, Bearing(a, b) + kPi / 2.0, width, unidirectional);
  return trap;
}

WideString DefaultTrapName(TrapLineType line_type) {
  switch (line_type) {
    case kTrapStart:
      return Load(kStrTrapDefaultStart);
    case kTrapFinish:
      return Load(kStrTrapDefaultFinish);
    case kTrapStartFinish:
      return Load(kStrTrapDefaultStartFinish);
    default:
      return Load(kStrTrapDefaultSplit);
  }
}

bool HasStartLine(const TrapList& traps) {
  for (const Trap& trap : traps) {
    if (trap.line_type == kTrapStart || trap.line_type == kTrapStartFinish) return true;
  }
  return false;
}

bool HasFinishLine(const TrapList& traps) {
  for (const Trap& trap : traps) {
    if (trap.line_type == kTrapFinish || trap.line_type == kTrapStartFinish) return true;
  }
  return false;
}

void RotateTrap(Trap& trap, bool clockwise, bool large_step) {
  const double step = DegToRad(large_step ? 10.0 : 1.0);
  trap.bearing = NormaliseAngle(trap.bearing + (clockwise ? step : -step));
  BuildLine(trap);
}

void MoveTrap(Trap& trap, MoveDirection direction, bool large_step) {
  const AngleValue step = large_step ? 500 : 50;
  switch (direction) {
    case MoveDirection::kNorth:
      trap.position.lat += step;
      break;
    case MoveDirection::kSouth:
      trap.position.lat -= step;
      break;
    case MoveDirection::kEast:
      trap.position.lon += step;
      break;
    case MoveDirection::kWest:
      trap.position.lon -= step;
      break;
  }
  BuildLine(trap);
}

}  // namespace kv
