#include "app/record_command.h"
#include "app/test_commands.h"

#include <iostream>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "acquisition/source_status.h"
#include "app/app_services.h"
#include "app/command_list.h"
#include "app/live_voice.h"
#include "app/obd_channel_choice.h"
#include "app/report_command.h"
#include "app/review_commands.h"
#include "app/session_address.h"
#include "app/source_command.h"
#include "app/storage_context.h"
#include "app/terminal_progress.h"
#include "app/track_commands.h"
#include "app/library_tracks.h"
#include "app/track_detection.h"
#include "app/window_views.h"
#include "audio/announcer.h"
#include "core/application.h"
#include "platform/file_io.h"
#include "platform/process.h"
#include "platform/terminal_input.h"
#include "platform/termination.h"
#include "platform/ticks.h"
#include "session/session_loader.h"
#include "session/session_resume.h"
#include "session/test_list.h"
#include "storage/local_time.h"
#include "storage/sample_file_repair.h"
#include "storage/storage_paths.h"
#include "storage/track_list.h"
#include "timing/trap.h"
#include "util/errors.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

// `q` ends the recording, `p` pauses and continues it. The end of a piped
// input is not the end of the recording: only `q` is.
class KeyInput final : public InputSource {
 public:
  KeyInput(Application& app, SessionRecorder& recorder, TerminalViews& views)
      : app_(app), recorder_(recorder), views_(views) {}
  int WaitHandle() const override { return input_.Fd(); }
  void Dispatch() override {
    std::string keys;
    const bool open = input_.ReadAvailable(&keys);
    for (char key : keys) {
      if (key == 'q' || key == 'Q') app_.Close(0);
      if (key == 'p' || key == 'P') {
        if (recorder_.Paused()) {
          recorder_.Continue();
        } else {
          recorder_.Pause();
        }
        views_.RefreshLive(true);
      }
    }
    if (!open) app_.SetInput(nullptr);
  }

 private:
  Application& app_;
  SessionRecorder& recorder_;
  TerminalViews& views_;
  platform::TerminalInput input_;
};

bool ParseType(const std::string& word, uint32_t* type) {
  if (word == "lap") *type = kSessionLapTiming;
  else if (word == "perf") *type = kSessionPerformance;
  else if (word == "log") *type = kSessionDataLogging;
  else return false;
  return true;
}

// The free-space check before a session starts or resumes; false when it
// must not.
bool FreeSpaceAllows(const std::string& root, TerminalViews& views, std::ostream& err) {
  const uint32_t free_kb = FreeSpaceKb(root);
  switch (CheckFreeSpace(free_kb)) {
    case SpaceCheck::kVeryLow:
      err << Utf8(FormatN(kStrVeryLowStorageNotStarted, static_cast<int32_t>(free_kb)).AsView()) << '\n';
      return false;
    case SpaceCheck::kLow:
      err << Utf8(FormatN(kStrLowStorageWarning, static_cast<int32_t>(free_kb)).AsView()) << '\n';
      views.SetLowStorage(true);
      return true;
    case SpaceCheck::kEnough:
      return true;
  }
  return true;
}

struct Sources {
  SourceConfig gps, obd;
  bool has_obd = false;
  std::u16string gps_name, obd_name;  // the devices' names from the settings
  std::string gps_label, obd_label;   // for messages: the SOURCE or "the settings"
  std::vector<int32_t> obd_high, obd_low;  // from the command line
};

