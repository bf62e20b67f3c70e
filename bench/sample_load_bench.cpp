// Loading the sample file of a one-hour session at 20 Hz (72,000 fixes and
// the date reference, 2.4 MB) from a file in the page cache, through the
// step loader as the loading screen runs it. Target: under 10 ms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "storage/sample_loader.h"
#include "storage/sample_writer.h"

namespace {

std::string MakeHourFile() {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("kv-bench-" + std::to_string(getpid()) + "-plots.bin")).string();
  kv::SampleWriter writer;
  writer.Create(path, 0);
  kv::DateTimeValue date;
  date.day = kv::DateTimeValue::MakeDay(2024, 6, 1);
  date.time = 36000000;
  for (int32_t i = 0; i < 72000; ++i) {
    kv::LogSample s;
    s.time = 36000000 + i * 50;
    s.position = {300000000 + i * 7, 36000000 - i * 3};
    s.speed = 2700 + i % 100;
    s.altitude = 5400;
    s.distance = i * 90;
    s.heading = static_cast<uint16_t>(i % 36000);
    s.hdop = 90;
    s.vdop = 140;
    s.flags = 9;
    writer.WriteFix(s, date);
  }
  writer.Close();
  return path;
}

void BM_LoadOneHourAt20Hz(benchmark::State& state) {
  const std::string path = MakeHourFile();
  size_t loaded = 0;
  for (auto _ : state) {
    kv::SampleLoader loader(path);
    loader.LoadAll();
    loaded = loader.Data().samples.size();
    benchmark::DoNotOptimize(loader.Data().samples.data());
  }
  state.counters["samples"] = static_cast<double>(loaded);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
  std::filesystem::remove(path);
  if (loaded != 72000) state.SkipWithError("not every fix was loaded");
}
BENCHMARK(BM_LoadOneHourAt20Hz)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
