#include "app/track_detection.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "app/json_text.h"
#include "app/library_tracks.h"
#include "app/source_command.h"
#include "app/storage_context.h"
#include "app/track_commands.h"
#include "core/date_time.h"
#include "timing/geodesy.h"
#include "timing/sample_builder.h"
#include "timing/trap.h"
#include "util/errors.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

// How long a source may go without a fix before the search gives up.
constexpr int32_t kFixSearchMs = 60000;

std::string FixText(IntPoint fix) {
  char text[64];
  const GeoPoint at = ToGeoPoint(fix);
  std::snprintf(text, sizeof text, "%.7f,%.7f", RadToDeg(at.lat), RadToDeg(at.lon));
  return text;
}

// The first epoch that is a fix, as a session would record it. The 60 s
// are counted on the source's own clock, the times its sentences carry, so
// that a file replayed without pacing is judged as the receiver was (a
// live source is also stopped after 60 s by the wall clock).
class FirstFixWatcher final : public SourceWatcher {
 public:
  void OnState(SourceState state, double) override {
    failed_ = state == SourceState::kFailed;
    builder_.EndOfInput();
    TakeSamples();
  }

  void OnText(std::string_view text, double) override {
    parser_.Append(text);
    while (!Done() && parser_.NextSentence()) {
      const FixRecord& fix = parser_.Fix();
      builder_.Feed(fix);
      TakeSamples();
      if (fix.valid.time != 0 && !Done()) gave_up_ = Elapsed(fix.time) > kFixSearchMs;
    }
  }

  bool Done() const override { return fix_.IsSet() || gave_up_; }
  IntPoint Fix() const { return fix_; }
  // The source could not be opened, or broke off for good.
  bool Failed() const { return failed_; }

 private:
  // Since the first time the source sent, across midnight.
  int32_t Elapsed(int32_t time_of_day) {
    if (!IsSet(first_time_)) first_time_ = time_of_day;
    return ((time_of_day - first_time_) % kDayMs + kDayMs) % kDayMs;
  }

  void TakeSamples() {
    for (bool more = builder_.NewSample(); more && !Done(); more = builder_.NextSample()) {
      const LogSample sample = builder_.Sample();
      const bool in_time = !IsSet(builder_.TimeOfDay()) || Elapsed(builder_.TimeOfDay()) <= kFixSearchMs;
      if (builder_.FixQuality() > 0 && sample.position.IsSet() && in_time) fix_ = sample.position;
    }
  }

  NmeaParser parser_{false};
  ObdChannelTable no_obd_;
  SampleBuilder builder_{no_obd_};
  int32_t first_time_ = kNotSet;
  IntPoint fix_;
  bool gave_up_ = false;
  bool failed_ = false;
};

}  // namespace

std::vector<TrackCandidate> LocalTrackCandidates(TrackList& tracks) {
  std::vector<TrackCandidate> found;
  for (int32_t i = 0; i < tracks.Count(); ++i) {
    TrackProfile& track = tracks.At(i);
    int32_t error = 0;
    if (!LoadTrack(track, true, &error) || error != 0 || track.load_error != 0) continue;
    const IntPoint start = StartLineCentre(track.traps);
    if (start.IsSet()) found.push_back({ToUtf8(track.name.AsView()).Std(), start, std::string(kLocalTrackOrigin)});
  }
  return found;
}

TrackSources LocalTrackSources(TrackList& tracks) {
  TrackSources sources;
  sources.candidates = [&tracks](IntPoint) {
    tracks.Refresh();
    return LocalTrackCandidates(tracks);
  };
  sources.make_local = [](const TrackCandidate& picked) -> std::optional<std::string> {
    if (picked.origin == kLocalTrackOrigin) return picked.name;
    return std::nullopt;
  };
  return sources;
}

std::string PickedTrackText(const NearbyTrack& picked) {
  return "Track: " + picked.track.name + " (start line " + std::to_string(std::lround(picked.distance_m)) +
         (picked.track.origin == kLocalTrackOrigin ? " m away)" : " m away, from the track library)");
}