// --gps and --obd, or the settings' devices where they are not given (an
// OBD-II source only when "OBD-II type" is not Disabled).
bool ParseSources(const RecordOptions& o, const Settings& settings, Sources* sources, std::ostream& err) {
  std::string error;
  sources->gps_label = o.gps.empty() ? "of the settings" : o.gps;
  if (o.gps.empty() ? !SourceFromSettings(settings, kSourceGps, &sources->gps, &sources->gps_name, &error)
                    : !ParseSourceArgument(o.gps, kSourceGps, &sources->gps, &error)) {
    err << "--gps: " << error << '\n';
    return false;
  }
  sources->gps.fast = o.fast;
  if (!o.obd.empty() || settings.obd_type != 0) {
    sources->obd_label = o.obd.empty() ? "of the settings" : o.obd;
    if (o.obd.empty() ? !SourceFromSettings(settings, kSourceObd, &sources->obd, &sources->obd_name, &error)
                      : !ParseSourceArgument(o.obd, kSourceObd, &sources->obd, &error)) {
      err << "--obd: " << error << '\n';
      return false;
    }
    sources->has_obd = true;
  }
  if (!sources->has_obd && (!o.obd_channels.empty() || !o.obd_low_channels.empty())) {
    err << "--obd-channels: there is no OBD-II reader (--obd, or one in the settings)\n";
    return false;
  }
  const ObdChannelTable table;
  for (const auto& [text, option, list] : {std::tuple{&o.obd_channels, "--obd-channels", &sources->obd_high},
                                           std::tuple{&o.obd_low_channels, "--obd-low-channels", &sources->obd_low}}) {
    if (!text->empty() && !ParseObdChannels(*text, table, list, &error)) {
      err << option << ": " << error << '\n';
      return false;
    }
  }
  return true;
}

// "Not enough storage space left!" when the medium is full, else the file
// and the system's reason.
std::string WriteFailureText(const std::string& path, int32_t system_error) {
  if (platform::IsOutOfSpace(system_error)) return Utf8(Load(kStrNotEnoughStorage).AsView());
  std::string text = "Cannot write " + path;
  if (system_error != 0) text += ": " + platform::ErrorText(system_error);
  return text;
}

// The reason, then the offer of a new attempt: on the command line the
// same command is the same receiver again (lost connections during the
// session are retried by the sources themselves).
std::string SourceFailureText(const Sources& sources, const RunProblems& problems) {
  const bool obd = problems.failed_source == kSourceObd;
  std::string text = std::string("Cannot open the ") + (obd ? "OBD-II" : "GPS") + " source " +
                     (obd ? sources.obd_label : sources.gps_label);
  const int32_t error = problems.source_error < 0 ? -problems.source_error : problems.source_error;
  if (error != 0) text += ": " + platform::ErrorText(error);
  return text + "\n" + Utf8(RetryText(problems.failed_source).AsView()) + " Give the same command again.";
}

// A new session that never got a sample is nothing worth keeping.
void DropIfEmpty(const SessionRecorder& recorder, bool resumed) {
  const SessionHeader& header = recorder.Data().Header();
  if (!resumed && recorder.Data().Samples().Empty()) DeleteSession(header.base_name, header.root);
}

