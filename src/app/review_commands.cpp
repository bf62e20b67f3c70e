#include "app/review_commands.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>

#include "acquisition/obd_channels.h"
#include "app/argument_checks.h"
#include "app/channels_json.h"
#include "app/command_list.h"
#include "app/json_text.h"
#include "app/session_address.h"
#include "app/storage_context.h"
#include "app/terminal_progress.h"
#include "app/terminal_views.h"
#include "storage/storage_paths.h"
#include "timing/channels.h"
#include "timing/live_figures.h"
#include "timing/result_table.h"
#include "util/display_units.h"
#include "util/errors.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

enum class MeasureKind { kOther, kSpeed, kDistance };

nlohmann::json Ms(int32_t ms) { return IsSet(ms) ? nlohmann::json(ms) : nlohmann::json(); }

double Kph(AngleValue stored) { return IsSet(stored) ? RadPerSecToKmh(StoredToSpeed(stored)) : kNoValue; }
double Metres(AngleValue d) { return IsSet(d) ? RadToMetres(AngleValueToRad(d)) : kNoValue; }

// A stored angle in degrees, rounded to 7 decimals; NaN when not set.
double Degrees7(AngleValue stored) { return IsSet(stored) ? RoundTo(stored / 6000000.0, kDegreeDecimals) : kNoValue; }

nlohmann::json LapJson(const SessionData& session, int32_t index) {
  const LapList& laps = session.Laps();
  const Lap& lap = laps.LapAt(index);
  nlohmann::json splits = nlohmann::json::object(), sectors = nlohmann::json::object(),
                 speeds = nlohmann::json::object();
  speeds[std::to_string(lap.Start().trap_index)] = JsonReal(Kph(lap.TrapSpeed(lap.Start().trap_index)), kSpeedDecimals);
  for (int32_t k = 0; k < lap.MarkCount(); ++k) {
    const int32_t trap = lap.MarkAt(k).trap_index;
    const std::string key = std::to_string(trap);
    int32_t from = -1, to = -1;
    lap.SectorBounds(trap, &from, &to);
    sectors[key] = Ms(lap.SectorTime(from, to));
    speeds[key] = JsonReal(Kph(lap.TrapSpeed(trap)), kSpeedDecimals);
    if (k < lap.SplitCount()) splits[key] = Ms(lap.SplitTime(trap));
  }
  return {{"number", index + 1},
          {"start_utc", IsoUtcOfSample(session, lap.Start().crossing_sample.time)},
          {"time_ms", Ms(lap.LapTime())},
          {"time", IsSet(lap.LapTime()) ? nlohmann::json(TimeText(lap.LapTime(), 3)) : nlohmann::json()},
          {"finished", lap.IsFinished()},
          {"invalid", lap.IsInvalid()},
          {"distance_m", JsonReal(Metres(lap.LapDistance()), kMetreDecimals)},
          {"splits_ms", splits},
          {"sectors_ms", sectors},
          {"trap_speeds_kmh", speeds},
          {"min_speed_kmh", JsonReal(Kph(lap.MinimumSpeed()), kSpeedDecimals)},
          {"max_speed_kmh", JsonReal(Kph(lap.MaximumSpeed()), kSpeedDecimals)}};
}

nlohmann::json LapNumber(int32_t index) { return index >= 0 ? nlohmann::json(index + 1) : nlohmann::json(); }

// The keys of a numeric result table's `values`, `count` of them.
nlohmann::json ResultColumns(ResultTable table, size_t count) {
  static constexpr const char* kInformation[] = {"lap_time_ms", "max_speed_kmh", "min_speed_kmh",
                                                 "average_speed_kmh", "distance_m"};
  nlohmann::json keys = nlohmann::json::array();
  for (size_t c = 0; c < count; ++c) {
    const std::string n = std::to_string(c);
    switch (table) {
      case ResultTable::kSectors:
        keys.push_back(c == 0 ? "lap_time_ms" : "sector_" + n + "_ms");
        break;
      case ResultTable::kSplits:
        keys.push_back("split_" + std::to_string(c + 1) + "_ms");
        break;
      case ResultTable::kTrapSpeeds:
        keys.push_back("trap_" + std::to_string(c + 1) + "_speed_kmh");
        break;
      default:
        keys.push_back(c < std::size(kInformation) ? kInformation[c] : "column_" + n);
        break;
    }
  }
  return keys;
}

