// Real receiver recordings through NmeaParser in random-sized pieces: every
// line comes out whole, every GGA and RMC of a GP or GN talker with a good
// checksum parses, and the decoded values agree with two independent
// readers (gpsd's JSON output and gpsbabel's CSV output of the same files);
// satellites in view and fix types agree with the GSV and GSA rules read
// plainly.
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

template <typename T>
std::optional<T> Number(const std::vector<std::string>& f, size_t i) {
  T v{};
  if (i >= f.size() || f[i].empty()) return {};
  const auto [end, error] = std::from_chars(f[i].data(), f[i].data() + f[i].size(), v);
  return error == std::errc() && end == f[i].data() + f[i].size() ? std::optional<T>(v) : std::nullopt;
}

// The rules written out again without the parser's code: one group for all
// talkers (receivers send each constellation's group whole). Both sides are
// printed the same way: "-" marks a value this sentence did not read; DOPs
// to 6 significant digits, the tolerance.
struct PlainGsv {
  int32_t size = 0, last = 0, in_view = 0, complete = 0;
  std::vector<std::array<int32_t, 4>> sky;

  std::string Read(const std::vector<std::string>& f) {
    const auto size = Number<int32_t>(f, 1), number = Number<int32_t>(f, 2);
    const bool accepted = size && number && (*number == 1 || (*number == last + 1 && *size == this->size && *number <= *size));
    const auto in_view_read = accepted ? Number<int32_t>(f, 3) : std::nullopt;
    if (accepted) {
      if (*number == 1) sky.clear(), complete = 0;
      this->size = *size, last = *number, complete |= *number == *size;
      for (size_t i = 4; in_view_read && i < 20 && sky.size() < 12; i += 4) {
        const auto prn = Number<int32_t>(f, i), el = Number<int32_t>(f, i + 1), az = Number<int32_t>(f, i + 2);
        if (!prn || !el || !az) break;
        sky.push_back({*prn, *el, *az, Number<int32_t>(f, i + 3).value_or(-1)});
      }
    }
    if (in_view_read) in_view = *in_view_read;
    std::ostringstream out;
    out << accepted << " " << last << "/" << this->size << " " << (in_view_read ? std::to_string(in_view) : "-") << " " << complete;
    for (const auto& sat : sky) out << " " << sat[0] << ":" << sat[1] << ":" << sat[2] << ":" << sat[3];
    return out.str();
  }
  static std::string Print(const FixRecord& fix) {
    std::ostringstream out;
    out << fix.gsv_accepted << " " << fix.gsv_last_message << "/" << fix.gsv_group_size << " "
        << (fix.in_view_valid ? std::to_string(fix.in_view) : "-") << " " << fix.sky_complete;
    for (int32_t i = 0; i < fix.sky_count; ++i)
      out << " " << fix.sky[i].prn << ":" << fix.sky[i].elevation << ":" << fix.sky[i].azimuth << ":" << fix.sky[i].snr;
    return out.str();
  }
};

std::string PlainGsa(const std::vector<std::string>& f) {
  std::ostringstream out;
  const auto fix_type = Number<int32_t>(f, 2);
  out << (fix_type ? std::to_string(*fix_type) : "-") << " [";
  for (size_t i = 3; fix_type && i < 15; ++i)
    if (const auto prn = Number<int32_t>(f, i)) out << *prn << ",";
  out << "]" << std::setprecision(6);
  for (size_t i = 15; fix_type && i < 18 && Number<double>(f, i); ++i) out << " " << *Number<double>(f, i);
  return out.str();
}

std::string PrintGsa(const FixRecord& fix) {
  std::ostringstream out;
  out << (fix.fix_type_valid ? std::to_string(fix.fix_type) : "-") << " [";
  for (int32_t i = 0; i < fix.prn_count; ++i) out << fix.prns[i] << ",";
  out << "]" << std::setprecision(6);
  for (const auto& [valid, value] : {std::pair{fix.valid.pdop, fix.pdop}, {fix.valid.hdop, fix.hdop}, {fix.valid.vdop, fix.vdop}})
    if (valid) out << " " << value;
  return out.str();
}

TEST(NmeaReplayTest, SatellitesAndFixTypesFollowTheGsvAndGsaRules) {
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(kRecordings / "gpsd-regress")) {
    if (entry.path().extension() != ".log") continue;
    std::istringstream text(testing::ReadWholeFile(entry.path().string()));
    NmeaParser parser(false);
    PlainGsv gsv;
    for (std::string line; std::getline(text, line);) {
      const FixRecord& fix = nmea_test::Feed(parser, line + "\n");
      if (fix.type != kSentenceGsv && fix.type != kSentenceGsa) continue;
      std::string body = line.substr(0, line.find_last_not_of('\r') + 1);
      if (body.size() >= 3 && body[body.size() - 3] == '*') body.resize(body.size() - 3);
      std::vector<std::string> fields(1);
      for (const char c : body)
        c == ',' ? fields.emplace_back() : (fields.back() += c);
      EXPECT_EQ(fix.type == kSentenceGsv ? PlainGsv::Print(fix) : PrintGsa(fix),
                fix.type == kSentenceGsv ? gsv.Read(fields) : PlainGsa(fields))
          << entry.path().filename() << ": " << line;
      ++compared;
    }
  }
  EXPECT_GT(compared, 5000) << "GSV and GSA sentences in the recordings";
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
