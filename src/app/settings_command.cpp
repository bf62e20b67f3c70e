#include "app/settings_command.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/command_list.h"
#include "app/setting_keys.h"
#include "app/storage_context.h"
#include "platform/file_io.h"
#include "util/errors.h"

namespace kv::app {

namespace {

// The word as JSON: a number when it is one ("5", "0.6", "9600"), else text.
nlohmann::json JsonValue(const SettingKey& key, const Settings& settings) {
  if (key.is_list) {
    const std::vector<uint32_t>& list = key.key == "high-priority-channels"
                                            ? settings.high_priority_channels
                                            : settings.low_priority_channels;
    return list;
  }
  const std::string word = key.get(settings);
  char* end = nullptr;
  const double number = std::strtod(word.c_str(), &end);
  if (word.empty() || end != word.c_str() + word.size()) return word;
  if (word.find('.') == std::string::npos) return std::strtoll(word.c_str(), nullptr, 10);
  return number;
}

void PrintList(const Settings& settings, bool json, std::ostream& out) {
  if (json) {
    nlohmann::ordered_json doc = nlohmann::ordered_json::object();  // in the order of the list
    for (const SettingKey& key : SettingKeys()) doc[key.key] = JsonValue(key, settings);
    out << doc.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return;
  }
  size_t key_width = 0, value_width = 0;
  for (const SettingKey& key : SettingKeys()) {
    key_width = std::max(key_width, key.key.size());
    value_width = std::max(value_width, key.get(settings).size());
  }
  for (const SettingKey& key : SettingKeys()) {
    const std::string value = key.get(settings);
    out << key.key << std::string(key_width - key.key.size() + 2, ' ') << value
        << std::string(value_width - value.size() + 2, ' ') << key.label << '\n';
  }
}

std::string KeyList() {
  std::string text;
  for (const SettingKey& key : SettingKeys()) text.append(text.empty() ? "" : ", ").append(key.key);
  return text;
}

}  // namespace

int RunSettings(const SettingsRequest& request, std::ostream& out, std::ostream& err) {
  StorageContext context(request.data_dir);
  Settings& settings = context.settings;
  const std::string folder = context.storage.AppDataFolder();
  // What a damaged file lost is at its default now, and a `set` writes it
  // so: the driver should know before trusting either.
  Settings probe;
  if (LoadSettings(folder, probe) == SettingsLoad::kCutShort)
    err << "warning: " << folder << kSettingsFileName
        << " is damaged: the settings it lost show their defaults\n";
  if (request.action == "list") {
    PrintList(settings, request.json, out);
    return 0;
  }
  const SettingKey* key = FindSettingKey(request.key);
  if (key == nullptr) {
    err << "No setting \"" << request.key << "\"; the settings are: " << KeyList() << '\n';
    return 2;
  }
  if (request.action == "get") {
    out << key->get(settings) << '\n';
    return 0;
  }
  if (!key->set(settings, request.value)) {
    err << key->key << " (" << key->label << ") cannot be \"" << request.value << "\"; it takes "
        << key->accepted << '\n';
    return 2;
  }
  try {
    SaveSettings(folder, settings);
  } catch (const CodeException& e) {
    err << "The settings were not saved in " << folder << ": "
        << (e.system_error != 0 ? platform::ErrorText(e.system_error)
                                : "error " + std::to_string(e.code))
        << '\n';
    return 1;
  }
  return 0;
}

void AddSettingsCommand(CLI::App& cli, const GlobalOptions& globals, CommandList& commands) {
  auto request = std::make_shared<SettingsRequest>();
  CLI::App* settings = cli.add_subcommand("settings", "Show or change the settings (alone: list)");
  settings->add_flag("--json", request->json, "list as one JSON object");
  CLI::App* list = settings->add_subcommand("list", "Every setting: key, value and label");
  list->add_flag("--json", request->json, "One JSON object, numbers as numbers");
  CLI::App* get = settings->add_subcommand("get", "Print one setting's value");
  get->add_option("KEY", request->key, "A key that `settings list` shows")->required();
  CLI::App* set = settings->add_subcommand("set", "Change one setting and save the settings");
  set->add_option("KEY", request->key, "A key that `settings list` shows")->required();
  set->add_option("VALUE", request->value, "One of the values the setting takes")->required();
  settings->require_subcommand(0, 1);
  commands.Add(settings, [request, &globals, get, set] {
    request->data_dir = globals.data_dir;
    request->action = get->parsed() ? "get" : set->parsed() ? "set" : "list";
    return RunSettings(*request, std::cout, std::cerr);
  });
}

}  // namespace kv::app
