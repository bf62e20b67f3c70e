// Decoding of each sentence into the FixRecord, through NmeaParser: values,
// validity flags, which failures stop a sentence, GSV assembly per talker,
// and the system's own $KVOBD and $KVACC sentences.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "core/date_time.h"
#include "nmea_test_lines.h"

namespace kv {
namespace {

using nmea_test::Feed;
using nmea_test::FeedChecked;

constexpr int32_t Ms(int h, int m, int s, int ms = 0) {
  return DateTimeValue::MakeTime(h, m, s, ms);
}

// --- GGA ---

TEST(NmeaSentencesTest, GgaExample) {
  NmeaParser parser(false);
  const FixRecord& fix =
      Feed(parser, "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
  EXPECT_EQ(fix.type, kSentenceGga);
  EXPECT_EQ(fix.time, Ms(12, 35, 19));
  EXPECT_DOUBLE_EQ(fix.latitude, 4807.038);
  EXPECT_DOUBLE_EQ(fix.longitude, 1131.0);
  EXPECT_EQ(fix.fix_quality, 1);
  EXPECT_EQ(fix.satellites, 8);
  EXPECT_DOUBLE_EQ(fix.hdop, 0.9);
  EXPECT_DOUBLE_EQ(fix.altitude, 545.4);
  EXPECT_DOUBLE_EQ(fix.geoid, 46.9);
  const FixValidity& v = fix.valid;
  EXPECT_EQ(v.time + v.latitude + v.longitude + v.fix_quality + v.satellites + v.hdop + v.altitude +
                v.geoid,
            8);
  EXPECT_EQ(v.speed + v.course + v.date + v.vdop + v.pdop, 0);
}

TEST(NmeaSentencesTest, GgaSouthWestAndNegativeHeights) {
  NmeaParser parser(false);
  const FixRecord& fix = FeedChecked(
      parser, "$GPGGA,002153.125,3342.6618,S,11751.3858,W,2,10,1.2,-27.0,M,-34.2,M,,0000");
  EXPECT_EQ(fix.time, Ms(0, 21, 53, 125));
  EXPECT_DOUBLE_EQ(fix.latitude, -3342.6618);
  EXPECT_DOUBLE_EQ(fix.longitude, -11751.3858);
  EXPECT_EQ(fix.fix_quality, 2);
  EXPECT_DOUBLE_EQ(fix.altitude, -27.0);
  EXPECT_DOUBLE_EQ(fix.geoid, -34.2);
  EXPECT_EQ(fix.valid.geoid, 1);
}

TEST(NmeaSentencesTest, GgaWithoutFixReadsWhatItHas) {
  NmeaParser parser(false);
  Feed(parser, "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
  const FixRecord& fix = Feed(parser, "$GPGGA,,,,,,0,00,99.99,,,,,,*48\r\n");
  EXPECT_EQ(fix.type, kSentenceGga);
  EXPECT_EQ(fix.valid.time, 0);
  EXPECT_EQ(fix.time, 0) << "an unreadable time is 0";
  EXPECT_EQ(fix.valid.latitude, 0);
  EXPECT_EQ(fix.valid.longitude, 0);
  EXPECT_DOUBLE_EQ(fix.latitude, 4807.038) << "a failed read keeps the old value";
  EXPECT_EQ(fix.valid.fix_quality, 1);
  EXPECT_EQ(fix.fix_quality, 0);
  EXPECT_EQ(fix.satellites, 0);
  EXPECT_DOUBLE_EQ(fix.hdop, 99.99);
  EXPECT_EQ(fix.valid.altitude, 0);
  EXPECT_EQ(fix.valid.geoid, 0);
}

TEST(NmeaSentencesTest, HemisphereMustBeExactlyAnUpperCaseLetter) {
  const struct {
    const char* legend;
    const char* sentence;
    int32_t lat_valid, lon_valid;
  } cases[] = {
      {"lower-case n", "$GPGGA,123519,4807.038,n,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", 0, 1},
      {"lower-case w", "$GPGGA,123519,4807.038,N,01131.000,w,1,08,0.9,545.4,M,46.9,M,,", 1, 0},
      {"empty hemisphere", "$GPGGA,123519,4807.038,,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", 0, 1},
      {"two letters", "$GPGGA,123519,4807.038,NN,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", 0, 1},
      {"latitude hemisphere E", "$GPGGA,123519,4807.038,E,01131.000,N,1,08,0.9,545.4,M,46.9,M,,", 0,
       0},
  };
  for (const auto& c : cases) {
    NmeaParser parser(false);
    const FixRecord& fix = FeedChecked(parser, c.sentence);
    EXPECT_EQ(fix.valid.latitude, c.lat_valid) << c.legend;
    EXPECT_EQ(fix.valid.longitude, c.lon_valid) << c.legend;
    EXPECT_EQ(fix.satellites, 8) << c.legend << ": later fields keep their positions";
  }
}

// --- RMC ---

TEST(NmeaSentencesTest, RmcExampleNeverSetsThePosition) {
  NmeaParser parser(false);
  const FixRecord& fix =
      Feed(parser, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n");
  EXPECT_EQ(fix.type, kSentenceRmc);
  EXPECT_EQ(fix.time, Ms(12, 35, 19));
  EXPECT_DOUBLE_EQ(fix.speed, 22.4);
  EXPECT_DOUBLE_EQ(fix.course, 84.4);
  EXPECT_EQ(fix.date, DateTimeValue::MakeDay(2094, 3, 23)) << "two-digit years are 2000 + yy";
  EXPECT_EQ(fix.valid.time + fix.valid.speed + fix.valid.course + fix.valid.date, 4);
  EXPECT_EQ(fix.valid.latitude, 0);
  EXPECT_FALSE(IsSet(fix.latitude));
}

TEST(NmeaSentencesTest, RmcStatusVStillDeliversSpeedCourseAndDate) {
  NmeaParser parser(false);
  const FixRecord& fix =
      FeedChecked(parser, "$GPRMC,225446,V,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E");
  EXPECT_EQ(fix.type, kSentenceRmc);
  EXPECT_DOUBLE_EQ(fix.speed, 0.5);
  EXPECT_DOUBLE_EQ(fix.course, 54.7);
  EXPECT_EQ(fix.date, DateTimeValue::MakeDay(2094, 11, 19));
  EXPECT_EQ(fix.valid.speed + fix.valid.course + fix.valid.date, 3);
}

TEST(NmeaSentencesTest, RmcFieldTable) {
  const struct {
    const char* legend;
    const char* fields;  // time,status,lat,N,lon,E,speed,course,date
    int32_t time, speed, course, date;
    double speed_value;
  } cases[] = {
      {"empty speed, later fields still read", "123519,A,,,,,,084.4,230394", 1, 0, 1, 1, 0},
      {"speed 1000 is the limit", "123519,A,,,,,1000,084.4,230394", 1, 1, 1, 1, 1000},
      {"speed above 1000", "123519,A,,,,,1000.1,084.4,230394", 1, 0, 1, 1, 0},
      {"negative speed", "123519,A,,,,,-0.1,084.4,230394", 1, 0, 1, 1, 0},
      {"day 32", "123519,A,,,,,1,084.4,320394", 1, 1, 1, 0, 1},
      {"month 13", "123519,A,,,,,1,084.4,011394", 1, 1, 1, 0, 1},
      {"day 0", "123519,A,,,,,1,084.4,000394", 1, 1, 1, 0, 1},
      {"date of five characters", "123519,A,,,,,1,084.4,23039", 1, 1, 1, 0, 1},
      {"date with a seventh character", "123519,A,,,,,1,084.4,230394x", 1, 1, 1, 1, 1},
      {"hour 24", "240000,A,,,,,1,084.4,230394", 0, 1, 1, 1, 1},
      {"time with milliseconds", "123519.250,A,,,,,1,084.4,230394", 1, 1, 1, 1, 1},
      {"fields missing at the end", "123519,A,,,,,1", 1, 1, 0, 0, 1},
  };
  for (const auto& c : cases) {
    NmeaParser parser(false);
    const FixRecord& fix = FeedChecked(parser, std::string("$GPRMC,") + c.fields);
    EXPECT_EQ(fix.type, kSentenceRmc) << c.legend;
    EXPECT_EQ(fix.valid.time, c.time) << c.legend;
    EXPECT_EQ(fix.valid.speed, c.speed) << c.legend;
    EXPECT_EQ(fix.valid.course, c.course) << c.legend;
    EXPECT_EQ(fix.valid.date, c.date) << c.legend;
    if (c.speed) {
      EXPECT_DOUBLE_EQ(fix.speed, c.speed_value) << c.legend;
    }
  }
  NmeaParser parser(false);
  EXPECT_EQ(FeedChecked(parser, "$GPRMC,123519.250,A,,,,,1,2,230394").time, Ms(12, 35, 19, 250));
}

// --- VTG ---

TEST(NmeaSentencesTest, VtgReadsCourseAndKnots) {
  NmeaParser parser(false);
  const FixRecord& fix = Feed(parser, "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48\r\n");
  EXPECT_EQ(fix.type, kSentenceVtg);
  EXPECT_DOUBLE_EQ(fix.course, 54.7);
  EXPECT_DOUBLE_EQ(fix.speed, 5.5);
  EXPECT_EQ(fix.valid.course + fix.valid.speed, 2);

  const FixRecord& no_course = FeedChecked(parser, "$GPVTG,,T,,M,0.02,N,0.04,K,A");
  EXPECT_EQ(no_course.valid.course, 0);
  EXPECT_EQ(no_course.valid.speed, 1) << "speed is read after a failed course";
  EXPECT_DOUBLE_EQ(no_course.speed, 0.02);
}

TEST(NmeaSentencesTest, NumberRightBeforeTheLineEnd) {
  // The last field ends at CR, LF or '*', which stop the number reading.
  const struct {
    const char* line;
    double speed;
  } cases[] = {
      {"$GPVTG,054.7,T,034.4,M,005.5\n", 5.5},
      {"$GPVTG,054.7,T,034.4,M,6\r\n", 6},
      {"$GPVTG,054.7,T,034.4,M,7.25*7C\r\n", 7.25},
  };
  for (const auto& c : cases) {
    NmeaParser parser(false);
    const FixRecord& fix = Feed(parser, c.line);
    EXPECT_EQ(fix.valid.speed, 1) << c.line;
    EXPECT_DOUBLE_EQ(fix.speed, c.speed) << c.line;
  }
  NmeaParser parser(false);
  EXPECT_EQ(Feed(parser, "$KVACC,,1,2,-345\n").acc[2], -345);
}

// --- GSA ---

TEST(NmeaSentencesTest, GsaExample) {
  NmeaParser parser(false);
  const FixRecord& fix = Feed(parser, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n");
  EXPECT_EQ(fix.type, kSentenceGsa);
  EXPECT_EQ(fix.fix_type, 3);
  ASSERT_EQ(fix.prn_count, 5);
  EXPECT_EQ(std::vector<int32_t>(fix.prns.begin(), fix.prns.begin() + 5),
            (std::vector<int32_t>{4, 5, 9, 12, 24}));
  EXPECT_DOUBLE_EQ(fix.pdop, 2.5);
  EXPECT_DOUBLE_EQ(fix.hdop, 1.3);
  EXPECT_DOUBLE_EQ(fix.vdop, 2.1);
  EXPECT_EQ(fix.valid.pdop + fix.valid.hdop + fix.valid.vdop, 3);
}

TEST(NmeaSentencesTest, GsaStopsWithoutAFixType) {
  NmeaParser parser(false);
  Feed(parser, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n");
  const FixRecord& fix = FeedChecked(parser, "$GPGSA,A,,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
  EXPECT_EQ(fix.type, kSentenceGsa);
  EXPECT_EQ(fix.prn_count, 0);
  EXPECT_EQ(fix.fix_type, 3) << "the old fix type stays";
  EXPECT_EQ(fix.valid.pdop + fix.valid.hdop + fix.valid.vdop, 0);
}

TEST(NmeaSentencesTest, GsaSkipsUnreadablePrnsAndStopsAtAMissingDop) {
  NmeaParser parser(false);
  const FixRecord& fix = FeedChecked(parser, "$GNGSA,A,2,xx,07,,,,,,,,,,,3.1,,2.0,1");
  EXPECT_EQ(fix.fix_type, 2);
  ASSERT_EQ(fix.prn_count, 1);
  EXPECT_EQ(fix.prns[0], 7);
  EXPECT_EQ(fix.valid.pdop, 1);
  EXPECT_EQ(fix.valid.hdop, 0);
  EXPECT_EQ(fix.valid.vdop, 0) << "GSA stops at the first dilution that fails";
}

// --- ZDA ---

TEST(NmeaSentencesTest, ZdaTable) {
  const struct {
    const char* legend;
    const char* fields;
    int32_t time_valid, date_valid, date;
  } cases[] = {
      {"example", "201530.00,04,07,2002,00,00", 1, 1, DateTimeValue::MakeDay(2002, 7, 4)},
      {"year used as sent", "201530.00,04,07,0099,00,00", 1, 1, DateTimeValue::MakeDay(99, 7, 4)},
      {"day 32", "201530.00,32,07,2002,00,00", 1, 0, 0},
      {"day 0", "201530.00,00,07,2002,00,00", 1, 0, 0},
      {"month 13", "201530.00,04,13,2002,00,00", 1, 0, 0},
      {"year missing", "201530.00,04,07", 1, 0, 0},
      {"empty time, date still read", ",04,07,2002,00,00", 0, 1,
       DateTimeValue::MakeDay(2002, 7, 4)},
      {"year too large for a day number", "201530.00,04,07,9999999,00,00", 1, 0, 0},
  };
  for (const auto& c : cases) {
    NmeaParser parser(false);
    const FixRecord& fix = FeedChecked(parser, std::string("$GPZDA,") + c.fields);
    EXPECT_EQ(fix.type, kSentenceZda) << c.legend;
    EXPECT_EQ(fix.valid.time, c.time_valid) << c.legend;
    EXPECT_EQ(fix.valid.date, c.date_valid) << c.legend;
    if (c.time_valid) {
      EXPECT_EQ(fix.time, Ms(20, 15, 30)) << c.legend;
    }
    if (c.date_valid) {
      EXPECT_EQ(fix.date, c.date) << c.legend;
    }
  }
}

// --- GSV ---

std::vector<int32_t> SkyPrns(const FixRecord& fix) {
  std::vector<int32_t> prns;
  for (int i = 0; i < fix.sky_count; ++i) prns.push_back(fix.sky[i].prn);
  return prns;
}

TEST(NmeaSentencesTest, GsvGroupShowsOnceComplete) {
  NmeaParser parser(false);
  const FixRecord& fix =
      Feed(parser, "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74\r\n");
  EXPECT_EQ(fix.type, kSentenceGsv);
  EXPECT_EQ(fix.sky_complete, 0);
  EXPECT_EQ(fix.sky_count, 0) << "a group being assembled is not shown";
  EXPECT_EQ(fix.gsv_group_size, 3);
  EXPECT_EQ(fix.gsv_last_message, 1);
  FeedChecked(parser, "$GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00");
  EXPECT_EQ(fix.sky_count, 0);
  FeedChecked(parser, "$GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,");
  EXPECT_EQ(fix.sky_complete, 1);
  EXPECT_EQ(fix.in_view, 11);
  EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{3, 4, 6, 13, 14, 16, 18, 19, 22, 24, 27}));
  EXPECT_EQ(fix.sky[5].elevation, 57);
  EXPECT_EQ(fix.sky[5].azimuth, 208);
  EXPECT_EQ(fix.sky[5].snr, 39);
  EXPECT_EQ(fix.sky[10].snr, -1) << "empty SNR";

  // The next group replaces the list only when it completes.
  FeedChecked(parser, "$GPGSV,2,1,05,01,10,100,20,02,20,200,30,03,30,300,40,04,40,040,50");
  EXPECT_EQ(fix.sky_count, 11);
  FeedChecked(parser, "$GPGSV,2,2,05,05,50,050,");
  EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(fix.in_view, 5);
}

TEST(NmeaSentencesTest, GsvMissingMessage2KeepsOnlyTheFirstMessage) {
  NmeaParser parser(false);
  const FixRecord& fix =
      FeedChecked(parser, "$GPGSV,3,1,10,01,10,100,20,02,20,200,30,03,30,300,40,04,40,040,50");
  FeedChecked(parser, "$GPGSV,3,3,10,09,10,100,20,10,20,200,30");
  EXPECT_EQ(fix.sky_complete, 0) << "message 3 after message 1 is ignored";
  EXPECT_EQ(fix.gsv_last_message, 1);
  // Message 2 still fits after message 1; completing the group then shows
  // what was collected: message 3's first copy must not be in it.
  FeedChecked(parser, "$GPGSV,3,2,10,05,10,100,20,06,20,200,30,07,30,300,40,08,40,040,50");
  FeedChecked(parser, "$GPGSV,3,3,10,09,10,100,20,10,20,200,30");
  EXPECT_EQ(fix.sky_complete, 1);
  EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(NmeaSentencesTest, GsvOutOfSequenceMessagesAreIgnored) {
  const struct {
    const char* legend;
    const char* second;
  } cases[] = {
      {"repeated message 1 restarts", "$GPGSV,2,1,05,09,10,100,20"},
      {"other group size", "$GPGSV,3,2,05,09,10,100,20"},
      {"message 3 right after message 1", "$GPGSV,2,3,05,09,10,100,20"},
      {"message number missing", "$GPGSV,2,,05,09,10,100,20"},
  };
  for (const auto& c : cases) {
    NmeaParser parser(false);
    FeedChecked(parser, "$GPGSV,2,1,05,01,10,100,20");
    FeedChecked(parser, c.second);
    const FixRecord& fix = FeedChecked(parser, "$GPGSV,2,2,05,02,10,100,20");
    if (std::string(c.legend) == "repeated message 1 restarts") {
      EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{9, 2})) << c.legend;
    } else {
      EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{1, 2})) << c.legend;
    }
  }
}

TEST(NmeaSentencesTest, GsvMessageBeyondTheGroupSizeIsIgnored) {
  NmeaParser parser(false);
  FeedChecked(parser, "$GPGSV,1,1,01,01,10,100,20");
  const FixRecord& fix = FeedChecked(parser, "$GPGSV,1,2,01,02,10,100,20");
  EXPECT_EQ(fix.gsv_last_message, 1);
  EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{1}));
}

TEST(NmeaSentencesTest, GsvInterleavedTalkersKeepTheirOwnGroups) {
  NmeaParser parser(false);
  const FixRecord& fix =
      FeedChecked(parser, "$GPGSV,2,1,06,01,10,100,20,02,20,200,30,03,30,300,40,04,40,040,50");
  FeedChecked(parser, "$GLGSV,2,1,05,65,10,100,20,66,20,200,30,67,30,300,40,68,40,040,50");
  EXPECT_EQ(fix.gsv_group_size, 2);
  EXPECT_EQ(fix.gsv_last_message, 1);
  FeedChecked(parser, "$GAGSV,1,1,01,301,10,100,20");
  EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{301}));
  EXPECT_EQ(fix.in_view, 1);
  FeedChecked(parser, "$GPGSV,2,2,06,05,10,100,20,06,20,200,30");
  EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(fix.in_view, 6);
  FeedChecked(parser, "$GLGSV,2,2,05,69,10,100,20");
  EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{65, 66, 67, 68, 69}));
  EXPECT_EQ(fix.in_view, 5);
  EXPECT_EQ(fix.sky_complete, 1);
}

