#include "timing/trap_placement.h"

namespace kv {

namespace {

bool Allowed(const TrapPlacementContext& context, const SampleList& samples) {
  return context.lap_timing_session && !context.traps_locked && samples.Count() >= 2;
}

void AppendTrap(IntPoint position, double bearing, TrapLineType line_type, TrapList& traps) {
  Trap trap;
  SetTrap(trap, DefaultTrapName(line_type), line_type, position, bearing,
          MetresToRad(kNewTrapWidthMetres), true);
  traps.Append(trap);
}

}  // namespace

bool AddTrapAtCurrentPosition(const TrapPlacementContext& context, const SampleList& samples,
                              const HeadingEstimator& heading, TrapLineType line_type, TrapList& traps) {
  if (!Allowed(context, samples) || !heading.HasHeading()) return false;
  AppendTrap(samples[samples.Count() - 1].position, heading.Heading(), line_type, traps);
  return true;
}

bool AddTrapAtSample(const TrapPlacementContext& context, const SampleList& samples, int32_t index,
                     TrapLineType line_type, TrapList& traps) {
  if (!Allowed(context, samples) || index < 0 || index >= samples.Count()) return false;
  const LogSample& sample = samples[index];
  // A sample without a heading has no direction to give the line.
  if (sample.heading == LogSample::kNoWord || !sample.position.IsSet()) return false;
  AppendTrap(sample.position, HeadingWordToRadians(sample.heading), line_type, traps);
  return true;
}

}  // namespace kv
