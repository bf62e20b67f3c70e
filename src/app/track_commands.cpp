#include "app/track_commands.h"

#include <array>
#include <cmath>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/json_text.h"
#include "app/storage_context.h"
#include "exchange/track_import.h"
#include "storage/session_header.h"
#include "storage/track_list.h"
#include "timing/geodesy.h"
#include "timing/trap.h"
#include "util/errors.h"
#include "util/string_table.h"
#include "util/text_compare.h"
#include "util/text_parse.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

constexpr std::array<const char*, 5> kTypeWords = {"disabled", "start", "finish", "start-finish", "split"};
constexpr double kAngleUnitsPerDegree = 6000000.0;

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

// A track the user named: the profile in the list, or null after telling
// the user (there is no message of ours for a name that is not there, so
// the name alone is reported).
TrackProfile* FindTrack(TrackList& list, const std::string& name, std::ostream& err) {
  const int32_t index = list.Find(FromUtf8(name));
  if (index < 0) {
    err << "No such track: " << name << '\n';
    return nullptr;
  }
  return &list.At(index);
}

}  // namespace

bool LoadWholeTrack(TrackProfile& track, std::ostream& err) {
  int32_t error = 0;
  const bool opened = LoadTrack(track, true, &error);
  if (opened && error == 0 && track.load_error == 0) return true;
  err << "The track " << ToUtf8(track.name.AsView()).Std() << " is " << FileErrorText(track.load_error) << ".\n";
  return false;
}

namespace {

nlohmann::json Degrees(AngleValue value) {
  return IsSet(value) ? JsonReal(value / kAngleUnitsPerDegree, kDegreeDecimals) : nlohmann::json();
}

nlohmann::json PointJson(const IntPoint& p) { return {{"lat_deg", Degrees(p.lat)}, {"lon_deg", Degrees(p.lon)}}; }

nlohmann::json TrapJson(const Trap& trap) {
  nlohmann::json j;
  j["name"] = Utf8(trap.name);
  const auto type = static_cast<size_t>(trap.line_type);
  j["type"] = type < kTypeWords.size() ? kTypeWords[type] : "disabled";
  j["lat_deg"] = Degrees(trap.position.lat);
  j["lon_deg"] = Degrees(trap.position.lon);
  j["bearing_deg"] = IsSet(trap.bearing) ? JsonReal(BearingToDegrees(trap.bearing), kAngleDecimals) : nlohmann::json();
  j["width_m"] = IsSet(trap.width) ? JsonReal(RadToMetres(trap.width), kMetreDecimals) : nlohmann::json();
  j["one_way"] = trap.unidirectional != 0;
  j["end_a"] = PointJson(trap.end_a);
  j["end_b"] = PointJson(trap.end_b);
  return j;
}

bool ParsePosition(const std::string& text, IntPoint* position) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) return false;
  const ParseResult<double> lat = TextToReal(std::string_view(text).substr(0, comma), u'.');
  const ParseResult<double> lon = TextToReal(std::string_view(text).substr(comma + 1), u'.');
  if (!lat.ok || !lon.ok || std::fabs(lat.value) > 90.0 || std::fabs(lon.value) > 180.0) return false;
  position->lat = static_cast<AngleValue>(std::lround(lat.value * kAngleUnitsPerDegree));
  position->lon = static_cast<AngleValue>(std::lround(lon.value * kAngleUnitsPerDegree));
  return true;
}

// Runs a command body; fatal codes from the file layer end it with the
// track save message.
template <typename Body>
int Guarded(std::ostream& err, Body body) {
  try {
    return body();
  } catch (const CodeException& e) {
    PrintLine(err, FormatN(kStrCouldNotSaveTrack, e.code));
    return 1;
  }
}

int SessionsUsing(const std::vector<SessionHeader>& sessions, const WideString& track) {
  int count = 0;
  for (const SessionHeader& s : sessions)
    if (s.track == track) ++count;
  return count;
}

}  // namespace

int RunTrackCreate(const TrackCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  return Guarded(err, [&] {
    StorageContext context(o.data_dir);
    TrackList list(context.storage);
    list.Refresh();
    const int32_t message = list.Create(FromUtf8(o.name), context.RootForNewFiles(), o.lock ? 1 : 0);
    if (message != 0) {
      PrintLine(err, Load(message));
      return 1;
    }
    return 0;
  });
}