void PickTrackAtFirstFix(SessionRecorder& recorder, TrackSources sources, TrackList& tracks, Settings& settings,
                         std::function<void(const std::string&)> say) {
  recorder.SetFirstSampleHandler([&recorder, sources = std::move(sources), &tracks, &settings,
                                  say = std::move(say)](const LogSample& first) {
    const std::optional<NearbyTrack> nearest = NearestTrack(sources.candidates(first.position), first.position);
    if (!nearest) {
      say("No track starts within 1 km: laps are not timed.");
      return;
    }
    const std::optional<std::string> name = sources.make_local(nearest->track);
    // A library pick has just been saved: the list is read again to find it.
    if (name && *name != nearest->track.name) tracks.Refresh();
    const int32_t index = name ? tracks.Find(FromUtf8(*name)) : -1;
    std::ostringstream why;
    if (index < 0 || !LoadWholeTrack(tracks.At(index), why)) {
      say(why.str() + "Laps are not timed.");
      return;
    }
    SessionData& data = recorder.Data();
    data.Header().track = tracks.At(index).name;
    data.Header().changed = true;
    data.SetTraps(MakeTraps(tracks.At(index).traps));
    settings.last_track = data.Header().track;
    try {
      // Now rather than at the end: a recording cut short still reloads
      // with its track.
      SaveSessionHeader(data.Header());
    } catch (const CodeException&) {
      // The end of the recording saves the header again and reports it.
    }
    NearbyTrack shown = *nearest;
    shown.track.name = *name;
    say(PickedTrackText(shown));
  });
}

int RunTrackDetect(const TrackDetectOptions& o, std::ostream& out, std::ostream& err) {
  SourceConfig config;
  std::string error;
  if (!ParseSourceArgument(o.source, kSourceGps, &config, &error)) {
    err << error << '\n';
    return 2;
  }
  config.fast = true;  // nothing to pace for: only the first fix counts
  FirstFixWatcher watcher;
  // Whether the source ever said it connected is no guide: a short file
  // can be read to its end before the main loop hears of the connection.
  RunSource(config, kFixSearchMs / 1000, watcher);
  if (!watcher.Fix().IsSet()) {
    err << (watcher.Failed() ? "Could not reach the GPS receiver." : "No position was received.") << '\n';
    return 1;
  }
  const IntPoint fix = watcher.Fix();
  StorageContext context(o.data_dir);
  TrackList tracks(context.storage);
  const TrackSources sources = OwnAndLibraryTrackSources(tracks, LibraryServerOf(context.settings),
                                                         context.storage.DefaultRoot(), err,
                                                         TerminalHttp::Mode::kInteractive);
  const std::optional<NearbyTrack> nearest = NearestTrack(sources.candidates(fix), fix);
  const bool in_library = nearest && nearest->track.origin != kLocalTrackOrigin;
  if (o.json) {
    const GeoPoint at = ToGeoPoint(fix);
    nlohmann::json j;
    j["track"] = nearest ? nlohmann::json(nearest->track.name) : nlohmann::json();
    j["origin"] = nearest ? nlohmann::json(in_library ? "library" : "local") : nlohmann::json();
    j["distance_m"] = nearest ? JsonReal(nearest->distance_m, kMetreDecimals) : nlohmann::json();
    j["lat_deg"] = JsonReal(RadToDeg(at.lat), kDegreeDecimals);
    j["lon_deg"] = JsonReal(RadToDeg(at.lon), kDegreeDecimals);
    out << JsonText(j) << '\n';
  } else if (nearest) {
    out << PickedTrackText(*nearest) << '\n';
    // Only named here: a download is the driver's choice.
    if (in_library) out << "Add it with: korvatinel library download \"" << nearest->track.name << "\"\n";
  } else {
    out << "No track starts within 1 km of " << FixText(fix) << ".\n";
  }
  return nearest ? 0 : 1;
}

void AddTrackDetectCommand(CLI::App& track, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<TrackDetectOptions>();
  CLI::App* detect = track.add_subcommand("detect", "Name the track whose start line lies within 1 km of the first fix");
  detect
      ->add_option("SOURCE", o->source, "file:PATH, serial:DEVICE[:BAUD], bt:ADDRESS[:CHANNEL] or gpsd[:HOST[:PORT]]")
      ->required();
  detect->add_flag("--json", o->json);
  commands.Add(detect, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunTrackDetect(*o, std::cout, std::cerr);
  });
}

}  // namespace kv::app
