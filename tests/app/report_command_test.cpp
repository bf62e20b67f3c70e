// The HTML report of the demo session: what the demo prints, the page's
// structure (checked by python3's own HTML parser), the command's exit
// statuses, and the page as Chromium draws it when Chromium is installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>

#include "app/report_command.h"
#include "app/review_commands.h"
#include "app/session_folder.h"
#include "exchange/session_report.h"
#include "platform/canvas.h"
#include "support/straight_run.h"
#include "support/temp_folder.h"
#include "util/duration_text.h"
#include "util/utf_convert.h"

namespace kv::app {
namespace {

class ReportCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testing::TempFolder;
    std::ostringstream out, err;
    RecordOptions fast;
    fast.fast = true;
    ASSERT_EQ(0, RunDemo(folder_->Path(), fast, out, err)) << err.str();
    base_ = RecordedSessionBase(folder_->Path());
    const std::string text = out.str();
    const size_t at = text.rfind("Report: ");
    ASSERT_NE(at, std::string::npos) << text;
    demo_report_ = text.substr(at + 8, text.find('\n', at) - at - 8);
  }
  static void TearDownTestSuite() { delete folder_; }

  static int Report(const std::string& laps, const std::string& output,
                    std::string* printed = nullptr, const std::string& session = base_) {
    std::ostringstream out, err;
    const int status = RunReport({folder_->Path(), session, output, laps, false}, out, err);
    if (printed != nullptr) *printed = out.str();
    return status;
  }

  static inline testing::TempFolder* folder_ = nullptr;
  static inline std::string base_, demo_report_;
};

TEST_F(ReportCommandTest, DemoReportHoldsChartsAndEveryLapTimeAndNoExternalLink) {
  ASSERT_TRUE(std::filesystem::exists(demo_report_)) << demo_report_;
  EXPECT_EQ(demo_report_, folder_->Path() + "Korvatinel/Exports/" + base_ + "-report.html");
  StorageContext context(folder_->Path());
  std::ostringstream err;
  const auto session = LoadNamed(context, base_, err);
  ASSERT_NE(session, nullptr) << err.str();
  const LapList& laps = session->Laps();
  ASSERT_GE(laps.CompletedLaps(), 3);
  std::string command = "python3 tests/exchange/report_check.py '" + demo_report_ + "' 4";
  for (int32_t i = 0; i < laps.LapCount(); ++i)
    if (laps.LapAt(i).IsFinished())
      command += " " + ToUtf8(FormatDuration(laps.LapAt(i).LapTime(), 3, false, true)).Std();
  EXPECT_EQ(0, std::system(command.c_str())) << command;
}

TEST_F(ReportCommandTest, EnglishUnitsShowMilesPerHourAndFeet) {
  StorageContext context(folder_->Path());
  std::ostringstream err;
  const auto session = LoadNamed(context, base_, err);
  ASSERT_NE(session, nullptr) << err.str();
  std::string pages[2] = {SessionReport(*session, {}), SessionReport(*session, {{}, DisplayUnits::kEnglish})};
  double top[2] = {};
  for (int i = 0; i < 2; ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(pages[i], m, std::regex("Top speed</th><td>([0-9.]+) (km/h|mph)<")));
    EXPECT_EQ(m[2], i == 0 ? "km/h" : "mph");
    top[i] = std::stod(m[1]);
  }
  EXPECT_NEAR(top[1], top[0] / 1.609344, 0.06) << "to the 1 decimal shown";
  for (const char* label : {"Speed (mph)", "Distance (ft)", "Max (mph)", " mi<"})
    EXPECT_NE(pages[1].find(label), std::string::npos) << label;
  EXPECT_EQ(pages[1].find("km/h"), std::string::npos);
}

TEST_F(ReportCommandTest, LapChoicesAndExitStatuses) {
  struct Case {
    const char* legend;
    std::string laps, output;
    int status;
  } cases[] = {
      {"default laps to a chosen file", "", folder_->Path() + "chosen.html", 0},
      {"numbers and best", "2,best,2", folder_->Path() + "chosen.html", 0},
      {"lap 0", "0", "", 2},
      {"not a number", "2,x", "", 2},
      {"an empty word", "1,,2", "", 2},
      {"no such lap", "99", "", 2},
      {"a folder no one can write", "", "/proc/kv-report.html", 1},
  };
  for (const Case& c : cases) {
    std::string printed;
    EXPECT_EQ(c.status, Report(c.laps, c.output, &printed)) << c.legend;
    if (c.status == 0) {
      EXPECT_EQ(printed, c.output + "\n") << c.legend;
    }
  }
  EXPECT_TRUE(
      testing::ReadWholeFile(folder_->Path() + "chosen.html").starts_with("<!DOCTYPE html>"));
  EXPECT_EQ(1, Report("", "", nullptr, "no-such-session"));
}

