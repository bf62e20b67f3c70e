// Sessions on a long drive: one hour at 20 Hz (RMC, VTG and GGA every
// epoch, GSA and GSV once a second, about 15 MB of NMEA) on a circuit with
// 10 traps (a start/finish line and 9 splits), made once by the simulator
// into a temporary folder with the track profile saved beside it.
//   RecordFast:        `record --fast` of the whole file in this process
//                      (the real reader thread and main loop, every session
//                      file written). Target: under 0.5 s.
//   RecordFastProcess: the same through the built program, a child process
//                      timed by the wall clock; its peak resident memory
//                      from the kernel. Targets: under 0.5 s, 64 MiB.
//   ReloadRecompute:   the recorded session loaded step by step to the end
//                      (header, sample file, crossings and laps recomputed),
//                      as the review screens load it. Target: under 30 ms.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/record_command.h"
#include "session/session_loader.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "storage/track_profile.h"
#include "support/track_simulator.h"
#include "util/utf_convert.h"

namespace kv {
namespace {

constexpr int32_t kRateHz = 20;
constexpr double kHourMs = 3600000.0;
constexpr int32_t kTrapCount = 10;
constexpr char kTrackName[] = "Bench ring";
constexpr double kRecordTargetMs = 500.0;
constexpr double kPeakTargetMiB = 64.0;
constexpr double kReloadTargetMs = 30.0;

std::string MakeTempFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "kv-session-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern + "/";
}

std::string SessionsFolder(const std::string& root) { return root + "Korvatinel/Sessions/"; }

// Base names of the sessions under `root`, the bytes of all their files
// and of the NMEA logs among them.
std::vector<std::string> Sessions(const std::string& root, int64_t* bytes,
                                  int64_t* log_bytes = nullptr) {
  std::vector<std::string> bases;
  *bytes = 0;
  if (log_bytes != nullptr) *log_bytes = 0;
  std::error_code ignored;
  for (const auto& e : std::filesystem::directory_iterator(SessionsFolder(root), ignored)) {
    const std::string name = e.path().filename().string();
    *bytes += static_cast<int64_t>(e.file_size(ignored));
    if (log_bytes != nullptr && name.size() > 9 && name.substr(name.size() - 9) == "-nmea.txt") {
      *log_bytes += static_cast<int64_t>(e.file_size(ignored));
    }
    if (name.size() > 12 && name.substr(name.size() - 12) == "-session.bin") {
      bases.push_back(name.substr(0, name.size() - 12));
    }
  }
  return bases;
}

// Every session file goes, so the next run starts from the same empty
// folder (and the disk does not fill over the iterations).
void RemoveSessions(const std::string& root) {
  std::error_code ignored;
  for (const auto& e : std::filesystem::directory_iterator(SessionsFolder(root), ignored)) {
    std::filesystem::remove(e.path(), ignored);
  }
}

// A data folder with the track saved in it.
bool MakeDataFolder(const std::string& root, const TrapList& traps) {
  TrackProfile profile;
  profile.name = FromUtf8(kTrackName);
  profile.root = root;
  profile.traps = kv::DefinitionsOf(traps);
  profile.trap_count = traps.Count();
  profile.changed = true;
  profile.traps_loaded = true;
  return EnsureFolders(root) && SaveTrack(profile);
}

struct Drive {
  Drive() {
    sim::SimConfig config;
    config.circuit = sim::RoundedRectangle();
    config.rate_hz = kRateHz;
    config.vtg = true;
    config.noise_m = 0.3;
    config.seed = 7;
    config.start_offset_ms = -1537.0;  // the first fix off the line
    const double lap_ms = sim::TrackSimulator(config).LapDuration();
    config.laps = static_cast<int32_t>(std::lround(kHourMs / lap_ms));
    // Paces a little apart, so the laps (and the best and optimal ones) differ.
    for (int32_t i = 0; i <= config.laps; ++i)
      config.lap_speed_factor.push_back(1.0 + 0.02 * std::sin(i * 0.7));
    sim::TrackSimulator simulator(config);
    epochs = simulator.EpochCount();
    const double spacing = simulator.LapLength() / kTrapCount;
    for (int32_t j = 0; j < kTrapCount; ++j) {
      traps.Append(
          simulator.TrapAt(j * spacing + 1.0, j == 0 ? kTrapStartFinish : kTrapSplit, 30.0, true));
    }
    folder = MakeTempFolder();
    nmea_path = folder + "drive.nmea";
    const std::string nmea = simulator.Nmea();
    nmea_bytes = static_cast<int64_t>(nmea.size());
    std::ofstream(nmea_path, std::ios::binary)
        .write(nmea.data(), static_cast<std::streamsize>(nmea.size()));
    record_root = folder + "record/";
    process_root = folder + "process/";
    reload_root = folder + "reload/";
    ok = !folder.empty() &&
         std::filesystem::file_size(nmea_path) == static_cast<uintmax_t>(nmea_bytes) &&
         MakeDataFolder(record_root, traps) && MakeDataFolder(process_root, traps) &&
         MakeDataFolder(reload_root, traps);
  }
  ~Drive() {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
  }
  Drive(const Drive&) = delete;
  Drive& operator=(const Drive&) = delete;

  app::RecordOptions Options(const std::string& root) const {
    app::RecordOptions o;
    o.data_dir = root;
    o.runtime_folder = root;
    o.gps = "file:" + nmea_path;
    o.track = kTrackName;
    o.fast = true;
    return o;
  }

