// Thinning of dense traces for drawing: an hour at 20 Hz is 72,000 points,
// but a chart 900 px wide shows no more than a few thousand of them apart.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace kv::report {

// The indices (ascending) of the points of the trace (x[i], y[i]) to keep,
// such that every dropped point lies within `tolerance` of the segment
// between the kept points around it. Distances are Euclidean in the units of
// x and y, so callers pass coordinates already mapped to pixels.
//
// A point whose x or y is not finite breaks the trace: the points on both
// sides of a gap are kept, and the first point of each gap is kept too, so a
// caller that walks the kept indices and breaks its line at a point that is
// not finite never joins across a gap. The first and the last point are
// always kept. A tolerance that is negative or NaN counts as 0 (only points
// exactly on their segment are dropped).
//
// Douglas-Peucker on an explicit stack: no recursion, O(n log n) on traces
// that are not built to defeat it. x and y must have the same length (the
// shorter one counts). Any thread.
std::vector<size_t> ReduceTrace(std::span<const double> x, std::span<const double> y,
                                double tolerance);

}  // namespace kv::report
