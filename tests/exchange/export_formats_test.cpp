// The five export formats: golden files of a simulated session in every
// scope (KV_REGENERATE_GOLDENS=1 rewrites them; review the diff), and the
// edge cases of each format on hand-made samples.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "exchange/export_session.h"
#include "exchange/export_text.h"
#include "timing/geodesy.h"

namespace kv::testing {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

struct Case {
  ExportType type;
  const char* suffix;
};
constexpr Case kFormats[] = {{ExportType::kCsv, "csv"}, {ExportType::kVbo, "vbo"}, {ExportType::kDat, "dat"},
                             {ExportType::kGpx, "gpx"}, {ExportType::kKml, "kml"}};

struct ScopeCase {
  ExportScope scope;
  int32_t lap;
  const char* name;
};
constexpr ScopeCase kScopes[] = {{ExportScope::kBestLap, 0, "best"},
                                 {ExportScope::kSelectedLap, 1, "lap2"},
                                 {ExportScope::kSelectedLap, LapList::kSelectOptimal, "optimal"},
                                 {ExportScope::kAllLaps, 0, "all"},
                                 {ExportScope::kRoute, 0, "route"}};

TEST(ExportGoldens, EveryFormatAndScopeMatchesItsGoldenFile) {
  TempFolder folder;
  auto session = MakeSimulatedSession(folder.Path());
  ASSERT_GE(session->Laps().CompletedLaps(), 3);
  const bool regenerate = std::getenv("KV_REGENERATE_GOLDENS") != nullptr;
  for (const Case& format : kFormats) {
    for (const ScopeCase& scope : kScopes) {
      const std::string golden = std::string("tests/data/exports/") + scope.name + "." + format.suffix;
      const std::string bytes = Export(*session, {format.type, scope.scope, scope.lap, CsvSeparators::kStandard});
      if (regenerate) WriteWholeFile(golden, bytes);
      EXPECT_EQ(bytes, ReadWholeFile(golden)) << golden;
    }
  }
  const std::string golden = "tests/data/exports/best-semicolon-comma.csv";
  const std::string bytes = Export(*session, {ExportType::kCsv, ExportScope::kBestLap, 0, CsvSeparators::kSemicolonComma});
  if (regenerate) WriteWholeFile(golden, bytes);
  EXPECT_EQ(bytes, ReadWholeFile(golden));
}

TEST(ExportJob, FileNamesCarryTheScope) {
  TempFolder folder;
  auto session = MakeSimulatedSession(folder.Path());
  const int32_t best = session->Laps().BestIndex() + 1;
  const std::string exports = folder.Path() + "Korvatinel/Exports/20090521-1800";
  std::string path;
  Export(*session, {ExportType::kCsv, ExportScope::kBestLap, 0, {}}, &path);
  EXPECT_EQ(path, exports + "-best-lap-" + std::to_string(best) + "-export.csv");
  Export(*session, {ExportType::kVbo, ExportScope::kSelectedLap, 1, {}}, &path);
  EXPECT_EQ(path, exports + "-lap-2-export.vbo");
  Export(*session, {ExportType::kDat, ExportScope::kSelectedLap, LapList::kSelectOptimal, {}}, &path);
  EXPECT_EQ(path, exports + "-optimal-lap-export.dat");
  Export(*session, {ExportType::kGpx, ExportScope::kAllLaps, 0, {}}, &path);
  EXPECT_EQ(path, exports + "-all-laps-export.gpx");
  Export(*session, {ExportType::kKml, ExportScope::kRoute, 0, {}}, &path);
  EXPECT_EQ(path, exports + "-route-export.kml");
}

TEST(ExportJob, ErrorsFiveFourAndEightInThatOrder) {
  TempFolder folder;
  const std::vector<LogSample> straight = {SampleAt(60.0, 24.0, 1000), SampleAt(60.0001, 24.0, 2000)};
  auto no_laps = MakeSession(folder.Path(), straight);
  EXPECT_EQ(Export(*no_laps, {ExportType::kCsv, ExportScope::kBestLap, 0, {}}), "error 5");
  EXPECT_EQ(Export(*no_laps, {ExportType::kGpx, ExportScope::kAllLaps, 0, {}}), "error 5");
  auto empty = MakeSession(folder.Path(), {});
  EXPECT_EQ(Export(*empty, {ExportType::kKml, ExportScope::kRoute, 0, {}}), "error 5");
  // A folder that cannot be made: under a regular file.
  WriteWholeFile(folder.Path() + "file", "x");
  auto blocked = MakeSession(folder.Path() + "file/", straight);
  EXPECT_EQ(Export(*blocked, {ExportType::kCsv, ExportScope::kRoute, 0, {}}), "error 4");
  EXPECT_EQ(Export(*blocked, {ExportType::kCsv, ExportScope::kBestLap, 0, {}}), "error 5");
  // (2 * 65 + 700000) / 1024 = 683 kB: 683 is not enough, 684 is.
  auto route = MakeSession(folder.Path(), straight);
  ExportJob low(*route, {ExportType::kVbo, ExportScope::kRoute, 0, {}});
  EXPECT_EQ(low.Start(683), kExportNoSpace);
  ExportJob enough(*route, {ExportType::kVbo, ExportScope::kRoute, 0, {}});
  EXPECT_EQ(enough.Start(684), 0);
  // GPX counts 155 bytes a sample: (2 * 155 + 700000) / 1024 = 683 as well.
  ExportJob gpx(*route, {ExportType::kGpx, ExportScope::kRoute, 0, {}});
  EXPECT_EQ(gpx.Start(683), kExportNoSpace);
}

TEST(ExportJob, RouteStepsAreOf1024SamplesAndProgressReaches100) {
  TempFolder folder;
  std::vector<LogSample> samples;
  for (int32_t i = 0; i < 2500; ++i) samples.push_back(SampleAt(60.0 + i * 1e-5, 24.0, 1000 + i * 100));
  auto session = MakeSession(folder.Path(), samples);
  ExportJob job(*session, {ExportType::kDat, ExportScope::kRoute, 0, {}});
  ASSERT_EQ(job.Start(0xFFFFFFFFu), 0);
  int32_t steps = 0;
  while (job.Step()) ++steps;
  EXPECT_EQ(steps, 3);  // header, 1024, 1024, then the last 452 with the footer
  EXPECT_EQ(job.Percent(), 100);
  EXPECT_EQ(job.Error(), 0);
  EXPECT_EQ(Lines(ReadWholeFile(job.Path())).size(), 2u + 2500u);
}

TEST(ExportJob, UnfinishedExportLeavesTheEarlierFileAsItWas) {
  TempFolder folder;
  std::vector<LogSample> samples;
  for (int32_t i = 0; i < 2500; ++i) samples.push_back(SampleAt(60.0 + i * 1e-5, 24.0, 1000 + i * 100));
  auto session = MakeSession(folder.Path(), samples);
  std::string path;
  const std::string earlier = Export(*session, {ExportType::kCsv, ExportScope::kRoute, 0, {}}, &path);
  {
    ExportJob stopped(*session, {ExportType::kCsv, ExportScope::kRoute, 0, CsvSeparators::kSemicolonDot});
    ASSERT_EQ(stopped.Start(0xFFFFFFFFu), 0);
    ASSERT_TRUE(stopped.Step());
    ASSERT_TRUE(stopped.Step());
  }
  EXPECT_EQ(ReadWholeFile(path), earlier);
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
    ++files;
    EXPECT_EQ(e.path().string(), path) << "a stopped export left its bytes behind";
  }
  EXPECT_EQ(files, 1u);
  // Finished, the new export replaces the earlier one.
  EXPECT_NE(Export(*session, {ExportType::kCsv, ExportScope::kRoute, 0, CsvSeparators::kSemicolonDot}), earlier);
  EXPECT_NE(ReadWholeFile(path), earlier);
}

