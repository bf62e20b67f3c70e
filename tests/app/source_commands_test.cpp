#include <gtest/gtest.h>

#include <errno.h>

#include <sstream>
#include <string>
#include <tuple>

#include "../acquisition/elm327_emulator.h"
#include "../acquisition/fake_bluetooth_adapter.h"
#include "acquisition/bluetooth_discovery.h"
#include "app/app_services.h"
#include "app/record_command.h"
#include "app/source_command.h"
#include "app/storage_context.h"
#include "support/temp_folder.h"
#include "util/utf_convert.h"

namespace kv::app {
namespace {

using kv::testing::WriteWholeFile;
using test::FakeAdapter;

// A source as configured: the transport, the device, path, host or
// address, and the baud rate, channel or port.
std::string Described(const SourceConfig& c) {
  switch (c.transport) {
    case kTransportFile: return "file " + c.path;
    case kTransportSerial: return "serial " + c.device + " " + std::to_string(c.baud_rate);
    case kTransportBluetooth: return "bt " + FormatBluetoothAddress(c.address) + " " + std::to_string(c.channel);
    case kTransportGpsd: return "gpsd " + c.host + " " + std::to_string(c.port);
    default: return "transport " + std::to_string(c.transport);
  }
}

// A source argument as parsed; "" when it is refused with a message.
std::string Parsed(const char* text) {
  SourceConfig c;
  std::string error;
  if (!ParseSourceArgument(text, kSourceGps, &c, &error)) return error.empty() ? "refused without a message" : "";
  return Described(c);
}

TEST(SourceArgument, ParsesEachKindAndRejectsTheRest) {
  const std::pair<const char*, const char*> cases[] = {
      {"file:/tmp/a.nmea", "file /tmp/a.nmea"},
      {"serial:/dev/ttyUSB0", "serial /dev/ttyUSB0 0"},
      {"serial:/dev/ttyACM0:115200", "serial /dev/ttyACM0 115200"},
      {"serial:COM3:4800", "serial /dev/ttyUSB2 4800"},
      {"serial:COM0", "serial /dev/ttyACM0 0"},
      {"bt:00:0B:0D:88:7A:41", "bt 00:0B:0D:88:7A:41 1"},
      {"bt:00:0b:0d:88:7a:41:6", "bt 00:0B:0D:88:7A:41 6"},
      {"gpsd", "gpsd localhost 2947"},
      {"gpsd:192.168.1.9", "gpsd 192.168.1.9 2947"},
      {"gpsd:localhost:3000", "gpsd localhost 3000"},
      {"bt:00:0B:0D:88:7A:41:31", ""},
      {"bt:00:0B:0D:88:7A", ""},
      {"file:", ""},
      {"serial:", ""},
      {"gpsd:host:port", ""},
      {"usb:/dev/ttyUSB0", ""},
  };
  for (const auto& [text, parsed] : cases) EXPECT_EQ(Parsed(text), parsed) << text;
}

// Real receivers' recordings to their end: states, one fix per epoch as the
// session would record it (an RMC-only receiver's too), the sentence counts,
// and a receiver without a fix counting its epochs.
TEST(GpsCommand, ReplaysARecordingWithItsFixesAndNotAFixEpochs) {
  for (const auto& [file, fixes, not_a_fix] : {std::tuple{"karting/lap.nmea", 993, 0}, {"gpsd-regress/holux-gm-210.log", 0, 12}}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunGpsCommand(std::string("file:../shared/external/nmea/") + file, 10, out, err), 0) << err.str();
    const std::string text = out.str(), end = "not a fix: " + std::to_string(not_a_fix) + " epochs\n";
    EXPECT_TRUE(text.find("state Connected") < text.find("sentences: other") && text.ends_with(end)) << text;
    int counted = 0;
    for (size_t at = text.find("  fix "); at != std::string::npos; at = text.find("  fix ", at + 1)) ++counted;
    EXPECT_EQ(counted, fixes) << file;
  }
}

TEST(ObdCommand, PrintsDecodedValuesAndTheChannelsTheVehicleSupports) {
  test::Elm327Emulator adapter({"--rpm", "1726", "--speed", "100", "--throttle", "40"});
  ASSERT_FALSE(adapter.Device().empty());
  std::ostringstream out, err;
  EXPECT_EQ(RunObdCommand("serial:" + adapter.Device(), "0C,0D", 3, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("PID 0C  1726.000 rpm  (raw 6904)"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("PID 0D  27.778 m/s"), std::string::npos) << out.str();
  std::ostringstream listed;
  EXPECT_EQ(RunObdChannelsCommand("serial:" + adapter.Device(), 10, listed, err), 0) << err.str();
  EXPECT_EQ(listed.str(),
            "Channels the vehicle supports (number, name for --obd-channels, PID):\n"
            "  24  rpm                        0C  RPM\n"
            "  23  obd-speed                  0D  OBD speed\n"
            "  25  throttle-position          11  Throttle position\n");
  std::ostringstream bad;
  EXPECT_EQ(RunObdCommand("serial:/dev/null", "0C,XYZ", 1, out, bad), 2);
}

// What `record` starts without --gps / --obd: the settings' source and
// device name; "" when they name nothing it can open (a message is given).
std::string FromSettings(const Settings& s, int32_t id) {
  SourceConfig c;
  std::u16string name;
  std::string error;
  if (!SourceFromSettings(s, id, &c, &name, &error)) return error.empty() ? "no message" : "";
  return Described(c) + (name.empty() ? "" : " " + std::string(ToUtf8(name).AsView()));
}

TEST(SourceFromSettings, PortsAndBaudRates) {
  Settings s;
  EXPECT_EQ(FromSettings(s, kSourceGps) + FromSettings(s, kSourceObd), "") << "no receiver chosen, OBD-II disabled";
  s.gps_type = kGpsSerial, s.gps_port = 3, s.gps_baud = 48, s.obd_type = 2, s.obd_baud = 384;
  EXPECT_EQ(FromSettings(s, kSourceGps) + "; " + FromSettings(s, kSourceObd), "serial /dev/ttyUSB2 4800; serial /dev/ttyUSB4 38400");
}

// `devices use`: every way it refuses, then a device kept that `record`
// then starts (with the radio turned on on the way); `devices scan` shares
// the radio check.
TEST(DevicesUse, RefusesWhatCannotWorkAndKeepsTheDeviceForRecord) {
  testing::TempFolder dir;
  const std::string folder = dir.Path() + "Korvatinel/";
  WriteWholeFile(dir.Path() + "file", "");
  const struct {
    DeviceChoice choice;
    int32_t radio_error, set_error, lookup_error;
    std::string settings_folder, message;
    int status;
  } cases[] = {
      {{"00:0B:0D:88:7A:41", "car", ""}, 0, 0, 0, folder, "--for is gps or obd", 2},
      {{"00:0B:0D:88:7A", "gps", ""}, 0, 0, 0, folder, "ADDRESS is a Bluetooth address", 2},
      {{"00:0B:0D:88:7A:41", "gps", ""}, ENODEV, 0, 0, folder, "This machine has no Bluetooth adapter.", 1},
      {{"00:0B:0D:88:7A:41", "gps", ""}, 0, EPERM, 0, folder, "Bluetooth is currently turned off. Turning it on needs root", 1},
      {{"00:0B:0D:88:7A:41", "obd", ""}, 0, 0, EHOSTDOWN, folder, "Selected device is not a OBD-II reader.", 1},
      {{"00:0B:0D:88:7A:41", "gps", ""}, 0, 0, 0, dir.Path() + "file/", "The settings were not saved", 1},
      {{"00:0B:0D:88:7A:41", "gps", "BT-GPS 8A41"}, 0, 0, 0, folder, "Bluetooth was turned off; it is on now.", 0},
  };
  for (const auto& c : cases) {
    FakeAdapter adapter;
    adapter.radio_query_error = c.radio_error, adapter.radio_set_error = c.set_error, adapter.lookup_error = c.lookup_error;
    Settings settings;
    std::ostringstream out, err;
    EXPECT_EQ(RunDevicesUse(adapter, c.choice, settings, c.settings_folder, out, err), c.status) << c.message;
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  }
  Settings kept;
  ASSERT_EQ(LoadSettings(folder, kept), SettingsLoad::kRead);
  EXPECT_EQ(FromSettings(kept, kSourceGps), "bt 00:0B:0D:88:7A:41 6 BT-GPS 8A41");
  FakeAdapter none;
  none.radio_query_error = ENODEV;
  std::ostringstream out, err;
  EXPECT_EQ(RunDevicesScan(none, true, out, err), 1);
  EXPECT_EQ(out.str() + err.str(), "[]\nThis machine has no Bluetooth adapter.\n");
}

// `record` without --gps: the settings' receiver, shown as "Connecting to
// GPS receiver NAME..." while it opens; one that cannot be reached at all
// ends the recording with the offer to try again.
TEST(RecordFromSettings, ConnectsToTheSettingsReceiverAndOffersARetry) {
  testing::TempFolder dir;
  StorageContext context(dir.Path());
  context.settings.gps_type = kGpsSerial, context.settings.gps_port = 9;  // /dev/ttyUSB8: none here
  SaveSettings(context.storage.AppDataFolder(), context.settings);
  RecordOptions o;
  o.data_dir = o.runtime_folder = dir.Path();
  std::ostringstream out, err;
  EXPECT_EQ(RunRecord(o, out, err), 1);
  EXPECT_NE(err.str().find("Cannot open the GPS source of the settings: No such file or directory\n"
                           "Could not reach the GPS receiver. Try same receiver again? Give the same command again."),
            std::string::npos) << err.str();
  Application app;
  TerminalViews views(out, err, false, 1);
  RunProblems problems;
  AppServices services(app, context.settings, dir.Path(), views, problems);
  SourceConfig replay;
  replay.transport = kTransportFile;  // no file: it fails, but only after 3 s of "Connecting"
  services.StartGps(replay, u"BT-GPS 8A41");
  EXPECT_EQ(services.StatusText(), u"Connecting to GPS receiver BT-GPS 8A41...");
}

}  // namespace
}  // namespace kv::app
