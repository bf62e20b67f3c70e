// Settings: every user setting and the last "Create new session" choices,
// kept in "settings.dat" in the application-data folder. The file has no
// version and no header: 33 fields in a fixed order (docs/formats.md), then
// our own: the two RFCOMM channels, the predicted-difference switch, the
// spoken lap times and the track library's server, which a file written
// elsewhere or earlier lacks (they keep their defaults). Fields whose
// meaning this program does not use (1, 2, 6, 9, 27, 30) and any bytes
// after field 38 are kept as loaded and written back.
// Main thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/byte_string.h"
#include "util/wide_string.h"

namespace kv {

inline constexpr std::string_view kSettingsFileName = "settings.dat";
// Where `korvatinel library serve` listens unless told otherwise.
inline constexpr std::string_view kDefaultLibraryServer = "localhost:8080";

using BluetoothAddress = std::array<uint8_t, 6>;

enum GpsType : uint32_t { kGpsBluetooth = 0, kGpsInternal = 1, kGpsNmeaFile = 2, kGpsSerial = 3 };

struct Settings {
  int32_t transient_flag = 0;          // 1: written, read back as 0
  WideString unnamed_text;             // 2
  uint32_t timer_backlight = 2;        // 3: 0 always off, 1 only for events, 2 always on
  uint32_t timer_decimals = 1;         // 4: 0 none, 1 10ths, 2 100ths, 3 1000ths
  uint32_t gps_type = kGpsBluetooth;   // 5: a stored 1 (internal) reads as 0
  int32_t unnamed_short = -1;          // 6
  BluetoothAddress gps_device{};       // 7
  BluetoothAddress obd_device{};       // 8
  BluetoothAddress third_device{};     // 9
  int32_t save_nmea = 1;               // 10: last "Save NMEA data" choice
  uint32_t hilo_threshold = 5;         // 11: m/s, one of 1, 2, 5, 10, 15, 20
  uint32_t obd_type = 0;               // 12: 0 disabled, 1 Bluetooth, 2 serial
  uint32_t gps_baud = 0;               // 13: rate / 100, 0 default
  uint32_t obd_baud = 0;               // 14
  int32_t reserved = 0;                // 15: written 0
  std::vector<uint32_t> high_priority_channels;  // 16
  std::vector<uint32_t> low_priority_channels;   // 17
  int32_t units = 0;                   // 18: 0 metric, 1 English
  uint32_t timer_orientation = 0;      // 19: 0 default, 1 portrait, 2 landscape
  int32_t startup_warning = 1;         // 20
  WideString last_driver;              // 21
  WideString last_track;               // 22
  WideString last_test;                // 23
  uint32_t last_session_type = 0;      // 24: 0 lap timing, 1 performance, 2 logging
  WideString gps_device_name;          // 25
  WideString obd_device_name;          // 26
  WideString third_device_name;        // 27
  uint32_t braking_limit = 4;          // 28: index of 0.05 .. 1.5 G
  uint32_t acceleration_limit = 2;     // 29
  int32_t unnamed_short_30 = 0;        // 30
  uint32_t gps_port = 4;               // 31: port number ("COM%N:")
  uint32_t obd_port = 5;               // 32
  WideString storage_selection;        // 33: root path of the storage for new files
  uint32_t gps_channel = 0;            // 34: RFCOMM channel of the GPS device, 0 not known
  uint32_t obd_channel = 0;            // 35: the OBD-II device's
  uint32_t predicted_difference = 1;   // 36: "Predicted difference": 1 shown, 0 hidden
  uint32_t voice = 1;                  // 37: spoken lap times: 0 off, 1 the lap time, 2 and its difference
  WideString library_server;           // 38: the track library's HOST[:PORT], empty: kDefaultLibraryServer
  std::string trailing_bytes;          // anything after field 38, kept
};

// The track library's HOST[:PORT]: the setting, else kDefaultLibraryServer.
std::string LibraryServerOf(const Settings& settings);

// The "Create new session" choices kept for the next time: driver, type,
// save NMEA and, by type, the track (lap timing) or the test (performance).
void RememberNewSessionChoices(Settings& settings, std::u16string_view driver, uint32_t session_type,
                               int32_t save_nmea, std::u16string_view track, std::u16string_view test);

// Result of reading: 0 all fields read; kErrMalformedFile (-5) when the
// bytes ended (or a count was impossible) inside a field: the fields before
// it hold what was read, the rest keep the values they had.
int32_t ParseSettings(std::string_view bytes, Settings& settings);
ByteString SerializeSettings(const Settings& settings);

// Loads "settings.dat" from `folder` (ending in "/"). A file cut short
// keeps what was read (see ParseSettings); without a file the settings
// stay as they were.
enum class SettingsLoad { kRead, kCutShort, kNoFile };
SettingsLoad LoadSettings(const std::string& folder, Settings& settings);
// Creates the folder when needed and replaces the file whole; raises
// kErrCannotOpen (-8) when it cannot be written, kErrStringTooLong (-4)
// for a text its field cannot hold.
void SaveSettings(const std::string& folder, const Settings& settings);

}  // namespace kv