// Runs the session under the main loop until it ends; closes it. 0 when
// samples were recorded and everything was written; 1 when a source could
// not be opened, nothing was recorded, or a file could not be written
// (then the session holds what was recorded before).
int RunLive(const RecordOptions& o, StorageContext& context, std::unique_ptr<SessionData> data, bool resumed,
            platform::FileLock lock, const Sources& sources, TerminalViews& views, std::ostream& out,
            std::ostream& err) {
  // Made before the application, whose services draw through it until they go.
  std::unique_ptr<WindowViews> window;
  if (o.window == WindowChoice::kForce || (o.window == WindowChoice::kAuto && platform::Window::DisplayNamed())) {
    platform::Window::Options shape;
    shape.full_screen = o.full_screen;
    std::string error;
    std::unique_ptr<platform::Window> opened = platform::Window::Open(shape, &error);
    if (!opened && o.window == WindowChoice::kForce) {
      err << "Cannot open a window: " << error << '\n';
      return 1;
    }
    if (!opened) {
      err << "Cannot open a window (" << error << "); the live timer stays in the terminal.\n";
    } else {
      window = std::make_unique<WindowViews>(std::move(opened), views,
                                             static_cast<int32_t>(context.settings.timer_decimals),
                                             static_cast<ui::Backlight>(context.settings.timer_backlight),
                                             context.settings.predicted_difference != 0);
    }
  }
  ViewManager& shown = window ? static_cast<ViewManager&>(*window) : views;
  const auto voice_mode = static_cast<audio::VoiceMode>(o.voice >= 0 ? static_cast<uint32_t>(o.voice)
                                                                      : context.settings.voice);
  LiveVoice voice(shown, voice_mode,
                  audio::ClipLibrary(context.storage.DefaultRoot(), context.storage.BundledSoundsFolder()), err);
  Application app;
  AppServices* services = nullptr;
  RunProblems problems;
  Application::Options options;
  options.single_instance = true;
  options.runtime_folder = o.runtime_folder;
  const Application::StartResult started = app.Initialise(
      [&](AppHost&) {
        auto made =
            std::make_unique<AppServices>(app, context.settings, context.storage.AppDataFolder(),
                                          voice, problems);
        services = made.get();
        return made;
      },
      options);
  if (started == Application::StartResult::kAnotherRunning) {
    err << "Another recording is running.\n";
    return 1;
  }
  if (services == nullptr) return 1;
  context.storage.EnsureAppDataFolder();

  SessionRecorder recorder(std::move(data), [] { return platform::TickCount(); });
  try {
    if (resumed) {
      recorder.StartResumed(std::move(lock));
    } else {
      recorder.StartNew();
    }
  } catch (const CodeException& e) {
    recorder.Close();
    DropIfEmpty(recorder, resumed);
    if (platform::IsOutOfSpace(e.system_error)) {
      err << WriteFailureText("", e.system_error) << '\n';
    } else {
      err << Utf8(FormatN(kStrErrorNumber, e.code).AsView());
      if (e.system_error != 0) err << " (" << platform::ErrorText(e.system_error) << ")";
      err << '\n';
    }
    return 1;
  }
  views.SetSession(&recorder);
  views.SetStatusText([services] { return services->StatusText(); });
  voice.SetSession(&recorder);
  if (window) {
    window->SetSession(&recorder);
    window->SetStatusSource([services] { return services->LiveStatus(); });
  }
  services->Flow().SetSession(&recorder);
  recorder.SetFailureHandler([&app] { app.Close(1); });
  TrackList tracks(context.storage);
  const SessionHeader& header = recorder.Data().Header();
  if (!resumed && header.type == kSessionLapTiming && header.track.IsEmpty())
    PickTrackAtFirstFix(recorder,
                        OwnAndLibraryTrackSources(tracks, LibraryServerOf(context.settings),
                                                  context.RootForNewFiles(), err, TerminalHttp::Mode::kQuiet),
                        tracks, context.settings,
                        [&views](const std::string& text) { views.ShowMessage(FromUtf8(text).AsView()); });
  int32_t not_a_fix = 0;  // read before the services go with the application
  services->SetShutdownHook([&] {
    not_a_fix = services->Builder().NotAFixCount();
    services->Flow().SetSession(nullptr);
    recorder.Close();
  });
  platform::TerminationSignals signals(app.CloseRequest());
  KeyInput keys(app, recorder, views);
  if (window) {
    window->Attach(app);
  } else {
    app.SetInput(&keys);
  }
  services->StartGps(sources.gps, sources.gps_name);
  if (sources.has_obd) {
    const ObdChannelChoice channels = ChooseObdChannels(sources.obd_high, sources.obd_low, context.settings);
    err << ChoiceText(channels) << '\n';
    services->StartObd(sources.obd, channels, sources.obd_name);
  }
  // A replay without pacing shows how far through the file it is.
  std::optional<TerminalProgress> replay;
  const int64_t replay_size =
      sources.gps.transport == kTransportFile && sources.gps.fast ? platform::FileSizeOf(sources.gps.path) : -1;
  if (replay_size > 0) {
    replay.emplace("Replaying", err);
    views.SetProgress(&*replay, [services, replay_size] {
      return static_cast<int32_t>(services->GpsReplayedBytes() * 100 / replay_size);
    });
  }
  views.RefreshLive(true);
  int status = app.Run();
  app.SetInput(nullptr);
  if (window) window->Detach();
  recorder.Close();
  views.SetStatusText(nullptr);
  views.Finish();
  views.SetProgress(nullptr, nullptr);

  const SessionData& session = recorder.Data();
  if (problems.failed_source >= 0) err << SourceFailureText(sources, problems) << '\n';
  if (recorder.Failure()) {
    err << WriteFailureText(recorder.Failure()->path, recorder.Failure()->system_error) << '\n';
    status = 1;
  }
  if (problems.settings_failed) {
    err << "The settings were not saved: " << WriteFailureText(context.storage.AppDataFolder(), problems.settings_error)
        << '\n';
    status = 1;
  }
  if (not_a_fix > 0)
    err << not_a_fix << (not_a_fix == 1 ? " epoch was" : " epochs were") << " not a fix and not recorded.\n";
  if (recorder.RecordedSamples() == 0) {
    if (status == 0) err << "No position was received: nothing was recorded.\n";
    DropIfEmpty(recorder, resumed);
    if (!resumed) return 1;
    status = 1;
  }
  out << "Session " << Utf8(session.Header().base_name) << '\n';
  PrintLapTable(session, out);
  if (!o.throwaway_folder)
    out << "Files: " << BuildPath(session.Header().base_name, session.Header().root, FileKind::kSessionHeader) << '\n';
  if (session.Runs() != nullptr) PrintRunSummary(*session.Runs(), out);
  return status;
}

}  // namespace

