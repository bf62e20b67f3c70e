#include "storage/settings.h"

#include <gtest/gtest.h>

#include "storage/storage_test_data.h"

namespace kv {
namespace {

using testing::FromHex;
using testing::ReadWholeFile;

// A value unlike its default in nearly every field, so a field written in
// the wrong place shows in the golden bytes.
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
  s.obd_channel = 6;
  s.predicted_difference = 0;
  s.voice = 2;
  s.library_server = u"t.example:81";
  return s;
}

const std::string kGolden = testing::GoldenPath("settings.dat");
constexpr size_t kGpsTypeAt = 15;
constexpr size_t kHighPriorityAt = 59;

TEST(Settings, SavedGoldenBytesReadBack) {
  testing::TempFolder temp;
  const std::string folder = temp.Path() + "Korvatinel/";
  Settings loaded;
  EXPECT_EQ(LoadSettings(folder, loaded), SettingsLoad::kNoFile);
  SaveSettings(folder, Sample());
  const std::string saved = ReadWholeFile(folder + "settings.dat");
  EXPECT_EQ(saved, testing::StorageGolden("settings.dat", saved));
  ASSERT_EQ(LoadSettings(folder, loaded), SettingsLoad::kRead);
  EXPECT_EQ(SerializeSettings(loaded).Std(), std::string(2, '\0') + saved.substr(2))
      << "field 1 written as 1 reads back as 0";
}

TEST(Settings, StoredInternalGpsReadsAsBluetoothAndUnknownTrailingBytesAreWrittenBack) {
  std::string bytes = std::string(2, '\0') + ReadWholeFile(kGolden).substr(2) + FromHex("DEADBEEF");
  bytes[kGpsTypeAt] = 1;  // the internal GPS
  Settings s;
  ASSERT_EQ(ParseSettings(bytes, s), 0);
  EXPECT_EQ(s.gps_type, kGpsBluetooth);
  bytes[kGpsTypeAt] = 0;
  EXPECT_EQ(SerializeSettings(s).Std(), bytes);
  // Written by another program (nothing after field 33) or by us before
  // field 36, 37 or 38: whole, the fields it lacks at their defaults.
  const struct {
    size_t cut;
    uint32_t obd_channel, predicted, voice;
  } cuts[] = {{34, 0, 1, 1}, {26, 6, 1, 1}, {22, 6, 0, 1}, {18, 6, 0, 2}};
  for (const auto& c : cuts) {
    Settings t;
    ASSERT_EQ(ParseSettings(bytes.substr(0, bytes.size() - c.cut), t), 0) << c.cut;
    EXPECT_EQ(t.obd_channel, c.obd_channel) << c.cut;
    EXPECT_EQ(t.predicted_difference, c.predicted) << c.cut;
    EXPECT_EQ(t.voice, c.voice) << c.cut;
  }
}

TEST(Settings, TruncatedOversizedAndFlippedFiles) {
  const std::string golden = ReadWholeFile(kGolden);
  Settings s;
  // Cut inside field 16: fields 1-15 were read, a half-read list is not kept.
  EXPECT_EQ(ParseSettings(std::string_view(golden).substr(0, kHighPriorityAt + 6), s), kErrMalformedFile);
  EXPECT_EQ(s.obd_baud, 96u);
  EXPECT_TRUE(s.high_priority_channels.empty());
  EXPECT_EQ(s.units, 0) << "later fields keep their defaults";
  const std::string huge = std::string(golden).replace(kHighPriorityAt, 4, FromHex("FFFFFF7F"));
  EXPECT_EQ(ParseSettings(huge, s), kErrMalformedFile) << "a count beyond the bytes is not allocated";
  // Cut anywhere before our own fields (a file may end just before them).
  testing::ExpectCutsMalformedAndFlipsRead(golden.substr(0, golden.size() - 30), [](std::string_view bytes) {
    Settings t;
    return ParseSettings(bytes, t);
  });
}

}  // namespace
}  // namespace kv
