// `korvatinel report SESSION [-o FILE.html] [--laps 3,5,best] [--open]`:
// the session's HTML report, by default "NAME-report.html" in the "Exports/"
// folder of its medium; prints the written file's path.
#pragma once

#include <iosfwd>
#include <string>

#include "app/storage_context.h"

namespace kv::app {

struct ReportCommandOptions {
  std::string data_dir;
  std::string session;
  std::string output;  // empty: the Exports/ folder
  std::string laps;    // empty: the best lap and its neighbours
  bool open = false;
};

// 0 written (path on `out`), 1 the session cannot be loaded or the file
// cannot be written, 2 `laps` names no finished lap of the session.
int RunReport(const ReportCommandOptions& options, std::ostream& out, std::ostream& err);

// The report of the session created last under `context`, with the default
// laps, to its default place; the path, or "" after a message on `err`.
std::string WriteNewestSessionReport(StorageContext& context, std::ostream& err);

}  // namespace kv::app
