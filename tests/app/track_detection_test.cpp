// The track picked by the first fix: the nearest start line within 1 km,
// for `track detect` and for a recording started without --track, whose
// laps must be exactly those of the same recording with --track.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "app/review_commands.h"
#include "app/track_detection.h"
#include "session_folder.h"
#include "storage/session_header.h"
#include "storage/storage_paths.h"
#include "support/temp_folder.h"
#include "support/track_simulator.h"
#include "timing/geodesy.h"
#include "util/utf_convert.h"

namespace kv::app {
namespace {

using kv::testing::TempFolder;
using kv::testing::WriteWholeFile;

// A point `metres` north of `from` (1 unit = 1.85 cm, so distances hold to 2 cm).
IntPoint North(IntPoint from, double metres) {
  return ToIntPoint(DestinationPoint(ToGeoPoint(from), MetresToRad(metres), 0.0));
}

TEST(NearestTrack, NearestStartWithinOneKilometreLocalFirstOnTies) {
  const IntPoint fix{300000000, 36000000};  // 50 N, 6 E
  struct Place {
    const char* name;
    double metres;  // north of the fix; < 0: no start line
    const char* origin;
  };
  struct Case {
    const char* legend;
    std::vector<Place> places;
    const char* picked;  // "" for none
    double metres;
  } cases[] = {
      {"the nearest of several", {{"A", 800, "local"}, {"B", 300, "local"}, {"C", 500, "club"}}, "B", 300},
      {"none within 1 km", {{"A", 1000.5, "local"}, {"B", 5000, "local"}}, "", 0},
      {"just inside 1 km", {{"A", 999.5, "local"}}, "A", 999.5},
      {"a tie goes to the local track", {{"L", 400, "club"}, {"A", 400, "local"}}, "A", 400},
      {"a tie between local tracks: the first", {{"A", 400, "local"}, {"B", 400, "local"}}, "A", 400},
      {"a track without start line is skipped", {{"A", -1, "local"}, {"B", 700, "local"}}, "B", 700},
  };
  for (const Case& c : cases) {
    std::vector<TrackCandidate> candidates;
    for (const Place& p : c.places) candidates.push_back({p.name, p.metres < 0 ? IntPoint{} : North(fix, p.metres), p.origin});
    const std::optional<NearbyTrack> picked = NearestTrack(candidates, fix);
    ASSERT_EQ(picked.has_value(), *c.picked != '\0') << c.legend;
    if (!picked) continue;
    EXPECT_EQ(c.picked, picked->track.name) << c.legend;
    EXPECT_NEAR(c.metres, picked->distance_m, 0.05) << c.legend;
  }
  EXPECT_FALSE(NearestTrack({{"A", fix, "local"}}, IntPoint{}).has_value()) << "no fix, no track";
}

// A simulated drive near the "Test ring"; beside it in the data folder lie
// tracks that must not be picked: one 5 km away, one whose only line (a
// split) lies where the drive starts.
class TrackDetection : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SimConfig config;
    config.circuit = sim::RoundedRectangle(12);
    config.laps = 3;
    config.start_offset_ms = -5000.0;
    simulator_ = std::make_unique<sim::TrackSimulator>(config);
    nmea_ = simulator_->Nmea();
    ASSERT_TRUE(EnsureFolders(dir_.Path()));
    TrapList ring(kTrapListGrowth);
    ring.Append(simulator_->TrapAt(0.0, kTrapStartFinish, 30.0, true));
    ring.Append(simulator_->TrapAt(simulator_->LapLength() / 2, kTrapSplit, 30.0, true));
    Save("Test ring", DefinitionsOf(ring));
    TrapDefinitionList far(kTrapListGrowth), split_only(kTrapListGrowth);
    far.Append(ring[0]);
    far[0].position = North(ring[0].position, 5000.0);
    Save("Far ring", far);
    split_only.Append(ring[1]);
    split_only[0].position = North(ring[0].position, -150.0);
    Save("Split only", split_only);
    WriteWholeFile(dir_.Path() + "drive.nmea", nmea_);
  }

  void Save(const char* name, const TrapDefinitionList& traps) {
    TrackProfile profile;
    profile.name = FromUtf8(name);
    profile.root = dir_.Path();
    profile.traps = traps;
    profile.changed = profile.traps_loaded = true;
    ASSERT_TRUE(SaveTrack(profile));
  }

  // Sentences of epochs without a fix, one a second for `seconds` before noon.
  static std::string NoFixBefore(int seconds) {
    std::string text;
    for (int t = 12 * 3600 - seconds; t < 12 * 3600; ++t) {
      char body[80];
      std::snprintf(body, sizeof body, "$GPRMC,%02d%02d%02d.000,V,,,,,,,150624,,,N", t / 3600, t / 60 % 60, t % 60);
      text += sim::WithChecksum(body);
    }
    return text;
  }

  int Detect(const std::string& text, bool json = false) {
    WriteWholeFile(dir_.Path() + "in.nmea", text);
    out_.str({});
    err_.str({});
    return RunTrackDetect({dir_.Path(), "file:" + dir_.Path() + "in.nmea", json}, out_, err_);
  }

  int Record(const std::string& file, const std::string& track = "") {
    RecordOptions o;
    o.data_dir = o.runtime_folder = dir_.Path();
    o.gps = "file:" + file;
    o.track = track;
    o.fast = true;
    out_.str({});
    err_.str({});
    return RunRecord(o, out_, err_);
  }

