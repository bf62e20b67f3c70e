// What the `gps` and `obd` commands share: the SOURCE argument, and one
// data source run under the main loop until a time limit, Ctrl-C or the
// source's end.
//
//   file:PATH               a recorded NMEA file, replayed at its pace
//   serial:DEVICE[:BAUD]    a tty (/dev/ttyUSB0, /dev/rfcomm0, ...) or COMn
//   bt:ADDRESS[:CHANNEL]    Bluetooth RFCOMM, channel 1 when not given
//   gpsd[:HOST[:PORT]]      gpsd's raw NMEA (localhost:2947)
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "acquisition/data_source.h"
#include "platform/bluetooth_adapter.h"
#include "storage/settings.h"

namespace kv::app {

// False with a message in *error when the text is not a SOURCE.
bool ParseSourceArgument(std::string_view text, int32_t source_id, SourceConfig* config, std::string* error);

// The source the settings choose for `source_id`: "GPS type" with the GPS
// port, baud rate and Bluetooth device, or "OBD-II type" with the OBD-II
// ones. A port number N is "COMN:" (platform::SerialDeviceForPort); the
// baud rate is stored divided by 100; a Bluetooth device's channel is the
// one `devices use` found, else 1. False with the reason in *error when
// the settings name nothing that can be opened (no device chosen, an NMEA
// file, whose path they do not hold, OBD-II disabled); *name is the
// device's display name.
bool SourceFromSettings(const Settings& settings, int32_t source_id, SourceConfig* config, std::u16string* name,
                        std::string* error);

// Main thread side of one run: states and data as the listener gets them.
class SourceWatcher {
 public:
  virtual ~SourceWatcher() = default;
  virtual void OnState(SourceState state, double seconds) = 0;
  virtual void OnText(std::string_view text, double seconds) = 0;
  // When Connected: the channels an OBD-II source polls.
  virtual void OnConnected(DataSource& /*source*/) {}
  // True ends the run after the text just handed over.
  virtual bool Done() const { return false; }
};

// Runs the source until `seconds` passed (0: no limit), SIGINT/SIGTERM, or
// the source stopped by itself. Returns true when it was ever connected.
bool RunSource(const SourceConfig& config, int32_t seconds, SourceWatcher& watcher);

const char* StateName(SourceState state);

// The commands themselves; each returns the exit status (0 fine, 1 the
// device could not be reached or searched, 2 bad arguments).
int RunGpsCommand(const std::string& source, int32_t seconds, std::ostream& out, std::ostream& err);
int RunObdCommand(const std::string& source, const std::string& pids, int32_t seconds, std::ostream& out,
                  std::ostream& err);
// The channels the vehicle supports, from its support bitmaps; 1 when none came within `seconds`.
int RunObdChannelsCommand(const std::string& source, int32_t seconds, std::ostream& out, std::ostream& err);
int RunDevicesScan(platform::BluetoothAdapter& adapter, bool json, std::ostream& out, std::ostream& err);

// `devices use ADDRESS --for gps|obd [--name NAME]`: looks up the device's
// serial-port channel and keeps address, channel and name as the GPS (or
// OBD-II) device of the settings, with "GPS type" Bluetooth (or "OBD-II
// type" Bluetooth), and writes them to `settings_folder`. 2 for a bad
// address or kind; 1 when there is no adapter, the radio stays off, the
// device offers no serial port or the settings cannot be written.
struct DeviceChoice {
  std::string address;
  std::string kind;  // "gps" or "obd"
  std::string name;
};
int RunDevicesUse(platform::BluetoothAdapter& adapter, const DeviceChoice& choice, Settings& settings,
                  const std::string& settings_folder, std::ostream& out, std::ostream& err);

}  // namespace kv::app