  TrapList traps{kTrapListGrowth};
  int32_t epochs = 0;
  int64_t nmea_bytes = 0;
  std::string folder, nmea_path, record_root, process_root, reload_root;
  bool ok = false;
};

const Drive& TheDrive() {
  static const Drive drive;
  return drive;
}

void BM_RecordFast(benchmark::State& state) {
  const Drive& drive = TheDrive();
  if (!drive.ok) return state.SkipWithError("the drive could not be made");
  int64_t session_bytes = 0, log_bytes = 0, log_short = 0;
  for (auto _ : state) {
    state.PauseTiming();
    RemoveSessions(drive.record_root);
    std::ostringstream out, err;
    state.ResumeTiming();
    const int status = app::RunRecord(drive.Options(drive.record_root), out, err);
    state.PauseTiming();
    if (status != 0 || Sessions(drive.record_root, &session_bytes, &log_bytes).size() != 1) {
      state.SkipWithError(("record failed: " + err.str()).c_str());
      break;
    }
    log_short = std::max(log_short, drive.nmea_bytes - log_bytes);
    state.ResumeTiming();
  }
  state.counters["epochs"] = drive.epochs;
  state.counters["nmea_MB"] = static_cast<double>(drive.nmea_bytes) / 1e6;
  state.counters["session_MB"] = static_cast<double>(session_bytes) / 1e6;
  // The most input any run left out of its NMEA log (0 when all was kept).
  state.counters["log_short_bytes"] = static_cast<double>(log_short);
  state.counters["target_ms"] = kRecordTargetMs;
  state.SetBytesProcessed(state.iterations() * drive.nmea_bytes);
}
BENCHMARK(BM_RecordFast)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Runs the program with stdout and stderr to /dev/null; its exit status,
// or -1 when it could not be run.
int RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, 1);
      dup2(null, 2);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// User plus system time, in ms.
double CpuMs(const rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void BM_RecordFastProcess(benchmark::State& state) {
  const Drive& drive = TheDrive();
  if (!drive.ok) return state.SkipWithError("the drive could not be made");
  const std::vector<std::string> args = {KV_KORVATINEL_PATH, "--data",  drive.process_root,
                                         "record",           "--gps",   "file:" + drive.nmea_path,
                                         "--fast",           "--track", kTrackName};
  // Children's CPU time adds up over the whole program (repetitions too):
  // only this loop's share counts.
  rusage before{};
  getrusage(RUSAGE_CHILDREN, &before);
  int64_t log_short = 0;
  for (auto _ : state) {
    RemoveSessions(drive.process_root);
    const auto start = std::chrono::steady_clock::now();
    const int status = RunProgram(args);
    const auto end = std::chrono::steady_clock::now();
    int64_t bytes = 0, log_bytes = 0;
    if (status != 0 || Sessions(drive.process_root, &bytes, &log_bytes).size() != 1) {
      state.SkipWithError(("korvatinel record exited with " + std::to_string(status)).c_str());
      break;
    }
    log_short = std::max(log_short, drive.nmea_bytes - log_bytes);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  // The largest resident set of any child waited for; only this program
  // runs as a child here. Linux gives it in KiB.
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double child_cpu_ms = CpuMs(usage) - CpuMs(before);
  state.counters["cpu_ms_per_run"] =
      state.iterations() > 0 ? child_cpu_ms / static_cast<double>(state.iterations()) : 0.0;
  state.counters["log_short_bytes"] = static_cast<double>(log_short);
  state.counters["target_ms"] = kRecordTargetMs;
  state.counters["target_MiB"] = kPeakTargetMiB;
}
BENCHMARK(BM_RecordFastProcess)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void BM_ReloadRecompute(benchmark::State& state) {
  const Drive& drive = TheDrive();
  if (!drive.ok) return state.SkipWithError("the drive could not be made");
  int64_t bytes = 0;
  std::vector<std::string> bases = Sessions(drive.reload_root, &bytes);
  if (bases.empty()) {
    std::ostringstream out, err;
    if (app::RunRecord(drive.Options(drive.reload_root), out, err) != 0) {
      return state.SkipWithError(("record failed: " + err.str()).c_str());
    }
    bases = Sessions(drive.reload_root, &bytes);
  }
  if (bases.size() != 1) return state.SkipWithError("no session to reload");
  const WideString base = FromUtf8(bases[0]);
  int32_t samples = 0, laps = 0;
  for (auto _ : state) {
    StorageList storage(drive.reload_root);
    storage.Refresh();
    SessionLoader loader(storage, storage.DefaultRoot(), base, LapSettings{});
    while (loader.Step()) {
    }
    const std::unique_ptr<SessionData> session = loader.Take();
    if (loader.Error() != 0 || !session) {
      state.SkipWithError(("load error " + std::to_string(loader.Error())).c_str());
      break;
    }
    samples = session->Samples().Count();
    laps = session->Laps().CompletedLaps();
    benchmark::DoNotOptimize(session.get());
  }
  state.counters["samples"] = samples;
  state.counters["laps"] = laps;
  state.counters["session_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["target_ms"] = kReloadTargetMs;
  // Epochs the recording did not keep as samples (0 when nothing is lost).
  state.counters["epochs_not_sampled"] = drive.epochs - samples;
}
BENCHMARK(BM_ReloadRecompute)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
