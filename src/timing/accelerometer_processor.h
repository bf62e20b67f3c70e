// AccelerometerProcessor: receives the $KVACC values with the moment and
// motion they belong to. For now it keeps the latest reading; filtering and
// mounting correction can grow here without touching the sample builder.
// Main thread only.
#pragma once

#include <array>
#include <cstdint>

#include "core/geo_types.h"

namespace kv {

class AccelerometerProcessor {
 public:
  // values as the sentence carries them; time ms of day; speed rad/s;
  // course radians.
  void Take(const std::array<int32_t, 3>& values, int32_t time, IntPoint position, double speed,
            double course) {
    values_ = values;
    time_ = time;
    position_ = position;
    speed_ = speed;
    course_ = course;
  }
  const std::array<int32_t, 3>& Values() const { return values_; }
  int32_t Time() const { return time_; }
  IntPoint Position() const { return position_; }
  double Speed() const { return speed_; }
  double Course() const { return course_; }

  void Reset() { *this = AccelerometerProcessor(); }

 private:
  std::array<int32_t, 3> values_{};
  int32_t time_ = kNotSet;
  IntPoint position_;
  double speed_ = kNoValue;
  double course_ = kNoValue;
};

}  // namespace kv
