#include "storage/settings.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "util/errors.h"

namespace kv {
namespace {

using testing::FromHex;
using testing::ReadWholeFile;
using testing::TempFolder;

Settings Sample() {
  Settings s;
  s.transient_flag = 1;
  s.unnamed_text = u"x\u00e9";
  s.timer_backlight = 1;
  s.timer_decimals = 3;
  s.gps_type = kGpsSerial;
  s.unnamed_short = 7;
  s.gps_device = {1, 2, 3, 4, 5, 6};
  s.third_device = {0xAA, 0, 0, 0, 0, 0xBB};
  s.save_nmea = 0;
  s.hilo_threshold = 20;
  s.obd_type = 2;
  s.gps_baud = 1152;
  s.obd_baud = 96;
  s.high_priority_channels = {4, 5, 260};
  s.units = 1;
  s.timer_orientation = 2;
  s.startup_warning = 0;
  s.last_driver = u"J\u00fcrgen";
  s.last_track = u"Spa";
  s.last_session_type = 1;
  s.obd_device_name = u"OBDII";
  s.braking_limit = 7;
  s.unnamed_short_30 = -3;
  s.gps_port = 9;
  s.storage_selection = u"/media/me/CARD/";
  return s;
}

// Sample() as the file holds it, field by field.
const std::string kSampleBytes = FromHex(
    "0100 08780E00E9"                           // 1 transient flag, 2 "x", U+00E9
    "01000000 03000000 03000000 0700"           // 3 backlight, 4 decimals, 5 GPS type, 6
    "010203040506 000000000000 AA00000000BB"    // 7, 8, 9 addresses
    "0000 14000000 02000000 80040000 60000000"  // 10 save NMEA, 11 hi/lo, 12 OBD type, 13, 14 baud
    "0000"                                      // 15 reserved
    "03000000 04000000 05000000 04010000"       // 16 high priority: 4, 5, 260
    "00000000"                                  // 17 low priority: none
    "0100 02000000 0000"                        // 18 units, 19 orientation, 20 warning
    "0700 4AC3BC7267656E 0300 537061 0000"      // 21-23 driver, track, test
    "01000000"                                  // 24 session type
    "0000 0500 4F42444949 0000"                 // 25-27 device names
    "07000000 02000000 FDFF"                    // 28 braking, 29 acceleration, 30
    "09000000 05000000"                         // 31, 32 ports
    "0F00 2F6D656469612F6D652F434152442F");     // 33 storage selection
constexpr size_t kGpsTypeAt = 15;
constexpr size_t kHighPriorityAt = 59;

TEST(Settings, SavedGoldenBytesReadBack) {
  TempFolder temp;
  const std::string folder = temp.Path() + "Korvatinel/";
  Settings loaded;
  EXPECT_EQ(LoadSettings(folder, loaded), SettingsLoad::kNoFile);
  SaveSettings(folder, Sample());
  EXPECT_EQ(ReadWholeFile(folder + "settings.dat"), kSampleBytes);
  ASSERT_EQ(LoadSettings(folder, loaded), SettingsLoad::kRead);
  EXPECT_EQ(SerializeSettings(loaded).Std(), std::string(2, '\0') + kSampleBytes.substr(2))
      << "field 1 written as 1 reads back as 0";
}

TEST(Settings, StoredInternalGpsReadsAsBluetoothAndUnknownTrailingBytesAreWrittenBack) {
  std::string bytes = std::string(2, '\0') + kSampleBytes.substr(2) + FromHex("DEADBEEF");
  bytes[kGpsTypeAt] = 1;  // the internal GPS
  Settings s;
  ASSERT_EQ(ParseSettings(bytes, s), 0);
  EXPECT_EQ(s.gps_type, kGpsBluetooth);
  bytes[kGpsTypeAt] = 0;
  EXPECT_EQ(SerializeSettings(s).Std(), bytes);
}

TEST(Settings, TruncatedOversizedAndFlippedFiles) {
  Settings s;
  // Cut inside field 16: fields 1-15 were read, a half-read list is not kept.
  EXPECT_EQ(ParseSettings(std::string_view(kSampleBytes).substr(0, kHighPriorityAt + 6), s), kErrMalformedFile);
  EXPECT_EQ(s.obd_baud, 96u);
  EXPECT_TRUE(s.high_priority_channels.empty());
  EXPECT_EQ(s.units, 0) << "later fields keep their defaults";
  for (size_t length = 0; length < kSampleBytes.size(); ++length) {
    Settings t;
    EXPECT_EQ(ParseSettings(std::string_view(kSampleBytes).substr(0, length), t), kErrMalformedFile) << length;
  }
  std::string huge = kSampleBytes;
  huge.replace(kHighPriorityAt, 4, FromHex("FFFFFF7F"));
  EXPECT_EQ(ParseSettings(huge, s), kErrMalformedFile) << "a count beyond the bytes is not allocated";
  for (size_t i = 0; i < kSampleBytes.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string flipped = kSampleBytes;
      flipped[i] = static_cast<char>(flipped[i] ^ (1 << bit));
      Settings f;
      const int32_t result = ParseSettings(flipped, f);
      EXPECT_TRUE(result == 0 || result == kErrMalformedFile);
    }
  }
}

TEST(Settings, NewSessionChoicesKeepTheTrackOrTheTestByType) {
  Settings s;
  RememberNewSessionChoices(s, u"Jo", 0, 0, u"Spa", u"0-100 kph");
  EXPECT_EQ(s.last_driver.AsView(), u"Jo");
  EXPECT_EQ(s.last_track.AsView(), u"Spa");
  EXPECT_TRUE(s.last_test.IsEmpty());
  EXPECT_EQ(s.save_nmea, 0);
  RememberNewSessionChoices(s, u"Al", 1, 1, u"Zolder", u"0-100 kph");
  EXPECT_EQ(s.last_track.AsView(), u"Spa") << "a performance session leaves the track";
  EXPECT_EQ(s.last_test.AsView(), u"0-100 kph");
  EXPECT_EQ(s.last_session_type, 1u);
}

}  // namespace
}  // namespace kv
