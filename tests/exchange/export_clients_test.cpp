// The tools our users open exports with read every file we write: GPX
// validates against the published GPX 1.0 schema, KML is well-formed, GDAL
// counts the right features and points, and gpsbabel reads GPX and KML.
// A tool that is not installed is skipped (CI installs them through
// tools/bootstrap.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "exchange/export_session.h"

namespace kv::testing {
namespace {

bool HasTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The command's exit status and its standard output and error.
int RunTool(const std::string& command, std::string* output) {
  output->clear();
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct ScopeCase {
  ExportScope scope;
  int32_t lap;
};
constexpr ScopeCase kScopes[] = {{ExportScope::kBestLap, 0},
                                 {ExportScope::kSelectedLap, 1},
                                 {ExportScope::kSelectedLap, LapList::kSelectOptimal},
                                 {ExportScope::kAllLaps, 0},
                                 {ExportScope::kRoute, 0}};

class ExportClients : public ::testing::Test {
 protected:
  void SetUp() override { session_ = MakeSimulatedSession(folder_.Path()); }
  std::string Write(ExportType type, const ScopeCase& scope) {
    std::string path;
    const std::string bytes = Export(*session_, {type, scope.scope, scope.lap, CsvSeparators::kStandard}, &path);
    EXPECT_FALSE(path.empty()) << bytes;
    return path;
  }
  int32_t Count(const std::string& text, const std::string& word) {
    int32_t n = 0;
    for (size_t pos = text.find(word); pos != std::string::npos; pos = text.find(word, pos + 1)) ++n;
    return n;
  }
  TempFolder folder_;
  std::unique_ptr<SessionData> session_;
};

TEST_F(ExportClients, EveryGpxValidatesAgainstTheGpx10SchemaAndIsReadWhole) {
  const bool xmllint = HasTool("xmllint"), ogrinfo = HasTool("ogrinfo"), gpsbabel = HasTool("gpsbabel");
  if (!xmllint && !ogrinfo && !gpsbabel) GTEST_SKIP() << "none of xmllint, ogrinfo and gpsbabel installed";
  for (const ScopeCase& scope : kScopes) {
    const std::string path = Write(ExportType::kGpx, scope);
    const std::string gpx = ReadWholeFile(path);
    std::string out;
    if (xmllint) {
      const std::string schema = "../shared/external/schemas/gpx-1.0/gpx.xsd";
      EXPECT_EQ(RunTool("xmllint --nonet --noout --schema " + schema + " '" + path + "'", &out), 0) << out;
    }
    if (ogrinfo) {
      ASSERT_EQ(RunTool("ogrinfo -ro -so '" + path + "' tracks track_points", &out), 0) << out;
      EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
      const size_t tracks = out.find("Layer name: tracks");
      const size_t points = out.find("Layer name: track_points");
      ASSERT_TRUE(tracks != std::string::npos && points != std::string::npos) << out;
      EXPECT_NE(out.find("Feature Count: " + std::to_string(Count(gpx, "<trk>")), tracks), std::string::npos) << out;
      EXPECT_NE(out.find("Feature Count: " + std::to_string(Count(gpx, "<trkpt ")), points), std::string::npos) << out;
    }
    if (gpsbabel) {
      EXPECT_EQ(RunTool("gpsbabel -t -i gpx -f '" + path + "' -o csv -F '" + path + ".out'", &out), 0) << out;
      EXPECT_EQ(Count(ReadWholeFile(path + ".out"), "\n"), Count(gpx, "<trkpt ")) << path;
    }
  }
}

TEST_F(ExportClients, EveryKmlIsWellFormedAndRead) {
  const bool xmllint = HasTool("xmllint"), ogrinfo = HasTool("ogrinfo"), gpsbabel = HasTool("gpsbabel");
  if (!xmllint && !ogrinfo && !gpsbabel) GTEST_SKIP() << "none of xmllint, ogrinfo and gpsbabel installed";
  for (const ScopeCase& scope : kScopes) {
    const std::string path = Write(ExportType::kKml, scope);
    std::string out;
    if (xmllint) {
      EXPECT_EQ(RunTool("xmllint --nonet --noout '" + path + "'", &out), 0) << out;
    }
    if (gpsbabel) {
      EXPECT_EQ(RunTool("gpsbabel -i kml -f '" + path + "' -o gpx -F '" + path + ".gpx'", &out), 0) << out;
      EXPECT_TRUE(out.empty() || out.find("rror") == std::string::npos) << out;
    }
    if (!ogrinfo) continue;
    ASSERT_EQ(RunTool("ogrinfo -ro -al -so '" + path + "'", &out), 0) << out;
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
    const int32_t laps = scope.scope == ExportScope::kAllLaps ? session_->Laps().CompletedLaps() : 1;
    if (scope.scope == ExportScope::kRoute) {
      EXPECT_NE(out.find("Layer name: Traveled route"), std::string::npos) << out;
    } else {
      EXPECT_NE(out.find("Layer name: Session information"), std::string::npos) << out;
      EXPECT_EQ(Count(out, "Layer name:"), 2 + laps) << out;
    }
  }
}

TEST_F(ExportClients, OgrinfoReadsCsvRowsAsPoints) {
  if (!HasTool("ogrinfo")) GTEST_SKIP() << "ogrinfo not installed";
  for (const ScopeCase& scope : kScopes) {
    const std::string path = Write(ExportType::kCsv, scope);
    // The table starts after the nine header lines.
    const std::string table = path + ".table.csv";
    std::string out;
    ASSERT_EQ(RunTool("tail -n +10 '" + path + "' > '" + table + "'", &out), 0);
    const std::string columns = "-oo X_POSSIBLE_NAMES=Longitude* -oo Y_POSSIBLE_NAMES=Latitude*";
    ASSERT_EQ(RunTool("ogrinfo -ro -al -so " + columns + " '" + table + "'", &out), 0) << out;
    const std::string csv = ReadWholeFile(table);
    const int32_t rows = Count(csv, "\r\n") - 1;
    EXPECT_NE(out.find("Feature Count: " + std::to_string(rows)), std::string::npos) << out;
    EXPECT_NE(out.find("Geometry: Point"), std::string::npos) << out;
  }
}

}  // namespace
}  // namespace kv::testing
