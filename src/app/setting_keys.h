// The settings as the command line names them: one key per setting a
// driver chooses, in the order the settings screens list them, each with
// its label and its values as words ("timer-backlight" = "always-on").
//
// Keys and words are the labels in lower case with every run of other
// characters one "-" ("Hi/Lo speed threshold" -> "hi-lo-speed-threshold",
// "Always on" -> "always-on"); numbers are plain numbers ("5" m/s, "0.6" G,
// "9600" baud, port "4"); Bluetooth addresses "00:0B:0D:88:7A:41"; channel
// lists OBD-II channel words or numbers, comma-separated, "none" for none.
//
// The last "Create new session" choices and the fields the program keeps
// for others (RFCOMM channels, device names, unused fields) have no key:
// they keep their values through every change. Main thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/settings.h"

namespace kv::app {

struct SettingKey {
  std::string key;       // "timer-backlight"
  std::string label;     // "Timer backlight"
  std::string accepted;  // for messages: "always-off, only-for-events, always-on"
  // The value as a word; a stored value outside the choices as its number.
  std::string (*get)(const Settings&);
  // False, changing nothing, when `value` is not one of the accepted ones.
  bool (*set)(Settings&, std::string_view value);
  bool is_list = false;  // a channel list: JSON shows the numbers as an array
};

const std::vector<SettingKey>& SettingKeys();
// nullptr for a key no setting has.
const SettingKey* FindSettingKey(std::string_view key);

}  // namespace kv::app
