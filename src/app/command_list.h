// How each command of `korvatinel` plugs into the command line: a file per
// command family adds its subcommands to the CLI11 app and says what runs
// when one of them was given.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kv::app {

// Options that every command sees.
struct GlobalOptions {
  std::string data_dir;  // --data DIR: the only storage medium, when given
};

class CommandList {
 public:
  // run returns the process exit status.
  void Add(CLI::App* command, std::function<int()> run) { entries_.emplace_back(command, std::move(run)); }

  // Runs the command that was parsed; 0 when none was.
  int RunParsed() const {
    for (const auto& [command, run] : entries_)
      if (command->parsed()) return run();
    return 0;
  }

 private:
  std::vector<std::pair<CLI::App*, std::function<int()>>> entries_;
};

void AddNmeaCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddGpsCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddObdCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddDevicesCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddTrackCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddSessionCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddTestCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddRecordCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddReviewCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddScreenshotCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddExportCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddSayCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddReportCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddSettingsCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);
void AddLibraryCommands(CLI::App& cli, const GlobalOptions& globals, CommandList& commands);

}  // namespace kv::app
