#include <gtest/gtest.h>

#include <errno.h>

#include <sstream>
#include <string>

#include "../acquisition/elm327_simulator.h"
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

// Real receivers' recordings to their end: states, fixes and sentence
// counts, and a warning for the receiver that sends RMC without GGA.
TEST(GpsCommand, ReplaysARecordingAndWarnsWhenRmcArrivesWithoutGga) {
  for (const auto& [file, warns] : {std::pair{"gpsd-regress/holux-gm-210.log", false}, {"karting/lap.nmea", true}}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunGpsCommand(std::string("file:../shared/external/nmea/") + file, 10, out, err), 0) << err.str();
    for (const char* part : {"state Connected", "state Stopped", "fix ", "sentences: other"})
      EXPECT_NE(out.str().find(part), std::string::npos) << file << ": " << part << "\n" << out.str();
    EXPECT_EQ(out.str().find("warning: RMC arrives without GGA") != std::string::npos, warns) << out.str();
  }
}

TEST(GpsCommand, ASourceThatCannotBeReachedExitsWith1AndABadOneWith2) {
  std::ostringstream out, err;
  EXPECT_EQ(RunGpsCommand("serial:/nonexistent/tty", 5, out, err), 1);
  EXPECT_EQ(RunGpsCommand("nowhere", 5, out, err), 2);
}

