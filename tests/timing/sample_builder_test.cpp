#include "timing/sample_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/nmea_parser.h"
#include "acquisition/obd_channels.h"
#include "timing/geodesy.h"

namespace kv {
namespace {

// Sentences as receivers send them, without checksums (accepted so). `s` is
// the time of day in seconds; `north` moves the position in metres.
std::string Hms(double s) {
  char text[16];
  const int whole = static_cast<int>(s);
  std::snprintf(text, sizeof text, "%02d%02d%02d.%02d", whole / 3600 % 24, whole / 60 % 60,
                whole % 60, static_cast<int>((s - whole) * 100 + 0.5));
  return text;
}
std::string Lat(double north) {
  char text[24];
  std::snprintf(text, sizeof text, "%.6f,N",
                4807.0 + north / (6371000.0 * kPi / 10800.0));  // metres per minute
  return text;
}
std::string Rmc(double s, double north = 0, const char* status = "A", const char* mode = "A",
                const char* date = "150624") {
  return "$GPRMC," + Hms(s) + "," + status + "," + Lat(north) + ",01131.000,E,20.0,90.0," + date +
         ",,," + mode + "\r\n";
}
std::string Gga(double s, double north = 0, int quality = 1, const char* altitude = "545.4") {
  return "$GPGGA," + Hms(s) + "," + Lat(north) + ",01131.000,E," + std::to_string(quality) +
         ",08,0.9," + altitude + ",M,46.9,M,,\r\n";
}
std::string Vtg(const char* mode = "A") {
  return std::string("$GPVTG,45.0,T,,M,10.0,N,18.5,K,") + mode + "\r\n";
}
std::string Gns(double s, const char* modes = "AN") {
  return "$GNGNS," + Hms(s) + "," + Lat(0) + ",01131.000,E," + modes + ",11,0.8,100.5,46.9,,\r\n";
}
std::string Gll(double s, const char* status = "A") {
  return "$GPGLL," + Lat(0) + ",01131.000,E," + Hms(s) + "," + status + ",A\r\n";
}
std::string Zda(double s, const char* day_month_year) {
  return "$GPZDA," + Hms(s) + "," + day_month_year + ",00,00\r\n";
}

constexpr double kNoon = 12 * 3600;

class SampleBuilderTest : public ::testing::Test {
 protected:
  // Feeds the sentences in order; returns after which of them samples were
  // finished: '.' none, 'S' one, '2' two.
  std::string Run(const std::vector<std::string>& sentences) {
    std::string trace;
    for (const std::string& line : sentences) {
      parser_.Append(line);
      EXPECT_TRUE(parser_.NextSentence());
      builder_.Feed(parser_.Fix());
      int emitted = 0;
      for (bool more = builder_.NewSample(); more; more = builder_.NextSample()) {
        samples_.push_back(builder_.Sample());
        dates_.push_back(builder_.SampleDateTime());
        breaks_.push_back(builder_.SegmentBreak());
        ++emitted;
      }
      trace += emitted == 0 ? '.' : emitted == 1 ? 'S' : '2';
    }
    return trace;
  }
  void Reset() {
    builder_.Reset();
    samples_.clear();
    dates_.clear();
    breaks_.clear();
  }

