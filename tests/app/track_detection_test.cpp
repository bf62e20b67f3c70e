// The track picked by the first fix: the nearest start line within 1 km,
// for `track detect` and for a recording started without --track, whose
// laps must be exactly those of the same recording with --track.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <tuple>

#include "app/review_commands.h"
#include "app/track_detection.h"
#include "online/library_server.h"
#include "platform/thread.h"
#include "session_folder.h"
#include "storage/session_header.h"
#include "storage/storage_paths.h"
#include "support/temp_folder.h"
#include "support/track_simulator.h"
#include "timing/geodesy.h"
#include "util/utf_convert.h"

namespace kv::app {
namespace {

using kv::testing::ReadWholeFile;
using kv::testing::TempFolder;
using kv::testing::WriteWholeFile;

// A point `metres` north of `from` (1 unit = 1.85 cm, so distances hold to 2 cm).
IntPoint North(IntPoint from, double metres) {
  return ToIntPoint(DestinationPoint(ToGeoPoint(from), MetresToRad(metres), 0.0));
}

TEST(NearestTrack, NearestStartWithinOneKilometreLocalFirstOnTies) {
  const IntPoint fix{300000000, 36000000};  // 50 N, 6 E
  using Place = std::tuple<const char*, double, const char*>;  // name, metres north (< 0: no start line), origin
  struct Case {
    const char* legend;
    std::vector<Place> places;
    const char* picked;  // "" for none
    double metres;
  } cases[] = {
      {"the nearest of several", {{"A", 800, "local"}, {"B", 300, "local"}, {"C", 500, "club"}}, "B", 300},
      {"none within 1 km", {{"A", 1000.5, "local"}, {"B", 5000, "local"}}, "", 0},
      {"just inside 1 km", {{"A", 1000.5, "local"}, {"B", 999.5, "local"}}, "B", 999.5},
      {"a tie goes to the local track", {{"L", 400, "club"}, {"A", 400, "local"}}, "A", 400},
      {"a tie between local tracks: the first", {{"A", 400, "local"}, {"B", 400, "local"}}, "A", 400},
      {"a track without start line is skipped", {{"A", -1, "local"}, {"B", 700, "local"}}, "B", 700},
  };
  for (const Case& c : cases) {
    std::vector<TrackCandidate> candidates;
    for (const auto& [name, metres, origin] : c.places)
      candidates.push_back({name, metres < 0 ? IntPoint{} : North(fix, metres), origin});
    const std::optional<NearbyTrack> picked = NearestTrack(candidates, fix);
    EXPECT_EQ(c.picked, picked ? picked->track.name : "") << c.legend;
    EXPECT_NEAR(c.metres, picked ? picked->distance_m : 0.0, 0.05) << c.legend;
  }
}

// A drive starting 5 s before the start line of the "Test ring", beside
// tracks never to be picked: one 5 km away, one with only a split line,
// where the drive starts.
class TrackDetection : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SimConfig config;
    config.circuit = sim::RoundedRectangle(12);
    config.laps = 3;
    config.start_offset_ms = -5000.0;
    sim::TrackSimulator simulator(config);
    nmea_ = simulator.Nmea();
    WriteWholeFile(dir_.Path() + "drive.nmea", nmea_);
    ASSERT_TRUE(EnsureFolders(dir_.Path()));
    TrapDefinitionList ring(kTrapListGrowth);
    ring.Append(simulator.TrapAt(0.0, kTrapStartFinish, 30.0, true));
    ring.Append(simulator.TrapAt(simulator.LapLength() / 2, kTrapSplit, 30.0, true));
    Save("Test ring", ring);
    ring.RemoveAt(1);
    ring[0].position = North(ring[0].position, 5000.0);
    Save("Far ring", ring);
    double x, y, speed, heading, lat, lon;
    simulator.StateAt(config.start_offset_ms, &x, &y, &speed, &heading);
    simulator.ToRadians(x, y, &lat, &lon);
    ring[0].line_type = kTrapSplit;
    ring[0].position = RadiansToIntPoint(lat, lon);
    Save("Split only", ring);
  }

  void Save(const char* name, const TrapDefinitionList& traps) {
    TrackProfile profile;
    profile.name = FromUtf8(name);
    profile.root = dir_.Path();
    profile.traps = traps;
    profile.changed = profile.traps_loaded = true;
    ASSERT_TRUE(SaveTrack(profile));
  }

  // Sentences of epochs without a fix, one a second for `seconds` before
  // noon, when the drive starts.
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

  // Records the drive without --track; the session's track name.
  std::u16string RecordDrive() {
    RecordOptions o;
    o.data_dir = o.runtime_folder = dir_.Path();
    o.gps = "file:" + dir_.Path() + "drive.nmea";
    o.fast = true;
    err_.str({});
    EXPECT_EQ(0, RunRecord(o, out_, err_)) << err_.str();
    SessionHeader header;
    header.base_name = FromUtf8(RecordedSessionBase(dir_.Path()));
    header.root = dir_.Path();
    int32_t error = 0;
    EXPECT_TRUE(LoadSessionHeader(header, true, &error)) << "the session is recorded";
    EXPECT_TRUE(DeleteSession(header.base_name.AsView(), header.root));
    return header.track.Std();
  }

  TempFolder dir_;
  std::string nmea_;
  std::ostringstream out_, err_;
};

