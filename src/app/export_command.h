// `korvatinel export SESSION --format F [--scope S] [--csv C]`: writes the
// session in another tool's format to the "Exports/" folder of its medium
// and prints the written file's path.
#pragma once

#include <iosfwd>
#include <string>

namespace kv::app {

struct ExportCommandOptions {
  std::string data_dir;
  std::string session;
  std::string format;            // csv, vbo, dat, gpx, kml
  std::string scope = "best";    // best, lap:N, optimal, all, route
  std::string csv = "standard";  // standard, semicolon-comma, semicolon-dot
};

// 0 on success (the path on `out`); 1 after a message on `err`.
int RunExport(const ExportCommandOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kv::app
