#include "app/nmea_command.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>

#include "acquisition/nmea_parser.h"
#include "app/command_list.h"
#include "app/json_text.h"
#include "core/date_time.h"
#include "platform/file_io.h"

namespace kv::app {

namespace {

constexpr std::array<const char*, 11> kTypeNames = {nullptr, "RMC", "GGA", "GSA", "GSV", "VTG",
                                                    "ZDA",   "OBD", "ACC", "GLL", "GNS"};

// The sentence identifier of a raw line without its talker ("GGA" of
// "$GPGGA,..."), or empty when the line has none.
std::string_view SentenceName(std::string_view line) {
  if (line.size() < 6 || line[0] != '$') return {};
  const size_t end = line.find_first_of(",*\r\n");
  if (end != 6) return {};
  return line.substr(3, 3);
}

std::string_view Talker(std::string_view line) {
  if (line.size() < 3 || line[0] != '$') return {};
  return line.substr(1, 2);
}

constexpr double kKnotsToKmh = 1.852;
constexpr int kAsSentDecimals = 3;  // altitudes and DOPs: finer than any receiver sends

// NMEA's ddmm.mmmm (dddmm.mmmm) as signed degrees.
double NmeaDegrees(double value) {
  const double whole = std::trunc(value / 100.0);
  return whole + (value - whole * 100.0) / 60.0;
}

// "18:52:03.120"
std::string ClockText(int32_t ms) {
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  return text;
}

// "2009-05-21"
std::string DateText(int32_t day) {
  const CalendarParts p = DateTimeValue{day, 0}.Decompose();
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", p.year, p.month, p.day);
  return text;
}

// Fields are reported only when this sentence is one that sets them, so a
// value left over from an earlier sentence never shows up against this line.
nlohmann::json DescribeLine(int64_t number, std::string_view raw, const FixRecord& fix) {
  nlohmann::json line;
  line["line"] = number;
  const std::string_view talker = Talker(raw);
  line["talker"] = talker.empty() ? nlohmann::json() : nlohmann::json(std::string(talker));
  if (fix.type == kSentenceNone) {
    line["type"] = nullptr;
    return line;
  }
  line["type"] = kTypeNames[static_cast<size_t>(fix.type)];
  const FixValidity& v = fix.valid;
  const auto time = [&] {
    if (!v.time) return;
    line["time_ms"] = fix.time;
    line["time_utc"] = ClockText(fix.time);
  };
  const auto position = [&] {
    if (v.latitude) line["lat_deg"] = JsonReal(NmeaDegrees(fix.latitude), kDegreeDecimals);
    if (v.longitude) line["lon_deg"] = JsonReal(NmeaDegrees(fix.longitude), kDegreeDecimals);
  };
  const auto date = [&] {
    if (v.date && IsSet(fix.date)) line["date"] = DateText(fix.date);
  };
  const auto as_sent = [&](const char* key, int32_t valid, double value) {
    if (valid) line[key] = JsonReal(value, kAsSentDecimals);
  };
  const auto motion = [&] {
    if (v.speed) line["speed_kmh"] = JsonReal(fix.speed * kKnotsToKmh, kSpeedDecimals);
    if (v.course) line["course_deg"] = JsonReal(fix.course, kAngleDecimals);
  };
  switch (fix.type) {
    case kSentenceRmc:
      time();
      position();
      date();
      motion();
      break;
    case kSentenceGga:
      time();
      position();
      if (v.fix_quality) line["quality"] = fix.fix_quality;
      if (v.satellites) line["satellites"] = fix.satellites;
      as_sent("hdop", v.hdop, fix.hdop);
      as_sent("altitude_m", v.altitude, fix.altitude);
      as_sent("geoid_m", v.geoid, fix.geoid);
      break;
    case kSentenceGsa: {
      if (fix.fix_type_valid) line["fix_type"] = fix.fix_type;
      nlohmann::json prns = nlohmann::json::array();
      for (int32_t i = 0; i < fix.prn_count; ++i) prns.push_back(fix.prns[static_cast<size_t>(i)]);
      line["prns"] = prns;
      as_sent("pdop", v.pdop, fix.pdop);
      as_sent("hdop", v.hdop, fix.hdop);
      as_sent("vdop", v.vdop, fix.vdop);
      break;
    }
    case kSentenceGsv:
      if (fix.in_view_valid) line["in_view"] = fix.in_view;
      if (fix.gsv_accepted && fix.sky_complete) {
        nlohmann::json sky = nlohmann::json::array();
        for (int32_t i = 0; i < fix.sky_count; ++i) {
          const SatelliteInfo& s = fix.sky[static_cast<size_t>(i)];
          sky.push_back({{"prn", s.prn},
                         {"elevation_deg", s.elevation},
                         {"azimuth_deg", s.azimuth},
                         {"snr_dbhz", s.snr >= 0 ? nlohmann::json(s.snr) : nlohmann::json()}});
        }
        line["sky"] = sky;
      }
      break;
    case kSentenceVtg:
      motion();
      break;
    case kSentenceZda:
      time();
      date();
      break;
    case kSentenceGll:
      time();
      position();
      break;
    case kSentenceGns:
      time();
      position();
      if (v.satellites) line["satellites"] = fix.satellites;
      as_sent("altitude_m", v.altitude, fix.altitude);
      break;
    case kSentenceObd:
      time();
      if (fix.obd.valid) {
        nlohmann::json bytes = nlohmann::json::array();
        for (int32_t i = 0; i < fix.obd.byte_count; ++i)
          bytes.push_back(fix.obd.bytes[static_cast<size_t>(i)]);
        line["obd"] = {{"pid", fix.obd.pid}, {"bytes", bytes}};
      }
      break;
    case kSentenceAcc:
      time();
      if (fix.acc_valid) line["acc"] = fix.acc;
      break;
    case kSentenceNone:
      break;
  }
  return line;
}

struct TypeCounts {
  int64_t accepted = 0;
  int64_t rejected = 0;
};

}  // namespace

int RunNmeaCommand(const NmeaCommandOptions& options, std::ostream& out, std::ostream& err) {
  platform::FileHandle in;
  if (!in.OpenRead(options.file, true)) {
    err << "Cannot open " << options.file << ".\n";
    return 1;
  }
  NmeaParser parser(false);
  std::array<TypeCounts, kTypeNames.size()> counts{};
  TypeCounts other;
  int64_t lines = 0;
  // Small blocks, as a receiver delivers them: the parser drops its buffer
  // when a block would take it past its bound.
  std::array<char, 4096> block;
  char last_byte = '\n';
  const auto drain = [&] {
    while (parser.NextSentence()) {
      ++lines;
      const FixRecord& fix = parser.Fix();
      const std::string_view raw = parser.RawLine();
      if (options.json) {
        out << JsonText(DescribeLine(lines, raw, fix)) << '\n';
        continue;
      }
      if (fix.type != kSentenceNone) {
        ++counts[static_cast<size_t>(fix.type)].accepted;
        continue;
      }
      const std::string_view name = SentenceName(raw);
      size_t type = 0;
      for (size_t t = 1; t < kTypeNames.size(); ++t)
        if (name == kTypeNames[t]) type = t;
      if (type != 0) {
        ++counts[type].rejected;
      } else {
        ++other.rejected;
      }
    }
  };
  int64_t got;
  while ((got = in.Read(block.data(), static_cast<int64_t>(block.size()))) > 0) {
    parser.Append(std::string_view(block.data(), static_cast<size_t>(got)));
    last_byte = block[static_cast<size_t>(got) - 1];
    drain();
  }
  // A last line without its line end is still a line of the file.
  if (last_byte != '\n') {
    parser.Append("\r\n");
    drain();
  }
  if (got < 0) {
    err << "Cannot read " << options.file << ".\n";
    return 1;
  }
  if (options.json) return 0;

  int64_t accepted = 0;
  for (const TypeCounts& c : counts) accepted += c.accepted;
  out << options.file << ": " << lines << " lines, " << accepted << " sentences taken, "
      << lines - accepted << " rejected or not understood\n";
  char row[80];
  std::snprintf(row, sizeof row, "%-10s %10s %10s\n", "sentence", "accepted", "rejected");
  out << row;
  for (size_t t = 1; t < kTypeNames.size(); ++t) {
    std::snprintf(row, sizeof row, "%-10s %10lld %10lld\n", kTypeNames[t],
                  static_cast<long long>(counts[t].accepted), static_cast<long long>(counts[t].rejected));
    out << row;
  }
  std::snprintf(row, sizeof row, "%-10s %10s %10lld\n", "other", "-", static_cast<long long>(other.rejected));
  out << row;
  return 0;
}

void AddNmeaCommand(CLI::App& cli, const GlobalOptions& /*globals*/, CommandList& commands) {
  auto options = std::make_shared<NmeaCommandOptions>();
  CLI::App* command =
      cli.add_subcommand("nmea", "Check an NMEA recording: accepted and rejected sentences per type");
  command->add_option("FILE", options->file, "NMEA text file")->required();
  command->add_flag("--json", options->json, "One JSON object per line with the decoded fields");
  commands.Add(command, [options] { return RunNmeaCommand(*options, std::cout, std::cerr); });
}

}  // namespace kv::app
