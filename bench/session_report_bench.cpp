// The HTML report of a long session: one hour at 20 Hz (72,000 samples) on
// a circuit with 10 traps (a start/finish line and 9 splits), the laps
// driven at slightly different paces, engine speed recorded every 100 ms.
//   SessionReport/0: the whole document built in memory from the loaded,
//                  recomputed session, the default laps drawn; /1 every
//                  lap of the hour drawn. Targets: under 1 s and under
//                  5 MB (counter "MB").
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "exchange/session_report.h"
#include "support/track_simulator.h"
#include "timing/geodesy.h"

namespace kv {
namespace {

constexpr int32_t kRateHz = 20;
constexpr int32_t kSampleCount = 3600 * kRateHz;
constexpr int32_t kTrapCount = 10;
constexpr double kTargetSeconds = 1.0;
constexpr double kTargetMegabytes = 5.0;

std::unique_ptr<SessionData> MakeHourSession() {
  sim::SimConfig config;
  config.circuit = sim::RoundedRectangle();
  config.rate_hz = kRateHz;
  sim::TrackSimulator simulator(config);
  std::vector<LogSample> samples;
  std::vector<ObdRecord> obd;
  for (int32_t k = 0; k < kSampleCount; ++k) {
    // A lap in 60 a little slower, so that laps differ.
    const double t = k * 1000.0 / kRateHz - 1537.0;
    const double pace = 1.0 + 0.02 * std::sin(t / 97000.0);
    double x, y, speed, heading, lat, lon;
    simulator.StateAt(t / pace, &x, &y, &speed, &heading);
    simulator.ToRadians(x, y, &lat, &lon);
    LogSample s;
    s.time = 12 * 3600000 + k * 1000 / kRateHz;
    s.position = RadiansToIntPoint(lat, lon);
    s.speed = MetresPerSecondToStored(speed / pace);
    s.heading = RadiansToHeadingWord(DegToRad(heading));
    s.flags = 9;
    samples.push_back(WithDistance(s, samples.empty() ? nullptr : &samples.back()));
    if (k % 2 == 0) obd.push_back({s.time, static_cast<uint32_t>((2000.0 + 60.0 * speed) * 4), 24});
  }
  SessionHeader header;
  header.base_name = WideString(u"20260101-1200");
  header.track = WideString(u"Bench ring");
  header.driver = WideString(u"Bench driver");
  auto session = std::make_unique<SessionData>(header, LapSettings{});
  TrapList traps(kTrapListGrowth);
  const double spacing = simulator.LapLength() / kTrapCount;
  for (int32_t j = 0; j < kTrapCount; ++j)
    traps.Append(simulator.TrapAt(j * spacing + 1.0, j == 0 ? kTrapStartFinish : kTrapSplit));
  session->SetTraps(traps);
  session->SetSamples(std::move(samples));
  session->SetObdRecords(std::move(obd));
  session->Recompute();
  return session;
}

// state.range(0): 0 the default laps, 1 every lap of the hour drawn.
void BM_SessionReport(benchmark::State& state) {
  static const std::unique_ptr<SessionData> session = MakeHourSession();
  ReportOptions options;
  if (state.range(0) == 1)
    for (int32_t k = 0; k < session->Laps().LapCount(); ++k)
      if (session->Laps().LapAt(k).IsFinished()) options.laps.push_back(k);
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string page = SessionReport(*session, options);
    bytes = page.size();
    benchmark::DoNotOptimize(page.data());
  }
  state.counters["MB"] = bytes / 1e6;
  state.counters["laps"] = session->Laps().LapCount();
  std::printf("SessionReport: %.2f MB for %d samples (targets: under %.0f s, under %.0f MB)\n",
              bytes / 1e6, session->Samples().Count(), kTargetSeconds, kTargetMegabytes);
}
BENCHMARK(BM_SessionReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
