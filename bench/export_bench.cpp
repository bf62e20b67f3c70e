// Export throughput: the traveled route of a one-hour 20 Hz session
// (72,000 samples with positions, speeds, headings and OBD-II values)
// written to each format, the file synced to the disk as the command
// does. Target: 50 MB/s or more for every format, by the wall clock.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "exchange/export_job.h"
#include "timing/geodesy.h"

namespace kv {
namespace {

std::unique_ptr<SessionData> HourSession(const std::string& root) {
  SessionHeader h;
  h.base_name = WideString(u"bench");
  h.root = root;
  h.title = WideString(u"One hour");
  h.created = DateTimeValue{DateTimeValue::MakeDay(2009, 5, 21), DateTimeValue::MakeTime(12, 0, 0, 0)};
  auto session = std::make_unique<SessionData>(h, LapSettings{});
  std::vector<LogSample> samples;
  std::vector<ObdRecord> obd;
  double distance = 0.0;
  for (int32_t i = 0; i < 72000; ++i) {
    const double a = i * 0.002;
    LogSample s;
    s.time = 12 * 3600000 + i * 50;
    s.position = RadiansToIntPoint(DegToRad(48.0 + 0.002 * std::sin(a)), DegToRad(11.0 + 0.003 * std::cos(a)));
    s.altitude = RadToAngleValue(MetresToRad(500.0 + 3.0 * std::sin(a * 3)));
    s.speed = MetresPerSecondToStored(25.0 + 8.0 * std::sin(a * 5));
    distance += MetresToRad(1.3);
    s.distance = RadToAngleValue(distance);
    s.heading = RadiansToHeadingWord(NormaliseAngle(a + kPi / 2));
    s.hdop = 90;
    s.vdop = 130;
    s.flags = 11;
    samples.push_back(s);
    if (i % 10 == 0) obd.push_back({s.time, static_cast<uint32_t>(12000 + i % 5000), 24});
  }
  session->SetSamples(samples);
  session->SetObdRecords(obd);
  return session;
}

void BM_ExportRoute(benchmark::State& state) {
  const auto type = static_cast<ExportType>(state.range(0));
  std::string pattern = (std::filesystem::temp_directory_path() / "kv-bench-XXXXXX").string();
  const std::string root = std::string(mkdtemp(pattern.data())) + "/";
  const auto session = HourSession(root);
  int64_t bytes = 0;
  for (auto _ : state) {
    ExportJob job(*session, {type, ExportScope::kRoute, 0, CsvSeparators::kStandard});
    if (job.Start(0xFFFFFFFFu) != 0) state.SkipWithError("start");
    while (job.Step()) {
    }
    bytes += static_cast<int64_t>(std::filesystem::file_size(job.Path()));
  }
  // Wall time, so the sync that makes the file safe on the medium counts.
  state.SetBytesProcessed(bytes);
  state.counters["file_MB"] = static_cast<double>(bytes) / static_cast<double>(state.iterations()) / 1e6;
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ExportRoute)
    ->ArgName("type")
    ->Arg(static_cast<int>(ExportType::kCsv))
    ->Arg(static_cast<int>(ExportType::kVbo))
    ->Arg(static_cast<int>(ExportType::kDat))
    ->Arg(static_cast<int>(ExportType::kGpx))
    ->Arg(static_cast<int>(ExportType::kKml))
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
