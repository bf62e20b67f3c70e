// Decoding of each sentence into the FixRecord, through NmeaParser: values,
// validity flags, which failures stop a sentence, GSV assembly per talker,
// and the system's own $KVOBD and $KVACC sentences.
//
// A case feeds its lines to one parser and compares the record as Describe
// writes it, "-" for a field whose read failed. Numbers are written with 10
// significant digits, finer than any field is sent: the tolerance here.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "core/date_time.h"
#include "nmea_test_lines.h"

namespace kv {
namespace {

std::string Text(const char* format, auto... values) {
  char text[64];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}
std::string Real(int32_t valid, double value) { return valid ? Text(" %.10g", value) : " -"; }
std::string Time(int32_t valid, int32_t ms) {
  return valid ? Text("%02d%02d%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000) : "-";
}
std::string Date(int32_t valid, int32_t day) {
  const CalendarParts p = DateTimeValue{day, 0}.Decompose();
  return valid ? Text(" %d-%02d-%02d", p.year, p.month, p.day) : " -";
}
template <typename T>
std::string List(const T& items, int32_t count, auto value) {
  std::string text;
  for (int32_t i = 0; i < count; ++i) text.append(i ? "," : "").append(std::to_string(value(items[i])));
  return text;
}

std::string Describe(const FixRecord& f) {
  const FixValidity& v = f.valid;
  std::string s;
  switch (f.type) {
    case kSentenceGga:  // time latitude longitude quality satellites HDOP altitude geoid
      return Time(v.time, f.time) + Real(v.latitude, f.latitude) + Real(v.longitude, f.longitude) +
             Real(v.fix_quality, f.fix_quality) + Real(v.satellites, f.satellites) + Real(v.hdop, f.hdop) +
             Real(v.altitude, f.altitude) + Real(v.geoid, f.geoid);
    case kSentenceRmc:  // time speed course date
      return Time(v.time, f.time) + Real(v.speed, f.speed) + Real(v.course, f.course) + Date(v.date, f.date);
    case kSentenceVtg:  // course speed
      return Real(v.course, f.course) + Real(v.speed, f.speed);
    case kSentenceZda:  // time date
      return Time(v.time, f.time) + Date(v.date, f.date);
    case kSentenceGsa:  // fix type, used PRNs, PDOP HDOP VDOP
      return Text("%d [", f.fix_type) + List(f.prns, f.prn_count, [](int32_t prn) { return prn; }) + "]" +
             Real(v.pdop, f.pdop) + Real(v.hdop, f.hdop) + Real(v.vdop, f.vdop);
    case kSentenceGsv:  // message/size of the group, then the last complete group: in view [PRNs]
      return Text("%d/%d", f.gsv_last_message, f.gsv_group_size) +
             (f.sky_complete ? Text(" %d [", f.in_view) +
                                   List(f.sky, f.sky_count, [](const SatelliteInfo& sat) { return sat.prn; }) + "]"
                             : "");
    case kSentenceObd:  // time PID, then the reply's bytes or "-"
      s = Time(v.time, f.time) + Text(" %02X", f.obd.pid) + (f.obd.valid ? ":" : " -");
      for (int32_t i = 0; i < f.obd.byte_count; ++i) s += Text(" %02X", f.obd.bytes[i]);
      return s;
    case kSentenceAcc:  // time, the three values, "-" while not valid
      return Time(v.time, f.time) + Text(" %d,%d,%d", f.acc[0], f.acc[1], f.acc[2]) + (f.acc_valid ? "" : " -");
    default:
      return "not decoded";
  }
}

struct Case {
  const char* legend;
  std::vector<std::string> lines;
  const char* expected;
};

void ExpectDecoded(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    NmeaParser parser(false);
    for (const std::string& line : c.lines) {
      parser.Append(line.ends_with('\n') ? line : nmea_test::WithChecksum(line));
      EXPECT_TRUE(parser.NextSentence()) << c.legend;
    }
    EXPECT_EQ(Describe(parser.Fix()), c.expected) << c.legend;
  }
}

TEST(NmeaSentencesTest, DecodedRecords) {
  const std::string gga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
  const std::string gsa = "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1";
  const std::string one = "$GPGSV,2,1,05,01,10,100,20,02,20,200,30,03,30,300,40,04,40,040,50";
  const std::string two = "$GPGSV,2,2,05,05,50,050,";
  ExpectDecoded({
      // GGA
      {"GGA example", {gga}, "123519.000 4807.038 1131 1 8 0.9 545.4 46.9"},
      {"south, west, negative heights",
       {"$GPGGA,002153.125,3342.6618,S,11751.3858,W,2,10,1.2,-27.0,M,-34.2,M,,0"},
       "002153.125 -3342.6618 -11751.3858 2 10 1.2 -27 -34.2"},
      {"no fix: what is there is read", {gga, "$GPGGA,,,,,,0,00,99.99,,,,,,"}, "- - - 0 0 99.99 - -"},
      {"hemisphere in lower case",
       {"$GPGGA,1,4807.038,n,01131.000,w,1,08,0.9,545.4,M,46.9,M,,"},
       "- - - 1 8 0.9 545.4 46.9"},
      // RMC
      {"RMC example",
       {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"},
       "123519.000 22.4 84.4 2094-03-23"},
      {"empty speed, later fields read", {"$GPRMC,123519,A,,,,,,084.4,230394"}, "123519.000 - 84.4 2094-03-23"},
      {"speed above 1000", {"$GPRMC,123519,A,,,,,1000.1,1,230394"}, "123519.000 - 1 2094-03-23"},
      {"day 32", {"$GPRMC,123519,A,,,,,1,1,320394"}, "123519.000 1 1 -"},
      {"fields missing at the end", {"$GPRMC,123519.250,A,,,,,1"}, "123519.250 1 - -"},
      // VTG, and numbers right before the line end, which must stop the reading
      {"VTG example", {"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K"}, " 54.7 5.5"},
      {"speed read after a failed course", {"$GPVTG,,T,,M,0.02,N,0.04,K,A"}, " - 0.02"},
      {"LF", {"$GPVTG,054.7,T,034.4,M,005.5\n"}, " 54.7 5.5"},
      {"checksum", {"$GPVTG,054.7,T,034.4,M,7.25*7C\r\n"}, " 54.7 7.25"},
      {"integer", {"$KVACC,,1,2,-345\n"}, "- 1,2,-345"},
      // ZDA
      {"ZDA example", {"$GPZDA,201530.00,04,07,2002,00,00"}, "201530.000 2002-07-04"},
      {"year used as sent", {"$GPZDA,201530.00,04,07,0099,00,00"}, "201530.000 99-07-04"},
      {"month 13", {"$GPZDA,201530.00,04,13,2002,00,00"}, "201530.000 -"},
      {"empty time, date still read", {"$GPZDA,,04,07,2002,00,00"}, "- 2002-07-04"},
      {"year too large for a day number", {"$GPZDA,201530.00,04,07,9999999,00,00"}, "201530.000 -"},
      // GSA
      {"GSA example", {gsa}, "3 [4,5,9,12,24] 2.5 1.3 2.1"},
      {"no fix type: the old one stays, nothing read", {gsa, "$GPGSA,A,,04,05,,09,,,,,,,,,2.5,1.3,2.1"}, "3 [] - - -"},
      {"bad PRN skipped, stops at a missing dilution", {"$GNGSA,A,2,xx,07,,,,,,,,,,,3.1,,2.0,1"}, "2 [7] 3.1 - -"},
      // GSV groups
      {"a group being assembled is not shown", {one}, "1/2"},
      {"complete", {one, two}, "2/2 5 [1,2,3,4,5]"},
      {"message 3 after 1 is ignored, 2 still fits",
       {"$GPGSV,3,1,10,01,1,1,1,02,1,1,1,03,1,1,1,04,1,1,1", "$GPGSV,3,3,10,09,1,1,1,10,1,1,1",
        "$GPGSV,3,2,10,05,1,1,1,06,1,1,1,07,1,1,1,08,1,1,1", "$GPGSV,3,3,10,09,1,1,1,10,1,1,1"},
       "3/3 10 [1,2,3,4,5,6,7,8,9,10]"},
      {"message 1 restarts", {"$GPGSV,2,1,5,1,1,1,1", "$GPGSV,2,1,5,9,1,1,1", "$GPGSV,2,2,5,2,1,1,1"}, "2/2 5 [9,2]"},
      {"message beyond the group size", {"$GPGSV,1,1,1,1,1,1,1", "$GPGSV,1,2,1,2,1,1,1"}, "1/1 1 [1]"},
      {"at most twelve satellites",
       {"$GPGSV,4,1,16,01,1,1,1,02,1,1,1,03,1,1,1,04,1,1,1", "$GPGSV,4,2,16,05,1,1,1,06,1,1,1,07,1,1,1,08,1,1,1",
        "$GPGSV,4,3,16,09,1,1,1,10,1,1,1,11,1,1,1,12,1,1,1", "$GPGSV,4,4,16,13,1,1,1,14,1,1,1,15,1,1,1,16,1,1,1"},
       "4/4 16 [1,2,3,4,5,6,7,8,9,10,11,12]"},
      {"no elevation ends the sentence", {"$GPGSV,1,1,04,01,10,100,20,02,,,31,03,30,300,40,1"}, "1/1 4 [1]"},
      {"a signal id after the last satellite", {"$GPGSV,1,1,02,01,10,100,20,03,30,300,40,1"}, "1/1 2 [1,3]"},
      {"complete group without satellites", {one, two, "$GPGSV,1,1,00"}, "1/1 0 []"},
      // $KVOBD
      {"four bytes", {"$KVOBD,123519.250,0C,41 0C 1A F8"}, "123519.250 0C: 41 0C 1A F8"},
      {"no time before the GPS has a fix", {"$KVOBD,,0C,41 0C 1A F8"}, "- 0C: 41 0C 1A F8"},
      {"NO DATA, the PID read before it", {"$KVOBD,1,0D,NO DATA"}, "- 0D -"},
      {"unable to connect, in any case", {"$KVOBD,1,0C,Unable To Connect"}, "- 0C -"},
      {"seventeen bytes keep sixteen",
       {"$KVOBD,1,0C,41 0C 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E ZZ"},
       "- 0C: 41 0C 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E"},
      {"bad byte", {"$KVOBD,1,0C,41 0C ZZ"}, "- 0C -"},
      {"two spaces make an empty piece", {"$KVOBD,1,0C,41  0C"}, "- 0C -"},
      {"a trailing space ends the reply", {"$KVOBD,1,0C,41 0C "}, "- 0C: 41 0C"},
      {"PID missing", {"$KVOBD,1,,41 0C"}, "- 00 -"},
      // $KVACC
      {"three values", {"$KVACC,123519.000,12,-40,1003"}, "123519.000 12,-40,1003"},
      {"bad second value", {"$KVACC,,12,x,1003"}, "- 0,0,0 -"},
      {"values change only all together", {"$KVACC,,1,2,3", "$KVACC,,4,x,6"}, "- 1,2,3 -"},
  });
}

TEST(NmeaSentencesTest, AFailedReadKeepsTheOldValueButAnUnreadableTimeIs0) {
  NmeaParser parser(false);
  nmea_test::FeedChecked(parser, "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
  const FixRecord& fix = nmea_test::FeedChecked(parser, "$GPGGA,,,,,,0,00,99.99,,,,,,");
  EXPECT_DOUBLE_EQ(fix.latitude, 4807.038);
  EXPECT_DOUBLE_EQ(fix.altitude, 545.4);
  EXPECT_EQ(fix.time, 0);
}

TEST(NmeaSentencesTest, GsvSatelliteFields) {
  NmeaParser parser(false);
  const SatelliteInfo& sat = nmea_test::FeedChecked(parser, "$GPGSV,1,1,02,16,57,208,39,27,05,244,").sky[1];
  EXPECT_EQ(std::vector<int32_t>({sat.prn, sat.elevation, sat.azimuth, sat.snr}),
            std::vector<int32_t>({27, 5, 244, -1}))
      << "an empty SNR is -1";
}

TEST(NmeaSentencesTest, GsvInterleavedTalkersKeepTheirOwnGroups) {
  NmeaParser parser(false);
  const auto feed = [&](const char* line) { return Describe(nmea_test::FeedChecked(parser, line)); };
  feed("$GPGSV,2,1,06,01,1,1,1,02,1,1,1,03,1,1,1,04,1,1,1");
  EXPECT_EQ(feed("$GLGSV,2,1,05,65,1,1,1,66,1,1,1,67,1,1,1,68,1,1,1"), "1/2");
  EXPECT_EQ(feed("$GAGSV,1,1,01,301,1,1,1"), "1/1 1 [301]");
  EXPECT_EQ(feed("$GPGSV,2,2,06,05,1,1,1,06,1,1,1"), "2/2 6 [1,2,3,4,5,6]");
  EXPECT_EQ(feed("$GLGSV,2,2,05,69,1,1,1"), "2/2 5 [65,66,67,68,69]");
}

}  // namespace
}  // namespace kv