TEST(ExportLaps, AdjacentLapsShareNoSampleAndKeepTheirMargins) {
  TempFolder folder;
  auto session = MakeSimulatedSession(folder.Path());
  const std::vector<std::string> lines = Lines(Export(*session, {ExportType::kCsv, ExportScope::kAllLaps, 0, {}}));
  double previous = -1.0;
  int32_t rows = 0;
  for (size_t i = 10; i < lines.size(); ++i) {
    const double t = std::stod(lines[i].substr(lines[i].find(',') + 1));
    EXPECT_GT(t, previous) << lines[i];
    previous = t;
    ++rows;
  }
  const LapList& laps = session->Laps();
  const Lap& first = laps.LapAt(0);
  const Lap& last = laps.LapAt(laps.CompletedLaps() - 1);
  const int32_t from = std::max(first.Start().sample_index - 1 - kLapMarginSamples, 0);
  const int32_t to = std::min(last.LastSampleIndex() + kLapMarginSamples, session->Samples().Count() - 1);
  EXPECT_EQ(rows, to - from + 1);
}

TEST(ExportCsv, FirstRowHasZeroAccelerationAndPositionAndRouteSaysNA) {
  TempFolder folder;
  auto session = MakeSimulatedSession(folder.Path());
  const std::vector<std::string> lines = Lines(Export(*session, {ExportType::kCsv, ExportScope::kRoute, 0, {}}));
  ASSERT_GT(lines.size(), 12u);
  EXPECT_EQ(lines[9].substr(0, 6), "Lap #,");
  EXPECT_NE(lines[10].find(",0.00,0.00,0.00,0.00,"), std::string::npos) << lines[10];
  for (size_t i = 10; i < lines.size(); ++i) ASSERT_EQ(lines[i].substr(0, 4), "N/A,") << lines[i];
}