struct Loaded {
  StorageContext context;
  std::unique_ptr<SessionData> data;
  std::unique_ptr<SessionData> other;
  explicit Loaded(const std::string& dir) : context(dir) {}
};

// More laps than a session can hold, far fewer than an int32_t.
constexpr long kMaxLapNumber = 1000000;

bool ParseSelection(const std::string& word, int32_t* selection) {
  if (word == "best") *selection = LapList::kSelectBest;
  else if (word == "optimal") *selection = LapList::kSelectOptimal;
  else {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno == ERANGE || n < 1 || n > kMaxLapNumber) return false;
    *selection = static_cast<int32_t>(n - 1);
  }
  return true;
}

// Loads the session and applies --compare; nullptr after a message, with
// *status the exit status.
std::unique_ptr<Loaded> Open(const ReviewOptions& o, std::ostream& err, int* status) {
  *status = 1;
  auto loaded = std::make_unique<Loaded>(o.data_dir);
  loaded->data = LoadNamed(loaded->context, o.session, err, status);
  if (!loaded->data) return nullptr;
  if (o.compare.empty()) return loaded;
  const size_t colon = o.compare.rfind(':');
  int32_t selection = 0;
  if (!ParseSelection(colon == std::string::npos ? o.compare : o.compare.substr(colon + 1), &selection)) {
    err << "--compare is best, optimal, a lap number, or OTHER_SESSION:best|optimal|N\n";
    return nullptr;
  }
  const auto has_lap = [&](const LapList& laps) {
    if (selection < 0 || laps.FindLap(selection) != nullptr) return true;
    err << "--compare: no lap " << selection + 1 << " in that session.\n";
    return false;
  };
  if (colon == std::string::npos) {
    if (!has_lap(loaded->data->Laps())) return nullptr;
    loaded->data->Laps().SetComparisonSelection(selection);
    return loaded;
  }
  loaded->other = LoadNamed(loaded->context, o.compare.substr(0, colon), err, status);
  if (!loaded->other || !has_lap(loaded->other->Laps())) return nullptr;
  loaded->other->Laps().SetComparisonSelection(selection);
  loaded->data->Laps().SetOtherSession(&loaded->other->Laps());
  return loaded;
}

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

}  // namespace

std::unique_ptr<SessionData> LoadNamed(StorageContext& context, const std::string& name, std::ostream& err,
                                       int* status) {
  const SessionAddress address = ResolveSession(context.storage, name, err);
  if (status != nullptr) *status = address.status == 0 ? 1 : address.status;
  if (address.status != 0) return nullptr;
  SessionLoader loader(context.storage, address.root, address.base_name,
                       LapSettingsFrom(context.settings.hilo_threshold));
  if (!LoadWithProgress(loader, err)) return nullptr;
  return loader.Take();
}

bool LoadWithProgress(SessionLoader& loader, std::ostream& progress) {
  TerminalProgress bar(Utf8(Load(kStrLoadingSession).AsView()), progress);
  while (loader.Step()) bar.Update(loader.Percent());
  bar.Done();
  if (loader.Result() == SessionLoader::Outcome::kLoaded) return true;
  if (loader.Result() == SessionLoader::Outcome::kNoSuchSession) {
    progress << "No such session.\n";
  } else if (loader.Error() == kErrOutOfMemory) {
    progress << Utf8(Load(kStrMemoryFull).AsView()) << '\n';
  } else {
    progress << Utf8(FormatN(kStrCouldNotLoadSession, loader.Error()).AsView()) << '\n';
  }
  return false;
}