  NmeaParser parser_{false};
  ObdChannelTable decoder_;
  SampleBuilder builder_{decoder_};
  std::vector<LogSample> samples_;
  std::vector<DateTimeValue> dates_;
  std::vector<bool> breaks_;
};

// Every receiver's sentence set gives one sample per epoch with a position;
// the first two epochs close when the next one starts, after that each
// epoch is finished by the sentence that ends it for this receiver.
TEST_F(SampleBuilderTest, OneSamplePerEpochFromEverySentenceSet) {
  const double t = kNoon;
  struct Case {
    const char* legend;
    std::vector<std::string> sentences;
    std::string trace;
  } cases[] = {
      {"RMC then GGA",
       {Rmc(t), Gga(t), Rmc(t + 1), Gga(t + 1), Rmc(t + 2), Gga(t + 2), Rmc(t + 3), Gga(t + 3)},
       "..S.SS.S"},
      {"RMC only, 10 Hz", {Rmc(t), Rmc(t + .1), Rmc(t + .2), Rmc(t + .3), Rmc(t + .4)}, ".S2SS"},
      {"GGA 10 Hz, RMC 1 Hz",
       {Rmc(t), Gga(t), Gga(t + .1), Gga(t + .2), Gga(t + .3), Rmc(t + 1), Gga(t + 1),
        Gga(t + 1.1)},
       "..S2S.SS"},
      {"RMC 10 Hz, GGA 1 Hz, GGA after the RMC",
       {Rmc(t), Gga(t), Rmc(t + .1), Rmc(t + .2), Rmc(t + .3), Rmc(t + 1), Gga(t + 1),
        Rmc(t + 1.1)},
       "..SS2S.S"},
      {"GGA, VTG, RMC",
       {Gga(t), Vtg(), Rmc(t), Gga(t + 1), Vtg(), Rmc(t + 1), Gga(t + 2), Vtg(), Rmc(t + 2)},
       "...S..S.S"},
      {"RMC then VTG: the VTG ends the epoch",
       {Rmc(t), Vtg(), Rmc(t + 1), Vtg(), Rmc(t + 2), Vtg()},
       "..S.SS"},
      {"GNS alone", {Gns(t), Gns(t + 1), Gns(t + 2), Gns(t + 3)}, ".S2S"},
      {"GLL alone", {Gll(t), Gll(t + 1), Gll(t + 2), Gll(t + 3)}, ".S2S"},
      {"no time, no epoch",
       {"$GPRMC,,A,4807.0,N,01131.000,E,20.0,90.0,150624,,\r\n", Gga(t), Gga(t + 1)},
       "..S"},
      {"a ZDA between them is part of the epoch",
       {Rmc(t), Zda(t, "15,06,2024"), Gga(t), Rmc(t + 1)},
       "...S"},
      {"regression: a longitude of 10^104 degrees overflowed; off the globe is no position",
       {"$GPGLL,4916.45,N,1" + std::string(104, '6') + ",W,120000,A,A\r\n",
        "$GPGLL,4916.45,N,12311.12,W,120001,A,A\r\n", Gll(t + 2)},
       "..2"},
      {"an OBD-II reply without a value between them changes nothing",
       {Gga(t), "$KVOBD,120000.00,0C,NO DATA\r\n", Rmc(t), Gga(t + 1)},
       "...S"},
  };
  for (const Case& c : cases) {
    Reset();
    EXPECT_EQ(Run(c.sentences), c.trace) << c.legend;
  }
}

// RMC alone has no altitude and no satellites; a 2D fix (GGA without
// altitude) is a fix; each epoch has its own RMC's date (GGA, VTG, RMC
// across a date change) and RMC's speed before VTG's, VTG's without RMC.
TEST_F(SampleBuilderTest, WhatASampleTakesFromItsEpoch) {
  const double t = kNoon;
  Run({Gga(t), Vtg(), Rmc(t, 0, "A", "A", "150624"), Gga(t + 1, 0, 1, ""), Vtg(),
       Rmc(t + 1, 0, "A", "A", "160624"), Rmc(t + 2), Gga(t + 3), Vtg(), Gga(t + 4)});
  ASSERT_EQ(samples_.size(), 4u);
  EXPECT_EQ(samples_[1].Satellites(), 8);
  EXPECT_FALSE(IsSet(samples_[1].altitude));
  EXPECT_EQ(samples_[2].Satellites(), 0);
  EXPECT_EQ(dates_[0].day, DateTimeValue::MakeDay(2024, 6, 15));
  EXPECT_EQ(dates_[1].day, DateTimeValue::MakeDay(2024, 6, 16));
  EXPECT_EQ(samples_[1].speed, samples_[2].speed) << "RMC's speed before VTG's";
  EXPECT_NEAR(RadToMetres(builder_.Speed()), 10.0 * 1852 / 3600, 1e-6) << "the VTG's speed";
}

// Regression: across midnight UTC times jumped back by a day, so lap and
// session times went negative and later samples were dropped as earlier.
TEST_F(SampleBuilderTest, TimesAndDatesRunOnPastMidnight) {
  Run({Rmc(86398), Rmc(86399), Gga(0), Gga(1), Gga(2)});
  ASSERT_EQ(samples_.size(), 5u);
  EXPECT_EQ(samples_[4].time - samples_[0].time, 4000);
  EXPECT_EQ(dates_[4].day, DateTimeValue::MakeDay(2024, 6, 16))
      << "the day after the last RMC's date";
}

TEST_F(SampleBuilderTest, NotAFixIsNeverASampleAndIsCounted) {
  const double t = kNoon;
  struct Case {
    const char* legend;
    std::vector<std::string> epoch;  // of time t + 1
  } cases[] = {
      {"GGA quality 0", {Gga(t + 1, 0, 0)}},
      {"GGA quality 6, dead reckoning", {Gga(t + 1, 0, 6)}},
      {"GGA quality 8, simulation", {Gga(t + 1, 0, 8)}},
      {"RMC status V with GGA quality 1", {Rmc(t + 1, 0, "V"), Gga(t + 1)}},
      {"RMC mode N", {Rmc(t + 1, 0, "A", "N"), Gga(t + 1)}},
      {"RMC mode E", {Rmc(t + 1, 0, "A", "E"), Gga(t + 1)}},
      {"VTG mode S", {Rmc(t + 1), Vtg("S"), Gga(t + 1)}},
      {"GNS modes all N", {Gns(t + 1, "NN")}},
      {"GLL status V", {Gll(t + 1, "V")}},
  };
  for (const Case& c : cases) {
    Reset();
    std::vector<std::string> lines = {Gga(t)};
    lines.insert(lines.end(), c.epoch.begin(), c.epoch.end());
    lines.push_back(Gga(t + 2, 1000));
    lines.push_back(Gga(t + 3, 1000));
    Run(lines);
    ASSERT_GE(samples_.size(), 2u) << c.legend;
    EXPECT_EQ(samples_[0].time, static_cast<int32_t>(t * 1000)) << c.legend;
    EXPECT_EQ(samples_[1].time, static_cast<int32_t>((t + 2) * 1000)) << c.legend;
    EXPECT_TRUE(breaks_[1]) << c.legend << ": the sample after it starts a new segment";
    EXPECT_EQ(builder_.NotAFixCount(), 1) << c.legend;
  }
}

// Without RMC or VTG the speed is the movement since the last sample, at
// any speed; under 0.5 m/s it is standing still.
TEST_F(SampleBuilderTest, SpeedAndCourseFromTheMovementWhenNoneIsSent) {
  for (const double metres_per_second : {0.3, 14.9, 60.0}) {
    Reset();
    Run({Gga(kNoon), Gga(kNoon + 1, metres_per_second), Gga(kNoon + 2, 2 * metres_per_second)});
    ASSERT_EQ(samples_.size(), 3u);
    EXPECT_FALSE(IsSet(samples_[0].speed)) << "the first sample has nothing to measure against";
    const double expected = metres_per_second < 0.5 ? 0.0 : metres_per_second;
    EXPECT_NEAR(RadToMetres(builder_.Speed()), expected, 0.05)
        << metres_per_second;  // 2 cm steps of position
    EXPECT_NEAR(builder_.CourseDegrees(), 0.0, 0.1) << "due north";
  }
}

// An OBD-II reply is decoded into its channel's value; one without a value
// marks its PID not valid; Reset forgets both.
TEST_F(SampleBuilderTest, ObdValuesUntilReset) {
  for (const char* reply :
       {"$KVOBD,120000.00,0C,41 0C 1A F8\r\n", "$KVOBD,120000.10,0C,NO DATA\r\n"})
    Run({reply});
  EXPECT_EQ(builder_.LastObd().value, 0x1AF8u);
  EXPECT_EQ(builder_.LastObd().channel, 24) << "the decoder names the channel";
  EXPECT_EQ(builder_.ObdFreshness(0x0C), ChannelState::kInvalid);
  EXPECT_EQ(builder_.ObdValue(0x0C), 0);
  builder_.Reset();
  EXPECT_EQ(builder_.ObdFreshness(0x0C), ChannelState::kNever);
}

}  // namespace
}  // namespace kv
