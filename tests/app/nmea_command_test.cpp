// `korvatinel nmea`: the JSON form gives only what each sentence set, the
// summary counts per type, a missing file is an error and not a crash.
#include "app/nmea_command.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "support/temp_folder.h"

namespace kv::app {
namespace {

using kv::testing::TempFolder;
using kv::testing::WriteWholeFile;

constexpr const char* kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
constexpr const char* kBadGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*00\r\n";

TEST(NmeaCommand, JsonGivesOnlyTheFieldsThisSentenceSet) {
  TempFolder dir;
  WriteWholeFile(dir.Path() + "a.nmea", std::string(kGga) +
                                            "$GNRMC,123520.5,A,4807.040,N,01131.010,E,022.4,084.4,230394,003.1,W*6B\r\n" +
                                            kBadGga + "garbage\n");
  std::ostringstream out, err;
  ASSERT_EQ(RunNmeaCommand({dir.Path() + "a.nmea", true}, out, err), 0);
  std::vector<nlohmann::json> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(lines.size(), 4u);

  const nlohmann::json& gga = lines[0];
  EXPECT_EQ(gga["line"], 1);
  EXPECT_EQ(gga["type"], "GGA");
  EXPECT_EQ(gga["talker"], "GP");
  EXPECT_EQ(gga["time_ms"], 45319000);
  EXPECT_DOUBLE_EQ(gga["lat"].get<double>(), 4807.038);
  EXPECT_EQ(gga["satellites"], 8);
  EXPECT_DOUBLE_EQ(gga["geoid_m"].get<double>(), 46.9);
  EXPECT_FALSE(gga.contains("speed_kn"));

  const nlohmann::json& rmc = lines[1];
  EXPECT_EQ(rmc["talker"], "GN");
  EXPECT_EQ(rmc["time_ms"], 45320500);
  EXPECT_DOUBLE_EQ(rmc["speed_kn"].get<double>(), 22.4);
  EXPECT_EQ(rmc["date"], 2094 * 372 + 2 * 31 + 22);  // two-digit years are 20yy
  EXPECT_FALSE(rmc.contains("lat")) << "RMC never sets the position, even though GGA did";

  EXPECT_TRUE(lines[2]["type"].is_null()) << "bad checksum";
  EXPECT_EQ(lines[2]["talker"], "GP");
  EXPECT_TRUE(lines[3]["talker"].is_null());
}

TEST(NmeaCommand, SummaryCountsAcceptedAndRejectedPerType) {
  TempFolder dir;
  WriteWholeFile(dir.Path() + "a.nmea", std::string(kGga) + kBadGga + "$GPGLL,4916.45,N,12311.12,W,225444,A,*1D\r\n" +
                                            "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48");  // no line end
  std::ostringstream out, err;
  ASSERT_EQ(RunNmeaCommand({dir.Path() + "a.nmea", false}, out, err), 0);
  const std::string text = out.str();
  EXPECT_NE(text.find("4 lines, 2 sentences taken, 2 rejected"), std::string::npos) << text;
  EXPECT_NE(text.find("GGA                 1          1"), std::string::npos) << text;
  EXPECT_NE(text.find("VTG                 1          0"), std::string::npos) << text;
  EXPECT_NE(text.find("other               -          1"), std::string::npos) << text;

  out.str({});
  ASSERT_EQ(RunNmeaCommand({"data/demo/demo.nmea", false}, out, err), 0);
  EXPECT_NE(out.str().find(", 0 rejected"), std::string::npos) << "the bundled demo: " << out.str();
}

TEST(NmeaCommand, MissingFileIsAClearErrorNotACrash) {
  std::ostringstream out, err;
  EXPECT_EQ(RunNmeaCommand({"/nonexistent/recording.nmea", false}, out, err), 1);
  EXPECT_EQ(err.str(), "Cannot open /nonexistent/recording.nmea.\n");
}

}  // namespace
}  // namespace kv::app
