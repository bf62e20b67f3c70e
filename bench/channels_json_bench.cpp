// `channels --json` of a long session: one hour at 20 Hz (72,000 samples,
// RMC, VTG and GGA every epoch) recorded once by `record --fast` into a
// temporary folder, then the built program run as a child process with its
// output written to a file.
//   ChannelsJsonProcess: `channels SESSION --json`; wall time per run, the
//                        child's peak resident memory (wait4) and the size
//                        of the document. Targets: under 1 s, 32 MiB.
//   LapsJsonProcess:     `laps SESSION --json` of the same session, for
//                        comparison: the memory of loading the session
//                        alone, which the channels rows must not add to.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/record_command.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "storage/track_profile.h"
#include "support/track_simulator.h"
#include "util/utf_convert.h"

namespace kv {
namespace {

constexpr int32_t kRateHz = 20;
constexpr double kHourMs = 3600000.0;
constexpr char kTrackName[] = "Bench ring";
constexpr double kTargetMs = 1000.0;
constexpr double kTargetMiB = 32.0;

struct Hour {
  Hour() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kv-channels-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    folder = pattern + "/";
    sim::SimConfig config;
    config.circuit = sim::RoundedRectangle();
    config.rate_hz = kRateHz;
    config.vtg = true;
    config.start_offset_ms = -1537.0;
    config.laps = static_cast<int32_t>(std::lround(kHourMs / sim::TrackSimulator(config).LapDuration()));
    for (int32_t i = 0; i <= config.laps; ++i) config.lap_speed_factor.push_back(1.0 + 0.02 * std::sin(i * 0.7));
    sim::TrackSimulator simulator(config);
    const std::string nmea_path = folder + "drive.nmea";
    std::ofstream(nmea_path, std::ios::binary) << simulator.Nmea();
    TrackProfile profile;
    profile.name = FromUtf8(kTrackName);
    profile.root = folder;
    TrapList traps(kTrapListGrowth);
    traps.Append(simulator.TrapAt(1.0, kTrapStartFinish, 30.0, true));
    profile.traps = DefinitionsOf(traps);
    profile.trap_count = traps.Count();
    profile.changed = true;
    profile.traps_loaded = true;
    if (!EnsureFolders(folder) || !SaveTrack(profile)) return;
    app::RecordOptions o;
    o.data_dir = folder;
    o.runtime_folder = folder;
    o.gps = "file:" + nmea_path;
    o.track = kTrackName;
    o.fast = true;
    std::ostringstream out, err;
    ok = app::RunRecord(o, out, err) == 0;
  }
  ~Hour() {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
  }
  Hour(const Hour&) = delete;
  Hour& operator=(const Hour&) = delete;

  std::string folder;
  bool ok = false;
};

const Hour& TheHour() {
  static const Hour hour;
  return hour;
}

// Runs the program with stdout to `out_path` and stderr to /dev/null; its
// exit status (-1 when it could not be run) and its own peak resident set.
int RunProgram(const std::vector<std::string>& args, const std::string& out_path, double* peak_mib) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = open("/dev/null", O_WRONLY);
    if (out < 0 || null < 0) _exit(126);
    dup2(out, 1);
    dup2(null, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) return -1;
  *peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;  // Linux gives KiB
  return WEXITSTATUS(status);
}

void RunCommand(benchmark::State& state, const std::string& command) {
  const Hour& hour = TheHour();
  if (!hour.ok) return state.SkipWithError("the session could not be recorded");
  const std::string out_path = hour.folder + command + ".json";
  const std::vector<std::string> args = {KV_KORVATINEL_PATH, "--data", hour.folder, command, "last", "--json"};
  double peak = 0.0;
  for (auto _ : state) {
    double run_peak = 0.0;
    const auto start = std::chrono::steady_clock::now();
    const int status = RunProgram(args, out_path, &run_peak);
    const auto end = std::chrono::steady_clock::now();
    if (status != 0) {
      state.SkipWithError(("korvatinel " + command + " exited with " + std::to_string(status)).c_str());
      break;
    }
    peak = std::max(peak, run_peak);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  std::error_code ignored;
  state.counters["peak_rss_MiB"] = peak;
  state.counters["json_MB"] = static_cast<double>(std::filesystem::file_size(out_path, ignored)) / 1e6;
  state.counters["target_ms"] = kTargetMs;
  state.counters["target_MiB"] = kTargetMiB;
}

void BM_ChannelsJsonProcess(benchmark::State& state) { RunCommand(state, "channels"); }
BENCHMARK(BM_ChannelsJsonProcess)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_LapsJsonProcess(benchmark::State& state) { RunCommand(state, "laps"); }
BENCHMARK(BM_LapsJsonProcess)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