int RunRecord(const RecordOptions& o, std::ostream& out, std::ostream& err) {
  uint32_t type = 0;
  if (!ParseType(o.type, &type)) {
    err << "--type is lap, perf or log\n";
    return 2;
  }
  StorageContext context(o.data_dir);
  Sources sources;
  if (!ParseSources(o, context.settings, &sources, err)) return 2;
  const std::string root = context.RootForNewFiles();
  TerminalViews views(out, err, platform::StdoutIsTerminal(), static_cast<int32_t>(context.settings.timer_decimals));
  if (!FreeSpaceAllows(root, views, err)) return 1;

  SessionHeader header = NewSession(root);
  header.type = type;
  header.title = FromUtf8(o.title);
  header.driver = FromUtf8(o.driver);
  header.save_nmea = o.no_nmea_log ? 0 : 1;
  header.obd = sources.has_obd ? 1 : 0;
  TrapList traps(kTrapListGrowth);
  if (type == kSessionLapTiming && !o.track.empty()) {
    TrackList tracks(context.storage);
    tracks.Refresh();
    const int32_t index = tracks.Find(FromUtf8(o.track));
    if (index < 0) {
      err << "No such track: " << o.track << '\n';
      return 1;
    }
    if (!LoadWholeTrack(tracks.At(index), err)) return 1;
    header.track = tracks.At(index).name;
    traps = MakeTraps(tracks.At(index).traps);
  }
  std::optional<PerfTestList> tests;
  if (type == kSessionPerformance) {
    header.test = FromUtf8(o.test);
    tests = LoadUserTests(context, err);
    const WideString refusal = ChosenTestMessage(*tests, header.test);
    if (!refusal.IsEmpty()) {
      PrintLine(err, refusal);
      return 1;
    }
  }
  RememberNewSessionChoices(context.settings, header.driver, type, header.save_nmea, header.track, header.test);
  auto data = std::make_unique<SessionData>(std::move(header), LapSettingsFrom(context.settings.hilo_threshold));
  data->SetTraps(traps);
  if (tests) data->TimePerfTests(*tests);
  return RunLive(o, context, std::move(data), false, {}, sources, views, out, err);
}

