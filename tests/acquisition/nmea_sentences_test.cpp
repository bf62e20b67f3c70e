// Framing and decoding of each sentence through NmeaParser, against the
// golden file tests/data/acquisition/nmea_sentences.nmea(.chk): checksum
// rule, identifiers and talkers, field syntax, values, validity flags and
// kept values, GSV assembly per talker, and $KVOBD and $KVACC. Numbers are
// written with 10 significant digits, finer than any field is sent: the
// tolerance here.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "acquisition/nmea_parser.h"
#include "core/date_time.h"
#include "util/golden_file.h"

namespace kv {
namespace {

std::string Text(const char* format, auto... values) {
  char text[64];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}
// A failed read shows "-", or in parentheses the earlier value it keeps.
std::string Field(int32_t valid, bool kept, const std::string& text) {
  if (valid) return std::string(" ").append(text);
  return kept ? std::string(" (").append(text).append(")") : " -";
}
std::string Real(int32_t valid, double value) {
  return Field(valid, IsSet(value) && value != 0, Text("%.10g", value));
}
std::string Time(int32_t valid, int32_t ms) {
  return Field(valid, ms != 0,
               Text("%02d%02d%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000));
}
std::string Date(int32_t valid, int32_t day) {
  const CalendarParts p = DateTimeValue{day, 0}.Decompose();
  return Field(valid, IsSet(day), Text("%d-%02d-%02d", p.year, p.month, p.day));
}
template <typename T>
std::string List(const T& items, int32_t count, auto value) {
  std::string text = " [";
  for (int32_t i = 0; i < count; ++i)
    text.append(i ? "," : "").append(std::to_string(value(items[i])));
  return text.append("]");
}

std::string Describe(const NmeaParser& parser) {
  const FixRecord& f = parser.Fix();
  const FixValidity& v = f.valid;
  const char* const names[] = {"none", "RMC", "GGA", "GSA", "GSV", "VTG", "ZDA", "OBD", "ACC", "GLL", "GNS"};
  const auto letters = [&f] { return Text(" %c%c", f.status ? f.status : '-', f.mode ? f.mode : '-'); };
  std::string s = parser.TalkerOfLast().empty() ? "--" : std::string(parser.TalkerOfLast());
  s.append(" ").append(names[f.type]);
  switch (f.type) {
    case kSentenceGga:
      return s + Time(v.time, f.time) + Real(v.latitude, f.latitude) +
             Real(v.longitude, f.longitude) + Real(v.fix_quality, f.fix_quality) +
             Real(v.satellites, f.satellites) + Real(v.hdop, f.hdop) +
             Real(v.altitude, f.altitude) + Real(v.geoid, f.geoid);
    case kSentenceRmc:
      return s + Time(v.time, f.time) + letters() + Real(v.latitude, f.latitude) + Real(v.longitude, f.longitude) +
             Real(v.speed, f.speed) + Real(v.course, f.course) + Date(v.date, f.date);
    case kSentenceVtg:
      return s + Real(v.course, f.course) + Real(v.speed, f.speed) + letters();
    case kSentenceGll:
      return s + Time(v.time, f.time) + letters() + Real(v.latitude, f.latitude) + Real(v.longitude, f.longitude);
    case kSentenceGns:
      return s + Time(v.time, f.time) + letters() + Real(v.latitude, f.latitude) + Real(v.longitude, f.longitude) +
             Real(v.satellites, f.satellites) + Real(v.hdop, f.hdop) + Real(v.altitude, f.altitude) +
             Real(v.geoid, f.geoid);
    case kSentenceZda:
      return s + Time(v.time, f.time) + Date(v.date, f.date);
    case kSentenceGsa:
      return s + Field(f.fix_type_valid, f.fix_type != 0, Text("%d", f.fix_type)) +
             List(f.prns, f.prn_count, [](int32_t prn) { return prn; }) + Real(v.pdop, f.pdop) +
             Real(v.hdop, f.hdop) + Real(v.vdop, f.vdop);
    case kSentenceGsv:
      return s + Text(" %d/%d", f.gsv_last_message, f.gsv_group_size) + (f.gsv_accepted ? "" : " ignored") +
             Field(f.in_view_valid, f.in_view != 0, Text("%d", f.in_view)) +
             List(f.sky, f.sky_count, [](const SatelliteInfo& sat) { return sat.prn; }) +
             (f.sky_complete ? " complete" : "");
    case kSentenceObd:
      s += Time(v.time, f.time) + Text(" %02X", f.obd.pid) + (f.obd.valid ? ":" : " -");
      for (int32_t i = 0; i < f.obd.byte_count; ++i) s += Text(" %02X", f.obd.bytes[i]);
      return s;
    case kSentenceAcc:
      return s + Time(v.time, f.time) + Text(" %d,%d,%d", f.acc[0], f.acc[1], f.acc[2]) +
             (f.acc_valid ? "" : " -");
    default:
      return s;
  }
}

int32_t SeenFlags(const NmeaParser& parser) {
  int32_t flags = 0;
  for (int32_t type = kSentenceRmc; type <= kSentenceGns; ++type)
    flags |= parser.Seen(static_cast<SentenceType>(type)) << type;
  return flags;
}

TEST(NmeaSentencesTest, DecodedRecordsMatchTheGoldenFile) {
  std::optional<NmeaParser> parser;
  test::ExpectGolden("tests/data/acquisition/nmea_sentences.nmea", [&](const std::string& line,
                                                                       bool first) {
    if (first) parser.emplace(false);
    const int32_t seen_before = SeenFlags(*parser);
    parser->Append(line + "\n");
    EXPECT_TRUE(parser->NextSentence()) << line;
    EXPECT_EQ(parser->RawLine(), line + "\n");
    const SentenceType type = parser->Fix().type;
    EXPECT_EQ(SeenFlags(*parser), seen_before | (type == kSentenceNone ? 0 : 1 << type)) << line;
    return Describe(*parser);
  });
}

}  // namespace
}  // namespace kv
