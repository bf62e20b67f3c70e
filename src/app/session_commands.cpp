#include "app/session_commands.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "app/command_list.h"
#include "app/json_text.h"
#include "app/session_address.h"
#include "app/storage_context.h"
#include "app/terminal_views.h"
#include "session/session_loader.h"
#include "session/session_recorder.h"
#include "storage/session_header.h"
#include "storage/storage_paths.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

const char* TypeWord(uint32_t type) {
  switch (type) {
    case kSessionLapTiming:
      return "lap";
    case kSessionPerformance:
      return "perf";
    default:
      return "log";
  }
}

nlohmann::json Iso8601(const DateTimeValue& value) {
  if (!value.IsKnown()) return nullptr;
  const CalendarParts p = value.Decompose();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", p.year, p.month, p.day, p.hours, p.minutes,
                p.seconds);
  return text;
}

}  // namespace

namespace {

// What `sessions` shows of a session's samples; unset where the samples
// cannot be read (a header without its sample file is still listed).
struct SessionFigures {
  nlohmann::json laps, best_lap_ms, duration_ms;
};

SessionFigures FiguresOf(const StorageContext& context, const SessionHeader& h) {
  SessionLoader loader(context.storage, h.root, h.base_name, LapSettingsFrom(context.settings.hilo_threshold));
  while (loader.Step()) {
  }
  if (loader.Result() != SessionLoader::Outcome::kLoaded) return {};
  const std::unique_ptr<SessionData> data = loader.Take();
  SessionFigures f;
  const SampleList& samples = data->Samples();
  int32_t first = kNotSet, last = kNotSet;
  for (int32_t i = 0; i < samples.Count(); ++i) {
    if (!IsSet(samples[i].time)) continue;
    if (!IsSet(first)) first = samples[i].time;
    last = samples[i].time;
  }
  f.duration_ms = IsSet(first) && last >= first ? nlohmann::json(int64_t{last} - first) : nlohmann::json();
  if (h.type == kSessionLapTiming) {
    const LapList& laps = data->Laps();
    f.laps = laps.CompletedLaps();
    if (laps.BestIndex() >= 0 && IsSet(laps.LapAt(laps.BestIndex()).LapTime()))
      f.best_lap_ms = laps.LapAt(laps.BestIndex()).LapTime();
  }
  return f;
}

// A count, or a time to `decimals` (-1: a count); "-" when unset.
std::string Cell(const nlohmann::json& v, int32_t decimals) {
  if (v.is_null()) return "-";
  return decimals < 0 ? std::to_string(v.get<int64_t>()) : TimeText(v.get<int32_t>(), decimals);
}

// Text columns left-aligned, number columns right-aligned, two spaces apart.
void PrintTable(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& right, std::ostream& out) {
  std::vector<size_t> width(right.size(), 0);
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      const std::string pad(width[c] - row[c].size(), ' ');
      if (c > 0) line += "  ";
      line += right[c] ? pad + row[c] : row[c] + (c + 1 < row.size() ? pad : "");
    }
    out << line << '\n';
  }
}

}  // namespace

int RunSessions(const SessionCommandOptions& o, std::ostream& out, std::ostream& err) {
  StorageContext context(o.data_dir);
  std::vector<SessionListing> entries = ListSessionFiles(context.storage);
  std::stable_sort(entries.begin(), entries.end(), [](const SessionListing& a, const SessionListing& b) {
    return StartsEarlier(a.header, b.header);
  });
  nlohmann::json list = nlohmann::json::array();
  std::vector<std::string> local_starts;  // of each entry of list
  for (const SessionListing& entry : entries) {
    const SessionHeader& s = entry.header;
    if (!entry.regular) {
      err << "warning: skipped " << BuildPath(s.base_name, s.root, FileKind::kSessionHeader)
          << ": not a regular file\n";
      continue;
    }
    if (entry.error != 0) {
      list.push_back({{"session", Utf8(s.base_name)},
                      {"damaged", FileErrorText(entry.error)},
                      {"error", entry.error},
                      {"storage", s.root}});
      local_starts.emplace_back();
      continue;
    }
    const SessionFigures f = FiguresOf(context, s);
    local_starts.push_back(LocalStartText(s.created));
    list.push_back({{"session", Utf8(s.base_name)},
                    {"title", Utf8(s.title)},
                    {"type", TypeWord(s.type)},
                    {"track", Utf8(s.track)},
                    {"test", Utf8(s.test)},
                    {"driver", Utf8(s.driver)},
                    {"notes", Utf8(s.notes)},
                    {"created", Iso8601(s.created)},
                    {"start_utc", Iso8601(s.created)},
                    {"laps", f.laps},
                    {"best_lap_ms", f.best_lap_ms},
                    {"duration_ms", f.duration_ms},
                    {"storage", s.root},
                    {"damaged", nullptr}});
  }
  if (o.json) {
    out << JsonText(list) << '\n';
    return 0;
  }
  std::vector<std::vector<std::string>> rows = {{"SESSION", "DATE", "TYPE", "TRACK", "LAPS", "BEST", "DURATION", "TITLE"}};
  for (size_t i = 0; i < list.size(); ++i) {
    const nlohmann::json& s = list[i];
    if (!s["damaged"].is_null()) {
      out << s["session"].get<std::string>() << "  damaged: the header is " << s["damaged"].get<std::string>() << '\n';
      continue;
    }
    rows.push_back({s["session"].get<std::string>(), local_starts[i], s["type"].get<std::string>(),
                    s["track"].get<std::string>(), Cell(s["laps"], -1), Cell(s["best_lap_ms"], 3), Cell(s["duration_ms"], 0),
                    s["title"].get<std::string>()});
  }
  if (rows.size() > 1) PrintTable(rows, {false, false, false, false, true, true, true, false}, out);
  return 0;
}

int RunDeleteSession(const SessionCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  StorageContext context(o.data_dir);
  const SessionAddress address = ResolveSession(context.storage, o.session, err);
  if (address.status != 0) return address.status;
  const WideString& name = address.base_name;
  const std::string& root = address.root;
  platform::FileLock lock;
  if (LockSession(name, root, lock) == platform::FileLock::Result::kBusy) {
    err << "The session " << o.session << " is being recorded.\n";
    return 1;
  }
  DeleteSession(name, root);
  // The log exists only when NMEA was saved, so the header decides.
  if (SessionHeaderExists(name, root)) {
    err << "Error #" << kErrCannotOpen << '\n';
    return 1;
  }
  return 0;
}

void AddSessionCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<SessionCommandOptions>();
  CLI::App* sessions = cli.add_subcommand("sessions", "List the recorded sessions of every storage medium");
  sessions->add_flag("--json", o->json);
  commands.Add(sessions, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunSessions(*o, std::cout, std::cerr);
  });
  CLI::App* remove = cli.add_subcommand("delete", "Delete a session's files");
  remove->add_option("SESSION", o->session, kSessionAddressHelp)->required();
  commands.Add(remove, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunDeleteSession(*o, std::cout, std::cerr);
  });
}

}  // namespace kv::app
