// Added latency of a sample: from the arrival of the last sentence of a
// receiver epoch to the finished sample, through the parser and the sample
// builder as the main thread runs them. Two receivers: RMC, VTG, GGA at
// 20 Hz with GSA and GSV every second, and RMC alone at 25 Hz. Also counts
// the epochs whose sample came only with a later sentence (the first two,
// while the builder learns the receiver's sentence set).
//
//   bench_sample_builder
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "timing/sample_builder.h"

namespace {

struct Line {
  std::string text;
  int32_t epoch_ms = -1;  // set on the last sentence of an epoch
};

std::vector<Line> Receiver(bool rmc_only, int rate_hz, int seconds) {
  std::vector<Line> lines;
  char time[16], lat[24], text[160];
  for (int i = 0; i < rate_hz * seconds; ++i) {
    const int ms = 43200000 + i * 1000 / rate_hz;
    std::snprintf(time, sizeof time, "%02d%02d%02d.%02d", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000 / 10);
    std::snprintf(lat, sizeof lat, "%.5f", 4807.0 + i * 0.0005);
    std::snprintf(text, sizeof text, "$GPRMC,%s,A,%s,N,01131.000,E,60.0,10.0,150624,,,A\r\n", time,
                  lat);
    lines.push_back({text});
    if (!rmc_only) {
      lines.push_back({"$GPVTG,10.0,T,,M,60.0,N,111.1,K,A\r\n"});
      std::snprintf(text, sizeof text, "$GPGGA,%s,%s,N,01131.000,E,1,09,0.9,545.4,M,46.9,M,,\r\n",
                    time, lat);
      lines.push_back({text});
      if (i % rate_hz == 0) {
        lines.push_back({"$GPGSA,A,3,04,05,09,12,24,25,29,31,02,,,,1.8,0.9,1.5\r\n"});
        lines.push_back({"$GPGSV,1,1,04,04,15,270,40,05,40,120,42,09,60,300,45,12,10,030,38\r\n"});
      }
    }
    // GSA and GSV are not part of the epoch: its last sentence is the RMC
    // or the GGA.
    size_t last = lines.size() - 1;
    while (lines[last].text.starts_with("$GPGS")) --last;
    lines[last].epoch_ms = ms;
  }
  return lines;
}

void Run(benchmark::State& state, bool rmc_only, int rate_hz) {
  const std::vector<Line> lines = Receiver(rmc_only, rate_hz, 60);
  std::vector<double> latencies;
  int64_t late = 0;
  for (auto _ : state) {
    kv::NmeaParser parser(false);
    kv::ObdChannelTable decoder;
    kv::SampleBuilder builder(decoder);
    latencies.clear();
    late = 0;
    for (const Line& line : lines) {
      const auto start = std::chrono::steady_clock::now();
      parser.Append(line.text);
      parser.NextSentence();
      builder.Feed(parser.Fix());
      for (bool more = builder.NewSample(); more; more = builder.NextSample()) {
        if (builder.Sample().time == line.epoch_ms) {
          latencies.push_back(
              std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                  .count());
        } else {
          ++late;
        }
      }
    }
  }
  std::sort(latencies.begin(), latencies.end());
  state.counters["median_us"] = latencies.empty() ? -1 : latencies[latencies.size() / 2];
  state.counters["p99_us"] = latencies.empty() ? -1 : latencies[latencies.size() * 99 / 100];
  state.counters["epochs_late"] = static_cast<double>(late);
  state.counters["epochs"] = static_cast<double>(lines.empty() ? 0 : rate_hz * 60);
}

void BM_RmcVtgGga20Hz(benchmark::State& state) { Run(state, false, 20); }
void BM_RmcOnly25Hz(benchmark::State& state) { Run(state, true, 25); }
BENCHMARK(BM_RmcVtgGga20Hz)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RmcOnly25Hz)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