TEST_F(TrackDetection, DetectNamesTheTrackOfTheFirstFixWithinSixtySecondsOfTheSource) {
  const std::regex picked("Track: Test ring \\(start line 1[0-4][0-9] m away\\)\n");  // <= 150 m of road
  EXPECT_TRUE(Detect(nmea_) == 0 && std::regex_match(out_.str(), picked)) << out_.str() << err_.str();
  EXPECT_TRUE(Detect(NoFixBefore(59) + nmea_) == 0 && std::regex_match(out_.str(), picked)) << "a fix after 59 s";
  EXPECT_EQ(1, Detect(NoFixBefore(61) + nmea_)) << "no fix for 61 s of the source's time";
  EXPECT_EQ("No position was received.\n", err_.str());
  EXPECT_EQ(1, Detect(NoFixBefore(5))) << "no fix up to the end";
  EXPECT_EQ("No position was received.\n", err_.str());
  ASSERT_TRUE(platform::DeleteFile(BuildPath(u"Test ring", dir_.Path(), FileKind::kTrackProfile)));
  EXPECT_EQ(1, Detect(nmea_, true));
  const nlohmann::json j = nlohmann::json::parse(out_.str());
  EXPECT_TRUE(j["track"].is_null() && j["distance_m"].is_null() && std::round(j["lat_deg"].get<double>()) == 48);
  EXPECT_EQ(1, Detect(nmea_));
  EXPECT_TRUE(out_.str().starts_with("No track starts within 1 km of 47.99")) << out_.str();
}

TEST_F(TrackDetection, RecordingWithoutTrackTimesLapsWithTheNearTrackOrRecordsWithoutOne) {
  EXPECT_EQ(u"Test ring", RecordDrive()) << "the session reloads with its track";
  EXPECT_NE(std::string::npos, err_.str().find("Track: Test ring (start line ")) << err_.str();
  EXPECT_NE(std::string::npos, out_.str().find("Lap 2  ")) << out_.str();
  ASSERT_TRUE(platform::DeleteFile(BuildPath(u"Test ring", dir_.Path(), FileKind::kTrackProfile)));
  EXPECT_EQ(u"", RecordDrive());
  EXPECT_NE(std::string::npos, err_.str().find("No track starts within 1 km: laps are not timed.\n")) << err_.str();
}

// With no track of the driver's near, the track library's is named by
// `track detect` and downloaded by a recording, which times laps with it;
// a library that cannot be reached costs only the lookup.
TEST_F(TrackDetection, TheLibrarysTrackIsPickedWhenNoneOfYoursIsNear) {
  TempFolder library;
  LibraryFolder folder(library.Path());
  const std::string ring_file = BuildPath(u"Test ring", dir_.Path(), FileKind::kTrackProfile);
  const std::string ring = ReadWholeFile(ring_file);
  ASSERT_EQ(folder.AddUpload("Test ring", "a@b.c", "The ring", ring).status, 200);
  ASSERT_TRUE(platform::DeleteFile(ring_file));
  auto server = std::make_unique<LibraryServer>(folder);
  const int port = server->Bind("127.0.0.1", 0);
  platform::Thread serving([&] { server->Run(); });
  Settings settings;
  settings.library_server = FromUtf8("127.0.0.1:" + std::to_string(port));
  SaveSettings(dir_.Path() + "Korvatinel/", settings);

  EXPECT_EQ(0, Detect(nmea_)) << err_.str();
  EXPECT_TRUE(std::regex_match(out_.str(), std::regex("Track: Test ring \\(start line 1[0-4][0-9] m away, from the "
                                                      "track library\\)\nAdd it with: korvatinel library "
                                                      "download \"Test ring\"\n")))
      << out_.str();
  EXPECT_FALSE(platform::FileExists(ring_file)) << "named, not downloaded";
  EXPECT_EQ(u"Test ring", RecordDrive());
  EXPECT_NE(std::string::npos, err_.str().find("Succesfully added 'Test ring'")) << err_.str();
  EXPECT_NE(std::string::npos, out_.str().find("Lap 2  ")) << out_.str();
  EXPECT_EQ(ReadWholeFile(ring_file), ring);

  server->Stop();
  serving.Join(15000);
  ASSERT_TRUE(platform::DeleteFile(ring_file));
  EXPECT_EQ(u"", RecordDrive());
  EXPECT_NE(std::string::npos, err_.str().find("could not be read: only your own tracks were looked at.")) << err_.str();
}

// The demo with --track matches the golden lap table (rewritten by
// tools/regenerate_goldens.sh); without --track it gives exactly the same
// laps, live and reloaded: the traps join before any line can be crossed.
TEST(DemoLaps, WithTheTrackTheGoldenFileAndWithoutItTheSameLaps) {
  TempFolder with, without;
  // The live lap lines, and the reloaded lap table as `laps --json` prints it but for the creation time.
  const auto laps = [](const std::string& dir, const std::string& live) {
    ReviewOptions o;
    o.data_dir = dir;
    o.session = RecordedSessionBase(dir);
    o.json = true;
    std::ostringstream out, err;
    EXPECT_EQ(0, RunLaps(o, out, err)) << err.str();
    nlohmann::json table = nlohmann::json::parse(out.str());
    table.erase("session");
    const size_t first = live.find("Lap 1 ");
    return std::pair{live.substr(first, live.find("Session ") - first), table.dump(1)};
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
  const auto with_track = laps(with.Path(), demo_out.str());
  EXPECT_EQ(nlohmann::json::parse(ReadWholeFile("tests/data/demo-laps.json")).dump(1), with_track.second);
  EXPECT_EQ(with_track, laps(without.Path(), out.str()));
}

}  // namespace
}  // namespace kv::app