TEST(NmeaSentencesTest, GsvKeepsAtMostTwelveSatellites) {
  NmeaParser parser(false);
  FeedChecked(parser, "$GPGSV,4,1,16,01,1,1,1,02,1,1,1,03,1,1,1,04,1,1,1");
  FeedChecked(parser, "$GPGSV,4,2,16,05,1,1,1,06,1,1,1,07,1,1,1,08,1,1,1");
  FeedChecked(parser, "$GPGSV,4,3,16,09,1,1,1,10,1,1,1,11,1,1,1,12,1,1,1");
  const FixRecord& fix = FeedChecked(parser, "$GPGSV,4,4,16,13,1,1,1,14,1,1,1,15,1,1,1,16,1,1,1");
  EXPECT_EQ(fix.sky_complete, 1);
  EXPECT_EQ(fix.sky_count, 12);
  EXPECT_EQ(fix.sky[11].prn, 12);
  EXPECT_EQ(fix.in_view, 16);
}

TEST(NmeaSentencesTest, GsvSatelliteWithoutElevationEndsTheSentence) {
  NmeaParser parser(false);
  // Signal id field after the last satellite (NMEA 4.11) is no satellite either.
  const FixRecord& fix = FeedChecked(parser, "$GPGSV,1,1,04,01,10,100,20,02,,,31,03,30,300,40,1");
  EXPECT_EQ(SkyPrns(fix), (std::vector<int32_t>{1}));
  const FixRecord& sig = FeedChecked(parser, "$GPGSV,1,1,02,01,10,100,20,03,30,300,40,1");
  EXPECT_EQ(SkyPrns(sig), (std::vector<int32_t>{1, 3}));
}

