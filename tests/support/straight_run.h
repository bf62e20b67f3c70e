// StraightRun: a car on a straight road for the performance-test checks.
// It holds `initial_speed` until `launch_ms`, then goes through phases of
// constant acceleration (negative to brake; the speed never goes below 0),
// then holds its last speed: speed is piecewise linear in time, so the
// instant at which any speed or distance is reached is known in closed form
// and a timed run can be checked against it.
//
// Times are car time in ms since the first epoch (time of day = the
// options' start_time_ms + car time); speeds m/s; distances metres from
// the position at car time 0, along `bearing_deg`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/track_simulator.h"

namespace kv::sim {

struct SpeedPhase {
  double seconds = 0.0;
  double acceleration = 0.0;  // m/s^2
};

struct StraightRunConfig {
  SimConfig options;  // reference point (the start), rate, start time, sentences; circuit unused
  double bearing_deg = 90.0;
  double initial_speed = 0.0;
  double launch_ms = 0.0;  // car time at which the first phase begins
  std::vector<SpeedPhase> phases;
  double duration_ms = 0.0;  // length of the recording
};

class StraightRun {
 public:
  explicit StraightRun(StraightRunConfig config);

  // Every epoch of the recording.
  std::string Nmea() const;

 private:
  struct Piece {
    double t0, v0, d0, a, end;  // valid on [t0, end); the last one never ends
  };

  StraightRunConfig config_;
  std::vector<Piece> pieces_;
};

}  // namespace kv::sim
