#include "app/review_commands.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>

#include "app/argument_checks.h"
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
#include "util/errors.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

nlohmann::json Ms(int32_t ms) { return IsSet(ms) ? nlohmann::json(ms) : nlohmann::json(); }

double Kph(AngleValue stored) { return IsSet(stored) ? RadPerSecToKmh(StoredToSpeed(stored)) : kNoValue; }
double Metres(AngleValue d) { return IsSet(d) ? RadToMetres(AngleValueToRad(d)) : kNoValue; }

// Rounded to what the figures can claim (0.01 km/h, 1 cm), so that golden
// files do not depend on the last bit of a double.
nlohmann::json Rounded(double v) {
  if (!IsSet(v)) return nullptr;
  return std::round(v * 100.0) / 100.0;
}

// A stored angle in degrees, rounded to 7 decimals; NaN when not set.
double Degrees7(AngleValue stored) {
  return IsSet(stored) ? std::round(stored / 6000000.0 * 1e7) / 1e7 : kNoValue;
}

nlohmann::json LapJson(const LapList& laps, int32_t index) {
  const Lap& lap = laps.LapAt(index);
  nlohmann::json splits = nlohmann::json::object(), sectors = nlohmann::json::object(),
                 speeds = nlohmann::json::object();
  speeds[std::to_string(lap.Start().trap_index)] = Rounded(Kph(lap.TrapSpeed(lap.Start().trap_index)));
  for (int32_t k = 0; k < lap.MarkCount(); ++k) {
    const int32_t trap = lap.MarkAt(k).trap_index;
    const std::string key = std::to_string(trap);
    int32_t from = -1, to = -1;
    lap.SectorBounds(trap, &from, &to);
    sectors[key] = Ms(lap.SectorTime(from, to));
    speeds[key] = Rounded(Kph(lap.TrapSpeed(trap)));
    if (k < lap.SplitCount()) splits[key] = Ms(lap.SplitTime(trap));
  }
  return {{"number", index + 1},
          {"time_ms", Ms(lap.LapTime())},
          {"finished", lap.IsFinished()},
          {"invalid", lap.IsInvalid()},
          {"distance_m", Rounded(Metres(lap.LapDistance()))},
          {"splits_ms", splits},
          {"sectors_ms", sectors},
          {"trap_speeds_kph", speeds},
          {"min_kph", Rounded(Kph(lap.MinimumSpeed()))},
          {"max_kph", Rounded(Kph(lap.MaximumSpeed()))}};
}

nlohmann::json LapNumber(int32_t index) { return index >= 0 ? nlohmann::json(index + 1) : nlohmann::json(); }

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
  for (int32_t i = 0; i < laps.LapCount(); ++i) list.push_back(LapJson(laps, i));
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
  const bool speed_cells = table == ResultTable::kTrapSpeeds ||
                           table == ResultTable::kInformation;  // info: lap time and distance handled by column
  nlohmann::json rows = nlohmann::json::array();
  for (int32_t row : laps.TableRows()) {
    const Lap& lap = row == LapList::kSelectOptimal ? *laps.Optimal() : laps.LapAt(row);
    const std::string name = row == LapList::kSelectOptimal ? "Optimal" : std::to_string(row + 1);
    nlohmann::json cells = nlohmann::json::array();
    std::string line = Padded(name, 8);
    if (table == ResultTable::kHighLow) {
      for (const ExtremeRow& e : ExtremeRows(lap)) {
        const std::string text = std::string(e.is_high ? "Hi " : "Lo ") + std::to_string(std::lround(Kph(e.speed))) +
                                 "@" + TimeText(e.time_into_lap, 1);
        cells.push_back(text);
        line += "  " + text;
      }
    } else {
      const std::vector<ResultCell> values = ResultRow(table, lap, laps.ComparisonLap(row), reference);
      for (size_t c = 0; c < values.size(); ++c) {
        const ResultCell& cell = values[c];
        std::string text;
        if (cell.ShowsStar(mode)) {
          text = "*";
        } else {
          const int32_t v = cell.Shown(mode);
          const bool is_speed = speed_cells && (table == ResultTable::kTrapSpeeds ||
                                                c == kInfoMaxSpeed || c == kInfoMinSpeed || c == kInfoAverageSpeed);
          const bool is_distance = table == ResultTable::kInformation && c == kInfoDistance;
          char buffer[32];
          if (is_speed) {
            std::snprintf(buffer, sizeof buffer, mode == ResultsMode::kDifference ? "%+.1f" : "%.1f", Kph(v));
            text = buffer;
          } else if (is_distance) {
            std::snprintf(buffer, sizeof buffer, mode == ResultsMode::kDifference ? "%+.0f" : "%.0f", Metres(v));
            text = buffer;
          } else {
            text = TimeText(v, 3, mode == ResultsMode::kDifference);
          }
        }
        cells.push_back(text);
        line += "  " + Padded(text, 10);
      }
      if (table == ResultTable::kInformation && row != LapList::kSelectOptimal) {
        const WideString note = laps.NoteText(row);
        cells.push_back(Utf8(note.AsView()));
        if (!note.IsEmpty()) line += "  " + Utf8(note.AsView());
      }
    }
    rows.push_back({{"lap", name}, {"cells", cells}});
    if (!o.json) out << line << '\n';
  }
  if (o.json) out << JsonText(nlohmann::json({{"table", o.table}, {"mode", o.mode}, {"rows", rows}}), 1) << '\n';
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
  const ObdSeries obd(data.ObdRecords());
  const std::vector<int32_t> obd_channels = obd.Channels();
  std::vector<std::string> names;
  for (int32_t c = 0; c < kGpsChannelCount; ++c) names.push_back(Utf8(ChannelName(c).AsView()));
  names.push_back(o.json ? "lat_deg" : "Latitude");
  names.push_back(o.json ? "lon_deg" : "Longitude");
  for (int32_t c : obd_channels) names.push_back(Utf8(ChannelName(c).AsView()));
  nlohmann::json rows = nlohmann::json::array();
  if (!o.json) {
    for (size_t i = 0; i < names.size(); ++i) out << (i ? "\t" : "") << names[i];
    out << '\n';
  }
  for (int32_t i = first; i <= last; ++i) {
    nlohmann::json row = nlohmann::json::array();
    std::string line;
    const auto add = [&](double v, const char* format = "%.6g") {
      row.push_back(IsSet(v) ? nlohmann::json(v) : nlohmann::json());
      if (!o.json) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, format, v);
        if (row.size() > 1) line += '\t';
        if (IsSet(v)) line += buffer;
      }
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
    if (o.json) {
      rows.push_back(std::move(row));
    } else {
      out << line << '\n';
    }
  }
  if (o.json) out << JsonText(nlohmann::json({{"names", names}, {"rows", rows}})) << '\n';
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
