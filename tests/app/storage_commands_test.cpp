#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>

#include "app/session_commands.h"
#include "app/track_commands.h"
#include "storage/session_header.h"
#include "storage/storage_paths.h"
#include "support/temp_folder.h"

namespace kv::app {
namespace {

using kv::testing::WriteWholeFile;

class StorageCommandsTest : public ::testing::Test {
 protected:
  using Run = int (*)(const TrackCommandOptions&, std::ostream&, std::ostream&);

  int Track(Run run, TrackCommandOptions o) {
    o.data_dir = temp_.Path();
    out_.str({});
    err_.str({});
    return run(o, out_, err_);
  }
  TrackCommandOptions Named(const std::string& name) {
    TrackCommandOptions o;
    o.name = name;
    return o;
  }
  nlohmann::json ShowJson(const std::string& name) {
    TrackCommandOptions o = Named(name);
    o.json = true;
    EXPECT_EQ(Track(RunTrackShow, o), 0) << err_.str();
    return nlohmann::json::parse(out_.str());
  }
  void WriteSession(const std::u16string& base, const std::u16string& track) {
    EnsureFolders(temp_.Path());
    SessionHeader h;
    h.root = temp_.Path();
    h.base_name = base;
    h.track = track;
    h.title = u"T\u00e9st";
    h.type = kSessionPerformance;
    h.created.day = DateTimeValue::MakeDay(2009, 5, 21);
    h.created.time = DateTimeValue::MakeTime(16, 52, 3, 0);
    h.changed = true;
    SaveSessionHeader(h);
  }

