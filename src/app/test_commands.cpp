#include "app/test_commands.h"

#include <cmath>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/json_text.h"
#include "app/session_address.h"
#include "app/storage_context.h"
#include "session/session_data.h"
#include "session/test_list.h"
#include "storage/perf_test_file.h"
#include "storage/sample_loader.h"
#include "storage/session_header.h"
#include "storage/storage_paths.h"
#include "timing/geodesy.h"
#include "timing/perf_test_engine.h"
#include "timing/sample_list.h"
#include "util/duration_text.h"
#include "util/errors.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

constexpr double kMpsToKph = 3.6;

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

// Saves the user's tests, telling where an unreadable file was kept.
void SaveList(const StorageContext& context, const PerfTestList& list, std::ostream& err) {
  const std::string kept = SaveTestList(context.storage, list);
  if (!kept.empty()) err << "warning: the unreadable " << kPerfTestFileName << " was kept as " << kept << '\n';
}

}  // namespace

PerfTestList LoadUserTests(const StorageContext& context, std::ostream& err) {
  bool whole = true;
  PerfTestList list = LoadTestList(context.storage, &whole);
  if (!whole)
    err << "warning: " << context.storage.AppDataFolder() << kPerfTestFileName
        << " is of another version or damaged: the tests in it that could not be read are not listed, and the file "
           "is kept aside when the list is next saved\n";
  return list;
}

namespace {

// Metres per second per unit the user types speeds in; 0 for a unit we do
// not know.
double UnitToMps(const std::string& units) {
  if (units == "kph") return 1.0 / 3.6;
  if (units == "mph") return 0.44704;
  if (units == "mps") return 1.0;
  return 0.0;
}

// A speed no car reaches in any of the units: beyond it a number is a typo.
constexpr double kMaxSpeed = 1000.0;
constexpr double kMaxDistanceM = 100000.0;

bool ParseNumber(std::string_view text, double* value) {
  double parsed = 0.0;
  if (!ParseFiniteReal(std::string(text), &parsed) || std::fabs(parsed) > kMaxSpeed) return false;
  *value = parsed;
  return true;
}

// "FROM-TO": two numbers around the first "-" after the first character
// (so that a negative FROM still parses, and is then refused as invalid).
bool ParseSpeedRange(const std::string& text, double* from, double* to) {
  const size_t dash = text.find('-', 1);
  if (dash == std::string::npos) return false;
  return ParseNumber(std::string_view(text).substr(0, dash), from) &&
         ParseNumber(std::string_view(text).substr(dash + 1), to);
}

nlohmann::json TestJson(const PerfTestList& list, int32_t index) {
  const PerfTest& t = list.At(index);
  nlohmann::json j;
  j["name"] = Utf8(t.name);
  j["type"] = t.IsDistance() ? "distance" : "speed";
  j["start_kph"] = t.start_speed * kMpsToKph;
  j["finish_kph"] = t.finish_speed * kMpsToKph;
  j["distance_m"] = t.distance;
  j["predefined"] = list.IsPredefined(index);
  return j;
}

// Fatal codes of the file layer end a command with "Error #N".
template <typename Body>
int Guarded(std::ostream& err, Body body) {
  try {
    return body();
  } catch (const CodeException& e) {
    err << "Error #" << e.code << '\n';
    return 1;
  }
}

// Time of day as "hh:mm:ss.mmm".
std::string ClockText(int32_t ms) {
  WideString text;
  text.AppendClockHms(ms);
  text.AppendUnit(u'.');
  text.AppendInt(((ms % 1000) + 1000) % 1000, 3);
  return Utf8(text);
}

nlohmann::json Kph(AngleValue stored) {
  return IsSet(stored) ? nlohmann::json(RadToMetres(StoredToSpeed(stored)) * kMpsToKph)
                       : nlohmann::json();
}

}  // namespace

void PrintRunSummary(const PerfTestEngine& engine, std::ostream& out) {
  for (size_t i = 0; i < engine.Tests().size(); ++i) {
    if (engine.Result(static_cast<int32_t>(i)).runs.empty()) continue;
    out << Utf8(engine.Tests()[i].name) << ": ";
    PrintLine(out, engine.Summary(static_cast<int32_t>(i)));
  }
}

