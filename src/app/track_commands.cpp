#include "app/track_commands.h"

#include <array>
#include <cmath>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/json_text.h"
#include "app/storage_context.h"
#include "core/lat_lon_text.h"
#include "app/track_detection.h"
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
  return IsSet(value) ? JsonReal(value / kAngleValuesPerDegree, kDegreeDecimals) : nlohmann::json();
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
  const std::optional<IntPoint> parsed = ParseLatLon(text);
  if (parsed) *position = *parsed;
  return parsed.has_value();
}

// A line is wider than nothing and at most this (the --width limit too).
constexpr double kMaxLineWidthMetres = 1000.0;
constexpr const char* kPlacementUsage =
    "Give either --at LAT,LON with --bearing DEG, or --from LAT,LON with --to LAT,LON\n";

// Where a command puts a line. The width is not set when neither --width
// nor two points gave one.
struct Placement {
  IntPoint position;
  double bearing = kNoValue;  // radians
  double width = kNoValue;    // central angle
};

// From --at/--bearing, or across the track from --from to --to: centred on
// the great-circle midpoint, as wide as the points are apart, and crossed
// 90 degrees clockwise from the from -> to direction, so --from is end A
// of the line as a .LAP file gives its ends. False after telling the user
// (a usage error).
bool PlaceLine(const TrackCommandOptions& o, Placement* placed, std::ostream& err) {
  const bool at_form = !o.at.empty() || !std::isnan(o.bearing_deg);
  const bool ends_form = !o.from.empty() || !o.to.empty();
  if (at_form == ends_form) {
    err << kPlacementUsage;
    return false;
  }
  if (at_form) {
    if (!ParsePosition(o.at, &placed->position) || std::isnan(o.bearing_deg)) {
      err << kPlacementUsage;
      return false;
    }
    placed->bearing = NormaliseAngle(DegToRad(o.bearing_deg));
  } else {
    IntPoint from, to;
    if (!ParsePosition(o.from, &from) || !ParsePosition(o.to, &to)) {
      err << kPlacementUsage;
      return false;
    }
    const GeoPoint a = ToGeoPoint(from), b = ToGeoPoint(to);
    const double apart = Distance(a, b);
    if (!(apart > 0.0) || RadToMetres(apart) > kMaxLineWidthMetres) {
      err << "--from and --to are " << RadToMetres(apart) << " m apart; a line must be wider than 0 and at most "
          << kMaxLineWidthMetres << " m\n";
      return false;
    }
    const double along = Bearing(a, b);
    GeoPoint middle = DestinationPoint(a, apart * 0.5, along);
    middle.lon = NormaliseAngle(middle.lon);  // a line across the 180th meridian
    placed->position = ToIntPoint(middle);
    placed->bearing = NormaliseAngle(along + kPi * 0.5);
    placed->width = apart;
  }
  if (!(o.width_m >= 0.0 && o.width_m <= kMaxLineWidthMetres)) {
    err << "--width must be above 0 and at most " << kMaxLineWidthMetres << " m\n";
    return false;
  }
  if (o.width_m > 0.0) placed->width = MetresToRad(o.width_m);
  return true;
}

// The index of the line the user named: a number from 1 as `track show`
// lists it (digits are always a number), else a name ignoring case. -1
// after telling the user; *status 1 for none such, 2 for a name that
// several lines share.
int32_t FindLine(const TrackProfile& track, const std::string& line, std::ostream& err, int* status) {
  const TrapDefinitionList& traps = track.traps;
  *status = 1;
  if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
    const size_t digits = line.find_first_not_of('0');
    const std::string number = digits == std::string::npos ? "0" : line.substr(digits);
    if (number.size() <= 9 && std::stol(number) >= 1 && std::stol(number) <= traps.Count())
      return static_cast<int32_t>(std::stol(number) - 1);
    err << "The track " << Utf8(track.name) << " has no line " << line << " (it has " << traps.Count()
        << (traps.Count() == 1 ? " line)\n" : " lines)\n");
    return -1;
  }
  std::vector<int32_t> found;
  for (int32_t i = 0; i < traps.Count(); ++i)
    if (EqualNoCase(traps[i].name.AsView(), FromUtf8(line).AsView())) found.push_back(i);
  if (found.size() == 1) return found[0];
  if (found.empty()) {
    err << "The track " << Utf8(track.name) << " has no line named " << line << '\n';
    return -1;
  }
  err << "\"" << line << "\" names " << found.size() << " lines; give the number of one:\n";
  for (int32_t i : found) err << "  " << i + 1 << ' ' << Utf8(traps[i].name) << '\n';
  *status = 2;
  return -1;
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

// The sessions that name the track, as "1 session: NAME" or "N sessions:
// A, B"; empty when none does. A session keeps only the track's name, and
// its laps are timed from the track's lines whenever it is loaded.
std::string SessionsNaming(const StorageContext& context, const WideString& track) {
  std::string users;
  int32_t count = 0;
  for (const SessionHeader& s : ListSessions(context.storage)) {
    if (!EqualNoCase(s.track, track)) continue;
    users += (count++ == 0 ? "" : ", ") + Utf8(s.base_name);
  }
  if (count == 0) return {};
  return std::to_string(count) + (count == 1 ? " session: " : " sessions: ") + users;
}

