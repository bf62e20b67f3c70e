#include "app/setting_keys.h"

#include <charconv>
#include <cstdlib>
#include <type_traits>

#include "acquisition/bluetooth_discovery.h"
#include "acquisition/obd_channels.h"
#include "app/obd_channel_choice.h"
#include "online/http_url.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

namespace {

struct Choice {
  int64_t stored;
  std::string_view word;
};

// Where several words name one value, the first is the one shown; the
// others are what people also type ("mph" for English units).
constexpr Choice kBacklight[] = {{0, "always-off"}, {1, "only-for-events"}, {2, "always-on"}};
constexpr Choice kDecimals[] = {{0, "no-decimals"}, {1, "10ths"}, {2, "100ths"}, {3, "1000ths"}};
// No "internal-gps": this system has none, and a stored one reads as Bluetooth.
constexpr Choice kGpsTypes[] = {
    {kGpsBluetooth, "bluetooth-gps"}, {kGpsNmeaFile, "nmea-file"}, {kGpsSerial, "serial-port-gps"}};
constexpr Choice kThresholds[] = {{1, "1"}, {2, "2"}, {5, "5"}, {10, "10"}, {15, "15"}, {20, "20"}};
constexpr Choice kObdTypes[] = {
    {0, "disabled"}, {1, "bluetooth-obd-ii-reader"}, {2, "serial-port-obd-ii-reader"}};
constexpr Choice kBauds[] = {{0, "default"}, {24, "2400"},   {48, "4800"},   {96, "9600"},
                             {192, "19200"}, {384, "38400"}, {576, "57600"}, {1152, "115200"}};
constexpr Choice kUnits[] = {{0, "metric"}, {1, "english"}, {0, "km/h"}, {1, "mph"}};
constexpr Choice kOrientations[] = {{0, "default"}, {1, "portrait"}, {2, "landscape"}};
constexpr Choice kOnOff[] = {{1, "on"}, {0, "off"}, {1, "yes"}, {0, "no"}};
constexpr Choice kLimits[] = {{0, "0.05"}, {1, "0.1"}, {2, "0.2"}, {3, "0.4"},
                              {4, "0.6"},  {5, "0.8"}, {6, "1.0"}, {7, "1.5"}};
constexpr Choice kShownHidden[] = {{1, "shown"}, {0, "hidden"}, {1, "yes"}, {0, "no"}};
constexpr Choice kVoice[] = {{0, "off"}, {1, "lap-time"}, {2, "lap-time-and-difference"}};

bool WholeNumber(std::string_view text, double* value) {
  const std::string copy(text);
  char* end = nullptr;
  *value = std::strtod(copy.c_str(), &end);
  return !copy.empty() && end == copy.c_str() + copy.size();
}

// Letter case aside; numbers by value, so "1" is "1.0" and "0.60" is "0.6".
bool SameWord(std::string_view word, std::string_view typed) {
  double a = 0, b = 0;
  if (WholeNumber(word, &a) && WholeNumber(typed, &b)) return a == b;
  if (word.size() != typed.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = typed[i];
    if (word[i] != (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c)) return false;
  }
  return true;
}

template <auto Field>
void Store(Settings& s, int64_t value) {
  s.*Field = static_cast<std::remove_cvref_t<decltype(s.*Field)>>(value);
}

template <auto Field, const auto& Choices>
std::string GetChoice(const Settings& s) {
  const auto stored = static_cast<int64_t>(s.*Field);
  for (const Choice& c : Choices)
    if (c.stored == stored) return std::string(c.word);
  return std::to_string(stored);
}

template <auto Field, const auto& Choices>
bool SetChoice(Settings& s, std::string_view value) {
  for (const Choice& c : Choices) {
    if (!SameWord(c.word, value)) continue;
    Store<Field>(s, c.stored);
    return true;
  }
  return false;
}

template <const auto& Choices>
std::string Words() {
  std::string text;
  for (const Choice& c : Choices) text.append(text.empty() ? "" : ", ").append(c.word);
  return text;
}

template <auto Field>
std::string GetNumber(const Settings& s) {
  return std::to_string(s.*Field);
}

template <auto Field, int64_t kLow, int64_t kHigh>
bool SetNumber(Settings& s, std::string_view value) {
  int64_t n = 0;
  const auto [end, problem] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (problem != std::errc() || end != value.data() + value.size() || n < kLow || n > kHigh)
    return false;
  Store<Field>(s, n);
  return true;
}

template <auto Address>
std::string GetAddress(const Settings& s) {
  return s.*Address == BluetoothAddress{} ? "none" : FormatBluetoothAddress(s.*Address);
}

// Another device makes the name and the RFCOMM channel found for the old
// one wrong: they are forgotten (the channel is looked up on connecting).
template <auto Address, auto Name, auto Channel>
bool SetAddress(Settings& s, std::string_view value) {
  BluetoothAddress address{};
  if (!SameWord("none", value) &&
      (!ParseBluetoothAddress(value, &address) || address == BluetoothAddress{}))
    return false;
  if (address == s.*Address) return true;
  s.*Address = address;
  s.*Name = WideString();
  s.*Channel = 0;
  return true;
}

const ObdChannelTable& Channels() {
  static const ObdChannelTable table;
  return table;
}

template <auto Field>
std::string GetChannels(const Settings& s) {
  std::string text;
  for (const uint32_t c : s.*Field) {
    const bool known = c <= 0xFF && Channels().Lookup(static_cast<int32_t>(c)) != nullptr;
    text.append(text.empty() ? "" : ",")
        .append(known ? ObdChannelWord(static_cast<int32_t>(c)) : std::to_string(c));
  }
  return text.empty() ? "none" : text;
}

template <auto Field>
bool SetChannels(Settings& s, std::string_view value) {
  std::vector<int32_t> parsed;
  std::string ignored;
  if (!value.empty() && !SameWord("none", value) &&
      !ParseObdChannels(value, Channels(), &parsed, &ignored))
    return false;
  (s.*Field).assign(parsed.begin(), parsed.end());
  return true;
}

std::string ChannelWords() {
  std::string text = "none, or OBD-II channels by number or word, comma-separated:";
  for (int32_t i = 0; i < Channels().Count(); ++i) {
    const int32_t c = Channels().At(i).channel;
    text.append("\n  ").append(std::to_string(c)).append(" ").append(ObdChannelWord(c));
  }
  return text;
}

std::string GetStorage(const Settings& s) {
  return s.storage_selection.IsEmpty() ? "none" : ToUtf8(s.storage_selection.AsView()).Std();
}

// A medium's root is an absolute folder ending in "/", as the media list
// names it; "none" is the documents folder. No folder name is longer than
// the system's path limit.
bool SetStorage(Settings& s, std::string_view value) {
  if (value.empty() || SameWord("none", value)) {
    s.storage_selection = WideString();
    return true;
  }
  constexpr size_t kMaxPath = 4096;
  if (value.front() != '/' || value.size() >= kMaxPath) return false;
  std::string root(value);
  if (root.back() != '/') root += '/';
  s.storage_selection = FromUtf8(root);
  return true;
}

std::string GetLibraryServer(const Settings& s) { return LibraryServerOf(s); }

bool SetLibraryServer(Settings& s, std::string_view value) {
  ServerAddress ignored;
  if (!SplitServer(value, &ignored)) return false;
  s.library_server = value == kDefaultLibraryServer ? WideString() : FromUtf8(value);
  return true;
}

std::string Label(int32_t id) { return ToUtf8(Load(id).AsView()).Std(); }

template <auto Field, const auto& Choices>
SettingKey ChoiceKey(std::string key, std::string label, std::string_view unit = "") {
  return {std::move(key), std::move(label), Words<Choices>().append(unit),
          GetChoice<Field, Choices>, SetChoice<Field, Choices>};
}

std::vector<SettingKey> MakeKeys() {
  constexpr int64_t kMaxPort = 255;
  return {
      ChoiceKey<&Settings::timer_backlight, kBacklight>("timer-backlight",
                                                        Label(kStrTimerBacklight)),
      ChoiceKey<&Settings::timer_decimals, kDecimals>("timer-decimals", Label(kStrTimerDecimals)),
      ChoiceKey<&Settings::timer_orientation, kOrientations>("timer-orientation",
                                                             Label(kStrTimerOrientation)),
      {"predicted-difference", "Predicted difference", Words<kShownHidden>(),
       GetChoice<&Settings::predicted_difference, kShownHidden>,
       SetChoice<&Settings::predicted_difference, kShownHidden>},
      ChoiceKey<&Settings::voice, kVoice>("voice", "Spoken lap times"),
      ChoiceKey<&Settings::units, kUnits>("units", Label(kStrUnits)),
      ChoiceKey<&Settings::hilo_threshold, kThresholds>("hi-lo-speed-threshold",
                                                        Label(kStrHiLoThreshold), " (m/s)"),
      ChoiceKey<&Settings::braking_limit, kLimits>("braking-limit", Label(kStrBrakingLimit),
                                                   " (G)"),
      ChoiceKey<&Settings::acceleration_limit, kLimits>("acceleration-limit",
                                                        Label(kStrAccelerationLimit), " (G)"),
      ChoiceKey<&Settings::startup_warning, kOnOff>("start-up-warning", Label(kStrStartUpWarning)),
      ChoiceKey<&Settings::gps_type, kGpsTypes>("gps-type", Label(kStrGpsType)),
      {"gps-device", Label(kStrGpsDevice), "none, or a Bluetooth address such as 00:0B:0D:88:7A:41",
       GetAddress<&Settings::gps_device>,
       SetAddress<&Settings::gps_device, &Settings::gps_device_name, &Settings::gps_channel>},
      {"gps-serial-port", Label(kStrGpsSerialPort),
       "0 to 255 (COM1 is /dev/ttyUSB0, COM0 /dev/ttyACM0)", GetNumber<&Settings::gps_port>,
       SetNumber<&Settings::gps_port, 0, kMaxPort>},
      ChoiceKey<&Settings::gps_baud, kBauds>("gps-baudrate", Label(kStrGpsBaudrate)),
      ChoiceKey<&Settings::obd_type, kObdTypes>("obd-ii-type", Label(kStrObdType)),
      {"obd-ii-device", Label(kStrObdDevice),
       "none, or a Bluetooth address such as 00:0B:0D:88:7A:41", GetAddress<&Settings::obd_device>,
       SetAddress<&Settings::obd_device, &Settings::obd_device_name, &Settings::obd_channel>},
      {"obd-ii-serial-port", Label(kStrObdSerialPort),
       "0 to 255 (COM1 is /dev/ttyUSB0, COM0 /dev/ttyACM0)", GetNumber<&Settings::obd_port>,
       SetNumber<&Settings::obd_port, 0, kMaxPort>},
      ChoiceKey<&Settings::obd_baud, kBauds>("obd-ii-baudrate", Label(kStrObdBaudrate)),
      {"high-priority-channels", Label(kStrHighPriorityChannels), ChannelWords(),
       GetChannels<&Settings::high_priority_channels>,
       SetChannels<&Settings::high_priority_channels>, true},
      {"low-priority-channels", Label(kStrLowPriorityChannels), ChannelWords(),
       GetChannels<&Settings::low_priority_channels>, SetChannels<&Settings::low_priority_channels>,
       true},
      {"storage-selection", Label(kStrStorageSelection),
       "none (the documents folder), or the absolute path of a storage medium", GetStorage,
       SetStorage},
      {"library-server", "Track library server",
       "HOST or HOST:PORT of the track library (port 80 when none is given)", GetLibraryServer,
       SetLibraryServer},
  };
}

}  // namespace

const std::vector<SettingKey>& SettingKeys() {
  static const std::vector<SettingKey> keys = MakeKeys();
  return keys;
}

const SettingKey* FindSettingKey(std::string_view key) {
  for (const SettingKey& k : SettingKeys())
    if (k.key == key) return &k;
  return nullptr;
}

}  // namespace kv::app