TEST(ObdCommand, PrintsDecodedValuesFromAnAdapter) {
  test::Elm327Simulator adapter;
  ASSERT_FALSE(adapter.Device().empty());
  adapter.SetVehicle({{0x00, "41 00 08 18 00 00"}, {0x0C, "41 0C 1A F8"}, {0x0D, "41 0D 64"}});
  std::ostringstream out, err;
  EXPECT_EQ(RunObdCommand("serial:" + adapter.Device(), "0C,0D", 3, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("PID 0C  1726.000 rpm  (raw 6904)"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("PID 0D  27.778 m/s"), std::string::npos) << out.str();
  std::ostringstream bad;
  EXPECT_EQ(RunObdCommand("serial:/dev/null", "0C,XYZ", 1, out, bad), 2);
}

// What `record` starts without --gps / --obd, by the settings; "" when
// they name nothing it can open (a message is given).
TEST(SourceFromSettings, GpsAndObdDevicesPortsAndBaudRates) {
  const auto from = [](auto change, int32_t id) {
    Settings s;
    change(s);
    SourceConfig c;
    std::u16string name;
    std::string error;
    if (!SourceFromSettings(s, id, &c, &name, &error)) return error.empty() ? std::string("no message") : "";
    return Described(c) + (name.empty() ? "" : " " + std::string(ToUtf8(name).AsView()));
  };
  EXPECT_EQ(from([](Settings&) {}, kSourceGps), "") << "a fresh installation has chosen no receiver";
  EXPECT_EQ(from([](Settings& s) { s.gps_device = {0, 0x0B, 0x0D, 0x88, 0x7A, 0x41}, s.gps_channel = 6, s.gps_device_name = u"BT-GPS"; }, kSourceGps),
            "bt 00:0B:0D:88:7A:41 6 BT-GPS");
  EXPECT_EQ(from([](Settings& s) { s.gps_device = {1, 2, 3, 4, 5, 6}; }, kSourceGps), "bt 01:02:03:04:05:06 1")
      << "channel 1 when none was looked up";
  EXPECT_EQ(from([](Settings& s) { s.gps_type = kGpsSerial, s.gps_port = 3, s.gps_baud = 48; }, kSourceGps),
            "serial /dev/ttyUSB2 4800");
  EXPECT_EQ(from([](Settings& s) { s.gps_type = kGpsNmeaFile; }, kSourceGps), "");
  EXPECT_EQ(from([](Settings&) {}, kSourceObd), "") << "OBD-II disabled";
  EXPECT_EQ(from([](Settings& s) { s.obd_type = 2, s.obd_baud = 384; }, kSourceObd), "serial /dev/ttyUSB4 38400");
}

// A fake Bluetooth stack: the radio, and a device whose serial port is on
// channel 6 (or none).
class FakeAdapter final : public platform::BluetoothAdapter {
 public:
  int32_t radio_mode = 0, radio_error = 0, set_error = 0, lookup_error = 0;
  int32_t BeginInquiry() override { return ENODEV; }
  int32_t NextDevice(platform::BluetoothAddress*, std::string*) override { return platform::kEndOfResults; }
  void CancelInquiry() override {}
  void EndInquiry() override {}
  int32_t ServiceRecords(const platform::BluetoothAddress&, uint16_t, std::vector<std::string>* records) override {
    records->emplace_back("\x35\x11\x09\x00\x04\x35\x0C\x35\x03\x19\x01\x00\x35\x05\x19\x00\x03\x08\x06", 19);
    return lookup_error;
  }
  void CancelLookup() override {}
  int32_t GetRadioMode(int32_t* mode) override {
    *mode = radio_mode;
    return radio_error;
  }
  int32_t SetRadioMode(int32_t mode) override {
    if (set_error == 0) radio_mode = mode;
    return set_error;
  }
};

TEST(DevicesScan, WithoutAnAdapterSaysSo) {
  FakeAdapter adapter;
  adapter.radio_error = ENODEV;
  std::ostringstream out, err;
  EXPECT_EQ(RunDevicesScan(adapter, true, out, err), 1);
  EXPECT_EQ(out.str(), "[]\n");
  EXPECT_EQ(err.str(), "This machine has no Bluetooth adapter.\n");
  adapter.radio_error = 0;
  EXPECT_EQ(RunDevicesScan(adapter, false, out, err), 1);
  EXPECT_NE(err.str().find("Error " + std::to_string(ENODEV) + " in searching for devices."), std::string::npos)
      << "the radio was turned on for the search: " << err.str();
}

// `devices use`: every way it refuses, then a device kept that `record`
// then starts (with the radio turned on on the way).
TEST(DevicesUse, RefusesWhatCannotWorkAndKeepsTheDeviceForRecord) {
  testing::TempFolder dir;
  const std::string folder = dir.Path() + "Korvatinel/";
  WriteWholeFile(dir.Path() + "file", "");
  const struct {
    DeviceChoice choice;
    int32_t radio_error, set_error, lookup_error;
    std::string settings_folder;
    int status;
    std::string message;
  } cases[] = {
      {{"00:0B:0D:88:7A:41", "car", ""}, 0, 0, 0, folder, 2, "--for is gps or obd"},
      {{"00:0B:0D:88:7A", "gps", ""}, 0, 0, 0, folder, 2, "ADDRESS is a Bluetooth address"},
      {{"00:0B:0D:88:7A:41", "gps", ""}, ENODEV, 0, 0, folder, 1, "This machine has no Bluetooth adapter."},
      {{"00:0B:0D:88:7A:41", "gps", ""}, 0, EPERM, 0, folder, 1, "Bluetooth is currently turned off. Turning it on needs root"},
      {{"00:0B:0D:88:7A:41", "obd", ""}, 0, 0, EHOSTDOWN, folder, 1, "Selected device is not a OBD-II reader."},
      {{"00:0B:0D:88:7A:41", "gps", ""}, 0, 0, 0, dir.Path() + "file/", 1, "The settings were not saved"},
      {{"00:0B:0D:88:7A:41", "gps", "BT-GPS 8A41"}, 0, 0, 0, folder, 0, "Bluetooth was turned off; it is on now."},
  };
  for (const auto& c : cases) {
    FakeAdapter adapter;
    adapter.radio_error = c.radio_error, adapter.set_error = c.set_error, adapter.lookup_error = c.lookup_error;
    Settings settings;
    std::ostringstream out, err;
    EXPECT_EQ(RunDevicesUse(adapter, c.choice, settings, c.settings_folder, out, err), c.status) << c.message;
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  }
  Settings kept;
  ASSERT_EQ(LoadSettings(folder, kept), SettingsLoad::kRead);
  SourceConfig config;
  std::u16string name;
  std::string error;
  ASSERT_TRUE(SourceFromSettings(kept, kSourceGps, &config, &name, &error)) << error;
  EXPECT_EQ(Described(config), "bt 00:0B:0D:88:7A:41 6");
  EXPECT_EQ(name, u"BT-GPS 8A41");
}

// `record` without --gps: the settings' receiver, shown as "Connecting to
// GPS receiver NAME..." while it opens; one that cannot be reached at all
// ends the recording with the offer to try again.
TEST(RecordFromSettings, ConnectsToTheSettingsReceiverAndOffersARetry) {
  testing::TempFolder dir;
  StorageContext context(dir.Path());
  context.settings.gps_type = kGpsSerial;
  context.settings.gps_port = 9;  // /dev/ttyUSB8: no such device here
  SaveSettings(context.storage.AppDataFolder(), context.settings);
  RecordOptions o;
  o.data_dir = o.runtime_folder = dir.Path();
  std::ostringstream out, err;
  EXPECT_EQ(RunRecord(o, out, err), 1);
  EXPECT_NE(err.str().find("Cannot open the GPS source of the settings: No such file or directory\n"
                           "Could not reach the GPS receiver. Try same receiver again? Give the same command again."),
            std::string::npos)
      << err.str();

  Application app;
  TerminalViews views(out, err, false, 1);
  RunProblems problems;
  AppServices services(app, context.settings, dir.Path(), views, problems);
  SourceConfig replay;
  replay.transport = kTransportFile;  // opens after 3 s
  replay.path = dir.Path() + "none.nmea";
  services.StartGps(replay, u"BT-GPS 8A41");
  EXPECT_EQ(services.StatusText(), u"Connecting to GPS receiver BT-GPS 8A41...");
}

}  // namespace
}  // namespace kv::app
