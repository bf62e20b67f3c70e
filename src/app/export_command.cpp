#include "app/export_command.h"

#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/review_commands.h"
#include "app/session_address.h"
#include "app/storage_context.h"
#include "app/terminal_progress.h"
#include "exchange/export_job.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

bool ParseFormat(const std::string& word, ExportType* type) {
  if (word == "csv") *type = ExportType::kCsv;
  else if (word == "vbo") *type = ExportType::kVbo;
  else if (word == "dat") *type = ExportType::kDat;
  else if (word == "gpx") *type = ExportType::kGpx;
  else if (word == "kml") *type = ExportType::kKml;
  else return false;
  return true;
}

bool ParseScope(const std::string& word, ExportOptions* options) {
  if (word == "best") {
    options->scope = ExportScope::kBestLap;
  } else if (word == "optimal") {
    options->scope = ExportScope::kSelectedLap;
    options->selected_lap = LapList::kSelectOptimal;
  } else if (word == "all") {
    options->scope = ExportScope::kAllLaps;
  } else if (word == "route") {
    options->scope = ExportScope::kRoute;
  } else if (word.rfind("lap:", 0) == 0) {
    char* end = nullptr;
    const long n = std::strtol(word.c_str() + 4, &end, 10);
    if (word.size() == 4 || *end != '\0' || n < 1 || n > 1000000) return false;
    options->scope = ExportScope::kSelectedLap;
    options->selected_lap = static_cast<int32_t>(n - 1);
  } else {
    return false;
  }
  return true;
}

bool ParseCsv(const std::string& word, CsvSeparators* csv) {
  if (word == "standard") *csv = CsvSeparators::kStandard;
  else if (word == "semicolon-comma") *csv = CsvSeparators::kSemicolonComma;
  else if (word == "semicolon-dot") *csv = CsvSeparators::kSemicolonDot;
  else return false;
  return true;
}

}  // namespace

int RunExport(const ExportCommandOptions& o, std::ostream& out, std::ostream& err) {
  ExportOptions options;
  if (!ParseFormat(o.format, &options.type)) {
    err << "--format is csv, vbo, dat, gpx or kml\n";
    return 1;
  }
  if (!ParseScope(o.scope, &options)) {
    err << "--scope is best, lap:N, optimal, all or route\n";
    return 1;
  }
  if (!ParseCsv(o.csv, &options.csv)) {
    err << "--csv is standard, semicolon-comma or semicolon-dot\n";
    return 1;
  }
  StorageContext context(o.data_dir);
  const SessionAddress address = ResolveSession(context.storage, o.session, err);
  if (address.status != 0) return address.status;
  SessionLoader loader(context.storage, address.root, address.base_name,
                       LapSettingsFrom(context.settings.hilo_threshold));
  if (!LoadWithProgress(loader, err)) return 1;
  const std::unique_ptr<SessionData> session = loader.Take();

  ExportJob job(*session, options);
  int32_t error = job.Start();
  if (error == 0) {
    TerminalProgress bar(Utf8(Load(kStrExporting).AsView()), err);
    while (job.Step()) bar.Update(job.Percent());
    bar.Done();
    error = job.Error();
  }
  if (error != 0) {
    err << Utf8(FormatN(kStrCouldNotExport, error).AsView()) << '\n';
    return 1;
  }
  err << Utf8(Load(kStrExportSuccessful).AsView()) << '\n';
  out << job.Path() << '\n';
  return 0;
}

void AddExportCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto o = std::make_shared<ExportCommandOptions>();
  CLI::App* command = cli.add_subcommand("export", "Write a session for other tools (prints the file's path)");
  command->add_option("SESSION", o->session, kSessionAddressHelp)->required();
  command->add_option("--format", o->format, "csv, vbo, dat, gpx or kml")
      ->required()
      ->check(CLI::IsMember({"csv", "vbo", "dat", "gpx", "kml"}));
  command->add_option("--scope", o->scope, "best, lap:N, optimal, all or route (default best)")
      ->check(Accepts(
          [](const std::string& word) {
            ExportOptions parsed;
            return ParseScope(word, &parsed);
          },
          "best, lap:N, optimal, all or route"));
  command->add_option("--csv", o->csv, "standard, semicolon-comma or semicolon-dot (default standard)")
      ->check(CLI::IsMember({"standard", "semicolon-comma", "semicolon-dot"}));
  commands.Add(command, [o, &globals] {
    o->data_dir = globals.data_dir;
    return RunExport(*o, std::cout, std::cerr);
  });
}

}  // namespace kv::app
