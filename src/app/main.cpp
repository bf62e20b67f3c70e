// korvatinel: the command line of the lap timer.
#include <CLI/CLI.hpp>

#include "app/command_list.h"
#include "platform/termination.h"

int main(int argc, char** argv) {
  kv::platform::IgnoreFileSizeSignal();
  CLI::App cli{"Korvatinel: GPS lap timer and data logger for track days"};
  cli.require_subcommand(1);
  kv::app::GlobalOptions globals;
  kv::app::CommandList commands;
  cli.add_option("--data", globals.data_dir,
                 "Keep everything under DIR/Korvatinel/ (the only storage medium and settings folder)");

  kv::app::AddNmeaCommand(cli, globals, commands);
  kv::app::AddGpsCommand(cli, globals, commands);
  kv::app::AddObdCommand(cli, globals, commands);
  kv::app::AddDevicesCommand(cli, globals, commands);
  kv::app::AddTrackCommands(cli, globals, commands);
  kv::app::AddSessionCommands(cli, globals, commands);
  kv::app::AddTestCommands(cli, globals, commands);
  kv::app::AddRecordCommands(cli, globals, commands);
  kv::app::AddReviewCommands(cli, globals, commands);
  kv::app::AddExportCommand(cli, globals, commands);

  CLI11_PARSE(cli, argc, argv);
  return commands.RunParsed();
}
