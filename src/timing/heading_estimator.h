// HeadingEstimator: the direction of travel, for a trap added at the current
// position. Above 5 m/s the receiver's course is trusted; between 0.8 and
// 5 m/s the course is too noisy, so the bearing of the movement over at
// least 3 s is used instead; at a standstill the last heading is kept.
// One per running session, fed by the sample builder. Main thread only.
#pragma once

#include <cstdint>

#include "core/geo_types.h"

namespace kv {

class HeadingEstimator {
 public:
  enum class State {
    kNone,           // no heading yet
    kFromCourse,     // the receiver's course
    kFromMovement,   // bearing of the movement over >= 3 s
    kStandingStill,
  };

  // position in radians, time in ms of day, speed rad/s (NaN counts as
  // standing still), course radians clockwise from north.
  void Feed(GeoPoint position, int32_t time, double speed, double course);

  // Standing still before any movement leaves the heading unknown.
  bool HasHeading() const { return state_ != State::kNone && kv::IsSet(heading_); }
  // Radians; meaningful only when HasHeading().
  double Heading() const { return heading_; }
  State CurrentState() const { return state_; }

  void Reset() { *this = HeadingEstimator(); }

 private:
  GeoPoint last_;
  int32_t last_time_ = kNotSet;
  GeoPoint anchor_;
  int32_t anchor_time_ = kNotSet;
  double heading_ = kNoValue;
  State state_ = State::kNone;
  int32_t accumulated_ = 0;  // ms of slow movement since the anchor
  bool initialised_ = false;
};

}  // namespace kv
