#include "timing/sample_builder.h"

#include <gtest/gtest.h>

#include <vector>

#include "acquisition/obd_channels.h"
#include "timing/geodesy.h"

namespace kv {
namespace {

constexpr int32_t kNoon = 12 * 3600000;

// A record as the parser leaves it after a sentence of `type`: every
// position field valid but the VDOP (the record keeps earlier sentences' values).
FixRecord Record(SentenceType type, int32_t time, double knots = 20.0) {
  FixRecord fix;
  fix.type = type;
  fix.time = time;
  fix.latitude = 4807.03800;
  fix.longitude = -1131.00000;
  fix.speed = knots;
  fix.course = 90.0;
  fix.fix_quality = 1;
  fix.satellites = 8;
  fix.hdop = 0.9;
  fix.altitude = 545.4;
  fix.date = DateTimeValue::MakeDay(2024, 6, 15);
  FixValidity& v = fix.valid;
  v.latitude = v.longitude = v.course = v.time = v.date = v.fix_quality = v.satellites = v.hdop = v.altitude = 1;
  v.speed = IsSet(knots) ? 1 : 0;
  return fix;
}

class SampleBuilderTest : public ::testing::Test {
 protected:
  // Feeds the records in order; returns after which of them a sample was
  // emitted, as a string of '.' and 'S'.
  std::string Run(const std::vector<FixRecord>& records) {
    std::string trace;
    for (const FixRecord& r : records) {
      builder_.Feed(r);
      trace += builder_.NewSample() ? 'S' : '.';
    }
    return trace;
  }
  // One epoch: an RMC and a GGA made from `rmc`.
  std::string Epoch(FixRecord rmc) {
    FixRecord gga = rmc;
    gga.type = kSentenceGga;
    return Run({rmc, gga});
  }
  ObdChannelTable decoder_;
  SampleBuilder builder_{decoder_};
};

TEST_F(SampleBuilderTest, PairingOfOneEpochFixAndChannelValidity) {
  struct Case {
    const char* legend;
    std::vector<SentenceType> types;
    std::vector<int32_t> seconds;  // after noon, of each record
    std::string trace;
  } cases[] = {
      {"RMC then GGA: at the GGA", {kSentenceRmc, kSentenceGga}, {0, 0}, ".S"},
      {"GGA then RMC: at the RMC", {kSentenceGga, kSentenceRmc}, {0, 0}, ".S"},
      {"GGA then VTG: at the VTG", {kSentenceGga, kSentenceVtg}, {0, 0}, ".S"},
      {"RMC then VTG: no GGA, nothing", {kSentenceRmc, kSentenceVtg}, {0, 0}, ".."},
      {"a GGA of the next second opens a new epoch", {kSentenceRmc, kSentenceGga, kSentenceRmc}, {0, 1, 1}, "..S"},
      {"one sample per epoch with RMC, GGA, VTG", {kSentenceRmc, kSentenceGga, kSentenceVtg}, {0, 0, 0}, ".S."},
      {"a ZDA between them changes nothing", {kSentenceRmc, kSentenceZda, kSentenceGga}, {0, 0, 0}, "..S"},
      {"an OBD-II reply without a value (NO DATA, garbled) between them neither completes nor drops the epoch",
       {kSentenceGga, kSentenceObd, kSentenceObd, kSentenceRmc}, {0, 0, 1, 0}, "...S"},
  };
  for (const Case& c : cases) {
    builder_.Reset();
    std::vector<FixRecord> records;
    for (size_t i = 0; i < c.types.size(); ++i) records.push_back(Record(c.types[i], kNoon + c.seconds[i] * 1000));
    EXPECT_EQ(Run(records), c.trace) << c.legend;
  }
  // The status line reads these two; the sample's own fields are in the export goldens.
  EXPECT_EQ(builder_.Satellites(), 8);
  EXPECT_EQ(builder_.FixQuality(), 1);
  for (int32_t channel : {kChannelSpeed, kChannelAltitude, kChannelCourse, kChannelSatellites, kChannelHdop})
    EXPECT_EQ(builder_.ChannelValidity(channel), ChannelState::kValid) << channel;
  EXPECT_EQ(builder_.ChannelValidity(kChannelVdop), ChannelState::kInvalid);
  EXPECT_EQ(builder_.ChannelValidity(kChannelAccelerometer), ChannelState::kNever);

  // Regression: 64 satellites (several systems at once) were stored as 0.
  FixRecord many = Record(kSentenceRmc, kNoon + 5000);
  many.satellites = 64;
  ASSERT_EQ(Epoch(many), ".S");
  EXPECT_EQ(builder_.Sample().Satellites(), 63) << "six bits hold 63";
}

// Regression included: time going back (a receiver restarted or a log
// replayed again) continued the segment, and laps ran backwards.
TEST_F(SampleBuilderTest, SegmentsAndHeldOverCourseAcrossEpochs) {
  struct Step {
    const char* legend;
    int32_t ms;  // after noon
    int32_t fix_quality;
    bool course;
    const char* trace;
    bool segment_break;  // of the sample emitted
  } steps[] = {
      {"the first sample starts a segment", 0, 1, true, ".S", true},
      {"3000 ms later continues it", 3000, 1, true, ".S", false},
      {"fix quality 0: no sample", 4000, 0, true, "..", false},
      {"after a no-fix epoch a new segment", 5000, 1, true, ".S", true},
      {"the course held over when missing", 5100, 1, false, ".S", false},
      {"3001 ms later breaks", 8101, 1, true, ".S", true},
      {"time going back breaks", 0, 1, true, ".S", true},
  };
  for (const Step& s : steps) {
    FixRecord rmc = Record(kSentenceRmc, kNoon + s.ms);
    rmc.fix_quality = s.fix_quality;
    rmc.valid.course = s.course;
    rmc.course = s.course ? 90.0 : 10.0;
    EXPECT_EQ(Epoch(rmc), s.trace) << s.legend;
    EXPECT_EQ(builder_.NoFix(), s.fix_quality == 0) << s.legend;
    if (s.trace[1] == 'S') {
      EXPECT_EQ(builder_.SegmentBreak(), s.segment_break) << s.legend;
      EXPECT_EQ(builder_.CourseDegrees(), 90.0) << s.legend;
    }
  }
}

TEST_F(SampleBuilderTest, SpeedFromMovementWhenTheReceiverSendsNone) {
  struct Case {
    const char* legend;
    double earlier_knots;  // speed of the samples before
    double metres_moved;   // north, in one second
    double expected_mps;   // NaN: no speed, no sample
  } cases[] = {
      {"below 0.5 m/s is standing", 2.0, 0.3, 0.0},
      {"just under the 15 m/s limit", 2.0, 14.9, 14.9},
      {"over 15 m/s is not trusted", 2.0, 15.5, kNoValue},
      {"not after samples faster than 10 m/s", 30.0, 7.0, kNoValue},
  };
  for (const Case& c : cases) {
    builder_.Reset();
    // The reference speed is that of the sample before the last one that
    // carried a speed: two samples are needed to have one.
    Epoch(Record(kSentenceRmc, kNoon - 1000, c.earlier_knots));
    Epoch(Record(kSentenceRmc, kNoon, c.earlier_knots));
    FixRecord rmc = Record(kSentenceRmc, kNoon + 1000, kNoValue);
    rmc.latitude += c.metres_moved / (6371000.0 * kPi / 10800.0);  // metres per arc-minute
    EXPECT_EQ(Epoch(rmc), IsSet(c.expected_mps) ? ".S" : "..") << c.legend;
    if (IsSet(c.expected_mps)) {
      EXPECT_NEAR(RadToMetres(builder_.Speed()), c.expected_mps, 0.01) << c.legend;
    }
  }
  EXPECT_EQ(builder_.ChannelValidity(kChannelSpeed), ChannelState::kInvalid);
}

TEST_F(SampleBuilderTest, ObdAndAccelerometerRecordsUntilReset) {
  FixRecord obd = Record(kSentenceObd, kNoon);
  obd.obd.pid = 0x0C;  // RPM, channel 24: two bytes
  obd.obd.valid = 1;
  obd.obd.byte_count = 4;
  obd.obd.bytes = {0x41, 0x0C, 0x1A, 0xF8};
  builder_.Feed(obd);
  ASSERT_TRUE(builder_.NewObdValue());
  EXPECT_EQ(builder_.LastObd().value, 0x1AF8u);
  EXPECT_EQ(builder_.LastObd().channel, 24) << "the decoder names the channel";
  EXPECT_EQ(builder_.LastObdPid(), 0x0C);
  EXPECT_EQ(builder_.ChannelValidity(24, 0x0C), ChannelState::kValid);
  obd.obd.valid = 0;  // "NO DATA"
  builder_.Feed(obd);
  EXPECT_FALSE(builder_.NewObdValue());
  EXPECT_EQ(builder_.ObdValue(0x0C), 0);
  EXPECT_EQ(builder_.ObdFreshness(0x0C), ChannelState::kInvalid);

  FixRecord acc = Record(kSentenceAcc, kNoon);
  acc.acc_valid = 1;
  acc.acc = {1, 2, 3};
  builder_.Feed(acc);
  EXPECT_TRUE(builder_.AccelerometerRecord());
  EXPECT_EQ(builder_.Accelerometer().Values()[2], 3);
  EXPECT_EQ(builder_.ChannelValidity(kChannelAccelerometer), ChannelState::kValid);
  acc.acc_valid = 0;
  builder_.Feed(acc);
  EXPECT_EQ(builder_.ChannelValidity(kChannelAccelerometer), ChannelState::kInvalid);

  builder_.Reset();
  EXPECT_EQ(builder_.ObdFreshness(0x0C), ChannelState::kNever);
  EXPECT_EQ(builder_.ChannelValidity(kChannelAccelerometer), ChannelState::kNever);
}

}  // namespace
}  // namespace kv
