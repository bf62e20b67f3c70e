#include "support/straight_run.h"

#include <cmath>
#include <limits>

#include "timing/geodesy.h"

namespace kv::sim {

namespace {

constexpr double kNever = std::numeric_limits<double>::quiet_NaN();
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
    if (phase.acceleration < 0.0 && v + phase.acceleration * seconds < 0.0)
      seconds = -v / phase.acceleration;
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

const StraightRun::Piece& StraightRun::PieceAt(double t) const {
  for (const Piece& p : pieces_) {
    if (t < p.end) return p;
  }
  return pieces_.back();
}

double StraightRun::SpeedAt(double t) const {
  const Piece& p = PieceAt(t);
  return p.v0 + p.a * (t - p.t0) / 1000.0;
}

double StraightRun::DistanceAt(double t) const {
  const Piece& p = PieceAt(t);
  const double s = (t - p.t0) / 1000.0;
  return p.d0 + p.v0 * s + 0.5 * p.a * s * s;
}

double StraightRun::TimeAtSpeed(double v, double from) const {
  for (const Piece& p : pieces_) {
    if (p.end <= from) continue;
    const double start = std::max(p.t0, from);
    const double v_start = p.v0 + p.a * (start - p.t0) / 1000.0;
    if (v_start == v) return start;
    if (p.a > 0.0 && v_start < v) {
      const double t = p.t0 + (v - p.v0) / p.a * 1000.0;
      if (t < p.end) return t;
    }
  }
  return kNever;
}

double StraightRun::TimeAtDistance(double d) const {
  for (const Piece& p : pieces_) {
    const double span = (p.end - p.t0) / 1000.0;
    const double d_end = std::isinf(span) ? kForever : p.d0 + p.v0 * span + 0.5 * p.a * span * span;
    if (d > d_end) continue;
    const double rest = d - p.d0;
    double s;
    if (p.a == 0.0) {
      if (p.v0 == 0.0) continue;
      s = rest / p.v0;
    } else {
      s = (-p.v0 + std::sqrt(p.v0 * p.v0 + 2.0 * p.a * rest)) / p.a;
    }
    return p.t0 + s * 1000.0;
  }
  return kNever;
}

void StraightRun::ToRadians(double distance, double* lat, double* lon) const {
  const double lat0 = DegToRad(config_.options.ref_lat_deg);
  const double bearing = DegToRad(config_.bearing_deg);
  *lat = lat0 + MetresToRad(distance * std::cos(bearing));
  *lon = DegToRad(config_.options.ref_lon_deg) +
         MetresToRad(distance * std::sin(bearing)) / std::cos(lat0);
}

int32_t StraightRun::EpochCount() const {
  return static_cast<int32_t>(config_.duration_ms * config_.options.rate_hz / 1000.0) + 1;
}

std::string StraightRun::Epoch(int32_t k) const {
  const double t = EpochTime(k);
  double lat, lon;
  ToRadians(DistanceAt(t), &lat, &lon);
  const auto time_of_day = config_.options.start_time_ms + static_cast<int64_t>(std::llround(t));
  return FixEpoch(time_of_day, lat, lon, SpeedAt(t), config_.bearing_deg, config_.options);
}

std::string StraightRun::Nmea() const {
  std::string out;
  for (int32_t k = 0; k < EpochCount(); ++k) out += Epoch(k);
  return out;
}

}  // namespace kv::sim
