#include <gtest/gtest.h>

#include <errno.h>

#include <sstream>
#include <string>

#include "../acquisition/elm327_simulator.h"
#include "app/source_command.h"
#include "platform/ticks.h"

namespace kv::app {
namespace {

struct ArgumentCase {
  const char* text;
  bool ok;
  SourceTransport transport;
  const char* target;  // device, path or host
  int32_t number;      // baud, channel or port
};

TEST(SourceArgument, ParsesEachKindAndRejectsTheRest) {
  const ArgumentCase cases[] = {
      {"file:/tmp/a.nmea", true, kTransportFile, "/tmp/a.nmea", 0},
      {"serial:/dev/ttyUSB0", true, kTransportSerial, "/dev/ttyUSB0", 0},
      {"serial:/dev/ttyACM0:115200", true, kTransportSerial, "/dev/ttyACM0", 115200},
      {"serial:COM3:4800", true, kTransportSerial, "/dev/ttyUSB2", 4800},
      {"serial:COM0", true, kTransportSerial, "/dev/ttyACM0", 0},
      {"bt:00:0B:0D:88:7A:41", true, kTransportBluetooth, "", 1},
      {"bt:00:0b:0d:88:7a:41:6", true, kTransportBluetooth, "", 6},
      {"gpsd", true, kTransportGpsd, "localhost", 2947},
      {"gpsd:192.168.1.9", true, kTransportGpsd, "192.168.1.9", 2947},
      {"gpsd:localhost:3000", true, kTransportGpsd, "localhost", 3000},
      {"bt:00:0B:0D:88:7A:41:31", false, kTransportNone, "", 0},
      {"bt:00:0B:0D:88:7A", false, kTransportNone, "", 0},
      {"file:", false, kTransportNone, "", 0},
      {"serial:", false, kTransportNone, "", 0},
      {"gpsd:host:port", false, kTransportNone, "", 0},
      {"usb:/dev/ttyUSB0", false, kTransportNone, "", 0},
  };
  for (const ArgumentCase& c : cases) {
    SourceConfig config;
    std::string error;
    ASSERT_EQ(ParseSourceArgument(c.text, kSourceGps, &config, &error), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_FALSE(error.empty()) << c.text;
      continue;
    }
    EXPECT_EQ(config.transport, c.transport) << c.text;
    switch (c.transport) {
      case kTransportFile: EXPECT_EQ(config.path, c.target) << c.text; break;
      case kTransportSerial:
        EXPECT_EQ(config.device, c.target) << c.text;
        EXPECT_EQ(config.baud_rate, c.number) << c.text;
        break;
      case kTransportBluetooth:
        EXPECT_EQ(config.address[5], 0x41) << c.text;
        EXPECT_EQ(config.channel, c.number) << c.text;
        break;
      case kTransportGpsd:
        EXPECT_EQ(config.host, c.target) << c.text;
        EXPECT_EQ(config.port, c.number) << c.text;
        break;
      default: break;
    }
  }
}

TEST(GpsCommand, ReplaysARecordingAndPrintsStatesFixesAndCounts) {
  std::ostringstream out, err;
  const int status = RunGpsCommand("file:../shared/external/nmea/gpsd-regress/holux-gm-210.log", 10, out, err);
  EXPECT_EQ(status, 0) << err.str();
  const std::string text = out.str();
  EXPECT_NE(text.find("state Connected"), std::string::npos) << text;
  EXPECT_NE(text.find("state Stopped"), std::string::npos) << text;
  EXPECT_NE(text.find("fix "), std::string::npos) << text;
  EXPECT_NE(text.find("sentences: other"), std::string::npos) << text;
  EXPECT_EQ(text.find("warning"), std::string::npos) << "this receiver sends GGA";
}

TEST(GpsCommand, WarnsWhenRmcArrivesWithoutGga) {
  std::ostringstream out, err;
  RunGpsCommand("file:../shared/external/nmea/karting/lap.nmea", 6, out, err);
  EXPECT_NE(out.str().find("warning: RMC arrives without GGA"), std::string::npos) << out.str();
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

TEST(DevicesScan, TheMachinesOwnBluetoothNeverHangs) {
  const auto adapter = platform::MakeBluezAdapter();
  std::ostringstream out, err;
  const uint32_t start = platform::TickCount();
  RunDevicesScan(*adapter, false, out, err);
  EXPECT_LT(platform::TickCount() - start, 30000u);
  if (out.str().empty()) {
    EXPECT_FALSE(err.str().empty()) << "nothing found must be said";
  }
}

}  // namespace
}  // namespace kv::app
