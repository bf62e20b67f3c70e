#include "support/straight_run.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "timing/geodesy.h"

namespace kv::sim {

namespace {

// Distance and speed at car time t, the pieces of constant acceleration
// walked from car time 0.
void Motion(const StraightRunConfig& c, double t, double* distance, double* speed) {
  double d = 0.0, v = 0.0, a = 0.0, from = 0.0, until = c.launch_ms;
  for (size_t i = 0; t > from; ++i) {
    double s = (std::min(t, until) - from) / 1000.0;
    if (a < 0.0) s = std::min(s, -v / a);
    d += v * s + 0.5 * a * s * s;
    v = std::max(0.0, v + a * s);
    from = until;
    a = i < c.phases.size() ? c.phases[i].acceleration : 0.0;
    until = i < c.phases.size() ? until + c.phases[i].seconds * 1000.0 : std::numeric_limits<double>::infinity();
  }
  *distance = d;
  *speed = v;
}

}  // namespace

std::string StraightRunNmea(const StraightRunConfig& config) {
  const SimConfig& o = config.options;
  const double lat0 = DegToRad(o.ref_lat_deg);
  std::string out;
  const auto epochs = static_cast<int32_t>(config.duration_ms * o.rate_hz / 1000.0) + 1;
  for (int32_t k = 0; k < epochs; ++k) {
    const double t = k * 1000.0 / o.rate_hz;
    double distance, speed;
    Motion(config, t, &distance, &speed);
    // Equirectangular around the start.
    const double lon = DegToRad(o.ref_lon_deg) + MetresToRad(distance) / std::cos(lat0);
    out += FixEpoch(o.start_time_ms + static_cast<int64_t>(std::llround(t)), lat0, lon, speed, 90.0, o);
  }
  return out;
}

}  // namespace kv::sim
