#include "timing/crossings.h"

#include <algorithm>
#include <cmath>
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

// Both ends of the movement clearly on one side of the line, in a local
// plane (longitudes scaled by the cosine of the line's latitude): then the
// spherical test cannot find a crossing either. The margin, 5 cm plus a
// thousandth of the lengths involved, is far above the plane's error over
// such distances (well under a millimetre for a 100 m line or movement), so
// this never decides a real crossing; it only spares the trigonometry for
// the samples that pass near a line.
bool ClearlyOneSide(const Trap& trap, double scale, IntPoint p1, IntPoint p2) {
  const double ax = trap.end_a.lon * scale, ay = trap.end_a.lat;
  const double ex = trap.end_b.lon * scale - ax, ey = trap.end_b.lat - ay;
  // In doubles: across the 180th meridian the longitudes differ by more
  // than 32 bits hold.
  const double mx = (static_cast<double>(p2.lon) - p1.lon) * scale, my = static_cast<double>(p2.lat) - p1.lat;
  const double length = std::sqrt(ex * ex + ey * ey);
  static const double kFiveCm = RadToAngleValue(MetresToRad(0.05));
  const double margin = (kFiveCm + (length + std::sqrt(mx * mx + my * my)) * 1e-3) * length;
  const double d1 = ex * (p1.lat - ay) - ey * (p1.lon * scale - ax);
  const double d2 = ex * (p2.lat - ay) - ey * (p2.lon * scale - ax);
  return (d1 > margin && d2 > margin) || (d1 < -margin && d2 < -margin);
}

double PlaneScale(const Trap& trap) { return std::cos(AngleValueToRad(trap.end_a.lat)); }