  kv::testing::TempFolder temp_;
  std::ostringstream out_, err_;
};

TEST_F(StorageCommandsTest, CreateAddAndShowAsJson) {
  ASSERT_EQ(Track(RunTrackCreate, Named("Spa")), 0);
  EXPECT_EQ(Track(RunTrackCreate, Named("SPA")), 1);
  EXPECT_EQ(err_.str(), "Similarly named track already exists.\n");
  EXPECT_EQ(Track(RunTrackCreate, Named("a:b")), 1);
  EXPECT_EQ(err_.str(), "Name contains invalid characters.\n");
  TrackCommandOptions add = Named("Spa");
  add.type = "start-finish";
  add.at = "50.4372,-5.9714";
  add.bearing_deg = 270.0;
  ASSERT_EQ(Track(RunTrackAdd, add), 0) << err_.str();
  add.type = "sideways";
  EXPECT_EQ(Track(RunTrackAdd, add), 2);
  add.type = "split";
  add.name = "Nowhere";
  EXPECT_EQ(Track(RunTrackAdd, add), 1);

  // Heading west, end A (bearing + 90) lies to the north; the width is stored in 1.85 cm steps and shown
  // to the cm, positions to 1e-7 degree, each number in its shortest form.
  ShowJson("spa");
  EXPECT_EQ(out_.str(), R"({"locked":false,"name":"Spa","traps":[{"bearing_deg":270,"end_a":{"lat_deg":50.4374248,)"
                        R"("lon_deg":-5.9713998},"end_b":{"lat_deg":50.4369752,"lon_deg":-5.9713998},"lat_deg":50.4372,)"
                        R"("lon_deg":-5.9714,"name":"Start/Finish","one_way":true,"type":"start-finish","width_m":50}]})"
                        "\n");
}

// Lines given by two points across the track (--from on the driver's
// right), then moved and removed by number or name. Tolerances: positions
// 1e-6 degrees, bearings 1e-5 degrees, widths 1 cm (the file's steps).
TEST_F(StorageCommandsTest, LinesThroughTwoPointsMovedAndRemoved) {
  ASSERT_EQ(Track(RunTrackCreate, Named("Spa")), 0);
  const double no = std::nan("");
  const struct {
    const char* legend;
    Run run;
    const char *line, *at;
    double bearing;
    const char *from, *to;
    double width;
    int status, lines, shown;  // shown: the line checked, from 1
    double lat, lon, bearing_deg, width_m;
  } cases[] = {
      // 0.0002 degrees of the equator are 22.239 m, 0.0005 degrees of a meridian 55.597 m.
      {"east to west: heading north", RunTrackAdd, "", "", no, "0,0.0001", "0,-0.0001", 0, 0, 1, 1, 0, 0, 0, 22.239},
      {"south to north: heading east", RunTrackAdd, "", "", no, "50,8", "50.0005,8", 0, 0, 2, 2, 50.00025, 8, 90, 55.597},
      {"by centre and bearing", RunTrackAdd, "", "50,8", 90, "", "", 0, 0, 3, 3, 50, 8, 90, 50.001},
      {"both forms", RunTrackAdd, "", "50,8", 90, "50,8", "50,9", 0, 2, 3, 3, 50, 8, 90, 50.001},
      {"neither form", RunTrackAdd, "", "", no, "", "", 0, 2, 3, 3, 50, 8, 90, 50.001},
      {"equal points", RunTrackAdd, "", "", no, "50,8", "50,8", 0, 2, 3, 3, 50, 8, 90, 50.001},
      {"a name two lines share", RunTrackLineRemove, "new SPLIT", "", no, "", "", 0, 2, 3, 3, 50, 8, 90, 50.001},
      {"no line 4", RunTrackLineRemove, "4", "", no, "", "", 0, 1, 3, 3, 50, 8, 90, 50.001},
      {"moved across, wider", RunTrackLineMove, "3", "", no, "1,1.0001", "1,1", 30, 0, 3, 3, 1, 1.00005, 0, 30},
      {"moved to a centre", RunTrackLineMove, "3", "2,2", 180, "", "", 0, 0, 3, 3, 2, 2, 180, 30},
      {"removed by number", RunTrackLineRemove, "02", "", no, "", "", 0, 0, 2, 2, 2, 2, 180, 30},
      {"removed by name", RunTrackLineRemove, "start/FINISH", "", no, "", "", 0, 0, 1, 1, 2, 2, 180, 30},
  };
  for (const auto& c : cases) {
    TrackCommandOptions o = Named("Spa");
    o.type = &c == cases ? "start-finish" : "split";
    std::tie(o.line, o.at, o.bearing_deg, o.from, o.to, o.width_m) = std::tuple(c.line, c.at, c.bearing, c.from, c.to, c.width);
    EXPECT_EQ(Track(c.run, o), c.status) << c.legend << ": " << err_.str();
    const nlohmann::json traps = ShowJson("Spa")["traps"];
    ASSERT_EQ(traps.size(), static_cast<size_t>(c.lines)) << c.legend;
    const nlohmann::json& t = traps[static_cast<size_t>(c.shown - 1)];
    EXPECT_NEAR(t["lat_deg"].get<double>(), c.lat, 1e-6) << c.legend;
    EXPECT_NEAR(t["lon_deg"].get<double>(), c.lon, 1e-6) << c.legend;
    EXPECT_NEAR(t["bearing_deg"].get<double>(), c.bearing_deg, 0.005) << c.legend;
    EXPECT_NEAR(t["width_m"].get<double>(), c.width_m, 0.01) << c.legend;
  }
  WriteSession(u"20090521-1852", u"SPA");
  TrackCommandOptions o = Named("Spa");
  o.line = "1";
  EXPECT_EQ(Track(RunTrackLineRemove, o), 1) << "a session is timed from its lines";
  o.force = true;
  EXPECT_EQ(Track(RunTrackLineRemove, o), 0) << err_.str();
}

TEST_F(StorageCommandsTest, ImportListRenameAndDelete) {
  WriteWholeFile(temp_.Path() + "spa.lap", "[Start Finish \xAC S/F]\r\n300000000 36000000 300001000 36000000\r\n");
  TrackCommandOptions import = Named("Spa");
  import.file = temp_.Path() + "spa.lap";
  import.lock = true;
  ASSERT_EQ(Track(RunTrackImport, import), 0) << err_.str();
  EXPECT_EQ(out_.str(), "Import successful.\n");
  WriteWholeFile(temp_.Path() + "bad.dsf", "[SF]\r\nx,y,z\r\n");
  import.name = "Bad";
  import.file = temp_.Path() + "bad.dsf";
  EXPECT_EQ(Track(RunTrackImport, import), 1);
  EXPECT_EQ(err_.str(), "Could not import. Error #2.\n");
  import.file = temp_.Path() + "missing.dsf";
  EXPECT_EQ(Track(RunTrackImport, import), 1);
  EXPECT_EQ(err_.str(), "Could not import. Error #1.\n");

  WriteSession(u"20090521-1852", u"Spa");
  TrackCommandOptions list;
  list.json = true;
  ASSERT_EQ(Track(RunTrackList, list), 0);
  EXPECT_EQ(nlohmann::json::parse(out_.str()),
            nlohmann::json::parse(R"([{"name":"Spa","sessions":1,"storage":")" + temp_.Path() + R"(","traps":1,"damaged":null}])"));

  TrackCommandOptions rename = Named("Spa");
  rename.new_name = "Spa 2009";
  ASSERT_EQ(Track(RunTrackRename, rename), 0) << err_.str();
  EXPECT_EQ(ShowJson("Spa 2009")["locked"], true);
  SessionCommandOptions sessions;
  sessions.data_dir = temp_.Path();
  sessions.json = true;
  std::ostringstream out, err;
  ASSERT_EQ(RunSessions(sessions, out, err), 0);
  EXPECT_EQ(nlohmann::json::parse(out.str()),
            nlohmann::json::parse(R"([{"session":"20090521-1852","title":"T\u00e9st","type":"perf","track":"Spa 2009",)"
                                  R"("test":"","driver":"","notes":"","created":"2009-05-21T16:52:03Z","start_utc":"2009-05-21T16:52:03Z",)"
                                  R"("laps":null,"best_lap_ms":null,"duration_ms":null,"storage":")" +
                                  temp_.Path() + "\",\"damaged\":null}]"))
      << "the rename reached the session; no sample file, no figures";

  TrackCommandOptions remove = Named("spa 2009");
  remove.force = true;  // the session uses it
  ASSERT_EQ(Track(RunTrackDelete, remove), 0);
  EXPECT_EQ(Track(RunTrackDelete, remove), 1);
}

TEST_F(StorageCommandsTest, DeleteSession) {
  WriteSession(u"20090521-1852", u"");
  WriteWholeFile(BuildPath(u"20090521-1852", temp_.Path(), FileKind::kSampleFile), "x");
  SessionCommandOptions o;
  o.data_dir = temp_.Path();
  o.session = "20090521-1852";
  std::ostringstream out, err;
  EXPECT_EQ(RunDeleteSession(o, out, err), 0) << "no NMEA log is no failure";
  EXPECT_FALSE(SessionHeaderExists(u"20090521-1852", temp_.Path()));
  EXPECT_EQ(RunDeleteSession(o, out, err), 1);
  o.json = true;
  out.str({});
  EXPECT_EQ(RunSessions(o, out, err), 0);
  EXPECT_EQ(out.str(), "[]\n");
}

}  // namespace
}  // namespace kv::app
