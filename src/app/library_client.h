// `korvatinel library list | download | upload`: the track library seen
// from the driver's side, through the program's own HTTP client.
#pragma once

#include <iosfwd>
#include <string>

#include "app/command_list.h"

namespace kv::app {

struct LibraryOptions {
  std::string data_dir;
  std::string server;  // --server HOST[:PORT]; empty: the setting
  std::string group;   // list, download: --group
  bool json = false;
  std::string name;  // download: the library's track; upload: the local one
  bool yes = false;  // download: replace a track of the same name
  std::string email, description;
};

// Exit status: 0 done, 1 failed or cancelled (said on `err`), 2 bad arguments.
int RunLibraryList(const LibraryOptions& options, std::ostream& out, std::ostream& err);
int RunLibraryDownload(const LibraryOptions& options, std::ostream& out, std::ostream& err);
int RunLibraryUpload(const LibraryOptions& options, std::ostream& out, std::ostream& err);

void AddLibraryClientCommands(CLI::App& library, const GlobalOptions& globals,
                              CommandList& commands);

}  // namespace kv::app
