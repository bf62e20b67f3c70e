// Loading a recorded session (header, sample file, recompute) the way
// `laps` and `resume` do, at 100,000 and 1,200,000 samples (about 1.4 and
// 17 hours at 20 Hz), each loaded once, as a command does in its own
// process. Loading must grow with the session, not with its square:
// targets 1.2M under 1 s and at most 12 times the 100k load (counter
// "ratio_1200k_to_100k"). Run it a few times: one load is a noisy figure.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "session/session_loader.h"
#include "storage/session_header.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "storage/sample_writer.h"

namespace kv {
namespace {

constexpr double kTargetMs = 1000.0;
constexpr double kTargetRatio = 12.0;

// A logging session of `count` samples at 20 Hz under `root`.
void WriteSession(const std::string& root, const std::u16string& base, int32_t count) {
  EnsureFolders(root);
  SessionHeader header;
  header.root = root;
  header.base_name = base;
  header.type = kSessionDataLogging;
  header.changed = true;
  SaveSessionHeader(header);
  SampleWriter writer;
  writer.Create(BuildPath(base, root, FileKind::kSampleFile), 0);
  DateTimeValue date;
  date.day = DateTimeValue::MakeDay(2024, 6, 1);
  for (int32_t i = 0; i < count; ++i) {
    LogSample s;
    s.time = i * 50;
    date.time = s.time;
    s.position = {300000000 + (i % 20000) * 7, 36000000 - (i % 20000) * 3};
    s.speed = 2700 + i % 100;
    s.altitude = 5400;
    s.distance = i * 90;
    s.heading = static_cast<uint16_t>(i % 36000);
    writer.WriteFix(s, date);
  }
  writer.Close();
}

double LoadMs(const std::string& root, const std::u16string& base, int32_t* samples) {
  const auto start = std::chrono::steady_clock::now();
  StorageList storage(root);
  storage.Refresh();
  SessionLoader loader(storage, storage.DefaultRoot(), base, LapSettings{});
  while (loader.Step()) {
  }
  const std::unique_ptr<SessionData> session = loader.Take();
  *samples = session ? session->Samples().Count() : -1;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_SessionLoadGrowth(benchmark::State& state) {
  const std::string root =
      (std::filesystem::temp_directory_path() / ("kv-load-bench-" + std::to_string(getpid()))).string() + "/";
  WriteSession(root, u"small", 100000);
  WriteSession(root, u"large", 1200000);
  double small_ms = 0, large_ms = 0;
  int32_t small = 0, large = 0;
  for (auto _ : state) {
    small_ms = LoadMs(root, u"small", &small);
    large_ms = LoadMs(root, u"large", &large);
  }
  std::filesystem::remove_all(root);
  if (small != 100000 || large != 1200000) return state.SkipWithError("not every sample was loaded");
  state.counters["ms_100k"] = small_ms;
  state.counters["ms_1200k"] = large_ms;
  state.counters["ratio_1200k_to_100k"] = large_ms / small_ms;
  state.counters["target_ms_1200k"] = kTargetMs;
  state.counters["target_ratio"] = kTargetRatio;
}
BENCHMARK(BM_SessionLoadGrowth)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
