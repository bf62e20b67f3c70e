#include <gtest/gtest.h>

#include <cstdlib>

#include "storage/sample_loader.h"
#include "storage/sample_writer.h"
#include "support/temp_folder.h"

namespace kv {
namespace {

using testing::FromHex;

LogSample Fix(int32_t time, int32_t lat = 300000000, int32_t lon = 36000000) {
  LogSample s;
  s.time = time;
  s.position = {lat, lon};
  s.speed = 2700;
  s.altitude = 5400;
  s.distance = 100;
  s.heading = 9000;
  s.hdop = 120;
  s.vdop = LogSample::kNoWord;
  s.flags = 9;
  return s;
}

const DateTimeValue kDate{DateTimeValue::MakeDay(2024, 6, 1), 36000000};

// A sample's fields in file order, flags last, "-" for none.
std::string Fields(const LogSample& s) {
  std::string out = std::to_string(s.time);
  for (const int64_t v :
       {int64_t{s.position.lat}, int64_t{s.position.lon}, int64_t{s.speed}, int64_t{s.altitude}, int64_t{s.distance},
        int64_t{s.heading}, int64_t{s.hdop}, int64_t{s.vdop}, int64_t{s.flags}}) {
    out += ' ';
    out += v == kNotSet || v == LogSample::kNoWord ? "-" : std::to_string(v);
  }
  return out;
}

// Sample time, then the UTC day number and milliseconds it stood for.
std::string Reference(const SampleData& d) {
  if (!d.has_date_reference) return "";
  return std::to_string(d.reference_time) + " " + std::to_string(d.reference_utc.day) + " " +
         std::to_string(d.reference_utc.time);
}

const std::string kHeader = FromHex("03000000 00000000 00000000 00000000");
const std::string kDateRef = FromHex("0C04 00512502 BB7D0B00 00512502");
const std::string kFixRecord = FromHex("1F05 00512502 00A3E111 00512502 8C0A0000 18150000 64000000 2823 7800 FFFF 09");

TEST(SampleWriter, GoldenBytesOfEveryWrittenRecordTypeReadBack) {
  testing::TempFolder temp;
  const std::string path = temp.Path() + "s-plots.bin";
  SampleWriter writer;
  writer.Create(path, 0);
  EXPECT_FALSE(writer.WriteFix(Fix(36000000), DateTimeValue{})) << "no fix before the date is known";
  LogSample no_position = Fix(36000000);
  no_position.position.lon = kNotSet;
  EXPECT_FALSE(writer.WriteFix(no_position, kDate));
  EXPECT_TRUE(writer.WriteFix(Fix(36000000), kDate));
  EXPECT_TRUE(writer.WriteFix(Fix(36000000), DateTimeValue{})) << "after the reference the date is not needed";
  writer.WriteObd({36000050, 65535, 12});
  writer.WriteObd({36000060, 65536, 13});
  EXPECT_TRUE(writer.Close());
  EXPECT_EQ(testing::ReadWholeFile(path), kHeader + kDateRef + kFixRecord + kFixRecord +
                                              FromHex("0701 32512502 FFFF 0C") + FromHex("0902 3C512502 00000100 0D"));

  SampleLoader loader(path);
  EXPECT_TRUE(loader.LoadAll());
  const SampleData& d = loader.Data();
  ASSERT_EQ(d.samples.size(), 2u);
  EXPECT_EQ(Fields(d.samples[1]), Fields(Fix(36000000)));
  EXPECT_EQ(Reference(d), "36000000 753083 36000000");
  ASSERT_EQ(d.obd_records.size(), 2u);
  EXPECT_EQ(d.obd_records[0].value, 65535u);
  EXPECT_EQ(d.obd_records[1].value, 65536u);
  EXPECT_EQ(d.obd_records[1].channel, 13);
}

TEST(SampleLoader, EndStatesAndErrors) {
  using enum SampleLoadState;
  const struct {
    const char* legend;
    std::string bytes;
    SampleLoadState state;
    int32_t error;
    size_t samples;
  } cases[] = {
      {"exactly the header", kHeader, kComplete, 0, 0},
      {"last record cut in the middle", kHeader + kFixRecord + kFixRecord.substr(0, 20), kIncomplete, 0, 1},
      {"record of length 0", kHeader + kFixRecord + std::string("\x00\x05", 2) + kFixRecord, kIncomplete, 0, 1},
      {"record type 32", kHeader + kFixRecord + std::string("\x01\x20\x00", 3) + kFixRecord, kIncomplete, 0, 1},
      {"unknown type 6 skipped by its length", kHeader + FromHex("0306 AABBCC") + kFixRecord, kComplete, 0, 1},
      {"payload longer than the type needs", kHeader + FromHex("2005") + kFixRecord.substr(2) + "X", kComplete, 0, 1},
      {"payload shorter than the type needs is skipped", kHeader + FromHex("0205 0102") + kFixRecord, kComplete, 0, 1},
      {"header shorter than 16 bytes", kHeader.substr(0, 15), kIncomplete, kSampleErrShortHeader, 0},
      {"version 4", FromHex("04000000 00000000 00000000 00000000"), kIncomplete, kSampleErrVersion, 0},
      {"version 100", FromHex("64000000 00000000 00000000 00000000"), kIncomplete, kSampleErrVersion, 0},
      // Regression: read as a headerless file, with speeds of -86,000 km/h.
      {"version 260 with version 3 records", FromHex("04010000 00000000 00000000 00000000") + kFixRecord, kIncomplete,
       kSampleErrVersion, 0},
      {"no such file", "", kIncomplete, kSampleErrCannotOpen, 0},
  };
  for (const auto& c : cases) {
    SampleLoader loader =
        c.error == kSampleErrCannotOpen ? SampleLoader("/nonexistent/x-plots.bin") : SampleLoader::FromBytes(c.bytes);
    EXPECT_EQ(loader.LoadAll(), c.state == kComplete) << c.legend;
    EXPECT_EQ(loader.State(), c.state) << c.legend;
    EXPECT_EQ(loader.Error(), c.error) << c.legend;
    EXPECT_EQ(loader.Data().samples.size(), c.samples) << c.legend;
  }
}

// Found by fuzzing: a local date reference "0C03 03030303 FEFFFF7F
// 03030303" (day 0x7FFFFFFE) overflowed the day arithmetic when converted.
TEST(SampleLoader, RegressionLocalDateReferenceWithImpossibleDayIsKeptUnconverted) {
  SampleLoader loader = SampleLoader::FromBytes(kHeader + FromHex("0C03 03030303 FEFFFF7F 03030303") + kFixRecord);
  EXPECT_TRUE(loader.LoadAll());
  EXPECT_EQ(loader.Data().reference_utc.day, 0x7FFFFFFE);
  EXPECT_EQ(loader.Data().samples.size(), 1u);
}

TEST(SampleLoader, OlderLayouts) {
  setenv("TZ", "XST-2", 1);  // two hours east of UTC, no daylight saving
  tzset();
  const std::string v0 = FromHex("00512502 00A3E111 00552202 8C0A0000");
  const std::string v12 = v0 + FromHex("18150000 2823");
  std::string v2_chunks = FromHex("02000000 00000000 00000000 00000000");
  for (int i = 0; i < 4500; ++i) v2_chunks += v12 + FromHex("0C 08");
  const struct {
    const char* legend;
    std::string bytes;
    size_t samples;
    std::string last;  // Fields() of the last sample
    std::string reference;
  } cases[] = {
      {"type 0 fix, type 3 date reference in local time (02:00 in UTC+2)",
       kHeader + FromHex("0C03 00512502 BB7D0B00 00DD6D00 1900") + v12 + FromHex("7800 00"), 1,
       "36000000 300000000 35804416 2700 5400 - 9000 120 - 128", "36000000 753083 0"},
      {"version 0 without a header; the part of a record at the end is ignored", v0 + v0 + "xx", 2,
       "36000000 300000000 35804416 2700 - - - - - 128", ""},
      {"version 0 with a header", std::string(16, '\0') + v0, 1, "36000000 300000000 35804416 2700 - - - - - 128", ""},
      {"version 1", FromHex("01000000 00000000 00000000 00000000") + v12 + FromHex("07 00"), 1,
       "36000000 300000000 35804416 2700 5400 - 9000 - - 7", ""},
      {"version 2 in three steps", v2_chunks, 4500, "36000000 300000000 35804416 2700 5400 - 9000 120 - 8", ""},
      {"version 2: a fix without a time is dropped, HDOP 0xFF is none",
       FromHex("02000000 00000000 00000000 00000000 FFFFFF7F") + v12.substr(4) + FromHex("0C 08") + v12 +
           FromHex("FF 08"),
       1, "36000000 300000000 35804416 2700 5400 - 9000 - - 8", ""},
  };
  for (const auto& c : cases) {
    SampleLoader loader = SampleLoader::FromBytes(c.bytes);
    EXPECT_TRUE(loader.LoadAll()) << c.legend;
    ASSERT_EQ(loader.Data().samples.size(), c.samples) << c.legend;
    EXPECT_EQ(Fields(loader.Data().samples.back()), c.last) << c.legend;
    EXPECT_EQ(Reference(loader.Data()), c.reference) << c.legend;
  }
  unsetenv("TZ");
  tzset();
}

TEST(SampleLoader, BitFlipsAndTruncationsNeverCrash) {
  const std::string bytes = kHeader + kDateRef + kFixRecord + FromHex("0701 32512502 FFFF 0C") + kFixRecord;
  for (size_t n = 0; n <= bytes.size(); ++n) {
    SampleLoader loader = SampleLoader::FromBytes(bytes.substr(0, n));
    loader.LoadAll();
    EXPECT_NE(loader.State(), SampleLoadState::kReading);
  }
  for (size_t bit = 0; bit < bytes.size() * 8; ++bit) {
    std::string flipped = bytes;
    flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
    SampleLoader loader = SampleLoader::FromBytes(flipped);
    loader.LoadAll();
    EXPECT_LE(loader.Data().samples.size(), 8u);
  }
}

}  // namespace
}  // namespace kv
