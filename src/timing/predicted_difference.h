// PredictedDifference: how far ahead or behind the running lap is, at every
// fix, against the comparison lap at the same distance travelled. The
// running lap's distance is the sum of the great-circle steps from its
// interpolated start point through each fix since; the comparison lap is
// turned once into a profile of (distance, time into the lap) from its
// interpolated start point through its fixes to each of its marks, and read
// by linear interpolation in distance. Both start at the crossing itself,
// not at the first fix after it, so the figure matches the lap times to
// the millisecond.
//
// Cost: amortised O(1) per fix. The running lap's sum and the profile
// cursor only move forward; the profile is rebuilt when the comparison lap
// changes (a new best, another selection), the sum when a lap starts.
// Against the optimal lap each fix also looks at its marks, to notice it
// being rebuilt (a few ns per mark).
//
// Value in ms (negative: faster), kNotSet when there is nothing to say: no
// running lap, no finished comparison lap, a running lap without a fix, or
// a running lap already more than kOverrun longer than the comparison lap.
// Up to that margin the comparison lap's own time is used (a wider line
// than the comparison's costs distance; extrapolating would invent time).
// Main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "timing/lap.h"

namespace kv {

class PredictedDifference {
 public:
  static constexpr double kOverrun = 0.05;  // share of the comparison lap's length

  // After a fix was appended: `running` is the lap in progress (nullptr when
  // none), `comparison` the lap it is measured against (nullptr when none;
  // an unfinished lap gives no value). Both must stay alive until the next
  // Update or Reset; a lap that was destroyed needs a Reset first.
  void Update(const Lap* running, const Lap* comparison);
  // Forgets both laps (the lap list was rebuilt).
  void Reset();
  int32_t Value() const { return value_; }

 private:
  struct ProfilePoint {
    double distance;  // central angle from the start point
    double elapsed;   // ms into the lap
  };
  void BuildProfile(const Lap& comparison);
  void StartRunning(const Lap& running);
  int32_t Difference(double distance, int32_t elapsed);

  // The comparison lap the profile was built from, as a fingerprint of its
  // address, list and marks: an optimal lap rebuilt in the same memory is
  // still told apart.
  uint64_t comparison_key_ = 0;
  std::vector<ProfilePoint> profile_;
  size_t cursor_ = 0;  // profile_[cursor_] lies before the running distance

  const Lap* running_ = nullptr;
  int32_t running_start_ = -1;  // sample index of its start mark
  int32_t next_sample_ = 0;     // the first fix not yet summed
  GeoPoint last_point_;
  double distance_ = 0.0;  // central angle travelled since the start point
  int32_t value_ = kNotSet;
};

}  // namespace kv
