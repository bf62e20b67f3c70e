// The five export formats: golden files of a simulated session in every
// scope (KV_REGENERATE_GOLDENS=1 rewrites them; review the diff), and the
// edge cases of each format on hand-made samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "exchange/export_session.h"
#include "timing/geodesy.h"

namespace kv::testing {
namespace {

struct Case {
  ExportType type;
  const char* suffix;
};
constexpr Case kFormats[] = {
    {ExportType::kCsv, "csv"}, {ExportType::kVbo, "vbo"}, {ExportType::kDat, "dat"},
    {ExportType::kGpx, "gpx"}, {ExportType::kKml, "kml"},
};

struct ScopeCase {
  ExportScope scope;
  int32_t lap;
  const char* name;
  const char* file;  // the scope's part of the export's file name
};
constexpr ScopeCase kScopes[] = {{ExportScope::kBestLap, 0, "best", "best-lap-2"},
                                 {ExportScope::kSelectedLap, 1, "lap2", "lap-2"},
                                 {ExportScope::kSelectedLap, LapList::kSelectOptimal, "optimal", "optimal-lap"},
                                 {ExportScope::kAllLaps, 0, "all", "all-laps"},
                                 {ExportScope::kRoute, 0, "route", "route"}};

TEST(ExportGoldens, EveryFormatAndScopeMatchesItsGoldenFile) {
  TempFolder folder;
  auto session = MakeSimulatedSession(folder.Path());
  ASSERT_GE(session->Laps().CompletedLaps(), 3);
  const bool regenerate = std::getenv("KV_REGENERATE_GOLDENS") != nullptr;
  for (const Case& format : kFormats) {
    for (const ScopeCase& scope : kScopes) {
      const std::string golden = std::string("tests/data/exports/") + scope.name + "." + format.suffix;
      std::string path;
      const std::string bytes =
          Export(*session, {format.type, scope.scope, scope.lap, CsvSeparators::kStandard}, &path);
      if (regenerate) WriteWholeFile(golden, bytes);
      EXPECT_EQ(bytes, ReadWholeFile(golden)) << golden;
      EXPECT_EQ(path, folder.Path() + "Korvatinel/Exports/20090521-1800-" + scope.file + "-export." + format.suffix);
    }
  }
  const std::string golden = "tests/data/exports/best-semicolon-comma.csv";
  const std::string bytes =
      Export(*session, {ExportType::kCsv, ExportScope::kBestLap, 0, CsvSeparators::kSemicolonComma});
  if (regenerate) WriteWholeFile(golden, bytes);
  EXPECT_EQ(bytes, ReadWholeFile(golden));
}

TEST(ExportJob, ErrorsFiveFourAndEightInThatOrder) {
  TempFolder folder;
  const std::string root = folder.Path();
  WriteWholeFile(root + "file", "x");  // a folder under it cannot be made
  const std::vector<LogSample> straight = {SampleAt(60.0, 24.0, 1000), SampleAt(60.0001, 24.0, 2000)};
  const struct {
    const char* legend;
    std::string root;
    std::vector<LogSample> samples;
    ExportType type;
    ExportScope scope;
    uint32_t free_kb;
    int32_t error;
  } cases[] = {
      {"no laps, best lap", root, straight, ExportType::kCsv, ExportScope::kBestLap, 1 << 30, kExportNothing},
      {"no samples", root, {}, ExportType::kKml, ExportScope::kRoute, 1 << 30, kExportNothing},
      {"no folder", root + "file/", straight, ExportType::kCsv, ExportScope::kRoute, 1 << 30, kExportNoFolder},
      {"nothing, before the folder", root + "file/", straight, ExportType::kCsv, ExportScope::kBestLap, 1 << 30,
       kExportNothing},
      // (2 * 65 + 700000) / 1024 = 683 kB: 683 is not enough, 684 is.
      {"VBO, 683 kB free", root, straight, ExportType::kVbo, ExportScope::kRoute, 683, kExportNoSpace},
      {"VBO, 684 kB free", root, straight, ExportType::kVbo, ExportScope::kRoute, 684, 0},
      // GPX counts 155 bytes a sample: (2 * 155 + 700000) / 1024 = 683 as well.
      {"GPX, 683 kB free", root, straight, ExportType::kGpx, ExportScope::kRoute, 683, kExportNoSpace},
  };
  for (const auto& c : cases) {
    auto session = MakeSession(c.root, c.samples);
    EXPECT_EQ(ExportJob(*session, {c.type, c.scope, 0, {}}).Start(c.free_kb), c.error) << c.legend;
  }
}

TEST(ExportJob, UnfinishedExportLeavesTheEarlierFileAsItWas) {
  TempFolder folder;
  std::vector<LogSample> samples;
  for (int32_t i = 0; i < 2500; ++i) samples.push_back(SampleAt(60.0 + i * 1e-5, 24.0, 1000 + i * 100));
  auto session = MakeSession(folder.Path(), samples);
  std::string path;
  const std::string earlier = Export(*session, {ExportType::kCsv, ExportScope::kRoute, 0, {}}, &path);
  EXPECT_EQ(std::count(earlier.begin(), earlier.end(), '\n'), 10 + 2500) << "every sample across the steps";
  {
    ExportJob stopped(*session, {ExportType::kCsv, ExportScope::kRoute, 0, CsvSeparators::kSemicolonDot});
    ASSERT_EQ(stopped.Start(0xFFFFFFFFu), 0);
    ASSERT_TRUE(stopped.Step());
    ASSERT_TRUE(stopped.Step());
    EXPECT_LT(stopped.Percent(), 100);
  }
  EXPECT_EQ(ReadWholeFile(path), earlier);
  const std::filesystem::directory_iterator exports(std::filesystem::path(path).parent_path());
  EXPECT_EQ(std::distance(exports, {}), 1) << "a stopped export left its bytes behind";
  const std::string later = Export(*session, {ExportType::kCsv, ExportScope::kRoute, 0, CsvSeparators::kSemicolonDot});
  EXPECT_NE(later, earlier);
  EXPECT_EQ(ReadWholeFile(path), later) << "finished, the new export replaces the earlier one";
}

// Signs, units and missing values the golden files (north, east, above
// the sea, every value present) do not show.
// Regression: sample times were dated by the day the session was created,
// wrong for a session resumed or imported on another day.
TEST(ExportFormats, SampleTimesCarryTheReceiversDate) {
  TempFolder folder;
  const std::vector<LogSample> samples = {SampleAt(60.5, 24.25, DateTimeValue::MakeTime(23, 59, 59, 500))};
  auto session = MakeSession(folder.Path(), samples);  // created 2009-05-21
  DateTimeValue utc{DateTimeValue::MakeDay(2010, 7, 2), DateTimeValue::MakeTime(10, 0, 0, 0)};
  session->SetDateReference(DateTimeValue::MakeTime(10, 0, 0, 0), utc);
  EXPECT_NE(Export(*session, {ExportType::kGpx, ExportScope::kRoute, 0, {}}).find("<time>2010-07-02T23:59:59.500Z"),
            std::string::npos);
  EXPECT_NE(Export(*session, {ExportType::kDat, ExportScope::kRoute, 0, {}}).find("$DATE,020710,"),
            std::string::npos);
}

TEST(ExportFormats, EdgeCasesOfHandMadeSessions) {
  TempFolder folder;
  const std::vector<LogSample> zeros = {SampleAt(0.0, 0.0, 1000, 1852.0 / 3600.0), SampleAt(-0.5, 1.25, 1250)};
  // 60 deg 10.12345' N, 24 deg 56.5' E, 3.5 m below the sea (stored in 1.85 cm steps), no heading.
  const std::vector<LogSample> minutes = {
      SampleAt(60 + 10.12345 / 60, 24 + 56.5 / 60, DateTimeValue::MakeTime(18, 52, 7, 250), 10.0, kNoValue, -3.52)};
  std::vector<LogSample> missing = {SampleAt(60.5, 24.25, DateTimeValue::MakeTime(18, 52, 7, 250), 10.0, kNoValue)};
  missing[0].hdop = LogSample::kNoWord;
  missing[0].altitude = kNotSet;
  // Regression: samples without speed or altitude (a 2D fix) were written
  // as "NaN" in CSV, VBO and DAT.
  std::vector<LogSample> gap = {SampleAt(60.5, 24.25, 1000, 10.0, 90.0, 100.0), SampleAt(60.5, 24.25, 1100)};
  gap[1].speed = kNotSet;
  gap[1].altitude = kNotSet;
  gap[1].heading = LogSample::kNoWord;
  const struct {
    const char* legend;
    const std::vector<LogSample>& samples;
    ExportType type;
    std::string expected;  // a part of the file
  } cases[] = {
      {"VBO: minutes, east negative, no heading column in a session without one", minutes, ExportType::kVbo,
       "longitude\r\nvelocity kmh\r\nheight\r\n\r\n[comments]"},
      {"VBO: the row of a session without heading", minutes, ExportType::kVbo,
       "\r\n007 185207.25 +3610.12345 -1496.50000 36.00 -3.50\r\n"},
      {"VBO: a gap repeats the values before it", gap, ExportType::kVbo,
       "\r\n007 000001.10 +3630.00000 -1455.00000 36.00 90.00 +100.00\r\n"},
      {"CSV: a gap is empty fields", gap, ExportType::kCsv, ",,,"},
      {"DAT: a gap is empty fields", gap, ExportType::kDat, ",A,6030.0000,N,2415.0000,E,,000001.100,\n"},
      {"DAT: zero latitude is south, zero longitude west", zeros, ExportType::kDat,
       "$NEW SESSION\n$DATE,210509,\n$GPS,0,A,0.0000,S,0.0000,W,1.00,000001.000,100.0\n"
       "$GPS,25,A,30.0000,S,115.0000,E,19.44,000001.250,100.0\n"},
      {"GPX: UTC with milliseconds, missing values leave their elements out", missing, ExportType::kGpx,
       "<trkpt lat=\"60.5000000\" lon=\"24.2500000\"><time>2009-05-21T18:52:07.250Z</time>"
       "<speed>10.00</speed><fix>3d</fix><sat>7</sat><vdop>1.60</vdop></trkpt>"},
  };
  for (const auto& c : cases) {
    const std::string text = Export(*MakeSession(folder.Path(), c.samples), {c.type, ExportScope::kRoute, 0, {}});
    EXPECT_NE(text.find(c.expected), std::string::npos) << c.legend << "\n" << text;
  }
}

}  // namespace
}  // namespace kv::testing
