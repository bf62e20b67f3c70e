// The export command on the recorded demo session: every format and scope
// writes a file where it says; bad arguments, unknown sessions and a scope
// with nothing in it (the job's error) fail and leave no file.
#include "app/export_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "session_folder.h"
#include "support/temp_folder.h"

namespace kv::app {
namespace {

class ExportCommand : public ::testing::Test {
 protected:
  ExportCommandOptions Options(const std::string& format, const std::string& scope) const {
    ExportCommandOptions o;
    o.data_dir = dir_.Path();
    o.session = base_;
    o.format = format;
    o.scope = scope;
    return o;
  }

  // The printed path, or "" when the command failed (its message in *message).
  std::string Export(const ExportCommandOptions& o, std::string* message = nullptr) {
    std::ostringstream out, err;
    const int status = RunExport(o, out, err);
    if (message) *message = err.str();
    if (status != 0) return "";
    std::string path = out.str();
    EXPECT_TRUE(!path.empty() && path.back() == '\n');
    path.pop_back();
    return path;
  }

  std::string ExportsFolder() const { return dir_.Path() + "Korvatinel/Exports/"; }

  kv::testing::TempFolder dir_;
  std::string base_ = RecordDemo(dir_.Path());
};

// Every format and every scope once, lap:N the Nth lap; the CSV with the
// separators asked for (the other formats have none to choose).
TEST_F(ExportCommand, EveryFormatAndScopeWritesWhereItSays) {
  const struct {
    const char *format, *scope, *file;
  } cases[] = {{"csv", "best", "best-lap-3-export.csv"}, {"vbo", "lap:1", "lap-1-export.vbo"},
               {"dat", "optimal", "optimal-lap-export.dat"}, {"gpx", "all", "all-laps-export.gpx"},
               {"kml", "route", "route-export.kml"}};
  for (const auto& c : cases) {
    ExportCommandOptions o = Options(c.format, c.scope);
    o.csv = "semicolon-comma";
    std::string message;
    EXPECT_EQ(Export(o, &message), ExportsFolder() + base_ + "-" + c.file) << message;
    EXPECT_NE(message.find("Export successful."), std::string::npos) << message;
  }
  // The CSV's last sample row: the best lap's number, semicolons, decimal commas.
  const std::string text = kv::testing::ReadWholeFile(ExportsFolder() + base_ + "-best-lap-3-export.csv");
  const std::string last = text.substr(text.rfind('\n', text.size() - 3) + 1);
  EXPECT_TRUE(last.starts_with("3;")) << last;
  EXPECT_EQ(std::count(last.begin(), last.end(), ';'), 18) << last;
  EXPECT_EQ(last.find('.'), std::string::npos) << last;
}

// Nothing refused leaves a file behind.
TEST_F(ExportCommand, BadArgumentsUnknownSessionsAndEmptyScopesAreRefused) {
  std::string message;
  EXPECT_EQ(Export(Options("xls", "best"), &message), "");
  EXPECT_NE(message.find("--format"), std::string::npos) << message;
  for (const char* scope : {"lap:0", "lap:", "lap:2x", "fastest"}) {
    EXPECT_EQ(Export(Options("csv", scope), &message), "") << scope;
    EXPECT_NE(message.find("--scope"), std::string::npos) << message;
  }
  ExportCommandOptions o = Options("csv", "best");
  o.csv = "tab";
  EXPECT_EQ(Export(o, &message), "");
  EXPECT_NE(message.find("--csv"), std::string::npos) << message;
  o = Options("csv", "best");
  o.session = "no-such-session";
  EXPECT_EQ(Export(o, &message), "");
  EXPECT_NE(message.find("No such session: no-such-session"), std::string::npos) << message;
  EXPECT_EQ(Export(Options("gpx", "lap:99"), &message), "");
  EXPECT_NE(message.find("Could not export. Error #5."), std::string::npos) << "no lap 99: " << message;
  // Nothing but the demo's own report.
  for (const auto& e : std::filesystem::directory_iterator(ExportsFolder()))
    EXPECT_TRUE(e.path().string().ends_with("-report.html")) << e.path();
}

}  // namespace
}  // namespace kv::app
