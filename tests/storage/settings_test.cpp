#include "storage/settings.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "util/errors.h"

namespace kv {
namespace {

using testing::FromHex;
using testing::ReadWholeFile;
using testing::TempFolder;

// The defaults as the file holds them, field by field.
const std::string kDefaultBytes = FromHex(
    "0000"                                  // 1 transient flag
    "00"                                    // 2 empty PackedString
    "02000000 01000000 00000000"            // 3 backlight, 4 decimals, 5 GPS type
    "FFFF"                                  // 6
    "000000000000 000000000000 000000000000"  // 7, 8, 9 addresses
    "0100"                                  // 10 save NMEA
    "05000000 00000000 00000000 00000000"   // 11 hi/lo, 12 OBD type, 13, 14 baud
    "0000"                                  // 15 reserved
    "00000000 00000000"                     // 16, 17 empty channel lists
    "0000 00000000 0100"                    // 18 units, 19 orientation, 20 warning
    "0000 0000 0000"                        // 21-23 driver, track, test
    "00000000"                              // 24 session type
    "0000 0000 0000"                        // 25-27 device names
    "04000000 02000000 0000"                // 28 braking, 29 acceleration, 30
    "04000000 05000000"                     // 31, 32 ports
    "0000");                                // 33 storage selection

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

TEST(Settings, DefaultsWithoutAFileAndSavedGoldenBytesReadBack) {
  const std::string expected = FromHex(
      "0100" "08 78 0E00E9"                    // flag 1, 2 characters: "x", U+00E9
      "01000000 03000000 03000000 0700"
      "010203040506 000000000000 AA00000000BB"
      "0000 14000000 02000000 80040000 60000000 0000"
      "03000000 04000000 05000000 04010000"  // high priority: 4, 5, 260
      "00000000"                             // low priority: none
      "0100 02000000 0000"
      "0700 4AC3BC7267656E" "0300 537061" "0000"
      "01000000"
      "0000" "0500 4F42444949" "0000"
      "07000000 02000000 FDFF 09000000 05000000"
      "0F00 2F6D656469612F6D652F434152442F");
  TempFolder temp;
  const std::string folder = temp.Path() + "Korvatinel/";
  Settings loaded;
  EXPECT_EQ(LoadSettings(folder, loaded), SettingsLoad::kNoFile);
  EXPECT_EQ(SerializeSettings(loaded).Std(), kDefaultBytes);
  SaveSettings(folder, Sample());
  EXPECT_EQ(ReadWholeFile(folder + "settings.dat"), expected);
  ASSERT_EQ(LoadSettings(folder, loaded), SettingsLoad::kRead);
  EXPECT_EQ(SerializeSettings(loaded).Std(), std::string(2, '\0') + expected.substr(2))
      << "field 1 written as 1 reads back as 0";
}

TEST(Settings, StoredInternalGpsReadsAsBluetoothAndUnknownTrailingBytesAreWrittenBack) {
  std::string bytes = kDefaultBytes + FromHex("DEADBEEF");
  bytes[11] = 1;  // field 5: the internal GPS
  Settings s;
  s.gps_type = kGpsSerial;
  ASSERT_EQ(ParseSettings(bytes, s), 0);
  EXPECT_EQ(s.gps_type, kGpsBluetooth);
  bytes[11] = 0;
  EXPECT_EQ(SerializeSettings(s).Std(), bytes);
}

TEST(Settings, TruncatedOversizedAndFlippedFiles) {
  const std::string full = SerializeSettings(Sample()).Std();
  // Cut inside field 16 (the high-priority list): fields 1-15 were read.
  const size_t cut = 2 + 4 + 12 + 2 + 18 + 2 + 16 + 2 + 4 + 2;
  Settings s;
  EXPECT_EQ(ParseSettings(std::string_view(full).substr(0, cut), s), kErrMalformedFile);
  EXPECT_EQ(s.obd_baud, 96u);
  EXPECT_TRUE(s.high_priority_channels.empty()) << "a half-read list is not kept";
  EXPECT_EQ(s.units, 0) << "later fields keep their defaults";
  for (size_t length = 0; length < full.size(); ++length) {
    Settings t;
    EXPECT_EQ(ParseSettings(std::string_view(full).substr(0, length), t), kErrMalformedFile) << length;
  }
  std::string huge = kDefaultBytes;
  huge.replace(2 + 1 + 12 + 2 + 18 + 2 + 16 + 2, 4, FromHex("FFFFFF7F"));  // high-priority channel count
  EXPECT_EQ(ParseSettings(huge, s), kErrMalformedFile) << "a count beyond the bytes is not allocated";
  for (size_t i = 0; i < full.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string flipped = full;
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