TEST(ExportCsv, SemicolonCommaWritesDecimalCommas) {
  TempFolder folder;
  auto session = MakeSession(folder.Path(), {SampleAt(60.0, 24.0, 1000, 27.78)});
  const std::vector<std::string> lines =
      Lines(Export(*session, {ExportType::kCsv, ExportScope::kRoute, 0, CsvSeparators::kSemicolonComma}));
  EXPECT_EQ(lines[10].substr(0, 70).find(';'), 3u);
  EXPECT_NE(lines[10].find(";27,78;100,01;62,14;"), std::string::npos) << lines[10];
}

TEST(ExportCsv, DataLoggingHeaderHasNoTrackOrTestLine) {
  TempFolder folder;
  auto session = MakeSession(folder.Path(), {SampleAt(60.0, 24.0, 1000)}, kSessionDataLogging);
  const std::vector<std::string> lines = Lines(Export(*session, {ExportType::kCsv, ExportScope::kRoute, 0, {}}));
  EXPECT_EQ(lines[3], "Session type,Data logging");
  EXPECT_EQ(lines[4].substr(0, 12), "Driver name,");
}

TEST(ExportVbo, LatitudeAndLongitudeInMinutesAndNaNHeading) {
  TempFolder folder;
  // 60 deg 10.12345' N, 24 deg 56.5' E.
  LogSample s = SampleAt(0, 0, DateTimeValue::MakeTime(18, 52, 7, 250), 10.0, kNoValue);
  s.position = IntPoint{60 * 6000000 + 1012345, 24 * 6000000 + 5650000};
  s.altitude = -189;  // -3.5025 m
  auto session = MakeSession(folder.Path(), {s});
  const std::vector<std::string> lines = Lines(Export(*session, {ExportType::kVbo, ExportScope::kRoute, 0, {}}));
  EXPECT_EQ(lines.back(), "007 185207.25 +3610.12345 -1496.50000 36.00 NaN -3.50");
}

TEST(ExportDat, ZeroLatitudeIsSouthAndZeroLongitudeIsWest) {
  TempFolder folder;
  auto session = MakeSession(folder.Path(), {SampleAt(0.0, 0.0, 1000, 1852.0 / 3600.0), SampleAt(-0.5, 1.25, 1250)});
  const std::vector<std::string> lines = Lines(Export(*session, {ExportType::kDat, ExportScope::kRoute, 0, {}}));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "$NEW SESSION");
  EXPECT_EQ(lines[1], "$DATE,210509,");
  EXPECT_EQ(lines[2], "$GPS,0,A,0.0000,S,0.0000,W,1.00,000001.000,100.0");
  EXPECT_EQ(lines[3], "$GPS,25,A,30.0000,S,115.0000,E,19.44,000001.250,100.0");
}

TEST(ExportGpx, LapTrackStartsAndEndsAtTheInterpolatedCrossings) {
  TempFolder folder;
  auto session = MakeSimulatedSession(folder.Path());
  const Lap& lap = session->Laps().LapAt(1);
  const std::vector<std::string> lines =
      Lines(Export(*session, {ExportType::kGpx, ExportScope::kSelectedLap, 1, {}}));
  std::vector<std::string> points;
  for (const std::string& l : lines)
    if (l.rfind("<trkpt", 0) == 0) points.push_back(l);
  ASSERT_GE(points.size(), 3u);
  auto point_text = [](const LogSample& s) {
    ByteString t;
    t.Append("<trkpt lat=\"");
    t.AppendReal(s.position.lat / 6000000.0, 7);
    t.Append("\" lon=\"");
    t.AppendReal(s.position.lon / 6000000.0, 7);
    return t.Std();
  };
  EXPECT_EQ(points.front().substr(0, point_text(lap.Start().crossing_sample).size()), point_text(lap.Start().crossing_sample));
  EXPECT_EQ(points.back().substr(0, point_text(lap.Finish()->crossing_sample).size()), point_text(lap.Finish()->crossing_sample));
  const int32_t inside = lap.LastSampleIndex() - lap.Start().sample_index;
  EXPECT_EQ(static_cast<int32_t>(points.size()), inside + 2);
}

