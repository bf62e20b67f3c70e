#include "support/track_simulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "timing/geodesy.h"

namespace kv::sim {

namespace {

constexpr double kMetresPerSecondToKnots = 3600.0 / 1852.0;
constexpr int32_t kSatellites = 9;

std::string TimeField(int64_t ms_of_day) {
  ms_of_day %= 86400000;
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d.%03d", static_cast<int>(ms_of_day / 3600000),
                static_cast<int>(ms_of_day / 60000 % 60), static_cast<int>(ms_of_day / 1000 % 60),
                static_cast<int>(ms_of_day % 1000));
  return text;
}

// "ddmm.mmmmm,N" (degree_digits 2) or "dddmm.mmmmm,E" (3), rounded to the
// 1/100,000 minute the receivers send.
std::string AngleField(double radians, int degree_digits, char positive, char negative) {
  const double degrees = RadToDeg(radians);
  const auto units = static_cast<int64_t>(std::llround(std::fabs(degrees) * 6000000.0));
  const int64_t whole = units / 6000000;
  const int64_t rest = units % 6000000;
  char text[32];
  std::snprintf(text, sizeof text, "%0*lld%02lld.%05lld,%c", degree_digits, static_cast<long long>(whole),
                static_cast<long long>(rest / 100000), static_cast<long long>(rest % 100000),
                degrees < 0 ? negative : positive);
  return text;
}


bool SegmentsIntersect(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy,
                       double* u) {
  const double rx = bx - ax, ry = by - ay, sx = dx - cx, sy = dy - cy;
  const double denominator = rx * sy - ry * sx;
  if (denominator == 0.0) return false;
  const double t = ((cx - ax) * sy - (cy - ay) * sx) / denominator;  // along a-b
  const double v = ((cx - ax) * ry - (cy - ay) * rx) / denominator;  // along c-d
  if (t < 0.0 || t >= 1.0 || v < 0.0 || v > 1.0) return false;
  *u = t;
  return true;
}

std::string SatelliteSentences(int32_t satellites) {
  std::string gsa = "$GPGSA,A,3";
  for (int i = 0; i < 12; ++i) gsa.append(",").append(i < satellites ? std::to_string(i + 1) : "");
  std::string out = WithChecksum(gsa + ",1.5,0.9,1.2");
  const int messages = (satellites + 3) / 4;
  for (int m = 0; m < messages; ++m) {
    std::string gsv =
        "$GPGSV," + std::to_string(messages) + "," + std::to_string(m + 1) + "," + std::to_string(satellites);
    for (int i = m * 4; i < std::min(satellites, m * 4 + 4); ++i) {
      char sat[64];
      std::snprintf(sat, sizeof sat, ",%02d,%02d,%03d,%02d", i + 1, 20 + i * 5, i * 37 % 360, 30 + i);
      gsv += sat;
    }
    out += WithChecksum(gsv);
  }
  return out;
}

}  // namespace