TEST(NmeaSentencesTest, GsvCompleteGroupWithoutSatellites) {
  NmeaParser parser(false);
  FeedChecked(parser, "$GPGSV,1,1,02,01,10,100,20,03,30,300,40");
  const FixRecord& fix = Feed(parser, "$GPGSV,1,1,00*79\r\n");
  EXPECT_EQ(fix.sky_complete, 1);
  EXPECT_EQ(fix.sky_count, 0);
  EXPECT_EQ(fix.in_view, 0);
}

// --- $KVOBD ---

TEST(NmeaSentencesTest, ObdTable) {
  const struct {
    const char* legend;
    const char* fields;
    int32_t valid;
    int32_t bytes;
    int32_t time_valid;
  } cases[] = {
      {"four bytes", "123519.000,0C,41 0C 1A F8", 1, 4, 1},
      {"no time before the GPS has a fix", ",0C,41 0C 1A F8", 1, 4, 0},
      {"lower-case bytes", "123519.000,0C,41 0c 1a f8", 1, 4, 1},
      {"NO DATA", "123519.000,0C,NO DATA", 0, 0, 1},
      {"no data in lower case", "123519.000,0C,no data", 0, 0, 1},
      {"UNABLE TO CONNECT", "123519.000,0C,UNABLE TO CONNECT", 0, 0, 1},
      {"seventeen bytes keep sixteen",
       "123519.000,0C,41 0C 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E ZZ", 1, 16, 1},
      {"bad byte", "123519.000,0C,41 0C ZZ", 0, 0, 1},
      {"three-digit byte", "123519.000,0C,41 0C 1AF", 0, 0, 1},
      {"two spaces make an empty piece", "123519.000,0C,41  0C", 0, 0, 1},
      {"trailing space ends the reply", "123519.000,0C,41 0C ", 1, 2, 1},
      {"fields after the reply are dropped", "123519.000,0C,41 0C,XX", 1, 2, 1},
      {"reply missing", "123519.000,0C", 0, 0, 1},
      {"PID missing", "123519.000,,41 0C", 0, 0, 1},
  };
  for (const auto& c : cases) {
    NmeaParser parser(false);
    const FixRecord& fix = FeedChecked(parser, std::string("$KVOBD,") + c.fields);
    EXPECT_EQ(fix.type, kSentenceObd) << c.legend;
    EXPECT_EQ(fix.obd.valid, c.valid) << c.legend;
    EXPECT_EQ(fix.valid.time, c.time_valid) << c.legend;
    if (c.valid) {
      EXPECT_EQ(fix.obd.byte_count, c.bytes) << c.legend;
      EXPECT_EQ(fix.obd.bytes[0], 0x41) << c.legend;
      EXPECT_EQ(fix.obd.bytes[1], 0x0C) << c.legend;
    }
  }
}

