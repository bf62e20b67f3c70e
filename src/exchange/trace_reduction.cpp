#include "exchange/trace_reduction.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kv::report {
namespace {

// Squared distance of p to the segment a-b (to a when the segment has no
// length), so points beyond the ends of a trace that turns back are measured
// to the nearer end, not to the line through the segment.
double SquaredDistanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double length2 = dx * dx + dy * dy;
  double t = 0.0;
  if (length2 > 0.0) t = std::clamp(((px - ax) * dx + (py - ay) * dy) / length2, 0.0, 1.0);
  const double ex = px - (ax + t * dx), ey = py - (ay + t * dy);
  return ex * ex + ey * ey;
}

// Marks the points of the finite run [first, last] that Douglas-Peucker keeps.
void ReduceRun(std::span<const double> x, std::span<const double> y, size_t first, size_t last,
               double tolerance2, std::vector<char>& keep,
               std::vector<std::pair<size_t, size_t>>& stack) {
  keep[first] = keep[last] = 1;
  stack.clear();
  if (last > first + 1) stack.emplace_back(first, last);
  while (!stack.empty()) {
    const auto [a, b] = stack.back();
    stack.pop_back();
    double worst = -1.0;
    size_t worst_at = a;
    for (size_t i = a + 1; i < b; ++i) {
      const double d = SquaredDistanceToSegment(x[i], y[i], x[a], y[a], x[b], y[b]);
      if (d > worst) {
        worst = d;
        worst_at = i;
      }
    }
    if (worst <= tolerance2) continue;
    keep[worst_at] = 1;
    if (worst_at > a + 1) stack.emplace_back(a, worst_at);
    if (b > worst_at + 1) stack.emplace_back(worst_at, b);
  }
}

}  // namespace

std::vector<size_t> ReduceTrace(std::span<const double> x, std::span<const double> y,
                                double tolerance) {
  const size_t n = std::min(x.size(), y.size());
  std::vector<size_t> kept;
  if (n == 0) return kept;
  if (!(tolerance >= 0.0)) tolerance = 0.0;
  const double tolerance2 = tolerance * tolerance;
  std::vector<char> keep(n, 0);
  std::vector<std::pair<size_t, size_t>> stack;
  keep[0] = keep[n - 1] = 1;
  const auto finite = [&](size_t i) { return std::isfinite(x[i]) && std::isfinite(y[i]); };
  for (size_t i = 0; i < n;) {
    if (!finite(i)) {
      keep[i] = 1;  // the first point of the gap
      while (i < n && !finite(i)) ++i;
      continue;
    }
    size_t end = i;
    while (end + 1 < n && finite(end + 1)) ++end;
    ReduceRun(x, y, i, end, tolerance2, keep, stack);
    i = end + 1;
  }
  for (size_t i = 0; i < n; ++i)
    if (keep[i]) kept.push_back(i);
  return kept;
}

}  // namespace kv::report
