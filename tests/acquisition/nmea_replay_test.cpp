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
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "core/date_time.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

const char* const kRecordings = "../shared/external/nmea";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> Recordings() {
  std::vector<fs::path> files;
  const std::pair<const char*, const char*> globs[] = {{"gpsd-regress", ".log"},
                                                       {"karting", ".nmea"}};
  for (const auto& [folder, extension] : globs) {
    const fs::path dir = fs::path(kRecordings) / folder;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.path().extension() == extension) files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// What a correct reader must accept: "$GPGGA", "$GNRMC"... with a checksum
// that matches, judged here without the parser.
SentenceType ExpectedPositionType(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() < 10 || line[0] != '$' || line[line.size() - 3] != '*') return kSentenceNone;
  const std::string_view talker = line.substr(1, 2), name = line.substr(3, 4);
  if (talker != "GP" && talker != "GN") return kSentenceNone;
  if (name != "GGA," && name != "RMC,") return kSentenceNone;
  unsigned x = 0;
  for (size_t i = 1; i + 3 < line.size(); ++i) x ^= static_cast<unsigned char>(line[i]);
  unsigned sent = 0;
  if (std::sscanf(std::string(line.substr(line.size() - 2)).c_str(), "%2x", &sent) != 1 ||
      sent != x)
    return kSentenceNone;
  return name == "GGA," ? kSentenceGga : kSentenceRmc;
}

struct Decoded {
  std::map<int32_t, std::pair<double, double>> positions;  // GGA time -> degrees
  std::map<int32_t, FixRecord> rmc;                        // RMC time -> record
  size_t expected_positions = 0;  // GP/GN GGA and RMC lines with a good checksum
};

double Degrees(double nmea) {
  const double whole = std::trunc(nmea / 100);
  return whole + (nmea - whole * 100) / 60;
}

// Feeds the file in random pieces; checks the lines and the accepted types.
Decoded Replay(const fs::path& path, unsigned seed) {
  const std::string text = ReadFile(path);
  std::vector<std::string_view> lines;
  for (size_t begin = 0, lf; (lf = text.find('\n', begin)) != std::string::npos; begin = lf + 1)
    lines.push_back(std::string_view(text).substr(begin, lf + 1 - begin));

  NmeaParser parser(false);
  std::mt19937 rng(seed);
  Decoded decoded;
  size_t taken = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t piece = std::min<size_t>(1 + rng() % 700, text.size() - at);
    parser.Append(std::string_view(text).substr(at, piece));
    at += piece;
    while (parser.NextSentence()) {
      EXPECT_LT(taken, lines.size()) << path;
      if (taken >= lines.size()) return decoded;
      const std::string_view line = lines[taken++];
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
  EXPECT_EQ(taken, lines.size()) << path;
  return decoded;
}

TEST(NmeaReplayTest, EveryRecordingInRandomPieces) {
  const std::vector<fs::path> files = Recordings();
  ASSERT_GE(files.size(), 30u) << "recordings not found under " << kRecordings;
  unsigned seed = 1;
  size_t positions = 0;
  for (const fs::path& file : files) {
    for (int round = 0; round < 3; ++round) positions += Replay(file, seed++).expected_positions;
  }
  EXPECT_GT(positions, 3 * 15000u) << "the recordings hold over 15000 such lines";
}

// "...\"key\":value..." -> value text, empty when absent.
std::string JsonValue(const std::string& line, const std::string& key) {
  const std::string marker = "\"" + key + "\":";
  const size_t at = line.find(marker);
  if (at == std::string::npos) return {};
  size_t begin = at + marker.size(), end = begin;
  if (line[begin] == '"')
    end = line.find('"', ++begin);
  else
    end = line.find_first_of(",}", begin);
  return line.substr(begin, end - begin);
}

// Tolerance: gpsd prints degrees with 9 decimals, so agreement within
// 2e-9 degree (0.2 mm) means the same number was read.
TEST(NmeaReplayTest, PositionsAndDatesAgreeWithGpsd) {
  const struct {
    const char* name;
    bool
        dates_as_sent;  // false: gpsd moves the dates of a receiver that missed a GPS week rollover
  } files[] = {{"navika-100-fix.log", true}, {"ublox-lea-4h.log", true}, {"bt451.log", true},
               {"nmea-rtk.log", true},       {"telit-he910.log", true},  {"neo-m8n.log", false}};
  for (const auto& [name, dates_as_sent] : files) {
    const fs::path log = fs::path(kRecordings) / "gpsd-regress" / name;
    const Decoded decoded = Replay(log, 99);
    std::ifstream chk(log.string() + ".chk");
    std::string line;
    int compared = 0, dated = 0;
    while (std::getline(chk, line)) {
      if (line.rfind("{\"class\":\"TPV\"", 0) != 0) continue;
      const std::string time = JsonValue(line, "time"), lat = JsonValue(line, "lat"),
                        lon = JsonValue(line, "lon");
      int y, mo, d, h, mi, s, ms;
      if (std::sscanf(time.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &y, &mo, &d, &h, &mi, &s, &ms) != 7)
        continue;
      const int32_t t = DateTimeValue::MakeTime(h, mi, s, ms);
      const auto rmc = decoded.rmc.find(t);
      if (dates_as_sent && rmc != decoded.rmc.end() && rmc->second.valid.date) {
        EXPECT_EQ(rmc->second.date, DateTimeValue::MakeDay(y, mo, d)) << name << " " << time;
        ++dated;
      }
      const auto position = decoded.positions.find(t);
      if (position == decoded.positions.end() || lat.empty() || lon.empty()) continue;
      EXPECT_NEAR(position->second.first, std::stod(lat), 2e-9) << name << " " << time;
      EXPECT_NEAR(position->second.second, std::stod(lon), 2e-9) << name << " " << time;
      ++compared;
    }
    EXPECT_GE(compared, 8) << name;
    if (dates_as_sent) {
      EXPECT_GE(dated, 5) << name;
    }
  }
}

// Tolerance: gpsbabel prints speed in m/s with 2 decimals and course with 1,
// so ours may differ by half a unit of the last digit.
TEST(NmeaReplayTest, SpeedCourseAndDateAgreeWithGpsbabel) {
  const char* const files[] = {"lap.nmea", "long_lap.nmea", "praga_laps.nmea"};
  constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
  for (const char* name : files) {
    const Decoded decoded = Replay(fs::path(kRecordings) / "karting" / name, 7);
    std::ifstream csv(fs::path(kRecordings) / "reference-gpsbabel" / (std::string(name) + ".csv"));
    std::string line;
    std::getline(csv, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ASSERT_EQ(line, "No,Latitude,Longitude,Speed,Course,Date,Time") << name;
    int compared = 0;
    while (std::getline(csv, line)) {
      int no, y, mo, d, h, mi, s, ms = 0;
      double lat, lon, speed, course;
      const int n = std::sscanf(line.c_str(), "%d,%lf,%lf,%lf,%lf,%d/%d/%d,%d:%d:%d.%d", &no, &lat,
                                &lon, &speed, &course, &y, &mo, &d, &h, &mi, &s, &ms);
      ASSERT_GE(n, 11) << line;
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