int RunTrackAdd(const TrackCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  return Guarded(err, [&] {
    int32_t type = -1;
    for (size_t i = 0; i < kTypeWords.size(); ++i)
      if (o.type == kTypeWords[i]) type = static_cast<int32_t>(i);
    IntPoint position;
    if (type < 0 || !ParsePosition(o.at, &position) || !(o.width_m > 0.0)) {
      err << "Expected --type start|finish|start-finish|split|disabled, --at LAT,LON and a width above 0\n";
      return 2;
    }
    StorageContext context(o.data_dir);
    TrackList list(context.storage);
    list.Refresh();
    TrackProfile* track = FindTrack(list, o.name, err);
    if (track == nullptr || !LoadWholeTrack(*track, err)) return 1;
    const auto line_type = static_cast<TrapLineType>(type);
    const WideString name = o.trap_name.empty() ? DefaultTrapName(line_type) : FromUtf8(o.trap_name);
    Trap trap;
    SetTrap(trap, name, line_type, position, DegToRad(o.bearing_deg), MetresToRad(o.width_m), !o.both_ways);
    track->traps.Append(trap);
    track->changed = true;
    SaveTrack(*track);
    return 0;
  });
}

int RunTrackImport(const TrackCommandOptions& o, std::ostream& out, std::ostream& err) {
  return Guarded(err, [&] {
    TrackImportFormat format;
    if (!ImportFormatOf(o.file, &format)) {
      PrintLine(err, Load(kStrNoFilesSelected));
      return 2;
    }
    StorageContext context(o.data_dir);
    TrackList list(context.storage);
    list.Refresh();
    TrackProfile profile;
    profile.name = FromUtf8(o.name);
    const int32_t message = list.CheckName(profile.name);
    if (message != 0) {
      PrintLine(err, Load(message));
      return 1;
    }
    profile.root = context.RootForNewFiles();
    profile.lock = o.lock ? 1 : 0;
    const int32_t result = ImportTrackFile(o.file, format, profile);
    if (result != 0) {
      PrintLine(err, FormatN(kStrCouldNotImport, result));
      return 1;
    }
    list.Add(std::move(profile));
    PrintLine(out, Load(kStrImportSuccessful));
    return 0;
  });
}

int RunTrackList(const TrackCommandOptions& o, std::ostream& out, std::ostream& err) {
  return Guarded(err, [&] {
    StorageContext context(o.data_dir);
    TrackList list(context.storage);
    list.Refresh();
    const std::vector<SessionHeader> sessions = ListSessions(context.storage);
    if (o.json) {
      nlohmann::json tracks = nlohmann::json::array();
      for (int32_t i = 0; i < list.Count(); ++i) {
        const TrackProfile& t = list.At(i);
        tracks.push_back({{"name", Utf8(t.name)},
                          {"traps", t.trap_count},
                          {"sessions", SessionsUsing(sessions, t.name)},
                          {"storage", t.root},
                          {"damaged", t.load_error != 0 ? nlohmann::json(FileErrorText(t.load_error)) : nlohmann::json()}});
      }
      out << JsonText(tracks) << '\n';
      return 0;
    }
    PrintLine(out, FormatN(kStrTrackCount, list.Count()));
    for (int32_t i = 0; i < list.Count(); ++i) {
      const TrackProfile& t = list.At(i);
      out << Utf8(t.name) << ": " << Utf8(FormatNN(kStrTrackSubtitle, SessionsUsing(sessions, t.name), t.trap_count));
      if (t.load_error != 0) out << "  (" << FileErrorText(t.load_error) << ")";
      out << '\n';
    }
    return 0;
  });
}

int RunTrackShow(const TrackCommandOptions& o, std::ostream& out, std::ostream& err) {
  return Guarded(err, [&] {
    StorageContext context(o.data_dir);
    TrackList list(context.storage);
    list.Refresh();
    TrackProfile* track = FindTrack(list, o.name, err);
    if (track == nullptr || !LoadWholeTrack(*track, err)) return 1;
    nlohmann::json j;
    j["name"] = Utf8(track->name);
    j["locked"] = track->lock != 0;
    j["traps"] = nlohmann::json::array();
    for (const TrapDefinition& trap : track->traps) j["traps"].push_back(TrapJson(MakeTrap(trap)));
    if (o.json) {
      out << JsonText(j) << '\n';
      return 0;
    }
    out << j["name"].get<std::string>() << (track->lock ? " (" + Utf8(Load(kStrLockTraps)) + ")" : "") << '\n';
    for (const auto& trap : j["traps"])
      out << "  " << trap["type"].get<std::string>() << ' ' << trap["name"].get<std::string>() << " at "
          << JsonText(trap["lat_deg"]) << ',' << JsonText(trap["lon_deg"]) << " bearing " << JsonText(trap["bearing_deg"])
          << " width " << JsonText(trap["width_m"]) << (trap["one_way"].get<bool>() ? " one-way" : "") << '\n';
    return 0;
  });
}