nlohmann::json LapsJson(const SessionData& session) {
  const LapList& laps = session.Laps();
  nlohmann::json list = nlohmann::json::array();
  for (int32_t i = 0; i < laps.LapCount(); ++i) list.push_back(LapJson(session, i));
  return {{"session", Utf8(session.Header().base_name)},
          {"laps", list},
          {"best", LapNumber(laps.BestIndex())},
          {"previous_best", LapNumber(laps.PreviousBestIndex())},
          {"optimal_ms", Ms(laps.Optimal() != nullptr ? laps.Optimal()->LapTime() : kNotSet)},
          {"completed", laps.CompletedLaps()}};
}

void PrintLapTable(const SessionData& session, std::ostream& out, bool difference) {
  const LapList& laps = session.Laps();
  if (session.Header().type != kSessionLapTiming) {
    out << session.Samples().Count() << " samples\n";
    return;
  }
  out << Utf8(LapSummaryText(laps, 3).AsView()) << '\n';
  for (int32_t row : laps.TableRows()) {
    const Lap& lap = row == LapList::kSelectOptimal ? *laps.Optimal() : laps.LapAt(row);
    const RowMarks marks = MarksOfRow(laps, row);
    std::string name = row == LapList::kSelectOptimal ? "Optimal" : "Lap " + std::to_string(row + 1);
    const bool timed = lap.IsFinished() || lap.IsComposite();
    out << Padded(name, 8) << "  " << Padded(timed ? TimeText(lap.LapTime(), 3) : "*", 10);
    if (difference) {
      const Lap* other = laps.ComparisonLap(row);
      const bool both = timed && other != nullptr && IsSet(lap.LapTime()) && IsSet(other->LapTime());
      out << "  " << Padded(both ? TimeText(lap.LapTime() - other->LapTime(), 3, true) : "*", 9);
    }
    if (row == laps.BestIndex()) out << "  best";
    if (marks.invalid) out << "  invalid";
    const WideString note = row == LapList::kSelectOptimal ? WideString() : laps.NoteText(row);
    if (!note.IsEmpty()) out << "  \"" << Utf8(note.AsView()) << '"';
    out << '\n';
  }
}

int RunLaps(const ReviewOptions& o, std::ostream& out, std::ostream& err) {
  int status = 1;
  auto loaded = Open(o, err, &status);
  if (!loaded) return status;
  if (o.json) {
    nlohmann::json doc = LapsJson(*loaded->data);
    const Lap* comparison = loaded->data->Laps().ComparisonLap(-1);
    doc["comparison_ms"] = Ms(comparison != nullptr ? comparison->LapTime() : kNotSet);
    out << JsonText(doc, 1) << '\n';
  } else {
    PrintLapTable(*loaded->data, out, !o.compare.empty());
  }
  return 0;
}