  SessionHeader RecordedHeader() {
    SessionHeader header;
    header.root = dir_.Path();
    header.base_name = FromUtf8(RecordedSessionBase(dir_.Path()));
    int32_t error = 0;
    EXPECT_TRUE(LoadSessionHeader(header, true, &error));
    return header;
  }

  TempFolder dir_;
  std::unique_ptr<sim::TrackSimulator> simulator_;
  std::string nmea_;
  std::ostringstream out_, err_;
};

TEST_F(TrackDetection, DetectNamesTheTrackOfTheFirstFixWithinSixtySecondsOfTheSource) {
  // The drive starts 5 s (at most 150 m of road) before the start line.
  const std::regex picked("Track: Test ring \\(start line 1[0-4][0-9] m away\\)\n");
  EXPECT_EQ(0, Detect(nmea_)) << err_.str();
  EXPECT_TRUE(std::regex_match(out_.str(), picked)) << out_.str();
  EXPECT_EQ(0, Detect(NoFixBefore(59) + nmea_)) << "a fix after 59 s without one";
  EXPECT_TRUE(std::regex_match(out_.str(), picked)) << out_.str();
  EXPECT_EQ(1, Detect(NoFixBefore(61) + nmea_)) << "no fix for 61 s of the source's time";
  EXPECT_EQ("No position was received.\n", err_.str());
  EXPECT_EQ(1, Detect(NoFixBefore(5))) << "no fix up to the end";
  EXPECT_EQ("No position was received.\n", err_.str());

  ASSERT_EQ(0, Detect(nmea_, true));
  const nlohmann::json j = nlohmann::json::parse(out_.str());
  EXPECT_EQ("Test ring", j["track"]);
  EXPECT_EQ(48.0, std::round(j["lat_deg"].get<double>()));
  ASSERT_TRUE(platform::DeleteFile(BuildPath(u"Test ring", dir_.Path(), FileKind::kTrackProfile)));
  EXPECT_EQ(1, Detect(nmea_, true));
  EXPECT_TRUE(nlohmann::json::parse(out_.str())["track"].is_null());
  EXPECT_EQ(1, Detect(nmea_));
  EXPECT_TRUE(out_.str().starts_with("No track starts within 1 km of 47.99")) << out_.str();
}

TEST_F(TrackDetection, RecordingWithoutTrackTimesLapsWithTheNearTrackOrRecordsWithoutOne) {
  ASSERT_EQ(0, Record(dir_.Path() + "drive.nmea")) << err_.str();
  EXPECT_NE(std::string::npos, err_.str().find("Track: Test ring (start line ")) << err_.str();
  EXPECT_NE(std::string::npos, out_.str().find("Lap 2  ")) << out_.str();
  EXPECT_EQ(u"Test ring", RecordedHeader().track.Std()) << "the session reloads with its track";

  ASSERT_TRUE(DeleteSession(RecordedHeader().base_name.AsView(), dir_.Path()));
  ASSERT_TRUE(platform::DeleteFile(BuildPath(u"Test ring", dir_.Path(), FileKind::kTrackProfile)));
  ASSERT_EQ(0, Record(dir_.Path() + "drive.nmea")) << "recorded all the same: " << err_.str();
  EXPECT_NE(std::string::npos, err_.str().find("No track starts within 1 km: laps are not timed.\n")) << err_.str();
  EXPECT_TRUE(RecordedHeader().track.IsEmpty());
}

// Where the traps join the live pipeline: the demo replayed without
// --track must give exactly the laps of the demo with it, live and after a
// reload.
TEST(TrackDetectionDemo, DemoWithoutTrackGivesTheLapsOfTheDemoWithIt) {
  TempFolder with, without;
  // The live lap lines, then the reloaded lap table.
  const auto laps = [](const std::string& dir, const std::string& live) {
    ReviewOptions o;
    o.data_dir = dir;
    o.session = RecordedSessionBase(dir);
    o.json = true;
    std::ostringstream out, err;
    EXPECT_EQ(0, RunLaps(o, out, err)) << err.str();
    nlohmann::json j = nlohmann::json::parse(out.str());
    j.erase("session");
    const size_t first = live.find("Lap 1 ");
    return live.substr(first, live.find("Session ") - first) + j.dump();
  };
  std::ostringstream demo_out, out, err;
  RecordOptions o;
  o.fast = true;
  ASSERT_EQ(0, RunDemo(with.Path(), o, demo_out, err)) << err.str();
  ASSERT_TRUE(EnsureFolders(without.Path()));
  ASSERT_TRUE(platform::CopyFile("data/demo/Demo circuit-track.bin",
                                 BuildPath(u"Demo circuit", without.Path(), FileKind::kTrackProfile)));
  o.data_dir = o.runtime_folder = without.Path();
  o.gps = "file:data/demo/demo.nmea";
  ASSERT_EQ(0, RunRecord(o, out, err)) << err.str();
  EXPECT_NE(std::string::npos, err.str().find("Track: Demo circuit (start line 160 m away)\n")) << err.str();
  EXPECT_EQ(laps(with.Path(), demo_out.str()), laps(without.Path(), out.str()));
}

}  // namespace
}  // namespace kv::app
