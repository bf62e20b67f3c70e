// The live timer's window fed at a receiver's 20 Hz, with the program's own
// services, session and window (on the display named by DISPLAY, else SDL's
// offscreen driver; the label says which):
//   FixToFrame: one epoch's NMEA handed to the services as the main loop
//               does when the reader thread wakes it, through the sample
//               builder, the session (its files written), the lap engine,
//               the window's refresh, painting and showing the frame.
//               Target: 20 ms (the window never lags a fix behind).
//   CpuAt20Hz:  ten seconds of fixes at the receiver's pace; the process's
//               CPU time over the wall time (the X server's own work not
//               counted). Target: 10 % of one core.
// The circuit is the simulator's rounded rectangle with a start/finish
// line and two splits, 800x480 window, the split view (panel and map).
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/storage_context.h"
#include "app/window_views.h"
#include "core/application.h"
#include "platform/ticks.h"
#include "session/session_recorder.h"
#include "storage/session_header.h"
#include "support/track_simulator.h"

namespace kv {
namespace {

constexpr int32_t kRateHz = 20;
constexpr int32_t kPeriodUs = 1000000 / kRateHz;

double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The simulator's recording cut into epochs (each starts with its RMC).
std::vector<std::string> Epochs(sim::TrackSimulator& simulator) {
  const std::string text = simulator.Nmea();
  std::vector<std::string> epochs;
  for (size_t at = 0; at < text.size();) {
    size_t next = text.find("$GPRMC", at + 1);
    if (next == std::string::npos) next = text.size();
    epochs.push_back(text.substr(at, next - at));
    at = next;
  }
  return epochs;
}

// Everything `record` builds around a live session, with a window.
struct LiveWindow {
  std::string folder;
  app::StorageContext context;
  std::ostringstream out, err;
  app::TerminalViews terminal{out, err, false, 2};
  app::RunProblems problems;
  std::unique_ptr<app::WindowViews> views;
  Application application;
  app::AppServices* services = nullptr;
  std::unique_ptr<SessionRecorder> recorder;
  std::string driver;

  LiveWindow(const std::string& dir, const sim::TrackSimulator& simulator)
      : folder(dir), context(dir) {
    std::string error;
    platform::Window::Options shape;
    auto window = platform::Window::Open(shape, &error);
    if (!window) return;
    driver = window->DriverName();
    views = std::make_unique<app::WindowViews>(std::move(window), terminal, 2,
                                               ui::Backlight::kAlwaysOn, true);
    Application::Options options;
    options.single_instance = false;
    application.Initialise(
        [&](AppHost&) {
          auto made = std::make_unique<app::AppServices>(application, context.settings, folder,
                                                         *views, problems);
          services = made.get();
          return made;
        },
        options);
    SessionHeader header = NewSession(context.RootForNewFiles());
    header.type = kSessionLapTiming;
    auto data = std::make_unique<SessionData>(std::move(header), LapSettingsFrom(5));
    TrapList traps(4);
    const double lap = simulator.LapLength();
    traps.Append(simulator.TrapAt(0.0, kTrapStartFinish));
    traps.Append(simulator.TrapAt(lap / 3, kTrapSplit));
    traps.Append(simulator.TrapAt(2 * lap / 3, kTrapSplit));
    data->SetTraps(traps);
    recorder =
        std::make_unique<SessionRecorder>(std::move(data), [] { return platform::TickCount(); });
    recorder->StartNew();
    views->SetSession(recorder.get());
    views->SetStatusSource([this] { return services->LiveStatus(); });
    views->Attach(application);
    services->Flow().SetSession(recorder.get());
  }
  ~LiveWindow() {
    if (services != nullptr) services->Flow().SetSession(nullptr);
    if (recorder) recorder->Close();
    if (views) views->Detach();
  }
};

struct Fixture {
  std::string dir;
  std::unique_ptr<sim::TrackSimulator> simulator;
  std::vector<std::string> epochs;
  std::unique_ptr<LiveWindow> live;
  size_t next = 0;

  Fixture() {
    // A display if there is one; otherwise frames are made and shown all
    // the same, into SDL's offscreen window.
    if (std::getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kv-window-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    dir = pattern + "/";
    sim::SimConfig config;
    config.circuit = sim::RoundedRectangle();
    config.rate_hz = kRateHz;
    config.laps = 20;
    config.vtg = true;
    simulator = std::make_unique<sim::TrackSimulator>(config);
    epochs = Epochs(*simulator);
    live = std::make_unique<LiveWindow>(dir, *simulator);
  }
  ~Fixture() {
    live.reset();
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
  bool Ready() const { return live && live->views != nullptr; }
  void Feed() {
    live->services->OnData(epochs[next], kSourceGps);
    next = (next + 1) % epochs.size();
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void FixToFrame(benchmark::State& state) {
  Fixture& f = Shared();
  if (!f.Ready()) {
    state.SkipWithError("no window could be opened");
    return;
  }
  // The first frames open the fonts: not what a driver waits for in a session.
  for (int k = 0; k < kRateHz; ++k) f.Feed(), usleep(kPeriodUs);
  std::vector<double> ms;
  for (auto _ : state) {
    const int32_t frames = f.live->views->FramesShown();
    const double start = Seconds(CLOCK_MONOTONIC);
    f.Feed();
    const double end = Seconds(CLOCK_MONOTONIC);
    state.SetIterationTime(end - start);
    if (f.live->views->FramesShown() > frames) ms.push_back((end - start) * 1000.0);
    usleep(kPeriodUs);  // the receiver's pace: every fix gets its own frame
  }
  std::sort(ms.begin(), ms.end());
  if (ms.empty()) return;
  state.counters["frames"] = static_cast<double>(ms.size());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["p99_ms"] = ms[ms.size() * 99 / 100];
  state.counters["max_ms"] = ms.back();
  state.SetLabel(f.live->driver + ", target 20 ms");
}
BENCHMARK(FixToFrame)->UseManualTime()->Iterations(400)->Unit(benchmark::kMillisecond);

void CpuAt20Hz(benchmark::State& state) {
  Fixture& f = Shared();
  if (!f.Ready()) {
    state.SkipWithError("no window could be opened");
    return;
  }
  for (auto _ : state) {
    const double wall = Seconds(CLOCK_MONOTONIC), cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    double due = wall;
    for (int k = 0; k < 10 * kRateHz; ++k) {
      f.Feed();
      due += 1.0 / kRateHz;
      const double wait = due - Seconds(CLOCK_MONOTONIC);
      if (wait > 0) usleep(static_cast<useconds_t>(wait * 1e6));
    }
    state.counters["cpu_percent"] =
        100.0 * (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) / (Seconds(CLOCK_MONOTONIC) - wall);
  }
  state.SetLabel(f.live->driver + ", target 10 %");
}
BENCHMARK(CpuAt20Hz)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