int RunTestList(const TestCommandOptions& o, std::ostream& out, std::ostream& err) {
  StorageContext context(o.data_dir);
  const PerfTestList list = LoadUserTests(context, err);
  if (o.json) {
    nlohmann::json tests = nlohmann::json::array();
    for (int32_t i = 0; i < list.Count(); ++i) tests.push_back(TestJson(list, i));
    out << JsonText(tests) << '\n';
    return 0;
  }
  for (int32_t i = 0; i < list.Count(); ++i) {
    const PerfTest& t = list.At(i);
    WideString line = t.name;
    line.Append(u"  ");
    if (t.IsDistance()) {
      line.Append(Load(kStrPerfTypeDistance));
      line.Append(u"  ");
      line.AppendReal(t.distance, 3);
      line.Append(u" m");
    } else {
      line.Append(Load(kStrPerfTypeSpeed));
      line.Append(u"  ");
      line.AppendReal(t.start_speed * kMpsToKph, 1);
      line.Append(u" - ");
      line.AppendReal(t.finish_speed * kMpsToKph, 1);
      line.Append(u" km/h");
    }
    if (!list.IsPredefined(i)) line.Append(u"  (own)");
    PrintLine(out, line);
  }
  return 0;
}

int RunTestAdd(const TestCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  StorageContext context(o.data_dir);
  PerfTestList list = LoadUserTests(context, err);
  PerfTest test;
  test.name = FromUtf8(o.name);
  const bool by_speed = !o.speed.empty();
  const bool by_distance = o.distance >= 0.0;
  if (by_speed == by_distance) {
    err << "Give either --speed FROM-TO or --distance METRES\n";
    return 2;
  }
  if (by_speed) {
    const double unit = UnitToMps(o.units);
    double from = 0.0, to = 0.0;
    if (unit == 0.0 || !ParseSpeedRange(o.speed, &from, &to)) {
      err << "--speed is FROM-TO, --units kph, mph or mps\n";
      return 1;
    }
    test.type = kPerfSpeedTest;
    test.start_speed = from * unit;
    test.finish_speed = to * unit;
  } else {
    test.type = kPerfDistanceTest;
    test.distance = o.distance;
  }
  if (!IsValidPerfTest(test)) {
    PrintLine(err, InvalidPerfTestMessage());
    return 1;
  }
  // Runs are reported by name, so two tests of one name could not be told apart.
  if (list.Find(test.name) >= 0) {
    err << "A test of that name exists: " << o.name << '\n';
    return 1;
  }
  list.Add(std::move(test));
  return Guarded(err, [&] {
    SaveList(context, list, err);
    return 0;
  });
}

int RunTestDelete(const TestCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  StorageContext context(o.data_dir);
  PerfTestList list = LoadUserTests(context, err);
  const int32_t index = list.Find(FromUtf8(o.name));
  if (index < 0) {
    PrintLine(err, Load(kStrPerfTestNotFound));
    return 1;
  }
  if (list.IsPredefined(index)) {
    err << "Predefined tests cannot be deleted: " << o.name << '\n';
    return 1;
  }
  list.Remove(index);
  return Guarded(err, [&] {
    SaveList(context, list, err);
    return 0;
  });
}

