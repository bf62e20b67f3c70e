// `korvatinel nmea FILE [--json]`: shows what a receiver sends, for drivers
// checking a new receiver or a recording. Reads only; never takes the
// single-instance guard, so it works while a session records.
#pragma once

#include <iosfwd>
#include <string>

namespace kv::app {

struct NmeaCommandOptions {
  std::string file;
  bool json = false;
};

// Returns the exit status: 0, or 1 when the file cannot be read.
int RunNmeaCommand(const NmeaCommandOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kv::app
