// The settings command on a real settings file in a temporary folder: every
// key round-trips, refusals are usage errors that write nothing, and what no
// key names (devices' names and channels, last choices, later fields)
// survives every change.
#include "app/settings_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "app/setting_keys.h"
#include "support/temp_folder.h"
#include "util/utf_convert.h"

namespace kv::app {
namespace {

struct Ran {
  int status;
  std::string out, err;
};

Ran Command(const std::string& dir, std::string action, std::string key = "",
            std::string value = "", bool json = false) {
  std::ostringstream out, err;
  const int status =
      RunSettings({dir, std::move(action), std::move(key), std::move(value), json}, out, err);
  return {status, out.str(), err.str()};
}

TEST(SettingsCommand, EveryKeyRoundTripsThroughTheFileAndKeepsWhatNoKeyNames) {
  kv::testing::TempFolder dir;
  const std::string folder = dir.Path() + "Korvatinel/";
  Settings kept;  // as `devices use` and a recording leave it
  kept.gps_device = {0x00, 0x0B, 0x0D, 0x88, 0x7A, 0x41};
  kept.gps_channel = 3;
  kept.gps_device_name = FromUtf8("Qstarz");
  kept.last_driver = FromUtf8("Ann");
  kept.trailing_bytes = "later";
  SaveSettings(folder, kept);
  const struct {
    const char *key, *value, *shown;
  } cases[] = {
      {"timer-backlight", "only-for-events", "only-for-events"},
      {"timer-decimals", "1000THS", "1000ths"},  // letter case aside
      {"timer-orientation", "landscape", "landscape"},
      {"predicted-difference", "no", "hidden"},
      {"voice", "lap-time-and-difference", "lap-time-and-difference"},
      {"units", "mph", "english"},
      {"hi-lo-speed-threshold", "10", "10"},
      {"braking-limit", "1", "1.0"},  // numbers by value
      {"acceleration-limit", "0.05", "0.05"},
      {"start-up-warning", "off", "off"},
      {"gps-type", "serial-port-gps", "serial-port-gps"},
      // The same device as before: its name and channel stay.
      {"gps-device", "00:0b:0d:88:7a:41", "00:0B:0D:88:7A:41"},
      {"gps-serial-port", "7", "7"},
      {"gps-baudrate", "38400", "38400"},
      {"obd-ii-type", "serial-port-obd-ii-reader", "serial-port-obd-ii-reader"},
      {"obd-ii-device", "11:22:33:44:55:66", "11:22:33:44:55:66"},
      {"obd-ii-serial-port", "0", "0"},
      {"obd-ii-baudrate", "default", "default"},
      {"high-priority-channels", "rpm,25", "rpm,throttle-position"},
      {"low-priority-channels", "none", "none"},
      {"storage-selection", "/media/card", "/media/card/"},
      {"library-server", "tracks.example.org:8081", "tracks.example.org:8081"},
  };
  ASSERT_EQ(std::size(cases), SettingKeys().size()) << "every key";
  for (const auto& c : cases) {
    const Ran set = Command(dir.Path(), "set", c.key, c.value);
    EXPECT_EQ(set.status, 0) << c.key << ": " << set.err;
    EXPECT_EQ(set.out + set.err, "") << c.key;
    EXPECT_EQ(Command(dir.Path(), "get", c.key).out, std::string(c.shown) + "\n") << c.key;
  }
  Settings after;
  ASSERT_EQ(LoadSettings(folder, after), SettingsLoad::kRead);
  EXPECT_EQ(ToUtf8(after.gps_device_name.AsView()).Std() +
                ToUtf8(after.last_driver.AsView()).Std() + after.trailing_bytes +
                std::to_string(after.gps_channel),
            "QstarzAnnlater3");
  EXPECT_EQ(after.high_priority_channels, (std::vector<uint32_t>{24, 25}));
  EXPECT_TRUE(
      std::regex_search(Command(dir.Path(), "list").out, std::regex("\nunits +english +Units\n")));
  const nlohmann::json listed =
      nlohmann::json::parse(Command(dir.Path(), "list", "", "", true).out);
  EXPECT_EQ(listed.size(), SettingKeys().size());
  EXPECT_EQ(listed["gps-baudrate"].dump() + listed["braking-limit"].dump() +
                listed["high-priority-channels"].dump() + listed["units"].dump(),
            R"(384001.0[24,25]"english")");

  ASSERT_EQ(Command(dir.Path(), "set", "gps-device", "00:0B:0D:88:7A:42").status,
            0);  // another device
  ASSERT_EQ(LoadSettings(folder, after), SettingsLoad::kRead);
  EXPECT_TRUE(after.gps_device_name.IsEmpty() && after.gps_channel == 0)
      << "the old device's name and channel";
}

TEST(SettingsCommand, RefusalsAreUsageErrorsThatWriteNothingAndDamageIsReported) {
  kv::testing::TempFolder dir;
  const struct {
    const char *key, *value, *said;
  } cases[] = {
      {"colour", "red", "timer-backlight, timer-decimals"},
      {"timer-backlight", "sometimes", "always-off, only-for-events, always-on"},
      {"hi-lo-speed-threshold", "3", "1, 2, 5, 10, 15, 20 (m/s)"},
      {"gps-type", "internal-gps", "bluetooth-gps, nmea-file, serial-port-gps"},
      {"gps-serial-port", "256", "0 to 255"},
      {"obd-ii-serial-port", "-1", "0 to 255"},
      {"gps-device", "00:00:00:00:00:00", "a Bluetooth address"},
      {"high-priority-channels", "rpm,warp", "25 throttle-position"},
      {"storage-selection", "card", "absolute path"},
  };
  for (const auto& c : cases) {
    const Ran set = Command(dir.Path(), "set", c.key, c.value);
    EXPECT_EQ(set.status, 2) << c.key;
    EXPECT_NE(set.err.find(c.said), std::string::npos) << set.err;
  }
  EXPECT_EQ(Command(dir.Path(), "get", "colour").status, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() + "Korvatinel/settings.dat"));

  Settings english;  // then cut inside the braking limit, after the units
  english.units = 1;
  SaveSettings(dir.Path() + "Korvatinel/", english);
  std::filesystem::resize_file(dir.Path() + "Korvatinel/settings.dat", 90);
  const Ran damaged = Command(dir.Path(), "get", "units");
  EXPECT_EQ(damaged.status, 0);
  EXPECT_EQ(damaged.out, "english\n");
  EXPECT_NE(damaged.err.find("settings.dat is damaged"), std::string::npos) << damaged.err;
}

}  // namespace
}  // namespace kv::app
