#include "timing/crossings.h"

#include <algorithm>
#include <vector>

namespace kv {

namespace {

// Integer box of a trap's line; touching counts as overlapping.
struct TrapBox {
  AngleValue min_lat, max_lat, min_lon, max_lon;
};

TrapBox BoxOf(const Trap& trap) {
  return {std::min(trap.end_a.lat, trap.end_b.lat), std::max(trap.end_a.lat, trap.end_b.lat),
          std::min(trap.end_a.lon, trap.end_b.lon), std::max(trap.end_a.lon, trap.end_b.lon)};
}

bool BoxesOverlap(const TrapBox& box, IntPoint p1, IntPoint p2) {
  const auto [lat_lo, lat_hi] = std::minmax(p1.lat, p2.lat);
  const auto [lon_lo, lon_hi] = std::minmax(p1.lon, p2.lon);
  return lon_lo <= box.max_lon && box.min_lon <= lon_hi && lat_lo <= box.max_lat &&
         box.min_lat <= lat_hi;
}

// The exact test, after the cheap ones passed.
bool ExactCrossing(const Trap& trap, IntPoint p1, IntPoint p2, SegmentCrossing* crossing) {
  const GeoSegment movement{ToGeoPoint(p1), ToGeoPoint(p2)};
  const SegmentCrossing x = IntersectSegments(trap.line, movement);
  if (!x.IsValid()) return false;
  if (trap.unidirectional) {
    const double d = NormaliseAngle(Bearing(movement) - trap.bearing);
    if (d >= kPi / 2 || d <= -kPi / 2) return false;
  }
  *crossing = x;
  return true;
}

void AppendCrossing(const SampleList& samples, int32_t trap_index, int32_t i, double fraction,
                    CrossingList& crossings) {
  if (!crossings.Empty()) {
    const TrapCrossing& last = crossings[crossings.Count() - 1];
    if (last.trap_index == trap_index && last.sample_index == i - 1) return;
  }
  TrapCrossing c;
  c.trap_index = trap_index;
  c.sample_index = i;
  c.sample_interval = samples[i].time - samples[i - 1].time;
  c.crossing_sample = InterpolateSample(samples, i, fraction);
  crossings.Append(c);
}

double Lerp(double a, double b, double f) { return (1.0 - f) * a + f * b; }

}  // namespace

bool CrossesTrap(const Trap& trap, IntPoint p1, IntPoint p2, SegmentCrossing* crossing) {
  if (trap.line_type == kTrapDisabled) return false;
  if (p1 == p2) return false;
  if (!BoxesOverlap(BoxOf(trap), p1, p2)) return false;
  return ExactCrossing(trap, p1, p2, crossing);
}

LogSample InterpolateSample(const SampleList& samples, int32_t i, double f) {
  if (i < 0 || i >= samples.Count()) return LogSample{};
  if (i == 0) return samples[0];
  const LogSample& s1 = samples[i - 1];
  const LogSample& s2 = samples[i];
  LogSample result = s2;  // altitude, the two precision words and the flags
  result.time = s1.time + static_cast<int32_t>((s2.time - s1.time) * f + 0.5);
  if (f == 1.0) return result;
  result.position.lat = RadToAngleValue(Lerp(AngleValueToRad(s1.position.lat), AngleValueToRad(s2.position.lat), f));
  result.position.lon = RadToAngleValue(Lerp(AngleValueToRad(s1.position.lon), AngleValueToRad(s2.position.lon), f));
  result.speed = SpeedToStored(Lerp(StoredToSpeed(s1.speed), StoredToSpeed(s2.speed), f));
  result.distance = RadToAngleValue(Lerp(AngleValueToRad(s1.distance), AngleValueToRad(s2.distance), f));
  if (s1.heading == LogSample::kNoWord || s2.heading == LogSample::kNoWord) {
    result.heading = LogSample::kNoWord;
  } else {
    // Interpolate the short way round the north direction.
    const double h1 = HeadingWordToRadians(s1.heading);
    const double h2 = HeadingWordToRadians(s2.heading);
    double h;
    if (h1 - h2 > kPi) {
      h = Lerp(h1 - kTwoPi, h2, f);
    } else if (h2 - h1 > kPi) {
      h = Lerp(h1, h2 - kTwoPi, f);
    } else {
      h = Lerp(h1, h2, f);
    }
    result.heading = RadiansToHeadingWord(NormaliseAngle(h));
  }
  return result;
}

void FindCrossings(const SampleList& samples, const TrapList& traps, int32_t i, CrossingList& crossings) {
  if (i < 1 || i >= samples.Count()) return;
  const IntPoint p1 = samples[i - 1].position;
  const IntPoint p2 = samples[i].position;
  for (int32_t j = 0; j < traps.Count(); ++j) {
    SegmentCrossing x;
    if (CrossesTrap(traps[j], p1, p2, &x)) AppendCrossing(samples, j, i, x.fraction, crossings);
  }
}

void UpdateCrossingsLive(const SampleList& samples, const TrapList& traps, CrossingList& crossings) {
  if (samples.Count() >= 2) FindCrossings(samples, traps, samples.Count() - 1, crossings);
}

void RecomputeCrossings(const SampleList& samples, const TrapList& traps, CrossingList& crossings) {
  crossings.Clear();
  // The same tests as FindCrossings, with the boxes of the enabled traps
  // worked out once: this runs over every sample of a loaded session.
  struct Candidate {
    TrapBox box;
    int32_t index;
  };
  std::vector<Candidate> candidates;
  candidates.reserve(static_cast<size_t>(traps.Count()));
  for (int32_t j = 0; j < traps.Count(); ++j) {
    if (traps[j].line_type != kTrapDisabled) candidates.push_back({BoxOf(traps[j]), j});
  }
  const int32_t n = samples.Count();
  for (int32_t i = 1; i < n; ++i) {
    const IntPoint p1 = samples[i - 1].position;
    const IntPoint p2 = samples[i].position;
    if (p1 == p2) continue;
    for (const Candidate& c : candidates) {
      if (!BoxesOverlap(c.box, p1, p2)) continue;
      SegmentCrossing x;
      if (ExactCrossing(traps[c.index], p1, p2, &x)) AppendCrossing(samples, c.index, i, x.fraction, crossings);
    }
  }
}

}  // namespace kv