TEST_F(ReportCommandTest, OpenHandsTheFileToXdgOpenAndOnlyWarnsWhenItCannot) {
  testing::TempFolder bin;
  testing::WriteWholeFile(bin.Path() + "xdg-open",
                          "#!/bin/sh\necho \"$1\" > '" + bin.Path() + "opened'\n");
  std::filesystem::permissions(bin.Path() + "xdg-open", std::filesystem::perms::owner_all);
  const std::string path = std::getenv("PATH");
  for (const bool installed : {true, false}) {
    setenv("PATH", installed ? bin.Path().c_str() : "/nonexistent", 1);
    std::ostringstream out, err;
    EXPECT_EQ(
        0, RunReport({folder_->Path(), base_, folder_->Path() + "open.html", "", true}, out, err));
    EXPECT_EQ(err.str().find("warning"), installed ? std::string::npos : 0u) << err.str();
  }
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(testing::ReadWholeFile(bin.Path() + "opened"), folder_->Path() + "open.html\n");
}

TEST_F(ReportCommandTest, InvalidLapIsMarkedWithItsNote) {
  ReviewOptions note;
  note.data_dir = folder_->Path();
  note.session = base_;
  note.lap = 2;
  note.invalid = note.has_text = true;
  note.text = "yellow <flag> & off";
  std::ostringstream out, err;
  ASSERT_EQ(0, RunNote(note, out, err)) << err.str();
  ASSERT_EQ(0, Report("", folder_->Path() + "invalid.html"));
  const std::string page = testing::ReadWholeFile(folder_->Path() + "invalid.html");
  EXPECT_NE(page.find("<span class=\"tag\">invalid</span> yellow &lt;flag&gt; &amp; off</td>"),
            std::string::npos);
  const size_t row = page.find("<tr class=\"invalid\">");
  EXPECT_TRUE(row != std::string::npos && row == page.rfind("<tr class=\"invalid\">"));
}

TEST_F(ReportCommandTest, DefaultLapsAreTheBestAndItsNeighboursOrAllFew) {
  StorageContext context(folder_->Path());
  std::ostringstream err;
  const auto session = LoadNamed(context, base_, err);
  const LapList& laps = session->Laps();
  const std::vector<int32_t> chosen = DefaultReportLaps(laps);
  if (laps.CompletedLaps() <= 5) {
    EXPECT_EQ(static_cast<int32_t>(chosen.size()), laps.CompletedLaps());
  } else {
    EXPECT_LE(chosen.size(), 3u);
  }
  EXPECT_NE(std::find(chosen.begin(), chosen.end(), laps.BestIndex()), chosen.end());
  std::vector<int32_t> parsed;
  ASSERT_TRUE(ParseReportLaps("best,1,best", laps, &parsed));
  EXPECT_EQ(parsed, (std::vector<int32_t>{laps.BestIndex(), 0}));
}

TEST_F(ReportCommandTest, PerformanceSessionShowsItsRunsAndIsDrawnWhole) {
  testing::TempFolder temp;
  sim::StraightRunConfig c;
  c.options.rate_hz = 10;
  c.phases = {{9.0, 4.0}, {5.0, -9.0}, {3.0, 0.0}, {12.0, 3.5}};
  c.duration_ms = 32000.0;
  testing::WriteWholeFile(temp.Path() + "drive.nmea", sim::StraightRunNmea(c));
  RecordOptions r;
  r.data_dir = r.runtime_folder = temp.Path();
  r.gps = "file:" + temp.Path() + "drive.nmea";
  r.type = "perf";
  r.test = "0-100 kph";
  r.fast = true;
  std::ostringstream out, err;
  ASSERT_EQ(RunRecord(r, out, err), 0) << err.str();
  ASSERT_EQ(0, RunReport({temp.Path(), RecordedSessionBase(temp.Path()), temp.Path() + "runs.html",
                          "", false},
                         out, err))
      << err.str();
  const std::string page = testing::ReadWholeFile(temp.Path() + "runs.html");
  for (const char* present : {"<h2>Performance runs</h2>", "0-100 kph", "1/8 mile", "id=\"speed\""})
    EXPECT_NE(page.find(present), std::string::npos) << present;
  for (const char* absent :
       {"id=\"laps\"", "id=\"lap-times\"", "id=\"difference\"", "id=\"channels\""})
    EXPECT_EQ(page.find(absent), std::string::npos) << absent;
}

TEST_F(ReportCommandTest, ChromiumDrawsThePageWithTheBestLapInItsColour) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "chromium is not installed";
  const std::string png = folder_->Path() + "report.png";
  const std::string command = "chromium --headless --disable-gpu --no-sandbox --user-data-dir='" +
                              folder_->Path() + "chromium' --screenshot='" + png +
                              "' --window-size=1200,3000 'file://" + demo_report_ +
                              "' >/dev/null 2>&1";
  ASSERT_EQ(0, std::system(command.c_str()));
  int32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
  ASSERT_TRUE(platform::ReadPng(png, &width, &height, &pixels));
  EXPECT_EQ(width, 1200);
  const std::set<uint32_t> colours(pixels.begin(), pixels.end());
  EXPECT_GE(colours.size(), 16u) << "a blank page";
  // The best lap's bar and trace; text alone would not paint this many.
  EXPECT_GE(std::count(pixels.begin(), pixels.end(), 0xFFD62728u), 500);
}

}  // namespace
}  // namespace kv::app