// Finds the named line of the named track and, unless sessions depend on
// the track and --force was not given, changes it with edit(traps, index)
// and saves the track.
template <typename Edit>
int EditLine(const TrackCommandOptions& o, std::ostream& err, Edit edit) {
  return Guarded(err, [&] {
    StorageContext context(o.data_dir);
    TrackList list(context.storage);
    list.Refresh();
    TrackProfile* track = FindTrack(list, o.name, err);
    if (track == nullptr || !LoadWholeTrack(*track, err)) return 1;
    int status = 1;
    const int32_t index = FindLine(*track, o.line, err, &status);
    if (index < 0) return status;
    const std::string users = SessionsNaming(context, track->name);
    if (!users.empty() && !o.force) {
      err << "The track " << Utf8(track->name) << " is used by " << users
          << ". Their laps would be timed from the changed lines; give --force to change it anyway.\n";
      return 1;
    }
    edit(track->traps, index);
    track->changed = true;
    SaveTrack(*track);
    return 0;
  });
}

// --at/--bearing, --from/--to and --width of the commands that place a line.
void AddPlacementOptions(CLI::App* command, TrackCommandOptions& o, const std::string& width_help) {
  const auto position = Accepts([](const std::string& text) { IntPoint p; return ParsePosition(text, &p); },
                                "LAT,LON in degrees, -90..90 and -180..180");
  command->add_option("--at", o.at, "Centre as LAT,LON in signed decimal degrees (with --bearing)")->check(position);
  command->add_option("--bearing", o.bearing_deg, "Direction of travel in degrees from north (with --at)")
      ->check(RealWithin(0.0, 360.0));
  command->add_option("--from", o.from, "Instead of --at/--bearing: one end of the line as LAT,LON, on the "
                                        "driver's right; the direction of travel is 90 degrees clockwise "
                                        "from --from towards --to")
      ->check(position);
  command->add_option("--to", o.to, "The other end, on the driver's left")->check(position);
  command->add_option("--width", o.width_m, width_help)->check(RealWithin(0.0, kMaxLineWidthMetres, true));
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
    if (type < 0) {
      err << "Expected --type start|finish|start-finish|split|disabled\n";
      return 2;
    }
    Placement placed;
    if (!PlaceLine(o, &placed, err)) return 2;
    if (!IsSet(placed.width)) placed.width = MetresToRad(kNewTrapWidthMetres);
    StorageContext context(o.data_dir);
    TrackList list(context.storage);
    list.Refresh();
    TrackProfile* track = FindTrack(list, o.name, err);
    if (track == nullptr || !LoadWholeTrack(*track, err)) return 1;
    const auto line_type = static_cast<TrapLineType>(type);
    const WideString name = o.trap_name.empty() ? DefaultTrapName(line_type) : FromUtf8(o.trap_name);
    Trap trap;
    SetTrap(trap, name, line_type, placed.position, placed.bearing, placed.width, !o.both_ways);
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
    int32_t number = 0;
    for (const auto& trap : j["traps"])
      out << "  " << ++number << ' ' << trap["type"].get<std::string>() << ' ' << trap["name"].get<std::string>() << " at "
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
    // Without the track those sessions' laps can no longer be timed again.
    const std::string users = SessionsNaming(context, list.At(index).name);
    if (!users.empty() && !o.force) {
      err << "The track " << Utf8(list.At(index).name) << " is used by " << users
          << ". Give --force to delete it anyway.\n";
      return 1;
    }
    if (!list.Delete(index)) {
      PrintLine(err, FormatN(kStrErrorNumber, kErrCannotOpen));
      return 1;
    }
    return 0;
  });
}

int RunTrackLineRemove(const TrackCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  return EditLine(o, err, [](TrapDefinitionList& traps, int32_t index) { traps.RemoveAt(index); });
}

int RunTrackLineMove(const TrackCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  Placement placed;
  if (!PlaceLine(o, &placed, err)) return 2;
  return EditLine(o, err, [&](TrapDefinitionList& traps, int32_t index) {
    TrapDefinition& trap = traps[index];
    trap.position = placed.position;
    trap.bearing = placed.bearing;
    if (IsSet(placed.width)) trap.width = placed.width;
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
  AddPlacementOptions(trap, *o, "Line width in metres (50; with --from/--to their distance)");
  trap->add_flag("--both-ways", o->both_ways, "Count crossings in both directions");
  trap->add_option("--name", o->trap_name, "Name of the line (default by type)");
  add(trap, RunTrackAdd);

  CLI::App* line = track->add_subcommand("line", "Move or remove a timing line of a track");
  line->require_subcommand(1);
  CLI::App* move = line->add_subcommand("move", "Put a line somewhere else (its type, name and direction rule stay)");
  move->add_option("NAME", o->name)->required();
  move->add_option("LINE", o->line, "The line's number as track show lists it, or its name")->required();
  AddPlacementOptions(move, *o, "Line width in metres (default: with --from/--to their distance, else unchanged)");
  move->add_flag("--force", o->force, "Change it even when sessions use the track");
  add(move, RunTrackLineMove);
  CLI::App* drop = line->add_subcommand("remove", "Remove a line from a track");
  drop->add_option("NAME", o->name)->required();
  drop->add_option("LINE", o->line, "The line's number as track show lists it, or its name")->required();
  drop->add_flag("--force", o->force, "Remove it even when sessions use the track");
  add(drop, RunTrackLineRemove);

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

  AddTrackDetectCommand(*track, globals, commands);

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
