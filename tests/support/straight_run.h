// A straight-line run: a car on a straight road due east, for the performance-test
// checks. It stands until `launch_ms`, then goes through phases of constant
// acceleration (negative to brake; a phase that would reverse the car ends
// at standstill), then holds its last speed. Speed is piecewise linear in
// time, so the instant of any speed or distance is known in closed form
// and a timed run can be checked against it.
//
// Times are car time in ms since the first epoch (time of day = the
// options' start_time_ms + car time); speeds m/s; distances metres from
// the position at car time 0.
#pragma once

#include <string>
#include <vector>

#include "support/track_simulator.h"

namespace kv::sim {

struct SpeedPhase {
  double seconds = 0.0;
  double acceleration = 0.0;  // m/s^2
};

struct StraightRunConfig {
  SimConfig options;       // reference point (the start), rate, start time, sentences; circuit unused
  double launch_ms = 0.0;  // car time at which the first phase begins
  std::vector<SpeedPhase> phases;
  double duration_ms = 0.0;  // length of the recording
};

// Every epoch of the recording.
std::string StraightRunNmea(const StraightRunConfig& config);

}  // namespace kv::sim
