// `korvatinel sessions` and `korvatinel delete SESSION`: the recorded
// sessions of every storage medium. Each Run* returns the exit status.
#pragma once

#include <ostream>
#include <string>

namespace kv::app {

struct SessionCommandOptions {
  std::string data_dir;
  std::string session;  // base name
  bool json = false;
};

int RunSessions(const SessionCommandOptions& options, std::ostream& out, std::ostream& err);
int RunDeleteSession(const SessionCommandOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kv::app