int RunResults(const ReviewOptions& o, std::ostream& out, std::ostream& err) {
  ResultTable table;
  if (o.table == "sectors") table = ResultTable::kSectors;
  else if (o.table == "splits") table = ResultTable::kSplits;
  else if (o.table == "speeds") table = ResultTable::kTrapSpeeds;
  else if (o.table == "hilo") table = ResultTable::kHighLow;
  else if (o.table == "info") table = ResultTable::kInformation;
  else {
    err << "--table is sectors, splits, speeds, hilo or info\n";
    return 2;
  }
  const ResultsMode mode = o.mode == "difference" ? ResultsMode::kDifference : ResultsMode::kAbsolute;
  int status = 1;
  auto loaded = Open(o, err, &status);
  if (!loaded) return status;
  const LapList& laps = loaded->data->Laps();
  const Lap* reference = laps.ReferenceLap();
  // JSON keeps km/h and metres whatever the settings say.
  const DisplayUnits units =
      o.json ? DisplayUnits::kMetric : DisplayUnitsFromSetting(loaded->context.settings.units);
  const bool speed_cells = table == ResultTable::kTrapSpeeds ||
                           table == ResultTable::kInformation;  // info: lap time and distance handled by column
  nlohmann::json rows = nlohmann::json::array();
  size_t columns = 0;
  for (int32_t row : laps.TableRows()) {
    const Lap& lap = row == LapList::kSelectOptimal ? *laps.Optimal() : laps.LapAt(row);
    const std::string name = row == LapList::kSelectOptimal ? "Optimal" : std::to_string(row + 1);
    nlohmann::json cells = nlohmann::json::array(), numbers = nlohmann::json::array();
    nlohmann::json json_row = {{"lap", name}, {"number", LapNumber(row == LapList::kSelectOptimal ? -1 : row)}};
    std::string line = Padded(name, 8);
    if (table == ResultTable::kHighLow) {
      for (const ExtremeRow& e : ExtremeRows(lap)) {
        const long speed = std::lround(SpeedFromKmh(Kph(e.speed), units));
        const std::string text = std::string(e.is_high ? "Hi " : "Lo ") + std::to_string(speed) +
                                 "@" + TimeText(e.time_into_lap, 1);
        cells.push_back(text);
        numbers.push_back({{"type", e.is_high ? "high" : "low"},
                          {"speed_kmh", JsonReal(Kph(e.speed), kSpeedDecimals)},
                          {"time_into_lap_ms", Ms(e.time_into_lap)},
                          {"distance_into_lap_m", JsonReal(Metres(e.distance_into_lap), kMetreDecimals)},
                          {"lat_deg", JsonReal(Degrees7(e.position.lat), kDegreeDecimals)},
                          {"lon_deg", JsonReal(Degrees7(e.position.lon), kDegreeDecimals)}});
        line += "  " + text;
      }
      json_row["extremes"] = numbers;
    } else {
      const std::vector<ResultCell> values = ResultRow(table, lap, laps.ComparisonLap(row), reference);
      for (size_t c = 0; c < values.size(); ++c) {
        const ResultCell& cell = values[c];
        std::string text;
        if (cell.ShowsStar(mode)) {
          text = "*";
          numbers.push_back(nullptr);
        } else {
          const int32_t v = cell.Shown(mode);
          const bool is_speed = speed_cells && (table == ResultTable::kTrapSpeeds ||
                                                c == kInfoMaxSpeed || c == kInfoMinSpeed || c == kInfoAverageSpeed);
          const bool is_distance = table == ResultTable::kInformation && c == kInfoDistance;
          char buffer[32];
          if (is_speed) {
            std::snprintf(buffer, sizeof buffer, mode == ResultsMode::kDifference ? "%+.1f" : "%.1f",
                          SpeedFromKmh(Kph(v), units));
            text = buffer;
            numbers.push_back(JsonReal(Kph(v), kSpeedDecimals));
          } else if (is_distance) {
            std::snprintf(buffer, sizeof buffer, mode == ResultsMode::kDifference ? "%+.0f" : "%.0f",
                          DistanceFromMetres(Metres(v), units));
            text = buffer;
            numbers.push_back(JsonReal(Metres(v), kMetreDecimals));
          } else {
            text = TimeText(v, 3, mode == ResultsMode::kDifference);
            numbers.push_back(v);
          }
        }
        cells.push_back(text);
        line += "  " + Padded(text, 10);
      }
      if (table == ResultTable::kInformation && row != LapList::kSelectOptimal) {
        const WideString note = laps.NoteText(row);
        cells.push_back(Utf8(note.AsView()));
        json_row["note"] = Utf8(note.AsView());
        if (!note.IsEmpty()) line += "  " + Utf8(note.AsView());
      }
      json_row["values"] = numbers;
      columns = std::max(columns, numbers.size());
    }
    json_row["cells"] = cells;
    rows.push_back(std::move(json_row));
    if (!o.json) out << line << '\n';
  }
  if (o.json)
    out << JsonText(nlohmann::json({{"table", o.table}, {"mode", o.mode}, {"columns", ResultColumns(table, columns)},
                                    {"rows", rows}}),
                    1)
        << '\n';
  return 0;
}

