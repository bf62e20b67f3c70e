// Drawing a one-hour 20 Hz session (72,000 points): the thinning of one
// trace mapped to a 900 x 320 px chart (points kept, us), a line chart of
// the whole hour and the speed map of its route (bytes written). The report
// as a whole must be ready in under 1 s and under 5 MB.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "exchange/svg_chart.h"
#include "exchange/trace_reduction.h"

namespace kv::report {
namespace {

constexpr size_t kHour = 72000;

// Speed over distance of 40 laps of a 3.6 km circuit, with the receiver's
// noise: the densest kind of trace a report draws.
struct HourTrace {
  std::vector<double> distance, speed, lat, lon;
  HourTrace() {
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0, 0.4);
    for (size_t i = 0; i < kHour; ++i) {
      const double a = i * 2 * 3.141592653589793 / 1800;
      distance.push_back(i * 2.0);
      speed.push_back(120 + 50 * std::sin(2 * a) + 20 * std::sin(7 * a) + noise(random));
      lat.push_back(48.0 + 0.004 * std::sin(a) + 0.001 * std::sin(3 * a) + noise(random) * 1e-6);
      lon.push_back(11.0 + 0.007 * std::cos(a) + noise(random) * 1e-6);
    }
  }
};

const HourTrace& Hour() {
  static const HourTrace hour;
  return hour;
}

void BM_ReduceTraceHour(benchmark::State& state) {
  const HourTrace& h = Hour();
  std::vector<double> px(kHour), py(kHour);
  for (size_t i = 0; i < kHour; ++i) {
    px[i] = 60 + h.distance[i] / h.distance.back() * 830;
    py[i] = 30 + (200 - h.speed[i]) / 180 * 250;
  }
  size_t kept = 0;
  for (auto _ : state) {
    kept = ReduceTrace(px, py, 0.4).size();
    benchmark::DoNotOptimize(kept);
  }
  state.counters["points_kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_ReduceTraceHour)->Unit(benchmark::kMicrosecond);

void BM_LineChartHour(benchmark::State& state) {
  LineChartData chart;
  chart.title = "Speed";
  chart.series.push_back({"Session", Hour().distance, Hour().speed, 0x1F77B4, false});
  size_t bytes = 0;
  for (auto _ : state) bytes = LineChart(chart).size();
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_LineChartHour)->Unit(benchmark::kMicrosecond);

void BM_SpeedMapHour(benchmark::State& state) {
  MapSpec chart;
  chart.traces.push_back({Hour().lat, Hour().lon, Hour().speed});
  size_t bytes = 0;
  for (auto _ : state) bytes = SpeedMap(chart).size();
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SpeedMapHour)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv::report

BENCHMARK_MAIN();
