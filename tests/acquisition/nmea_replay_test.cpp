// Real receiver recordings through NmeaParser in random-sized pieces: every
// line comes out whole, every GGA and RMC of a GP or GN talker with a good
// checksum parses, and the decoded values agree with two independent
// readers (gpsd's JSON output and gpsbabel's CSV output of the same files).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "core/date_time.h"
#include "nmea_test_lines.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

const fs::path kRecordings = "../shared/external/nmea";

// What a correct reader must accept: "$GPGGA", "$GNRMC"... with a checksum
// that matches, judged here without the parser.
SentenceType ExpectedPositionType(std::string_view line) {
  const size_t star = line.rfind('*');
  if (line.size() < 10 || star == std::string_view::npos || star + 3 > line.size() ||
      nmea_test::WithChecksum(line.substr(0, star), line.substr(star + 3)) != line)
    return kSentenceNone;
  if (!line.starts_with("$GP") && !line.starts_with("$GN")) return kSentenceNone;
  return line.substr(3, 4) == "GGA," ? kSentenceGga : line.substr(3, 4) == "RMC," ? kSentenceRmc : kSentenceNone;
}

struct Decoded {
  std::map<int32_t, std::pair<double, double>> positions;  // GGA time -> degrees
  std::map<int32_t, FixRecord> rmc;                        // RMC time -> record
  size_t expected_positions = 0;
};

double Degrees(double nmea) {
  const double whole = std::trunc(nmea / 100);
  return whole + (nmea - whole * 100) / 60;
}

// Feeds the file in random pieces; checks the lines and the accepted types.
Decoded Replay(const fs::path& path, unsigned seed) {
  const std::string text = testing::ReadWholeFile(path.string());
  NmeaParser parser(false);
  std::mt19937 rng(seed);
  Decoded decoded;
  size_t line_start = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t piece = std::min<size_t>(1 + rng() % 700, text.size() - at);
    parser.Append(std::string_view(text).substr(at, piece));
    at += piece;
    while (parser.NextSentence()) {
      const size_t lf = text.find('\n', line_start);
      const std::string_view line = std::string_view(text).substr(line_start, lf + 1 - line_start);
      line_start = lf + 1;
      EXPECT_EQ(parser.RawLine(), line) << path;
      const FixRecord& fix = parser.Fix();
      const SentenceType expected = ExpectedPositionType(line);
      if (expected != kSentenceNone) {
        ++decoded.expected_positions;
        EXPECT_EQ(fix.type, expected) << path << ": " << line;
      }
      if (fix.type == kSentenceGga && fix.valid.time && fix.valid.latitude && fix.valid.longitude)
        decoded.positions[fix.time] = {Degrees(fix.latitude), Degrees(fix.longitude)};
      if (fix.type == kSentenceRmc && fix.valid.time) decoded.rmc.insert_or_assign(fix.time, fix);
    }
  }
  EXPECT_EQ(line_start, text.rfind('\n') + 1) << path << ": every line taken";
  return decoded;
}

TEST(NmeaReplayTest, EveryRecordingInRandomPieces) {
  std::vector<fs::path> files;
  for (const auto& [folder, extension] : {std::pair{"gpsd-regress", ".log"}, std::pair{"karting", ".nmea"}}) {
    for (const auto& entry : fs::directory_iterator(kRecordings / folder))
      if (entry.path().extension() == extension) files.push_back(entry.path());
  }
  ASSERT_GE(files.size(), 30u) << "recordings not found under " << kRecordings;
  std::sort(files.begin(), files.end());
  unsigned seed = 1;
  size_t positions = 0;
  for (const fs::path& file : files) {
    for (int round = 0; round < 3; ++round) positions += Replay(file, seed++).expected_positions;
  }
  EXPECT_GT(positions, 3 * 15000u) << "the recordings hold over 15000 such lines";
}

