// The report's own arithmetic and its care with user text, on the export
// tests' simulated session (three laps, a split, OBD-II records, texts
// that try to break every format).
#include <gtest/gtest.h>

#include <cmath>

#include "exchange/export_session.h"
#include "exchange/report_parts.h"
#include "exchange/session_report.h"

namespace kv {
namespace {

TEST(SessionReport, UserTextIsEscapedAndEverySectionWithDataIsThere) {
  testing::TempFolder folder;
  const auto session = testing::MakeSimulatedSession(folder.Path());
  const std::string page = SessionReport(*session, {});
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\n"));
  EXPECT_NE(page.find("J\u00e4rvi &lt;fast&gt; &amp; &quot;quick&quot;"), std::string::npos);
  EXPECT_EQ(page.find("<fast>"), std::string::npos);
  for (const char* id : {"summary", "laps", "lap-times", "speed", "difference", "map", "channels"})
    EXPECT_NE(page.find("<section id=\"" + std::string(id) + "\">"), std::string::npos) << id;
  EXPECT_EQ(page.find("<section id=\"runs\">"), std::string::npos);
}

TEST(SessionReport, TimeAtDistanceInterpolatesWithinTheLapOnly) {
  report::LapTrace t;
  t.distance = {0, 10, 10, 30};  // standing still at 10 m from 1 s to 2 s
  t.time = {0, 1, 2, 4};
  const double nan = std::nan("");
  struct Case {
    const char* legend;
    double d, expected;
  } cases[] = {{"the start", 0, 0},
               {"between points", 5, 0.5},
               {"where it stood: the first time", 10, 1},
               {"after standing", 20, 3},
               {"the finish", 30, 4},
               {"before the start", -1, nan},
               {"past the finish", 30.5, nan}};
  for (const Case& c : cases) {
    const double got = report::TimeAtDistance(t, c.d);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(got)) << c.legend;
    } else {
      EXPECT_NEAR(got, c.expected, 1e-12) << c.legend;
    }
  }
}

}  // namespace
}  // namespace kv
