// Real receiver recordings through NmeaParser in random-sized pieces: every
// line comes out whole, every GGA and RMC of a GP or GN talker with a good
// checksum parses, GSV and GSA give what the rules read plainly give, and
// the decoded values agree with two independent readers (gpsd's JSON output
// and gpsbabel's CSV output of the same files).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <optional>
#include <sstream>
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

template <typename T>
std::optional<T> Number(const std::vector<std::string>& f, size_t i) {
  T v{};
  const std::string& text = i < f.size() ? f[i] : std::string();
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  return !text.empty() && error == std::errc() && stop == text.data() + text.size() ? std::optional<T>(v) : std::nullopt;
}

// The GSV and GSA rules written out again without the parser's code, with
// one group for all talkers (receivers send each constellation's group
// whole). f: the fields, the identifier first.
void ReadPlainly(const std::vector<std::string>& f, SentenceType type, FixRecord& r) {
  const auto n = [&f](size_t i) { return Number<int32_t>(f, i); };
  if (type == kSentenceGsa) {
    r.prn_count = r.valid.pdop = r.valid.hdop = r.valid.vdop = 0;
    if (!(r.fix_type_valid = n(2).has_value())) return;
    r.fix_type = *n(2);
    for (size_t i = 3; i < 15; ++i)
      if (n(i)) r.prns[r.prn_count++] = *n(i);
    const std::pair<int32_t*, double*> dops[] = {{&r.valid.pdop, &r.pdop}, {&r.valid.hdop, &r.hdop}, {&r.valid.vdop, &r.vdop}};
    for (size_t k = 0; k < 3 && Number<double>(f, 15 + k); ++k) *dops[k].first = 1, *dops[k].second = *Number<double>(f, 15 + k);
    return;
  }
  const auto size = n(1), number = n(2);
  r.gsv_accepted = size && number &&
                   (*number == 1 || (*number == r.gsv_last_message + 1 && *size == r.gsv_group_size && *number <= *size));
  r.in_view_valid = r.gsv_accepted && n(3);
  if (!r.gsv_accepted) return;
  if (*number == 1) r.sky_count = r.sky_complete = 0;
  r.gsv_group_size = *size, r.gsv_last_message = *number, r.sky_complete |= *number == *size;
  if (r.in_view_valid) r.in_view = *n(3);
  for (size_t i = 4; r.in_view_valid && i < 20 && r.sky_count < 12 && n(i) && n(i + 1) && n(i + 2); i += 4)
    r.sky[r.sky_count++] = {*n(i), *n(i + 1), *n(i + 2), n(i + 3).value_or(-1)};
}

// What a GSV or GSA sentence left in the record; "-" for a value it did not
// read, DOPs to 6 significant digits (the tolerance).
std::string Shown(const FixRecord& f, SentenceType type) {
  std::ostringstream out;
  out << std::setprecision(6);
  if (type == kSentenceGsa) {
    out << (f.fix_type_valid ? std::to_string(f.fix_type) : "-") << " [";
    for (int32_t i = 0; i < f.prn_count; ++i) out << f.prns[i] << ",";
    out << "]";
    for (const auto& [valid, dop] : {std::pair{f.valid.pdop, f.pdop}, {f.valid.hdop, f.hdop}, {f.valid.vdop, f.vdop}})
      valid ? out << " " << dop : out << " -";
    return out.str();
  }
  out << f.gsv_accepted << " " << f.gsv_last_message << "/" << f.gsv_group_size << " "
      << (f.in_view_valid ? std::to_string(f.in_view) : "-") << " " << f.sky_complete;
  for (int32_t i = 0; i < f.sky_count; ++i)
    out << " " << f.sky[i].prn << ":" << f.sky[i].elevation << ":" << f.sky[i].azimuth << ":" << f.sky[i].snr;
  return out.str();
}

struct Decoded {
  std::map<int32_t, std::pair<double, double>> positions;  // GGA time -> degrees
  std::map<int32_t, FixRecord> rmc;                        // RMC time -> record
  size_t expected_positions = 0;
  size_t satellite_lines = 0;  // GSV and GSA, compared with the plain reading
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
  FixRecord plain;
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
      if (fix.type == kSentenceGsv || fix.type == kSentenceGsa) {
        std::string body(line.substr(0, line.find_last_not_of("\r\n") + 1));
        if (body.size() >= 3 && body[body.size() - 3] == '*') body.resize(body.size() - 3);  // the checksum
        std::vector<std::string> fields(1);
        for (const char c : body) c == ',' ? fields.emplace_back() : (fields.back() += c);  // fields[0]: "$GPGSV"
        ReadPlainly(fields, fix.type, plain);
        EXPECT_EQ(Shown(fix, fix.type), Shown(plain, fix.type)) << path << ": " << line;
        ++decoded.satellite_lines;
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
  size_t positions = 0, satellite_lines = 0;
  for (const fs::path& file : files) {
    for (int round = 0; round < 3; ++round) {
      const Decoded decoded = Replay(file, seed++);
      positions += decoded.expected_positions, satellite_lines += decoded.satellite_lines;
    }
  }
  EXPECT_GT(positions, 3 * 15000u) << "the recordings hold over 15000 such lines";
  EXPECT_GT(satellite_lines, 3 * 5000u) << "and over 5000 GSV and GSA";
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