int RunResume(const RecordOptions& o, std::ostream& out, std::ostream& err) {
  StorageContext context(o.data_dir);
  Sources sources;
  if (!ParseSources(o, context.settings, &sources, err)) return 2;
  TerminalViews views(out, err, platform::StdoutIsTerminal(), static_cast<int32_t>(context.settings.timer_decimals));
  const SessionAddress address = ResolveSession(context.storage, o.session, err);
  if (address.status != 0) return address.status;
  const WideString& name = address.base_name;
  const std::string& root = address.root;
  // Held from before the load to the end of the recording: nobody else may
  // append to, repair or delete the session meanwhile.
  platform::FileLock lock;
  if (LockSession(name, root, lock) == platform::FileLock::Result::kBusy) {
    err << "The session " << o.session << " is being recorded.\n";
    return 1;
  }
  const LapSettings lap_settings = LapSettingsFrom(context.settings.hilo_threshold);
  std::unique_ptr<SessionData> data;
  ResumeCheck check = ResumeCheck::kResumable;
  for (int attempt = 0; attempt < 2; ++attempt) {
    SessionLoader loader(context.storage, root, name, lap_settings);
    if (!LoadWithProgress(loader, err)) return 1;
    data = loader.Take();
    check = CheckResume(data->Header(), sources.has_obd, loader.SampleVersion(), loader.SampleState());
    if (check != ResumeCheck::kIncomplete || attempt > 0) break;
    // A crash mid-write leaves a record cut short at the end; that alone
    // must not cost the driver the rest of the day in this session.
    int64_t removed = 0;
    if (RepairPartialTail(BuildPath(name, root, FileKind::kSampleFile), &removed) != TailRepair::kTrimmed) break;
    err << "Cut off an incomplete last record (" << removed << " bytes) left by an interrupted recording.\n";
  }
  if (check != ResumeCheck::kResumable) {
    err << Utf8(Load(ResumeRefusalMessage(check)).AsView()) << '\n';
    return 1;
  }
  if (!FreeSpaceAllows(root, views, err)) return 1;
  // Giving the command is the answer to "Resume this session?".
  return RunLive(o, context, std::move(data), true, std::move(lock), sources, views, out, err);
}

int RunDemo(const std::string& data_dir, const RecordOptions& shown, std::ostream& out, std::ostream& err) {
  const bool fast = shown.fast;
  std::string dir = data_dir;
  const bool throwaway = dir.empty();
  if (throwaway) {
    dir = platform::TemporaryDirectory() + "/korvatinel-demo-" + std::to_string(platform::TickCount());
    CreateDirectories(dir + "/");
  }
  // Whatever the outcome, a folder of our own leaves nothing behind in /tmp.
  struct Cleanup {
    const std::string& dir;
    bool active;
    ~Cleanup() {
      if (active) platform::RemoveTree(dir);
    }
  } cleanup{dir, throwaway};
  StorageContext context(dir);
  std::string install = context.storage.InstallFolder();
  // Run from the source tree without an install: its data/ folder.
  if (install.empty()) install = "data/";
  const std::string demo = install + "demo/";
  const std::string root = context.RootForNewFiles();
  if (!platform::CopyFile(demo + "Demo circuit-track.bin",
                         BuildPath(u"Demo circuit", root, FileKind::kTrackProfile))) {
    err << "The demo files are missing from " << demo << '\n';
    return 1;
  }
  out << "Demo: replaying " << demo << "demo.nmea into " << (throwaway ? "a temporary folder" : dir)
      << (fast ? "" : " (q or Escape stops it)") << '\n';
  RecordOptions o;
  o.data_dir = dir;
  o.gps = "file:" + demo + "demo.nmea";
  o.track = "Demo circuit";
  o.title = "Demo";
  o.driver = "Demo driver";
  o.fast = fast;
  o.window = shown.window;
  o.full_screen = shown.full_screen;
  o.voice = shown.voice;
  o.runtime_folder = dir;
  o.throwaway_folder = throwaway;
  const int status = RunRecord(o, out, err);
  if (status != 0) return status;
  std::string report = WriteNewestSessionReport(context, err);
  if (throwaway) {
    // The report is what a first-time user wants to open, so it alone
    // outlives the folder: renamed beside it under the folder's own unique
    // name (a rename replaces whatever lies there rather than writing through it).
    if (!report.empty()) {
      const std::string kept = dir + ".html";
      report = platform::RenameFile(report, kept) ? kept : std::string();
    }
    cleanup.active = false;
    if (!platform::RemoveTree(dir)) {
      err << "Could not remove the demo folder " << dir << '\n';
      return 1;
    }
    out << "(demo folder removed; use --data DIR to keep it)\n";
  }
  if (!report.empty()) out << "Report: " << report << '\n';
  return 0;
}