int RunNote(const ReviewOptions& o, std::ostream& out, std::ostream& err) {
  int status = 1;
  auto loaded = Open(o, err, &status);
  if (!loaded) return status;
  SessionData& data = *loaded->data;
  LapList& laps = data.Laps();
  const int32_t index = o.lap - 1;
  if (laps.FindLap(index) == nullptr) {
    err << "No lap " << o.lap << " in this session.\n";
    return 1;
  }
  if (o.invalid || o.valid) laps.SetInvalid(index, o.invalid);
  if (o.has_text) data.Notes().SetText(laps.LapAt(index).Window(), FromUtf8(o.text));
  try {
    SaveSessionHeader(data.Header());
  } catch (const CodeException& e) {
    err << Utf8(FormatN(kStrErrorNumber, e.code).AsView()) << '\n';
    return 1;
  }
  laps.ComputeResults();
  PrintLapTable(data, out);
  return 0;
}

int RunChannels(const ReviewOptions& o, std::ostream& out, std::ostream& err) {
  int status = 1;
  auto loaded = Open(o, err, &status);
  if (!loaded) return status;
  const SessionData& data = *loaded->data;
  const SampleList& samples = data.Samples();
  int32_t first = 0, last = samples.Count() - 1;
  ChannelReference reference = ReferenceAt(samples, 0);
  if (o.lap > 0) {
    const Lap* lap = data.Laps().FindLap(o.lap - 1);
    if (lap == nullptr) {
      err << "No lap " << o.lap << " in this session.\n";
      return 1;
    }
    first = std::max(0, lap->Start().sample_index - 1);
    last = lap->LastSampleIndex();
    const LogSample& start = lap->Start().crossing_sample;
    reference.time = start.time;
    reference.distance = start.distance;
    reference.position = start.position;
  }
  if (o.json) {
    WriteChannelsJson(data, first, last, reference, out);
    return 0;
  }
  const ObdSeries obd(data.ObdRecords());
  const std::vector<int32_t> obd_channels = obd.Channels();
  std::vector<std::string> names;
  // Speeds and distances in the units of the settings, each such column
  // with its unit in the header (JSON above keeps the channels' own units).
  std::vector<MeasureKind> kinds;
  for (int32_t c = 0; c < kGpsChannelCount; ++c) {
    names.push_back(Utf8(ChannelName(c).AsView()));
    kinds.push_back(c == kChGpsSpeed ? MeasureKind::kSpeed
                    : c == kChDistance || c == kChDirectDistance || c == kChAltitude ? MeasureKind::kDistance
                                                                                       : MeasureKind::kOther);
  }
  names.push_back("Latitude");
  names.push_back("Longitude");
  kinds.insert(kinds.end(), 2, MeasureKind::kOther);
  const ObdChannelTable obd_table;
  for (int32_t c : obd_channels) {
    names.push_back(Utf8(ChannelName(c).AsView()));
    const ObdChannel* known = obd_table.Lookup(c);
    const int32_t unit = known != nullptr ? known->unit_kind : 0;
    kinds.push_back(unit == kUnitSpeed ? MeasureKind::kSpeed
                    : unit == kUnitDistance ? MeasureKind::kDistance
                                            : MeasureKind::kOther);
  }
  const DisplayUnits units = DisplayUnitsFromSetting(loaded->context.settings.units);
  for (size_t i = 0; i < names.size(); ++i) {
    if (kinds[i] == MeasureKind::kSpeed) names[i] += std::string(" (") + SpeedUnitText(units) + ")";
    if (kinds[i] == MeasureKind::kDistance) names[i] += std::string(" (") + DistanceUnitText(units) + ")";
  }
  for (size_t i = 0; i < names.size(); ++i) out << (i ? "\t" : "") << names[i];
  out << '\n';
  for (int32_t i = first; i <= last; ++i) {
    std::string line;
    size_t column = 0;
    const auto add = [&](double v, const char* format = "%.6g") {
      const MeasureKind kind = kinds[column];
      if (kind == MeasureKind::kSpeed) v = SpeedFromMps(v, units);
      if (kind == MeasureKind::kDistance) v = DistanceFromMetres(v, units);
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, format, v);
      if (column++ > 0) line += '\t';
      if (IsSet(v)) line += buffer;
    };
    for (int32_t c = 0; c < kGpsChannelCount; ++c) {
      double v = kNoValue;
      GpsChannelValue(samples, c, i, reference, &v);
      add(v);
    }
    // 7 decimals of a degree: 1 cm, finer than any receiver.
    add(Degrees7(samples[i].position.lat), "%.7f");
    add(Degrees7(samples[i].position.lon), "%.7f");
    for (int32_t c : obd_channels) add(obd.ValueAt(c, samples[i].time));
    out << line << '\n';
  }
  return 0;
}

void AddReviewCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<ReviewOptions>();
  const auto bind = [o, &globals](int (*run)(const ReviewOptions&, std::ostream&, std::ostream&)) {
    return [o, &globals, run] {
      o->data_dir = globals.data_dir;
      return run(*o, std::cout, std::cerr);
    };
  };
  const std::string compare_help = "best, optimal, a lap number, or OTHER_SESSION:best|optimal|N";
  const CLI::Validator comparison = Accepts(
      [](const std::string& text) {
        int32_t selection = 0;
        const size_t colon = text.rfind(':');
        return (colon == std::string::npos || colon > 0) &&
               ParseSelection(colon == std::string::npos ? text : text.substr(colon + 1), &selection);
      },
      compare_help);
  CLI::App* laps = cli.add_subcommand("laps", "The lap table of a session");
  laps->add_option("SESSION", o->session, kSessionAddressHelp)->required();
  laps->add_flag("--json", o->json);
  laps->add_option("--compare", o->compare, compare_help)->check(comparison);
  commands.Add(laps, bind(RunLaps));
  CLI::App* results = cli.add_subcommand("results", "A result table of a session (\"*\": no value)");
  results->add_option("SESSION", o->session, kSessionAddressHelp)->required();
  results->add_option("--table", o->table, "sectors, splits, speeds, hilo or info")
      ->required()
      ->check(CLI::IsMember({"sectors", "splits", "speeds", "hilo", "info"}));
  results->add_option("--mode", o->mode, "absolute or difference")->check(CLI::IsMember({"absolute", "difference"}));
  results->add_option("--compare", o->compare, compare_help)->check(comparison);
  results->add_flag("--json", o->json);
  commands.Add(results, bind(RunResults));
  CLI::App* note = cli.add_subcommand("note", "Mark a lap invalid or valid, or set its note");
  note->add_option("SESSION", o->session, kSessionAddressHelp)->required();
  note->add_option("LAP", o->lap)->required()->check(WholeWithin(1, kMaxLapNumber));
  CLI::Option* invalid = note->add_flag("--invalid", o->invalid, "Mark as invalid");
  note->add_flag("--valid", o->valid)->excludes(invalid);
  note->add_option("--text", o->text)->each([o](const std::string&) { o->has_text = true; });
  commands.Add(note, bind(RunNote));
  CLI::App* channels = cli.add_subcommand("channels", "Every channel of every sample (for graphs)");
  channels->add_option("SESSION", o->session, kSessionAddressHelp)->required();
  channels->add_option("--lap", o->lap, "Only this lap, measured from its start")
      ->check(WholeWithin(1, kMaxLapNumber));
  channels->add_flag("--json", o->json);
  commands.Add(channels, bind(RunChannels));
}

}  // namespace kv::app
