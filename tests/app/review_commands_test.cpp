// The review commands on a recorded session: a lap marked invalid leaves
// the best-lap search and survives the reload, the result tables and the
// channel dump cover every lap and sample.
#include "app/review_commands.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "session_folder.h"
#include "support/temp_folder.h"

namespace kv::app {
namespace {

class ReviewCommands : public ::testing::Test {
 protected:
  ReviewOptions Options() const {
    ReviewOptions o;
    o.data_dir = dir_.Path();
    o.session = base_;
    o.json = true;
    return o;
  }

  nlohmann::json Run(int (*command)(const ReviewOptions&, std::ostream&, std::ostream&), ReviewOptions o) {
    std::ostringstream out, err;
    EXPECT_EQ(0, command(o, out, err)) << err.str();
    return nlohmann::json::parse(out.str());
  }

  kv::testing::TempFolder dir_;
  std::string base_ = RecordDemo(dir_.Path());
};

TEST_F(ReviewCommands, InvalidLapLeavesTheBestLapSearchAndSurvivesReload) {
  const nlohmann::json before = Run(RunLaps, Options());
  ASSERT_EQ(before["best"], 3);  // the demo's fastest lap (36.880 s)

  ReviewOptions note = Options();
  note.json = false;
  note.lap = 3;
  note.invalid = true;
  note.text = "yellow flag";
  note.has_text = true;
  std::ostringstream out, err;
  ASSERT_EQ(0, RunNote(note, out, err)) << err.str();

  const nlohmann::json after = Run(RunLaps, Options());  // loaded again from the files
  EXPECT_EQ(after["laps"][2]["invalid"], true);
  EXPECT_EQ(after["best"], 5) << "the next fastest valid lap (37.621 s)";
  EXPECT_EQ(after["completed"], before["completed"]);

  note.invalid = false;
  note.valid = true;
  note.has_text = false;
  ASSERT_EQ(0, RunNote(note, out, err)) << err.str();
  EXPECT_EQ(Run(RunLaps, Options())["best"], 3);
}

TEST_F(ReviewCommands, LapTableShowsTheDifferenceToTheChosenLap) {
  ReviewOptions o = Options();
  o.json = false;
  o.compare = "2";
  std::ostringstream out, err;
  ASSERT_EQ(0, RunLaps(o, out, err)) << err.str();
  EXPECT_NE(out.str().find("\n   Lap 1      39.163     +1.168\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("\n   Lap 6           *          *\n"), std::string::npos) << "unfinished";
}

TEST_F(ReviewCommands, ResultTablesAndChannelsCoverTheSession) {
  for (const char* table : {"sectors", "splits", "speeds", "hilo", "info"}) {
    ReviewOptions o = Options();
    o.table = table;
    EXPECT_FALSE(Run(RunResults, o).empty()) << table;
  }

  const nlohmann::json all = Run(RunChannels, Options());
  ASSERT_GE(all["names"].size(), 14u) << "the 12 GPS channels come first, then the position";
  EXPECT_EQ(all["names"][0].dump() + all["names"][12].dump() + all["names"][13].dump(), R"("Time""lat_deg""lon_deg")");
  ASSERT_GT(all["rows"].size(), 2000u) << "every sample of the 10 Hz demo";
  for (const auto& row : all["rows"]) ASSERT_EQ(row.size(), all["names"].size());
  EXPECT_EQ(all["rows"][0][12].dump() + " " + all["rows"][0][13].dump(), "50.4377165 5.9721675") << "to 1 cm";

  ReviewOptions one = Options();
  one.lap = 2;
  const nlohmann::json lap = Run(RunChannels, one);
  EXPECT_LT(lap["rows"].size(), all["rows"].size() / 3) << "one lap of five";
  EXPECT_GT(lap["rows"].size(), 300u) << "a 38 s lap at 10 Hz";
}

}  // namespace
}  // namespace kv::app