int RunTrackRename(const TrackCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  return Guarded(err, [&] {
    StorageContext context(o.data_dir);
    TrackList list(context.storage);
    list.Refresh();
    const int32_t index = list.Find(FromUtf8(o.name));
    if (index < 0) {
      err << "No such track: " << o.name << '\n';
      return 1;
    }
    const int32_t result = list.Rename(index, FromUtf8(o.new_name), list.At(index).lock);
    if (result > 0) {
      PrintLine(err, Load(result));
      return 1;
    }
    if (result < 0) {
      PrintLine(err, FormatN(kStrCouldNotSaveTrack, kErrCannotOpen));
      return 1;
    }
    return 0;
  });
}

int RunTrackDelete(const TrackCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  return Guarded(err, [&] {
    StorageContext context(o.data_dir);
    TrackList list(context.storage);
    list.Refresh();
    const int32_t index = list.Find(FromUtf8(o.name));
    if (index < 0) {
      err << "No such track: " << o.name << '\n';
      return 1;
    }
    // A session keeps only the track's name: without the track its laps
    // can no longer be timed again.
    std::string users;
    int32_t count = 0;
    for (const SessionHeader& s : ListSessions(context.storage)) {
      if (!EqualNoCase(s.track, list.At(index).name)) continue;
      users += (count++ == 0 ? "" : ", ") + Utf8(s.base_name);
    }
    if (count > 0 && !o.force) {
      err << "The track " << Utf8(list.At(index).name) << " is used by " << count
          << (count == 1 ? " session: " : " sessions: ") << users << ". Give --force to delete it anyway.\n";
      return 1;
    }
    if (!list.Delete(index)) {
      PrintLine(err, FormatN(kStrErrorNumber, kErrCannotOpen));
      return 1;
    }
    return 0;
  });
}

void AddTrackCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<TrackCommandOptions>();
  CLI::App* track = cli.add_subcommand("track", "Track profiles: the timing lines of a circuit");
  track->require_subcommand(1);
  const auto add = [&](CLI::App* command, int (*run)(const TrackCommandOptions&, std::ostream&, std::ostream&)) {
    commands.Add(command, [o, &globals, run] {
      o->data_dir = globals.data_dir;
      return run(*o, std::cout, std::cerr);
    });
  };

  CLI::App* create = track->add_subcommand("create", "Create an empty track profile");
  create->add_option("NAME", o->name)->required()->check(FileName());
  create->add_flag("--lock", o->lock, "Lock traps");
  add(create, RunTrackCreate);

  CLI::App* trap = track->add_subcommand("add", "Add a timing line to a track");
  trap->add_option("NAME", o->name)->required();
  trap->add_option("--type", o->type, "start|finish|start-finish|split|disabled")
      ->required()
      ->check(CLI::IsMember(std::vector<std::string>(kTypeWords.begin(), kTypeWords.end())));
  trap->add_option("--at", o->at, "Centre as LAT,LON in signed decimal degrees")
      ->required()
      ->check(Accepts([](const std::string& text) { IntPoint p; return ParsePosition(text, &p); },
                      "LAT,LON in degrees, -90..90 and -180..180"));
  trap->add_option("--bearing", o->bearing_deg, "Direction of travel in degrees from north")
      ->required()
      ->check(RealWithin(0.0, 360.0));
  trap->add_option("--width", o->width_m, "Line width in metres (50)")->check(RealWithin(0.0, 1000.0, true));
  trap->add_flag("--both-ways", o->both_ways, "Count crossings in both directions");
  trap->add_option("--name", o->trap_name, "Name of the line (default by type)");
  add(trap, RunTrackAdd);

  CLI::App* import = track->add_subcommand("import", "Import a .DSF or .LAP track file");
  import->add_option("FILE", o->file)->required()->check(CLI::ExistingFile);
  import->add_option("--name", o->name, "Track name")->required()->check(FileName());
  import->add_flag("--lock", o->lock, "Lock traps");
  add(import, RunTrackImport);

  CLI::App* list = track->add_subcommand("list", "List the tracks of every storage medium");
  list->add_flag("--json", o->json);
  add(list, RunTrackList);

  CLI::App* show = track->add_subcommand("show", "Show a track's timing lines");
  show->add_option("NAME", o->name)->required();
  show->add_flag("--json", o->json);
  add(show, RunTrackShow);

  CLI::App* rename = track->add_subcommand("rename", "Rename a track and the sessions that use it");
  rename->add_option("OLD", o->name)->required();
  rename->add_option("NEW", o->new_name)->required()->check(FileName());
  add(rename, RunTrackRename);

  CLI::App* remove = track->add_subcommand("delete", "Delete a track profile");
  remove->add_option("NAME", o->name)->required();
  remove->add_flag("--force", o->force, "Delete it even when sessions use it");
  add(remove, RunTrackDelete);
}

}  // namespace kv::app
