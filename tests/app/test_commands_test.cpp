// `test list|add|delete` on the user's "perftest.dat", and a performance
// session recorded from a simulated straight-line drive, then timed again
// by `runs`.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/record_command.h"
#include "app/test_commands.h"
#include "session_folder.h"
#include "support/straight_run.h"
#include "support/temp_folder.h"

namespace kv::app {
namespace {

class TestCommandsTest : public ::testing::Test {
 protected:
  using Run = int (*)(const TestCommandOptions&, std::ostream&, std::ostream&);

  int Call(Run run, TestCommandOptions o) {
    o.data_dir = temp_.Path();
    out_.str({});
    err_.str({});
    return run(o, out_, err_);
  }
  nlohmann::json List() {
    TestCommandOptions o;
    o.json = true;
    EXPECT_EQ(Call(RunTestList, o), 0);
    return nlohmann::json::parse(out_.str());
  }
  static TestCommandOptions Speed(const std::string& name, const std::string& range, const std::string& units) {
    TestCommandOptions o;
    o.name = name;
    o.speed = range;
    o.units = units;
    return o;
  }

  kv::testing::TempFolder temp_;
  std::ostringstream out_, err_;
};

TEST_F(TestCommandsTest, AddListAndDeleteUserTests) {
  EXPECT_EQ(Call(RunTestAdd, Speed("50-150", "50-150", "kph")), 0) << err_.str();
  EXPECT_EQ(Call(RunTestAdd, Speed("30-60 mph", "30-60", "mph")), 0) << err_.str();
  TestCommandOptions d;
  d.name = "100 m";
  d.distance = 100.0;
  EXPECT_EQ(Call(RunTestAdd, d), 0) << err_.str();

  const nlohmann::json list = List();
  ASSERT_EQ(list.size(), 15u) << "after the 12 predefined tests";
  EXPECT_TRUE(list[11]["predefined"].get<bool>());
  EXPECT_EQ(list[12]["name"], "50-150");
  EXPECT_NEAR(list[12]["finish_speed_kmh"].get<double>(), 150.0, 1e-3);
  EXPECT_NEAR(list[13]["start_speed_kmh"].get<double>(), 30 * 1.609344, 1e-3);
  EXPECT_EQ(list[14]["type"], "distance");
  EXPECT_FALSE(list[14]["predefined"].get<bool>());

  TestCommandOptions remove;
  remove.name = "30-60 mph";
  EXPECT_EQ(Call(RunTestDelete, remove), 0);
  EXPECT_EQ(List().size(), 14u);
  remove.name = "1/4 mile";
  EXPECT_EQ(Call(RunTestDelete, remove), 1);
  remove.name = "nothing";
  EXPECT_EQ(Call(RunTestDelete, remove), 1);
  EXPECT_EQ(err_.str(), "The selected performance test was not found. Please select another one or cancel.\n");
}

TEST_F(TestCommandsTest, InvalidTestsAreRefused) {
  const std::string invalid =
      "Invalid values! Please verify that the test has a name, non-zero distance and lower start speed from finish "
      "speed!\n";
  const struct {
    const char* legend;
    TestCommandOptions options;
    std::string message;  // empty: any
  } cases[] = {
      {"start speed not below the finish", Speed("same", "80-80", "kph"), invalid},
      {"negative start speed", Speed("back", "-10-50", "kph"), invalid},
      {"no name", Speed("", "0-80", "kph"), invalid},
      {"zero distance", [] { TestCommandOptions o; o.name = "zero"; o.distance = 0.0; return o; }(), invalid},
      {"not a range", Speed("x", "fast", "kph"), ""},
      {"the name is taken", Speed("0-100 kph", "0-100", "kph"), ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Call(RunTestAdd, c.options), 1) << c.legend;
    if (!c.message.empty()) {
      EXPECT_EQ(err_.str(), c.message) << c.legend;
    }
  }
  EXPECT_EQ(List().size(), 12u);
}

TEST_F(TestCommandsTest, RecordedPerformanceSessionReportsItsRuns) {
  sim::StraightRunConfig c;
  c.options.rate_hz = 10;
  c.launch_ms = 3456.7;
  c.phases = {{9.0, 4.0}, {5.0, -9.0}, {3.0, 0.0}, {12.0, 3.5}};
  c.duration_ms = 32000.0;
  const std::string nmea = temp_.Path() + "drive.nmea";
  kv::testing::WriteWholeFile(nmea, sim::StraightRunNmea(c));

  RecordOptions r;
  r.data_dir = temp_.Path();
  r.runtime_folder = temp_.Path();
  r.gps = "file:" + nmea;
  r.type = "perf";
  r.fast = true;
  std::ostringstream out, err;
  r.test = "no such test";
  EXPECT_EQ(RunRecord(r, out, err), 1);
  EXPECT_EQ(err.str(), "The selected performance test was not found. Please select another one or cancel.\n");
  r.test = "";
  err.str({});
  EXPECT_EQ(RunRecord(r, out, err), 1);
  EXPECT_EQ(err.str(), "Please select a performance test first.\n");
  r.test = "0-100 kph";
  ASSERT_EQ(RunRecord(r, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("0-100 kph: Best: "), std::string::npos) << out.str();

  TestCommandOptions o;
  o.session = RecordedSessionBase(temp_.Path());
  o.json = true;
  ASSERT_EQ(Call(RunRuns, o), 0) << err_.str();
  const nlohmann::json j = nlohmann::json::parse(out_.str());
  ASSERT_EQ(j["tests"].size(), 12u);

  // Two attempts: 0-36 m/s, braking to a stop, then 0-42 m/s; the first is the faster.
  const double second_launch = c.launch_ms + 9000.0 + 4000.0 + 1000.0 + 3000.0;
  const auto check = [&](size_t test, double first, double second) {
    const nlohmann::json& t = j["tests"][test];
    SCOPED_TRACE(t["test"].get<std::string>());
    ASSERT_EQ(t["runs"].size(), 2u);
    EXPECT_NEAR(t["runs"][0]["time_ms"].get<double>(), first, 5.0);
    EXPECT_NEAR(t["runs"][1]["time_ms"].get<double>(), second, 5.0);
    EXPECT_EQ(t["completed"], 2);
    EXPECT_EQ(t["best_ms"], t["runs"][0]["time_ms"]);
  };
  check(6, 100 / 3.6 / 4.0 * 1000.0, 100 / 3.6 / 3.5 * 1000.0);            // 0-100 kph
  check(0, std::sqrt(2 * 18.288 / 4.0) * 1000.0, std::sqrt(2 * 18.288 / 3.5) * 1000.0);  // 60 feet
  EXPECT_NEAR(j["tests"][6]["runs"][1]["start_ms"].get<double>(), 12 * 3600000.0 + second_launch, 5.0);
  EXPECT_TRUE(j["tests"][0]["runs"][0]["finish_speed_kmh"].is_number());
  EXPECT_TRUE(j["tests"][6]["runs"][0]["finish_speed_kmh"].is_null());
  // 0-200 kph is reached in neither attempt.
  EXPECT_TRUE(j["tests"][8]["runs"][0]["time_ms"].is_null());
  EXPECT_TRUE(j["tests"][8]["runs"][0]["finish_ms"].is_null()) << "no finish, not 0";
  EXPECT_EQ(j["tests"][8]["completed"], 0);
  EXPECT_TRUE(j["tests"][8]["best_ms"].is_null());

  o.json = false;
  ASSERT_EQ(Call(RunRuns, o), 0);
  EXPECT_NE(out_.str().find("0-100 kph *: Best: "), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("0-200 kph: No completed runs yet"), std::string::npos) << out_.str();
  o.session = "20000101-0000";
  EXPECT_EQ(Call(RunRuns, o), 1);
}

}  // namespace
}  // namespace kv::app
