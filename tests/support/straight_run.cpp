#include "support/straight_run.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "timing/geodesy.h"

namespace kv::sim {

namespace {

constexpr double kForever = std::numeric_limits<double>::infinity();

}  // namespace

StraightRun::StraightRun(StraightRunConfig config) : config_(std::move(config)) {
  double t = config_.launch_ms;
  double v = config_.initial_speed;
  double d = v * t / 1000.0;
  pieces_.push_back({0.0, v, 0.0, 0.0, t});
  for (const SpeedPhase& phase : config_.phases) {
    double seconds = phase.seconds;
    // A braking phase that would reverse the car ends at standstill.
    if (phase.acceleration < 0.0 && v + phase.acceleration * seconds < 0.0) seconds = -v / phase.acceleration;
    pieces_.push_back({t, v, d, phase.acceleration, t + seconds * 1000.0});
    d += v * seconds + 0.5 * phase.acceleration * seconds * seconds;
    v = std::max(0.0, v + phase.acceleration * seconds);
    t += seconds * 1000.0;
    if (seconds < phase.seconds) {
      pieces_.push_back({t, 0.0, d, 0.0, t + (phase.seconds - seconds) * 1000.0});
      t += (phase.seconds - seconds) * 1000.0;
    }
  }
  pieces_.push_back({t, v, d, 0.0, kForever});
}

std::string StraightRun::Nmea() const {
  const SimConfig& o = config_.options;
  const double lat0 = DegToRad(o.ref_lat_deg);
  const double bearing = DegToRad(config_.bearing_deg);
  std::string out;
  const auto epochs = static_cast<int32_t>(config_.duration_ms * o.rate_hz / 1000.0) + 1;
  for (int32_t k = 0; k < epochs; ++k) {
    const double t = k * 1000.0 / o.rate_hz;
    const Piece& p = *std::find_if(pieces_.begin(), pieces_.end(), [t](const Piece& q) { return t < q.end; });
    const double s = (t - p.t0) / 1000.0;
    const double distance = p.d0 + p.v0 * s + 0.5 * p.a * s * s;
    // Equirectangular around the start.
    const double lat = lat0 + MetresToRad(distance * std::cos(bearing));
    const double lon = DegToRad(o.ref_lon_deg) + MetresToRad(distance * std::sin(bearing)) / std::cos(lat0);
    const double speed = p.v0 + p.a * (t - p.t0) / 1000.0;
    out += FixEpoch(o.start_time_ms + static_cast<int64_t>(std::llround(t)), lat, lon, speed, config_.bearing_deg, o);
  }
  return out;
}

}  // namespace kv::sim
