#include <gtest/gtest.h>

#include <errno.h>

#include <sstream>
#include <string>

#include "../acquisition/elm327_emulator.h"
#include "acquisition/bluetooth_discovery.h"
#include "app/source_command.h"

namespace kv::app {
namespace {

// A source argument as parsed: the transport, the device, path, host or
// address, and the baud rate, channel or port; "" when it is refused with
// a message.
std::string Parsed(const char* text) {
  SourceConfig c;
  std::string error;
  if (!ParseSourceArgument(text, kSourceGps, &c, &error)) return error.empty() ? "refused without a message" : "";
  switch (c.transport) {
    case kTransportFile: return "file " + c.path;
    case kTransportSerial: return "serial " + c.device + " " + std::to_string(c.baud_rate);
    case kTransportBluetooth: return "bt " + FormatBluetoothAddress(c.address) + " " + std::to_string(c.channel);
    case kTransportGpsd: return "gpsd " + c.host + " " + std::to_string(c.port);
    default: return "transport " + std::to_string(c.transport);
  }
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

class NoAdapter final : public platform::BluetoothAdapter {
 public:
  int32_t BeginInquiry() override { return ENODEV; }
  int32_t NextDevice(platform::BluetoothAddress*, std::string*) override { return platform::kEndOfResults; }
  void CancelInquiry() override {}
  void EndInquiry() override {}
  int32_t ServiceRecords(const platform::BluetoothAddress&, uint16_t, std::vector<std::string>*) override {
    return ENODEV;
  }
  void CancelLookup() override {}
  bool GetRadioMode(int32_t*) override { return false; }
  bool SetRadioMode(int32_t) override { return false; }
};

TEST(DevicesScan, WithoutAnAdapterSaysSoWithTheErrorNumber) {
  NoAdapter adapter;
  std::ostringstream out, err;
  EXPECT_EQ(RunDevicesScan(adapter, true, out, err), 1);
  EXPECT_EQ(out.str(), "[]\n");
  EXPECT_EQ(err.str(), "Error " + std::to_string(ENODEV) + " in searching for devices.\n");
}

}  // namespace
}  // namespace kv::app