// The exact test, after the cheap ones passed.
bool ExactCrossing(const Trap& trap, double scale, IntPoint p1, IntPoint p2, SegmentCrossing* crossing) {
  if (ClearlyOneSide(trap, scale, p1, p2)) return false;
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
  return ExactCrossing(trap, PlaneScale(trap), p1, p2, crossing);
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

// Lines crossed in one sample interval are listed in the order they were
// driven through, not in trap order: a split passed just before the finish
// in the same interval belongs to the lap that finishes.
static void OrderByTime(CrossingList& crossings, int32_t first) {
  if (crossings.Count() - first < 2) return;
  std::stable_sort(crossings.begin() + first, crossings.end(), [](const TrapCrossing& a, const TrapCrossing& b) {
    return a.crossing_sample.time < b.crossing_sample.time;
  });
}

void FindCrossings(const SampleList& samples, const TrapList& traps, int32_t i, CrossingList& crossings) {
  if (i < 1 || i >= samples.Count()) return;
  const IntPoint p1 = samples[i - 1].position;
  const IntPoint p2 = samples[i].position;
  const int32_t first = crossings.Count();
  for (int32_t j = 0; j < traps.Count(); ++j) {
    SegmentCrossing x;
    if (CrossesTrap(traps[j], p1, p2, &x)) AppendCrossing(samples, j, i, x.fraction, crossings);
  }
  OrderByTime(crossings, first);
}

void UpdateCrossingsLive(const SampleList& samples, const TrapList& traps, CrossingList& crossings) {
  if (samples.Count() >= 2) FindCrossings(samples, traps, samples.Count() - 1, crossings);
}

namespace {

// A coarse grid over the traps' boxes, so that the recompute looks at the
// few traps near each movement instead of all of them. Each cell lists, in
// trap-list order, the enabled traps whose box touches it.
class TrapGrid {
 public:
  explicit TrapGrid(const TrapList& traps) {
    bool any = false;
    for (int32_t j = 0; j < traps.Count(); ++j) {
      const Trap& t = traps[j];
      if (t.line_type == kTrapDisabled || !t.end_a.IsSet() || !t.end_b.IsSet()) continue;
      const TrapBox b = BoxOf(t);
      boxes_.push_back({b, j, PlaneScale(t)});
      if (!any) {
        lo_ = {b.min_lat, b.min_lon};
        hi_ = {b.max_lat, b.max_lon};
        any = true;
      }
      lo_ = {std::min(lo_.lat, b.min_lat), std::min(lo_.lon, b.min_lon)};
      hi_ = {std::max(hi_.lat, b.max_lat), std::max(hi_.lon, b.max_lon)};
    }
    if (!any) return;
    // Cells of 2^shift units (2^12 is about 76 m of latitude), at most
    // kSide a side.
    while (((static_cast<int64_t>(hi_.lat) - lo_.lat) >> shift_) >= kSide ||
           ((static_cast<int64_t>(hi_.lon) - lo_.lon) >> shift_) >= kSide) {
      ++shift_;
    }
    rows_ = static_cast<int32_t>(((static_cast<int64_t>(hi_.lat) - lo_.lat) >> shift_) + 1);
    columns_ = static_cast<int32_t>(((static_cast<int64_t>(hi_.lon) - lo_.lon) >> shift_) + 1);
    cells_.resize(static_cast<size_t>(rows_) * static_cast<size_t>(columns_));
    for (size_t k = 0; k < boxes_.size(); ++k) {
      const TrapBox& b = boxes_[k].box;
      for (int32_t r = Row(b.min_lat); r <= Row(b.max_lat); ++r) {
        for (int32_t c = Column(b.min_lon); c <= Column(b.max_lon); ++c) {
          cells_[static_cast<size_t>(r) * static_cast<size_t>(columns_) + static_cast<size_t>(c)].push_back(
              static_cast<int32_t>(k));
        }
      }
    }
  }

  // Indices into Boxes() of the traps whose cells the movement's box
  // touches, ascending (that is, in trap-list order).
  void Near(IntPoint p1, IntPoint p2, std::vector<int32_t>& out) const {
    out.clear();
    if (cells_.empty()) return;
    const auto [lat_lo, lat_hi] = std::minmax(p1.lat, p2.lat);
    const auto [lon_lo, lon_hi] = std::minmax(p1.lon, p2.lon);
    if (lat_hi < lo_.lat || lat_lo > hi_.lat || lon_hi < lo_.lon || lon_lo > hi_.lon) return;
    const int32_t r0 = Row(std::max(lat_lo, lo_.lat)), r1 = Row(std::min(lat_hi, hi_.lat));
    const int32_t c0 = Column(std::max(lon_lo, lo_.lon)), c1 = Column(std::min(lon_hi, hi_.lon));
    for (int32_t r = r0; r <= r1; ++r) {
      for (int32_t c = c0; c <= c1; ++c) {
        const auto& cell = cells_[static_cast<size_t>(r) * static_cast<size_t>(columns_) + static_cast<size_t>(c)];
        out.insert(out.end(), cell.begin(), cell.end());
      }
    }
    if (r0 != r1 || c0 != c1) {
      std::sort(out.begin(), out.end());
      out.erase(std::unique(out.begin(), out.end()), out.end());
    }
  }

  struct Entry {
    TrapBox box;
    int32_t index;
    double scale;
  };
  const std::vector<Entry>& Boxes() const { return boxes_; }

 private:
  static constexpr int64_t kSide = 64;
  int32_t Row(AngleValue lat) const { return static_cast<int32_t>((static_cast<int64_t>(lat) - lo_.lat) >> shift_); }
  int32_t Column(AngleValue lon) const { return static_cast<int32_t>((static_cast<int64_t>(lon) - lo_.lon) >> shift_); }

  std::vector<Entry> boxes_;
  IntPoint lo_, hi_;
  int32_t shift_ = 12;
  int32_t rows_ = 0, columns_ = 0;
  std::vector<std::vector<int32_t>> cells_;
};

}  // namespace

void RecomputeCrossings(const SampleList& samples, const TrapList& traps, CrossingList& crossings) {
  crossings.Clear();
  // The same tests as FindCrossings, over every sample of a loaded session:
  // the grid and the boxes worked out once keep it to the traps nearby.
  // Unset positions and unset or disabled traps can never cross.
  const TrapGrid grid(traps);
  std::vector<int32_t> near;
  const int32_t n = samples.Count();
  for (int32_t i = 1; i < n; ++i) {
    const IntPoint p1 = samples[i - 1].position;
    const IntPoint p2 = samples[i].position;
    if (p1 == p2 || !p1.IsSet() || !p2.IsSet()) continue;
    grid.Near(p1, p2, near);
    const int32_t first = crossings.Count();
    for (int32_t k : near) {
      const TrapGrid::Entry& e = grid.Boxes()[static_cast<size_t>(k)];
      if (!BoxesOverlap(e.box, p1, p2)) continue;
      SegmentCrossing x;
      if (ExactCrossing(traps[e.index], e.scale, p1, p2, &x)) AppendCrossing(samples, e.index, i, x.fraction, crossings);
    }
    OrderByTime(crossings, first);
  }
}

}  // namespace kv