TEST(NmeaSentencesTest, ObdValuesAndPidOfANoDataReply) {
  NmeaParser parser(false);
  const FixRecord& fix = FeedChecked(parser, "$KVOBD,123519.250,0C,41 0C 1A F8");
  EXPECT_EQ(fix.time, Ms(12, 35, 19, 250));
  EXPECT_EQ(fix.obd.pid, 0x0Cu);
  EXPECT_EQ(fix.obd.bytes[2], 0x1A);
  EXPECT_EQ(fix.obd.bytes[3], 0xF8);
  FeedChecked(parser, "$KVOBD,123520.250,0D,NO DATA");
  EXPECT_EQ(fix.obd.valid, 0);
  EXPECT_EQ(fix.obd.pid, 0x0Du) << "the PID is read before the reply";
}

// --- $KVACC ---

TEST(NmeaSentencesTest, AccTable) {
  const struct {
    const char* legend;
    const char* fields;
    int32_t valid;
  } cases[] = {
      {"three values", "123519.000,12,-40,1003", 1},
      {"no time", ",12,-40,1003", 1},
      {"bad second value", "123519.000,12,x,1003", 0},
      {"third value missing", "123519.000,12,-40", 0},
      {"decimal value", "123519.000,12,-40,1.5", 0},
  };
  for (const auto& c : cases) {
    NmeaParser parser(false);
    const FixRecord& fix = FeedChecked(parser, std::string("$KVACC,") + c.fields);
    EXPECT_EQ(fix.type, kSentenceAcc) << c.legend;
    EXPECT_EQ(fix.acc_valid, c.valid) << c.legend;
    if (c.valid) {
      EXPECT_EQ(fix.acc[0], 12) << c.legend;
      EXPECT_EQ(fix.acc[1], -40) << c.legend;
      EXPECT_EQ(fix.acc[2], 1003) << c.legend;
    } else {
      EXPECT_EQ(fix.acc[0], 0) << c.legend << ": values change only all together";
    }
  }
}

}  // namespace
}  // namespace kv
