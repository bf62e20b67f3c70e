// `korvatinel nmea`: the JSON form gives only what each sentence set, the
// summary counts per type, a missing file is an error and not a crash.
#include "app/nmea_command.h"

#include <gtest/gtest.h>

#include <sstream>

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
  // RMC gives its own position; two-digit years 80-99 are 19yy; ddmm.mmm in
  // degrees to 1e-7, 22.4 kn in km/h to 0.01; a bad checksum keeps only the talker.
  EXPECT_EQ(out.str(),
            R"({"altitude_m":545.4,"geoid_m":46.9,"hdop":0.9,"lat_deg":48.1173,"line":1,"lon_deg":11.5166667,"quality":1,)"
            R"("satellites":8,"talker":"GP","time_ms":45319000,"time_utc":"12:35:19.000","type":"GGA"}
{"course_deg":84.4,"date":"1994-03-23","lat_deg":48.1173333,"line":2,"lon_deg":11.5168333,"speed_kmh":41.48,"talker":"GN",)"
            R"("time_ms":45320500,"time_utc":"12:35:20.500","type":"RMC"}
{"line":3,"talker":"GP","type":null}
{"line":4,"talker":null,"type":null}
)");
}

TEST(NmeaCommand, SummaryCountsAcceptedAndRejectedPerType) {
  TempFolder dir;
  WriteWholeFile(dir.Path() + "a.nmea", std::string(kGga) + kBadGga + "$GPGLL,4916.45,N,12311.12,W,225444,A,*1D\r\n" +
                                            "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48");  // no line end
  std::ostringstream out, err;
  ASSERT_EQ(RunNmeaCommand({dir.Path() + "a.nmea", false}, out, err), 0);
  const std::string text = out.str();
  EXPECT_NE(text.find("4 lines, 3 sentences taken, 1 rejected"), std::string::npos) << text;
  EXPECT_NE(text.find("GGA                 1          1"), std::string::npos) << text;
  EXPECT_NE(text.find("VTG                 1          0"), std::string::npos) << text;
  EXPECT_NE(text.find("GLL                 1          0"), std::string::npos) << text;

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