std::string WithChecksum(const std::string& body) {
  unsigned sum = 0;
  for (size_t i = 1; i < body.size(); ++i) sum ^= static_cast<unsigned char>(body[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return body + tail;
}

TrackSimulator::TrackSimulator(SimConfig config) : config_(std::move(config)), random_(config_.seed) {
  const auto& c = config_.circuit;
  cumulative_.push_back(0.0);
  lap_time_.push_back(0.0);
  for (size_t j = 0; j < c.size(); ++j) {
    const Vertex& a = c[j];
    const Vertex& b = c[(j + 1) % c.size()];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    const double k = (b.speed - a.speed) / length;
    const double seconds = std::fabs(k) < 1e-12 ? length / a.speed : std::log(b.speed / a.speed) / k;
    cumulative_.push_back(cumulative_.back() + length);
    lap_time_.push_back(lap_time_.back() + seconds * 1000.0);
  }
  const size_t varied = std::max(static_cast<size_t>(config_.laps), config_.lap_speed_factor.size()) + 2;
  lap_starts_.push_back(0.0);
  for (size_t l = 0; l < varied; ++l) {
    lap_starts_.push_back(lap_starts_.back() + LapDuration() / SpeedFactor(static_cast<int32_t>(l)));
  }
}

TrackSimulator::Edge TrackSimulator::EdgeAt(const std::vector<double>& table, double value) const {
  const auto& c = config_.circuit;
  size_t j = static_cast<size_t>(std::upper_bound(table.begin(), table.end(), value) - table.begin());
  j = std::clamp<size_t>(j, 1, c.size()) - 1;
  const Vertex& a = c[j];
  const Vertex& b = c[(j + 1) % c.size()];
  const double length = cumulative_[j + 1] - cumulative_[j];
  return {j, a, b, length, (b.speed - a.speed) / length};
}

double TrackSimulator::TimeAtDistance(double s) const {
  const Edge e = EdgeAt(cumulative_, s);
  const double along = s - cumulative_[e.j];
  const double seconds =
      std::fabs(e.k) < 1e-12 ? along / e.a.speed : std::log((e.a.speed + e.k * along) / e.a.speed) / e.k;
  return lap_time_[e.j] + seconds * 1000.0;
}

double TrackSimulator::DistanceAtLapTime(double t) const {
  const Edge e = EdgeAt(lap_time_, t);
  const double tau = (t - lap_time_[e.j]) / 1000.0;
  const double along = std::fabs(e.k) < 1e-12 ? e.a.speed * tau : e.a.speed * std::expm1(e.k * tau) / e.k;
  return cumulative_[e.j] + std::min(along, e.length);
}

double TrackSimulator::SpeedFactor(int32_t lap) const {
  const auto& factors = config_.lap_speed_factor;
  if (factors.empty()) return 1.0;
  return factors[static_cast<size_t>(std::clamp(lap, 0, static_cast<int32_t>(factors.size()) - 1))];
}

double TrackSimulator::LapStart(int32_t lap) const {
  if (lap <= 0) return lap * LapDuration() / SpeedFactor(-1);
  const auto known = static_cast<int32_t>(lap_starts_.size()) - 1;
  if (lap <= known) return lap_starts_[static_cast<size_t>(lap)];
  return lap_starts_.back() + (lap - known) * LapDuration() / SpeedFactor(known);
}

void TrackSimulator::StateAt(double t, double* x, double* y, double* speed, double* heading_deg) const {
  int32_t lap = static_cast<int32_t>(std::floor(t / (LapDuration() / SpeedFactor(-1))));
  if (t >= lap_starts_.back()) {
    const auto known = static_cast<int32_t>(lap_starts_.size()) - 1;
    lap = known + static_cast<int32_t>(std::floor((t - lap_starts_.back()) / (LapDuration() / SpeedFactor(known))));
  } else if (t >= 0.0) {
    lap = static_cast<int32_t>(std::upper_bound(lap_starts_.begin(), lap_starts_.end(), t) - lap_starts_.begin()) - 1;
  }
  const double factor = SpeedFactor(lap);
  const double lap_t = (t - LapStart(lap)) * factor;
  const double s = DistanceAtLapTime(lap_t);
  const Edge e = EdgeAt(cumulative_, s);
  const Vertex &a = e.a, &b = e.b;
  const double u = (s - cumulative_[e.j]) / e.length;
  *x = a.x + u * (b.x - a.x);
  *y = a.y + u * (b.y - a.y);
  *speed = (a.speed + u * (b.speed - a.speed)) * factor;
  double heading = RadToDeg(std::atan2(b.x - a.x, b.y - a.y));
  if (heading < 0) heading += 360.0;
  *heading_deg = heading;
}

void TrackSimulator::ToRadians(double x, double y, double* lat, double* lon) const {
  const double lat0 = DegToRad(config_.ref_lat_deg);
  *lat = lat0 + MetresToRad(y);
  *lon = DegToRad(config_.ref_lon_deg) + MetresToRad(x) / std::cos(lat0);
}

int32_t TrackSimulator::EpochCount() const {
  constexpr double kTailMs = 3000.0;
  return static_cast<int32_t>((LapStart(config_.laps) + kTailMs - config_.start_offset_ms) / Period()) + 1;
}

std::string FixEpoch(int64_t time_of_day, double lat, double lon, double speed, double heading_deg,
                     const SimConfig& options) {
  const std::string time = TimeField(time_of_day);
  const std::string position = AngleField(lat, 2, 'N', 'S') + "," + AngleField(lon, 3, 'E', 'W');
  char motion[64];
  std::snprintf(motion, sizeof motion, "%.3f,%.2f", speed * kMetresPerSecondToKnots, heading_deg);
  const std::string rmc = WithChecksum("$GPRMC," + time + ",A," + position + "," + motion + ",150624,,,A");
  char tail[64];
  std::snprintf(tail, sizeof tail, ",1,%02d,0.9,512.3,M,47.0,M,,", kSatellites);
  std::string out = rmc + WithChecksum("$GPGGA," + time + "," + position + tail);
  if (options.vtg) {
    char vtg[96];
    std::snprintf(vtg, sizeof vtg, "$GPVTG,%.2f,T,,M,%.3f,N,%.3f,K,A", heading_deg, speed * kMetresPerSecondToKnots,
                  speed * 3.6);
    out += WithChecksum(vtg);
  }
  if (time_of_day % 1000 == 0) out += SatelliteSentences(kSatellites);
  return out;
}

std::string TrackSimulator::Nmea() {
  std::string out;
  const int32_t n = EpochCount();
  for (int32_t k = 0; k < n; ++k) {
    double x, y, speed, heading;
    StateAt(config_.start_offset_ms + k * Period(), &x, &y, &speed, &heading);
    if (config_.noise_m > 0.0) {
      std::normal_distribution<double> noise(0.0, config_.noise_m);
      x += noise(random_);
      y += noise(random_);
    }
    double lat, lon;
    ToRadians(x, y, &lat, &lon);
    const int64_t time_of_day = config_.start_time_ms + static_cast<int64_t>(std::llround(k * Period()));
    out += FixEpoch(time_of_day, lat, lon, speed, heading, config_);
  }
  return out;
}

std::vector<double> TrackSimulator::CrossingTimes(const Trap& trap) const {
  // The line's ends in local metres.
  const double lat0 = DegToRad(config_.ref_lat_deg);
  const auto x = [&](GeoPoint p) { return RadToMetres(p.lon - DegToRad(config_.ref_lon_deg)) * std::cos(lat0); };
  const auto y = [&](GeoPoint p) { return RadToMetres(p.lat - lat0); };
  const double ax = x(trap.line.start), ay = y(trap.line.start), bx = x(trap.line.end), by = y(trap.line.end);
  const auto& c = config_.circuit;
  std::vector<double> lap_times;
  for (size_t j = 0; j < c.size(); ++j) {
    const Vertex& p = c[j];
    const Vertex& q = c[(j + 1) % c.size()];
    double u;
    if (!SegmentsIntersect(p.x, p.y, q.x, q.y, ax, ay, bx, by, &u)) continue;
    if (trap.unidirectional) {
      const double d = NormaliseAngle(std::atan2(q.x - p.x, q.y - p.y) - trap.bearing);
      if (d >= kPi / 2 || d <= -kPi / 2) continue;
    }
    lap_times.push_back(TimeAtDistance(cumulative_[j] + u * (cumulative_[j + 1] - cumulative_[j])));
  }
  std::sort(lap_times.begin(), lap_times.end());
  std::vector<double> result;
  const double first = config_.start_offset_ms;
  const double last = config_.start_offset_ms + (EpochCount() - 1) * Period();
  for (int32_t lap = -1; lap <= config_.laps + 1; ++lap) {
    for (double lt : lap_times) {
      const double t = LapStart(lap) + lt / SpeedFactor(lap);
      if (t > first && t < last) result.push_back(config_.start_time_ms + (t - first));
    }
  }
  return result;
}

Trap TrackSimulator::TrapAt(double s, TrapLineType type, double width_m, bool unidirectional) const {
  const double t = TimeAtDistance(s);
  double x, y, speed, heading;
  StateAt(t, &x, &y, &speed, &heading);
  double lat, lon;
  ToRadians(x, y, &lat, &lon);
  Trap trap;
  SetTrap(trap, DefaultTrapName(type), type, RadiansToIntPoint(lat, lon), DegToRad(heading), MetresToRad(width_m),
          unidirectional);
  return trap;
}

std::vector<Vertex> RoundedRectangle(int32_t arc_steps) {
  // Driven counter-clockwise seen from above, starting on the south
  // straight heading east. Corners are quarter circles of radius 30 m in
  // arc_steps steps at 15 m/s; on each straight the car accelerates over 40 m to
  // 30 m/s, holds it, and brakes over the last 40 m to 18 m/s.
  const double half_w = 150.0, half_h = 80.0, r = 30.0, ramp = 40.0;
  // Centre and compass angle of the entry (x = cx + r sin a, y = cy + r cos a).
  struct Corner {
    double cx, cy, from_deg;
  } corners[] = {{half_w - r, -half_h + r, 180.0},
                 {half_w - r, half_h - r, 90.0},
                 {-half_w + r, half_h - r, 0.0},
                 {-half_w + r, -half_h + r, -90.0}};
  std::vector<Vertex> arcs[4];
  for (int c = 0; c < 4; ++c) {
    for (int i = 0; i <= arc_steps; ++i) {
      const double a = DegToRad(corners[c].from_deg - 90.0 * i / arc_steps);
      arcs[c].push_back(
          {corners[c].cx + r * std::sin(a), corners[c].cy + r * std::cos(a), i == 0 || i == arc_steps ? 18.0 : 15.0});
    }
  }
  std::vector<Vertex> v;
  for (int c = 0; c <= 4; ++c) {
    // The straight from corner c - 1 to corner c; the south one, 0, twice.
    const Vertex& exit = arcs[(c + 3) % 4].back();
    const Vertex& entry = arcs[c % 4].front();
    const double length = std::hypot(entry.x - exit.x, entry.y - exit.y);
    const double ux = (entry.x - exit.x) / length, uy = (entry.y - exit.y) / length;
    if (c == 0) v.push_back({exit.x + ux * length / 2, exit.y + uy * length / 2, 30.0});  // the lap starts here
    if (c > 0) v.push_back({exit.x + ux * ramp, exit.y + uy * ramp, 30.0});
    if (c == 4) break;
    v.push_back({entry.x - ux * ramp, entry.y - uy * ramp, 30.0});
    v.insert(v.end(), arcs[c].begin(), arcs[c].end());
  }
  return v;
}

}  // namespace kv::sim
