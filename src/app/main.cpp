// korvatinel: the command line of the lap timer.
#include <CLI/CLI.hpp>

#include "app/argument_checks.h"
#include "app/command_list.h"
#include "app/terminal_progress.h"
#include "platform/termination.h"
#include "util/version.h"

int main(int argc, char** argv) {
  kv::platform::IgnoreFileSizeSignal();
  CLI::App cli{"Korvatinel: GPS lap timer and data logger for track days"};
  cli.require_subcommand(1);
  cli.set_version_flag("--version", "korvatinel " + std::string(kv::kProgramVersion), "Print the version and exit");
  kv::app::GlobalOptions globals;
  kv::app::CommandList commands;
  cli.add_option("--data", globals.data_dir,
                 "Keep everything under DIR/Korvatinel/ (the only storage medium and settings folder)")
      ->check(kv::app::NotEmpty());
  bool no_progress = false;
  cli.add_flag("--no-progress", no_progress, "Never draw progress bars (they appear only on a terminal)");

  kv::app::AddNmeaCommand(cli, globals, commands);
  kv::app::AddGpsCommand(cli, globals, commands);
  kv::app::AddObdCommand(cli, globals, commands);
  kv::app::AddDevicesCommand(cli, globals, commands);
  kv::app::AddTrackCommands(cli, globals, commands);
  kv::app::AddSessionCommands(cli, globals, commands);
  kv::app::AddTestCommands(cli, globals, commands);
  kv::app::AddRecordCommands(cli, globals, commands);
  kv::app::AddReviewCommands(cli, globals, commands);
  kv::app::AddScreenshotCommand(cli, globals, commands);
  kv::app::AddExportCommand(cli, globals, commands);
  kv::app::AddReportCommand(cli, globals, commands);
  kv::app::AddSayCommand(cli, globals, commands);
  kv::app::AddSettingsCommand(cli, globals, commands);
  kv::app::AddLibraryCommands(cli, globals, commands);

  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help is a success; everything else the parser refuses is a usage
    // error, whatever CLI11's own code for it.
    return cli.exit(e) == 0 ? 0 : 2;
  }
  // A command writing JSON is read by a program: no bar even on a terminal.
  kv::app::AllowProgress(!no_progress && !kv::app::JsonRequested(cli));
  return commands.RunParsed();
}