TEST(ExportGpx, TimeIsUtcWithMillisecondsAndMissingValuesLeaveTheirElementsOut) {
  TempFolder folder;
  LogSample s = SampleAt(60.5, 24.25, DateTimeValue::MakeTime(18, 52, 7, 250), 10.0, kNoValue);
  s.hdop = LogSample::kNoWord;
  s.altitude = kNotSet;
  auto session = MakeSession(folder.Path(), {s});
  const std::string gpx = Export(*session, {ExportType::kGpx, ExportScope::kRoute, 0, {}});
  EXPECT_NE(gpx.find("<trkpt lat=\"60.5000000\" lon=\"24.2500000\"><time>2009-05-21T18:52:07.250Z</time>"
                     "<speed>10.00</speed><fix>3d</fix><sat>7</sat><vdop>1.60</vdop></trkpt>"),
            std::string::npos)
      << gpx;
  EXPECT_EQ(gpx.find("NaN"), std::string::npos);
}

TEST(ExportKml, CoordinatesAreLongitudeThenLatitudeAndRouteHasNoInformation) {
  TempFolder folder;
  auto session = MakeSession(folder.Path(), {SampleAt(60.5, 24.25, 1000)});
  const std::string kml = Export(*session, {ExportType::kKml, ExportScope::kRoute, 0, {}});
  EXPECT_NE(kml.find("\n24.2500000,60.5000000\n"), std::string::npos);
  EXPECT_EQ(kml.find("Session information"), std::string::npos);
  EXPECT_NE(kml.find("\t<Snippet><![CDATA[2009-05-21 18:00:00 - J\xC3\xA4rvi &lt;fast&gt; &amp; &quot;quick&quot;<BR>"),
            std::string::npos);
  session->Header().driver.Clear();
  EXPECT_NE(Export(*session, {ExportType::kKml, ExportScope::kRoute, 0, {}})
                .find("\t<Snippet><![CDATA[2009-05-21 18:00:00<BR>Generated by <A href=\"https://korvatinel.org/\">"),
            std::string::npos)
      << "without a driver: the date and time only";
}

TEST(ExportKml, DisabledTrapsAreNotDrawnAndSplitsHaveTheirColour) {
  TempFolder folder;
  auto session = MakeSimulatedSession(folder.Path());
  const std::string kml = Export(*session, {ExportType::kKml, ExportScope::kBestLap, 0, {}});
  size_t lines = 0, pos = 0;
  while ((pos = kml.find("<width>3</width>", pos)) != std::string::npos) ++lines, ++pos;
  EXPECT_EQ(lines, 2u);
  EXPECT_NE(kml.find("<color>FFCC0000</color><width>3</width>"), std::string::npos);
  EXPECT_NE(kml.find("<color>FF0000CC</color><width>3</width>"), std::string::npos);
}

TEST(ExportText, UserTextCannotBreakItsContainer) {
  ByteString cdata;
  AppendCdataText(cdata, u"a]]>b\x01\uFFFEc\u00E4");
  EXPECT_EQ(cdata.Std(), "a]]]]><![CDATA[>b\xEF\xBF\xBD\xEF\xBF\xBD" "c\xC3\xA4");
  ByteString csv;
  AppendCsvText(csv, u"say \"hi\",\r\nnow");
  EXPECT_EQ(csv.Std(), "\"say \"\"hi\"\",  now\"");
  ByteString html;
  AppendHtmlText(html, u"<b>&]]>");
  EXPECT_EQ(html.Std(), "&lt;b&gt;&amp;]]&gt;");
  ByteString line;
  AppendLineText(line, u"\"x\"\ny", true);
  EXPECT_EQ(line.Std(), "\"\"x\"\" y");
}

}  // namespace
}  // namespace kv::testing