int RunRuns(const TestCommandOptions& o, std::ostream& out, std::ostream& err) {
  StorageContext context(o.data_dir);
  const SessionAddress address = ResolveSession(context.storage, o.session, err);
  if (address.status != 0) return address.status;
  const WideString& base = address.base_name;
  SessionHeader header;
  header.base_name = base;
  header.root = address.root;
  int32_t header_error = 0;
  if (!LoadSessionHeader(header, false, &header_error) || header_error != 0) {
    err << "Error #" << (header_error != 0 ? header_error : kErrCannotOpen) << '\n';
    return 1;
  }
  SampleLoader loader(BuildPath(base, header.root, FileKind::kSampleFile));
  loader.LoadAll();
  // An incomplete file still times every run recorded before its end.
  if (loader.State() != SampleLoadState::kComplete && loader.Data().samples.empty()) {
    err << "Error #" << kErrMalformedFile << '\n';
    return 1;
  }
  SampleData data = loader.TakeData();

  const PerfTestList list = LoadUserTests(context, err);
  // Whatever the session's type: a lap or logging session's runs are worth
  // seeing too.
  SessionData session(header, LapSettingsFrom(context.settings.hilo_threshold));
  session.TimePerfTests(list);
  session.SetSamples(std::move(data.samples));
  session.SetObdRecords(std::move(data.obd_records));
  session.Recompute();
  const PerfTestEngine& engine = *session.Runs();

  nlohmann::json tests = nlohmann::json::array();
  for (int32_t i = 0; i < list.Count(); ++i) {
    const PerfTestResult r = engine.Result(i);
    nlohmann::json runs = nlohmann::json::array();
    for (size_t k = 0; k < r.runs.size(); ++k) {
      const PerfRun& run = r.runs[k];
      runs.push_back(
          {{"attempt", r.attempts[k]},
           {"start_ms", run.start},
           {"finish_ms", run.Finished() ? nlohmann::json(run.finish) : nlohmann::json()},
           {"time_ms", run.Finished() ? nlohmann::json(run.RunTime()) : nlohmann::json()},
           {"finish_kph", Kph(run.finish_speed)}});
    }
    tests.push_back(
        {{"test", Utf8(list.At(i).name)},
         {"runs", runs},
         {"best_ms", r.best >= 0 ? nlohmann::json(r.runs[static_cast<size_t>(r.best)].RunTime())
                                 : nlohmann::json()},
         {"completed", r.completed}});
  }
  if (o.json) {
    out << JsonText(nlohmann::json{{"tests", tests}}) << '\n';
    return 0;
  }
  for (int32_t i = 0; i < list.Count(); ++i) {
    const PerfTestResult r = engine.Result(i);
    out << Utf8(list.At(i).name) << (list.At(i).name.AsView() == header.test.AsView() ? " *" : "")
        << ": ";
    PrintLine(out, engine.Summary(i));
    for (size_t k = 0; k < r.runs.size(); ++k) {
      const PerfRun& run = r.runs[k];
      out << "  attempt " << r.attempts[k] << "  " << ClockText(run.start) << "  ";
      if (!run.Finished()) {
        out << "unfinished\n";
        continue;
      }
      out << ClockText(run.finish) << "  " << Utf8(FormatDuration(run.RunTime(), 3, false, false))
          << " s";
      if (IsSet(run.finish_speed)) {
        WideString kph;
        kph.AppendReal(RadToMetres(StoredToSpeed(run.finish_speed)) * kMpsToKph, 1);
        out << "  " << Utf8(kph) << " km/h";
      }
      out << (static_cast<int32_t>(k) == r.best ? "  best" : "") << '\n';
    }
  }
  return 0;
}

void AddTestCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<TestCommandOptions>();
  CLI::App* test = cli.add_subcommand("test", "The performance tests: list, add, delete");
  test->require_subcommand(1);

  CLI::App* list =
      test->add_subcommand("list", "List the predefined and the user's performance tests");
  list->add_flag("--json", o->json);
  commands.Add(list, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunTestList(*o, std::cout, std::cerr);
  });

  CLI::App* add =
      test->add_subcommand("add", "Add a speed test (--speed) or a distance test (--distance)");
  add->add_option("NAME", o->name, "Test name")->required();
  CLI::Option* speed = add->add_option("--speed", o->speed, "FROM-TO, e.g. 50-150")
                           ->check(Accepts(
                               [](const std::string& text) {
                                 double from = 0.0, to = 0.0;
                                 return ParseSpeedRange(text, &from, &to);
                               },
                               "FROM-TO, two speeds up to 1000"));
  add->add_option("--units", o->units, "Units of --speed")
      ->check(CLI::IsMember({"kph", "mph", "mps"}));
  add->add_option("--distance", o->distance, "Run length in metres")
      ->check(RealWithin(0.0, kMaxDistanceM, true))
      ->excludes(speed);
  commands.Add(add, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunTestAdd(*o, std::cout, std::cerr);
  });

  CLI::App* remove = test->add_subcommand("delete", "Delete a test of the user's");
  remove->add_option("NAME", o->name, "Test name")->required();
  commands.Add(remove, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunTestDelete(*o, std::cout, std::cerr);
  });

  CLI::App* runs = cli.add_subcommand("runs", "The performance runs of a recorded session");
  runs->add_option("SESSION", o->session, kSessionAddressHelp)->required();
  runs->add_flag("--json", o->json);
  commands.Add(runs, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunRuns(*o, std::cout, std::cerr);
  });
}

}  // namespace kv::app
