// The timing engine on a long session: one hour at 20 Hz (72,000 samples)
// on a circuit with 50 traps (a start/finish line and 49 splits).
//   Recompute: crossings and laps rebuilt from the whole sample list, as on
//              loading or resuming a session (target: under 10 ms).
//   LiveStep:  one appended sample's crossing search and lap update, as
//              while driving (target: under 2 us per sample).
//   PredictedDifference: its share of the live step, the running lap
//              against the best lap at each fix (target: under 200 ns).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "support/session_pipeline.h"
#include "support/track_simulator.h"
#include "timing/lap_list.h"
#include "timing/predicted_difference.h"

namespace kv {
namespace {

constexpr int32_t kRateHz = 20;
constexpr int32_t kSampleCount = 3600 * kRateHz;
constexpr int32_t kTrapCount = 50;

struct Session {
  Session() {
    sim::SimConfig config;
    config.circuit = sim::RoundedRectangle();
    config.rate_hz = kRateHz;
    sim::TrackSimulator simulator(config);
    for (int32_t k = 0; k < kSampleCount; ++k) {
      double x, y, speed, heading;
      simulator.StateAt(k * 1000.0 / kRateHz - 1537.0, &x, &y, &speed, &heading);
      double lat, lon;
      simulator.ToRadians(x, y, &lat, &lon);
      LogSample s;
      s.time = 12 * 3600000 + k * 1000 / kRateHz;
      s.position = RadiansToIntPoint(lat, lon);
      s.speed = MetresPerSecondToStored(speed);
      s.heading = RadiansToHeadingWord(DegToRad(heading));
      s.flags = 9;
      s.distance = 0;
      if (k > 0) {
        const LogSample& p = samples[k - 1];
        s.distance = p.distance + RadToAngleValue(Distance(ToGeoPoint(p.position), ToGeoPoint(s.position)));
      }
      samples.Append(s);
    }
    const double spacing = simulator.LapLength() / kTrapCount;
    for (int32_t j = 0; j < kTrapCount; ++j) {
      traps.Append(simulator.TrapAt(j * spacing + 1.0, j == 0 ? kTrapStartFinish : kTrapSplit));
    }
  }
  SampleList samples{kSampleListGrowth};
  TrapList traps{kTrapListGrowth};
};

const Session& TheSession() {
  static const Session session;
  return session;
}

void BM_Recompute(benchmark::State& state) {
  const Session& session = TheSession();
  LapSettings settings;
  sim::MemoryNoteStore notes;
  LapList laps(session.samples, session.traps, settings, &notes);
  CrossingList crossings(kCrossingListGrowth);
  for (auto _ : state) {
    laps.Recompute(crossings);
    benchmark::DoNotOptimize(laps.LapCount());
  }
  state.counters["laps"] = laps.LapCount();
  state.counters["crossings"] = crossings.Count();
  state.counters["optimal_ms"] = laps.Optimal() ? laps.Optimal()->LapTime() : 0;
}
BENCHMARK(BM_Recompute)->Unit(benchmark::kMillisecond);

void BM_LiveStep(benchmark::State& state) {
  const Session& session = TheSession();
  LapSettings settings;
  sim::MemoryNoteStore notes;
  for (auto _ : state) {
    state.PauseTiming();
    SampleList samples(kSampleListGrowth);
    LapList laps(samples, session.traps, settings, &notes);
    CrossingList crossings(kCrossingListGrowth);
    state.ResumeTiming();
    for (const LogSample& s : session.samples) {
      samples.Append(s);
      laps.LiveStep(crossings);
    }
    benchmark::DoNotOptimize(laps.LapCount());
  }
  state.SetItemsProcessed(state.iterations() * kSampleCount);
  state.counters["ns_per_sample"] = benchmark::Counter(static_cast<double>(state.iterations() * kSampleCount),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LiveStep)->Unit(benchmark::kMillisecond);

void BM_PredictedDifference(benchmark::State& state) {
  const Session& session = TheSession();
  LapSettings settings;
  sim::MemoryNoteStore notes;
  LapList laps(session.samples, session.traps, settings, &notes);
  CrossingList crossings(kCrossingListGrowth);
  laps.Recompute(crossings);
  for (auto _ : state) {
    state.PauseTiming();
    SampleList samples(kSampleListGrowth);
    std::vector<std::unique_ptr<Lap>> running;
    PredictedDifference predicted;
    int32_t next_lap = 0;
    state.ResumeTiming();
    for (int32_t i = 0; i < session.samples.Count(); ++i) {
      samples.Append(session.samples[i]);
      if (next_lap < laps.LapCount() && laps.LapAt(next_lap).Start().sample_index == i) {
        const LapMark& start = laps.LapAt(next_lap++).Start();
        running.push_back(std::make_unique<Lap>(samples, false));
        running.back()->SetStart({start.trap_index, start.sample_index, 0, start.crossing_sample});
      }
      predicted.Update(running.empty() ? nullptr : running.back().get(), laps.Best());
      benchmark::DoNotOptimize(predicted.Value());
    }
  }
  state.SetItemsProcessed(state.iterations() * kSampleCount);
  state.counters["ns_per_fix"] = benchmark::Counter(static_cast<double>(state.iterations() * kSampleCount),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PredictedDifference)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
