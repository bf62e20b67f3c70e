// Sessions through the real reader thread and main loop: `record --fast`
// of a simulated drive with known crossings, reload, resume (also after a
// crash left a record cut short).
#include <gtest/gtest.h>

#include <sstream>

#include "app/record_command.h"
#include "session/session_loader.h"
#include "session_folder.h"
#include "storage/storage_list.h"
#include "storage/storage_paths.h"
#include "storage/track_profile.h"
#include "support/session_pipeline.h"
#include "support/temp_folder.h"
#include "support/track_simulator.h"
#include "util/utf_convert.h"

namespace kv::app {
namespace {

using kv::testing::ReadWholeFile;
using kv::testing::TempFolder;
using kv::testing::WriteWholeFile;

class SessionEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SimConfig config;
    config.circuit = sim::RoundedRectangle(12);
    config.rate_hz = 10;
    config.laps = 4;
    config.start_offset_ms = -5000.0;
    config.lap_speed_factor = {1.0, 1.02, 0.98, 1.01};
    simulator_ = std::make_unique<sim::TrackSimulator>(config);
    const double length = simulator_->LapLength();
    traps_.Append(simulator_->TrapAt(0.0, kTrapStartFinish, 30.0, true));
    traps_.Append(simulator_->TrapAt(length / 3.0, kTrapSplit, 30.0, true));
    traps_.Append(simulator_->TrapAt(2.0 * length / 3.0, kTrapSplit, 30.0, true));
    TrackProfile profile;
    profile.name = FromUtf8("Test ring");
    profile.root = dir_.Path();
    profile.traps = DefinitionsOf(traps_);
    profile.trap_count = traps_.Count();
    profile.changed = true;
    profile.traps_loaded = true;
    ASSERT_TRUE(EnsureFolders(dir_.Path()));
    ASSERT_TRUE(SaveTrack(profile));
    nmea_ = simulator_->Nmea();
  }

  RecordOptions Options(const std::string& file) {
    RecordOptions o;
    o.data_dir = dir_.Path();
    o.runtime_folder = dir_.Path();
    o.gps = "file:" + file;
    o.track = "Test ring";
    o.fast = true;
    return o;
  }

  // The only session's base name.
  std::string OnlySession() { return RecordedSessionBase(dir_.Path()); }

  std::unique_ptr<SessionData> Reload(const std::string& base) {
    StorageList storage(dir_.Path());
    storage.Refresh();
    SessionLoader loader(storage, storage.DefaultRoot(), FromUtf8(base), LapSettings{});
    while (loader.Step()) {
    }
    EXPECT_EQ(loader.Result(), SessionLoader::Outcome::kLoaded);
    return loader.Take();
  }

  std::vector<int32_t> PipelineLapTimes(const std::string& nmea) {
    sim::SessionPipeline pipeline(traps_);
    pipeline.Feed(nmea);
    return sim::LapTimes(pipeline.Laps());
  }

  TempFolder dir_;
  std::unique_ptr<sim::TrackSimulator> simulator_;
  TrapList traps_{kTrapListGrowth};
  std::string nmea_;
};

// Regression: a fast replay hands over far more text at once than a
// receiver does, and the parser's bounded buffer used to drop it whole, so
// part of the drive (and a lap) went missing. How close the timing comes to
// the true crossings is the timing accuracy test's concern.
TEST_F(SessionEndToEnd, RecordedLapsAreTheLiveOnesAfterReloadWithNothingLost) {
  const std::string file = dir_.Path() + "drive.nmea";
  WriteWholeFile(file, nmea_);
  std::ostringstream out, err;
  ASSERT_EQ(0, RunRecord(Options(file), out, err)) << err.str();
  // One line per finished lap while it ran.
  EXPECT_NE(std::string::npos, out.str().find("Lap 3  ")) << out.str();

  const std::unique_ptr<SessionData> session = Reload(OnlySession());
  EXPECT_EQ(PipelineLapTimes(nmea_), sim::LapTimes(session->Laps())) << "reload recomputes what the live run timed";
  // Every epoch with a position is a sample; nothing lost on the way.
  EXPECT_EQ(simulator_->EpochCount(), session->Samples().Count());
  const std::string log = ReadWholeFile(BuildPath(FromUtf8(OnlySession()), dir_.Path(), FileKind::kNmeaLog));
  EXPECT_EQ(nmea_.size(), log.size());
  EXPECT_TRUE(nmea_ == log) << "the NMEA log is the input, sentence for sentence";
}

// Resumed in the middle of lap 2, after a crash cut the last record short:
// only the partial tail goes, and the whole drive is timed as if unbroken.
// The resume is fed the whole drive again (regression: the laps of such an
// overlap were timed twice).
TEST_F(SessionEndToEnd, CrashTailIsCutOffAndAnOverlappingResumeRecordsEachEpochOnce) {
  WriteWholeFile(dir_.Path() + "first.nmea", nmea_.substr(0, nmea_.find("$GPRMC", nmea_.size() * 2 / 5)));
  WriteWholeFile(dir_.Path() + "second.nmea", nmea_);
  std::ostringstream out, err;
  ASSERT_EQ(0, RunRecord(Options(dir_.Path() + "first.nmea"), out, err));
  const std::string plots = BuildPath(FromUtf8(OnlySession()), dir_.Path(), FileKind::kSampleFile);
  const std::string intact = ReadWholeFile(plots);
  // A fix record cut short after its prefix and 10 payload bytes.
  WriteWholeFile(plots, intact + std::string("\x1f\x05" "0123456789", 12));
  RecordOptions resume = Options(dir_.Path() + "second.nmea");
  resume.session = OnlySession();
  ASSERT_EQ(0, RunResume(resume, out, err)) << err.str();
  EXPECT_EQ(intact, ReadWholeFile(plots).substr(0, intact.size())) << "complete records stay byte for byte";
  const std::unique_ptr<SessionData> session = Reload(OnlySession());
  EXPECT_EQ(simulator_->EpochCount(), session->Samples().Count()) << "no sample lost across the break";
  EXPECT_EQ(PipelineLapTimes(nmea_), sim::LapTimes(session->Laps()));
}

TEST_F(SessionEndToEnd, RefusalsToResume) {
  const std::string file = dir_.Path() + "drive.nmea";
  WriteWholeFile(file, nmea_.substr(0, nmea_.size() / 4));
  std::ostringstream out, err;
  ASSERT_EQ(0, RunRecord(Options(file), out, err));
  RecordOptions resume = Options(file);
  resume.session = OnlySession();
  resume.obd = "file:" + file;
  EXPECT_EQ(1, RunResume(resume, out, err));
  EXPECT_NE(std::string::npos, err.str().find("Cannot resume this session!")) << "recorded without OBD-II";

  const std::string plots = BuildPath(FromUtf8(OnlySession()), dir_.Path(), FileKind::kSampleFile);
  std::string bytes = ReadWholeFile(plots);
  bytes[16] = 0;  // the first record's length: damage no crash leaves
  WriteWholeFile(plots, bytes);
  resume.obd.clear();
  err.str({});
  EXPECT_EQ(1, RunResume(resume, out, err));
  EXPECT_NE(std::string::npos, err.str().find("File incomplete or corrupt! Cannot the resume this session."));
}

}  // namespace
}  // namespace kv::app
