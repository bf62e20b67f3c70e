// `korvatinel settings [list | get KEY | set KEY VALUE]`: the settings of
// settings.dat by key (app/setting_keys.h). `set` replaces the file whole,
// as every save does, and prints nothing when it worked.
// Exit statuses: 0 done, 1 the file could not be written, 2 an unknown key
// or a value the setting does not take (the message lists what it takes).
#pragma once

#include <ostream>
#include <string>

namespace kv::app {

struct SettingsRequest {
  std::string data_dir;         // --data DIR, or empty
  std::string action = "list";  // list, get or set
  std::string key, value;
  bool json = false;  // list: one JSON object, numbers as numbers
};

int RunSettings(const SettingsRequest& request, std::ostream& out, std::ostream& err);

}  // namespace kv::app
