// The tools our users open exports with read every GPX and KML file we
// write: GPX validates against the published GPX 1.0 schema, KML is
// well-formed, GDAL counts the right features and points, and gpsbabel
// reads both. A tool that is not installed is skipped (CI installs them
// through tools/bootstrap.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "exchange/export_session.h"

namespace kv::testing {
namespace {

const std::string kGpxSchema = "../shared/external/schemas/gpx-1.0/gpx.xsd";

// The command's exit status; its standard output and error in *output.
int RunTool(const std::string& command, std::string* output) {
  output->clear();
  FILE* pipe = popen(std::string(command).append(" 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output->append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int32_t Count(const std::string& text, const std::string& word) {
  int32_t n = 0;
  for (size_t pos = text.find(word); pos != std::string::npos; pos = text.find(word, pos + 1)) ++n;
  return n;
}

// "Feature Count: N" of the named layer in ogrinfo's summary.
bool LayerCount(const std::string& summary, const std::string& layer, int32_t count) {
  const size_t at = summary.find(std::string("Layer name: ").append(layer));
  return at != std::string::npos &&
         summary.find(std::string("Feature Count: ").append(std::to_string(count)), at) != std::string::npos;
}

TEST(ExportClients, EveryGpxAndKmlIsReadWhole) {
  std::string out;
  const bool xmllint = RunTool("command -v xmllint", &out) == 0, ogrinfo = RunTool("command -v ogrinfo", &out) == 0,
             gpsbabel = RunTool("command -v gpsbabel", &out) == 0;
  if (!xmllint && !ogrinfo && !gpsbabel) GTEST_SKIP() << "none of xmllint, ogrinfo and gpsbabel installed";
  TempFolder folder;
  const auto session = MakeSimulatedSession(folder.Path());
  const struct {
    ExportScope scope;
    int32_t lap, laps;
  } scopes[] = {{ExportScope::kBestLap, 0, 1},
                {ExportScope::kSelectedLap, 1, 1},
                {ExportScope::kSelectedLap, LapList::kSelectOptimal, 1},
                {ExportScope::kAllLaps, 0, session->Laps().CompletedLaps()},
                {ExportScope::kRoute, 0, 0}};
  for (const auto& s : scopes) {
    std::string gpx_path, kml_path;
    const std::string gpx = Export(*session, {ExportType::kGpx, s.scope, s.lap, {}}, &gpx_path);
    Export(*session, {ExportType::kKml, s.scope, s.lap, {}}, &kml_path);
    const std::string gpx_file = std::string(" '").append(gpx_path).append("'");
    const std::string kml_file = std::string(" '").append(kml_path).append("'");
    if (xmllint) {
      EXPECT_EQ(RunTool("xmllint --nonet --noout --schema " + kGpxSchema + gpx_file, &out), 0) << out;
      EXPECT_EQ(RunTool("xmllint --nonet --noout" + kml_file, &out), 0) << out;
    }
    if (gpsbabel) {
      EXPECT_EQ(RunTool("gpsbabel -t -i gpx -f" + gpx_file + " -o csv -F" + gpx_file + ".csv", &out), 0) << out;
      EXPECT_EQ(Count(ReadWholeFile(gpx_path + ".csv"), "\n"), Count(gpx, "<trkpt ")) << gpx_path;
      EXPECT_EQ(RunTool("gpsbabel -i kml -f" + kml_file + " -o gpx -F" + kml_file + ".gpx", &out), 0) << out;
      EXPECT_EQ(out.find("rror"), std::string::npos) << out;
    }
    if (!ogrinfo) continue;
    ASSERT_EQ(RunTool("ogrinfo -ro -so" + gpx_file + " tracks track_points", &out), 0) << out;
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
    EXPECT_TRUE(LayerCount(out, "tracks", Count(gpx, "<trk>"))) << out;
    EXPECT_TRUE(LayerCount(out, "track_points", Count(gpx, "<trkpt "))) << out;
    ASSERT_EQ(RunTool("ogrinfo -ro -al -so" + kml_file, &out), 0) << out;
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
    // A route is one layer; a lap export adds the session information and the track's traps.
    const std::string first = s.scope == ExportScope::kRoute ? "Traveled route" : "Session information";
    EXPECT_NE(out.find(std::string("Layer name: ").append(first)), std::string::npos) << out;
    EXPECT_EQ(Count(out, "Layer name:"), s.scope == ExportScope::kRoute ? 1 : 2 + s.laps) << out;
  }
}

}  // namespace
}  // namespace kv::testing
