#include "app/session_commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/command_list.h"
#include "app/json_text.h"
#include "app/storage_context.h"
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

int RunSessions(const SessionCommandOptions& o, std::ostream& out, std::ostream& err) {
  StorageContext context(o.data_dir);
  nlohmann::json list = nlohmann::json::array();
  for (const SessionListing& entry : ListSessionFiles(context.storage)) {
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
      continue;
    }
    list.push_back({{"session", Utf8(s.base_name)},
                    {"title", Utf8(s.title)},
                    {"type", TypeWord(s.type)},
                    {"track", Utf8(s.track)},
                    {"test", Utf8(s.test)},
                    {"driver", Utf8(s.driver)},
                    {"notes", Utf8(s.notes)},
                    {"created", Iso8601(s.created)},
                    {"storage", s.root},
                    {"damaged", nullptr}});
  }
  if (o.json) {
    out << JsonText(list) << '\n';
    return 0;
  }
  for (const auto& s : list) {
    out << s["session"].get<std::string>() << "  ";
    if (!s["damaged"].is_null()) {
      out << "damaged: the header is " << s["damaged"].get<std::string>() << '\n';
      continue;
    }
    out << s["type"].get<std::string>() << "  " << s["title"].get<std::string>();
    if (!s["track"].get<std::string>().empty()) out << "  [" << s["track"].get<std::string>() << "]";
    out << '\n';
  }
  return 0;
}

int RunDeleteSession(const SessionCommandOptions& o, std::ostream& /*out*/, std::ostream& err) {
  StorageContext context(o.data_dir);
  const WideString name = FromUtf8(o.session);
  for (int32_t i = 0; i < context.storage.Count(); ++i) {
    const std::string& root = context.storage.At(i).root;
    if (!SessionHeaderExists(name, root)) continue;
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
  err << "No such session: " << o.session << '\n';
  return 1;
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
  remove->add_option("SESSION", o->session, "Base name, e.g. 20090521-1852")->required();
  commands.Add(remove, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunDeleteSession(*o, std::cout, std::cerr);
  });
}

}  // namespace kv::app