// Tolerance: gpsd prints degrees with 9 decimals, so agreement within
// 2e-9 degree (0.2 mm) means the same number was read.
TEST(NmeaReplayTest, PositionsAndDatesAgreeWithGpsd) {
  // false: gpsd moves the dates of a receiver that missed a GPS week rollover.
  const std::pair<const char*, bool> files[] = {{"navika-100-fix.log", true}, {"ublox-lea-4h.log", true},
                                                {"bt451.log", true},          {"nmea-rtk.log", true},
                                                {"telit-he910.log", true},    {"neo-m8n.log", false}};
  for (const auto& [name, dates_as_sent] : files) {
    const fs::path log = kRecordings / "gpsd-regress" / name;
    const Decoded decoded = Replay(log, 99);
    std::ifstream chk(log.string() + ".chk");
    int compared = 0, dated = 0;
    for (std::string line; std::getline(chk, line);) {
      if (!line.starts_with("{\"class\":\"TPV\"")) continue;
      const nlohmann::json tpv = nlohmann::json::parse(line);
      const std::string time = tpv.value("time", "");
      int y, mo, d, h, mi, s, ms;
      if (std::sscanf(time.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &y, &mo, &d, &h, &mi, &s, &ms) != 7) continue;
      const int32_t t = DateTimeValue::MakeTime(h, mi, s, ms);
      const auto rmc = decoded.rmc.find(t);
      if (dates_as_sent && rmc != decoded.rmc.end() && rmc->second.valid.date) {
        EXPECT_EQ(rmc->second.date, DateTimeValue::MakeDay(y, mo, d)) << name << " " << time;
        ++dated;
      }
      const auto position = decoded.positions.find(t);
      if (position == decoded.positions.end() || !tpv.contains("lat") || !tpv.contains("lon")) continue;
      EXPECT_NEAR(position->second.first, tpv["lat"].get<double>(), 2e-9) << name << " " << time;
      EXPECT_NEAR(position->second.second, tpv["lon"].get<double>(), 2e-9) << name << " " << time;
      ++compared;
    }
    EXPECT_GE(compared, 8) << name;
    EXPECT_GE(dated, dates_as_sent ? 5 : 0) << name;
  }
}

// Tolerance: gpsbabel prints speed in m/s with 2 decimals and course with 1,
// so ours may differ by half a unit of the last digit.
TEST(NmeaReplayTest, SpeedCourseAndDateAgreeWithGpsbabel) {
  constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
  for (const char* name : {"lap.nmea", "long_lap.nmea", "praga_laps.nmea"}) {
    const Decoded decoded = Replay(kRecordings / "karting" / name, 7);
    std::ifstream csv(kRecordings / "reference-gpsbabel" / (std::string(name) + ".csv"));
    std::string line;
    std::getline(csv, line);
    ASSERT_TRUE(line.starts_with("No,Latitude,Longitude,Speed,Course,Date,Time")) << name;
    int compared = 0;
    while (std::getline(csv, line)) {
      int no, y, mo, d, h, mi, s, ms = 0;
      double lat, lon, speed, course;
      ASSERT_GE(std::sscanf(line.c_str(), "%d,%lf,%lf,%lf,%lf,%d/%d/%d,%d:%d:%d.%d", &no, &lat, &lon, &speed, &course,
                            &y, &mo, &d, &h, &mi, &s, &ms),
                11)
          << line;
      const auto rmc = decoded.rmc.find(DateTimeValue::MakeTime(h, mi, s, ms));
      ASSERT_NE(rmc, decoded.rmc.end()) << name << ": " << line;
      const FixRecord& fix = rmc->second;
      ASSERT_TRUE(fix.valid.speed && fix.valid.course && fix.valid.date) << line;
      EXPECT_NEAR(fix.speed * kMetresPerSecondPerKnot, speed, 0.005 + 1e-9) << line;
      EXPECT_NEAR(fix.course, course, 0.05 + 1e-9) << line;
      EXPECT_EQ(fix.date, DateTimeValue::MakeDay(y, mo, d)) << line;
      ++compared;
    }
    EXPECT_GE(compared, 900) << name;
  }
}

}  // namespace
}  // namespace kv
