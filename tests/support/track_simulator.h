// TrackSimulator: a car driving laps of a closed circuit, for tests and the
// demo recording. The circuit is a polyline in local metres (x east,
// y north) around a reference latitude/longitude; the speed varies linearly
// with distance along each edge between the speeds given at the vertices,
// which makes the position an exact, invertible function of time. So the
// true instant at which the car crosses any line is known and the timing
// engine's answers can be checked against it.
//
// Output: NMEA 0183 text (RMC, GGA, optional VTG every epoch, GSA and GSV
// once a second) with correct checksums, at any rate that divides 1000 ms.
// Optional position noise (seeded, reproducible).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "timing/trap.h"

namespace kv::sim {

struct Vertex {
  double x = 0.0;      // metres east of the reference point
  double y = 0.0;      // metres north
  double speed = 0.0;  // m/s when passing this vertex, > 0
};

struct SimConfig {
  double ref_lat_deg = 48.0;
  double ref_lon_deg = 11.0;
  std::vector<Vertex> circuit;           // closed: the last vertex joins the first
  int32_t rate_hz = 10;                  // 1, 5, 10, 20, ...
  int32_t start_time_ms = 12 * 3600000;  // time of day of the first epoch
  double start_offset_ms = 0.0;          // car time at the first epoch
  int32_t laps = 2;
  double noise_m = 0.0;  // standard deviation of the position noise, per axis
  uint32_t seed = 1;
  bool vtg = false;
  // Lap i is driven at lap_speed_factor[i] times the profile's speeds; the
  // time before the first lap at the first factor, after the list at the
  // last (all 1 when empty). The speed jumps where laps meet.
  std::vector<double> lap_speed_factor;
};

class TrackSimulator {
 public:
  explicit TrackSimulator(SimConfig config);

  // Length of one lap in metres and its duration in ms at the profile's speeds.
  double LapLength() const { return cumulative_.back(); }
  double LapDuration() const { return lap_time_.back(); }
  // Car time (ms since the start of lap 1) at distance s into the lap.
  double TimeAtDistance(double s) const;
  // Local position (metres) and speed at car time t (ms).
  void StateAt(double t, double* x, double* y, double* speed, double* heading_deg) const;

  // The whole recording: every epoch from the first to the end of the last lap.
  std::string Nmea();
  int32_t EpochCount() const;

  // True crossing instants of a line (ends in radians, as a trap's line), as
  // times of day in ms (fractional), in driving order. Directional when
  // `unidirectional`: only crossings within 90 degrees of the bearing count.
  std::vector<double> CrossingTimes(const Trap& trap) const;

  // A trap across the track at distance s into the lap, its bearing the
  // direction of travel there.
  Trap TrapAt(double s, TrapLineType type, double width_m = 20.0, bool unidirectional = false) const;

  // Local metres to radians (equirectangular around the reference point).
  void ToRadians(double x, double y, double* lat, double* lon) const;

 private:
  // The circuit's edge j, from vertex a to b, and its speed gradient k (1/s).
  struct Edge {
    size_t j;
    const Vertex &a, &b;
    double length, k;
  };
  // The edge holding `value` of `table`, the cumulative distances or times.
  Edge EdgeAt(const std::vector<double>& table, double value) const;
  double Period() const { return 1000.0 / config_.rate_hz; }
  double DistanceAtLapTime(double t) const;  // within one lap
  // Car time at which lap `lap` starts (lap 0 at 0), and its speed factor.
  double LapStart(int32_t lap) const;
  double SpeedFactor(int32_t lap) const;

  SimConfig config_;
  std::vector<double> cumulative_;  // distance at each vertex, closing vertex appended
  std::vector<double> lap_time_;    // car time at each vertex
  std::vector<double> lap_starts_;  // car time at the start of laps 0, 1, ...
  std::mt19937 random_;
};

// The sentences of one epoch with a fix from 9 satellites (RMC, GGA, VTG
// when the options ask, GSA and GSV on whole seconds): speed in m/s,
// heading in degrees, position in radians.
std::string FixEpoch(int64_t time_of_day, double lat, double lon, double speed, double heading_deg,
                     const SimConfig& options);

// A circuit for the tests: a 300 m by 160 m rounded rectangle driven
// counter-clockwise from the middle of the south straight (heading east),
// straights at 30 m/s, corners of radius 30 m at 15 m/s in arc_steps
// chords each, about 860 m a lap.
std::vector<Vertex> RoundedRectangle(int32_t arc_steps = 45);

// Appends "*hh\r\n" to a sentence body starting with '$'.
std::string WithChecksum(const std::string& body);

}  // namespace kv::sim
