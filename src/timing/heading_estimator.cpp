#include "timing/heading_estimator.h"

#include "timing/geodesy.h"

namespace kv {

void HeadingEstimator::Feed(GeoPoint position, int32_t time, double speed, double course) {
  if (!initialised_) {
    initialised_ = true;
    last_ = anchor_ = position;
    last_time_ = anchor_time_ = time;
    state_ = State::kNone;
    return;
  }
  constexpr int32_t kMinSlowSpan = 3000;  // ms
  const double metres_per_second = RadToMetres(speed);
  if (metres_per_second > 5.0) {
    heading_ = course;
    state_ = State::kFromCourse;
    anchor_ = position;
    anchor_time_ = time;
    accumulated_ = 0;
  } else if (metres_per_second > 0.8) {
    accumulated_ += time - last_time_;
    if (accumulated_ >= kMinSlowSpan) {
      heading_ = Bearing(anchor_, position);
      state_ = State::kFromMovement;
      anchor_ = position;
      anchor_time_ = time;
      accumulated_ = 0;
    }
  } else {
    anchor_ = position;
    anchor_time_ = time;
    state_ = State::kStandingStill;
    accumulated_ = 0;
  }
  last_ = position;
  last_time_ = time;
}

}  // namespace kv
