#include "app/report_command.h"

#include <iostream>
#include <memory>

#include "app/command_list.h"
#include "app/review_commands.h"
#include "app/test_commands.h"
#include "exchange/session_report.h"
#include "platform/process.h"
#include "storage/data_file.h"
#include "storage/storage_paths.h"
#include "util/errors.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

constexpr int32_t kWriteBuffer = 1 << 16;
constexpr int32_t kOpenWaitMs = 5000;

std::string DefaultPath(const SessionHeader& header) {
  return header.root + std::string(kAppFolder) + std::string(FolderOf(FileKind::kCsvExport)) +
         ToUtf8(header.base_name.AsView()).Std() + "-report.html";
}

// Beside the target until complete, as the exports write: an earlier
// report stays whole when this one cannot be finished.
bool WriteWhole(const std::string& path, const std::string& bytes, std::ostream& err) {
  DataFile file(path);
  try {
    file.CreateReplacing(kWriteBuffer);
    file.WriteBytes(bytes);
    if (file.Close() && !file.Failed()) return true;
  } catch (const CodeException&) {
  }
  err << "Could not write " << path << '\n';
  return false;
}

// Loaded, and the runs timed where the session is about them.
std::unique_ptr<SessionData> Load(StorageContext& context, const std::string& name,
                                  std::ostream& err) {
  std::unique_ptr<SessionData> session = LoadNamed(context, name, err);
  if (session && session->Header().type == kSessionPerformance) {
    session->TimePerfTests(LoadUserTests(context, err));
    session->Recompute();
  }
  return session;
}

bool Later(const DateTimeValue& a, const DateTimeValue& b) {
  return a.day != b.day ? a.day > b.day : a.time > b.time;
}

}  // namespace

int RunReport(const ReportCommandOptions& o, std::ostream& out, std::ostream& err) {
  StorageContext context(o.data_dir);
  const std::unique_ptr<SessionData> session = Load(context, o.session, err);
  if (!session) return 1;
  ReportOptions options;
  options.units = DisplayUnitsFromSetting(context.settings.units);
  if (!o.laps.empty() && !ParseReportLaps(o.laps, session->Laps(), &options.laps)) {
    err << "--laps: lap numbers of finished laps, or best, separated by commas (the session has "
        << session->Laps().LapCount() << " laps)\n";
    return 2;
  }
  std::string path = o.output;
  if (path.empty()) {
    path = DefaultPath(session->Header());
    if (!EnsureExportFolder(session->Header().root)) {
      err << "Could not make the folder of " << path << '\n';
      return 1;
    }
  }
  if (!WriteWhole(path, SessionReport(*session, options), err)) return 1;
  out << path << '\n';
  if (o.open) {
    // xdg-open hands the file to the desktop's browser and ends; one that
    // keeps running is taking its time to show it, which is no failure.
    const int32_t status = platform::RunProgram({"xdg-open", path}, kOpenWaitMs);
    if (status != 0 && status != platform::kProgramStillRunning)
      err << "warning: xdg-open could not show the report (is a desktop running?)\n";
  }
  return 0;
}

std::string WriteNewestSessionReport(StorageContext& context, std::ostream& err) {
  const std::vector<SessionHeader> headers = ListSessions(context.storage);
  const SessionHeader* newest = nullptr;
  for (const SessionHeader& h : headers)
    if (newest == nullptr || Later(h.created, newest->created)) newest = &h;
  if (newest == nullptr) return {};
  const std::unique_ptr<SessionData> session =
      Load(context, ToUtf8(newest->base_name.AsView()).Std(), err);
  if (!session) return {};
  const std::string path = DefaultPath(session->Header());
  if (!EnsureExportFolder(session->Header().root) ||
      !WriteWhole(path, SessionReport(*session, {.laps = {}, .units = DisplayUnitsFromSetting(context.settings.units)}), err))
    return {};
  return path;
}

void AddReportCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<ReportCommandOptions>();
  CLI::App* command =
      cli.add_subcommand("report", "Write a session's HTML report (prints the file's path)");
  command->add_option("SESSION", o->session)->required();
  command->add_option("-o,--output", o->output,
                      "The file to write (default: Exports/NAME-report.html)");
  command->add_option(
      "--laps", o->laps,
      "Laps to draw: numbers or best, e.g. 3,5,best (default: the best and its neighbours)");
  command->add_flag("--open", o->open, "Show it in the desktop's browser");
  commands.Add(command, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunReport(*o, std::cout, std::cerr);
  });
}

}  // namespace kv::app