namespace {

// --window and --headless choose between the window and the terminal; by
// default the window opens where a display is named. --voice,
// --voice-difference and --no-voice override the settings' spoken lap times.
void AddLiveOptions(CLI::App* command, WindowChoice& choice, bool& full_screen, int32_t& voice) {
  choice = WindowChoice::kAuto;
  voice = -1;
  auto* speak = command->add_flag_callback(
      "--voice", [&voice] { voice = std::max(voice, static_cast<int32_t>(audio::VoiceMode::kLapTime)); },
      "Speak each lap time (default: as the settings say)");
  auto* both = command->add_flag_callback(
      "--voice-difference", [&voice] { voice = static_cast<int32_t>(audio::VoiceMode::kLapTimeAndDifference); },
      "Speak each lap time and its difference to the comparison lap");
  command->add_flag_callback("--no-voice", [&voice] { voice = static_cast<int32_t>(audio::VoiceMode::kOff); },
                             "Do not speak lap times")
      ->excludes(speak)
      ->excludes(both);
  auto* force = command->add_flag_callback(
      "--window", [&choice] { choice = WindowChoice::kForce; },
      "Show the live timer in a window (status 1 when none can open)");
  command->add_flag_callback("--headless", [&choice] { choice = WindowChoice::kHeadless; },
                             "Keep the live timer in the terminal")
      ->excludes(force);
  command->add_flag("--full-screen", full_screen, "The window fills the screen");
}

}  // namespace

void AddRecordCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<RecordOptions>();
  const auto add_common = [o](CLI::App* c) {
    c->add_option("--gps", o->gps,
                  "SOURCE: file:PATH, serial:DEVICE[:BAUD], bt:ADDRESS[:CHANNEL], gpsd[:HOST[:PORT]] "
                  "(default: the GPS of the settings)");
    c->add_option("--obd", o->obd, "OBD-II SOURCE (default: the OBD-II reader of the settings, unless disabled)");
    c->add_option("--obd-channels", o->obd_channels,
                  "OBD-II channels to poll, names or numbers, comma-separated (default: the settings' lists, "
                  "else rpm,throttle-position)");
    c->add_option("--obd-low-channels", o->obd_low_channels, "OBD-II channels to poll now and then");
    c->add_flag("--fast", o->fast, "Replay a file without pacing");
    AddLiveOptions(c, o->window, o->full_screen, o->voice);
  };
  CLI::App* record = cli.add_subcommand("record", "Record a session (q ends it, p pauses)");
  add_common(record);
  record->add_option("--type", o->type, "lap, perf or log")->check(CLI::IsMember({"lap", "perf", "log"}));
  record->add_option("--track", o->track, "Track profile (lap timing)");
  record->add_option("--test", o->test, "Performance test name");
  record->add_option("--title", o->title);
  record->add_option("--driver", o->driver);
  record->add_flag("--no-nmea-log", o->no_nmea_log, "Do not keep the raw NMEA log");
  commands.Add(record, [o, &globals] {
    o->data_dir = globals.data_dir;
    if (!globals.data_dir.empty()) o->runtime_folder = globals.data_dir;
    return RunRecord(*o, std::cout, std::cerr);
  });
  CLI::App* resume = cli.add_subcommand("resume", "Continue recording an earlier session");
  resume->add_option("SESSION", o->session, kSessionAddressHelp)->required();
  add_common(resume);
  commands.Add(resume, [o, &globals] {
    o->data_dir = globals.data_dir;
    if (!globals.data_dir.empty()) o->runtime_folder = globals.data_dir;
    return RunResume(*o, std::cout, std::cerr);
  });
  CLI::App* demo = cli.add_subcommand("demo", "Replay the demo recording on the demo track (a temporary folder unless --data)");
  auto d = std::make_shared<RecordOptions>();
  demo->add_flag("--fast", d->fast, "Without pacing");
  AddLiveOptions(demo, d->window, d->full_screen, d->voice);
  commands.Add(demo, [d, &globals] {
    return RunDemo(globals.data_dir, *d, std::cout, std::cerr);
  });
}

}  // namespace kv::app
