#include <gtest/gtest.h>

#include <errno.h>

#include <sstream>
#include <string>

#include "../acquisition/elm327_simulator.h"
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

// Real receivers' recordings to their end: states, fixes as the session
// would record them (an RMC-only receiver gives one per RMC; one without a
// fix gives none and counts its epochs) and the sentence counts.
TEST(GpsCommand, ReplaysARecordingWithItsFixesAndNotAFixEpochs) {
  struct Case {
    const char* file;
    size_t fixes;
    const char* not_a_fix;
  } cases[] = {{"karting/lap.nmea", 993, "not a fix: 0 epochs"}, {"gpsd-regress/holux-gm-210.log", 0, "not a fix: 12 epochs"}};
  for (const Case& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(RunGpsCommand(std::string("file:../shared/external/nmea/") + c.file, 10, out, err), 0) << err.str();
    const std::string text = out.str();
    for (const char* part : {"state Connected", "state Stopped", "sentences: other", c.not_a_fix})
      EXPECT_NE(text.find(part), std::string::npos) << c.file << ": " << part << "\n" << text;
    size_t fixes = 0;
    for (size_t at = text.find("  fix "); at != std::string::npos; at = text.find("  fix ", at + 1)) ++fixes;
    EXPECT_EQ(fixes, c.fixes) << c.file;
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
