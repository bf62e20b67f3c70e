// What the command tests ask of a data folder after a recording.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kv::app {

// The base name of a session recorded under `data_dir` (the last one the
// folder lists), or "" when there is none.
inline std::string RecordedSessionBase(const std::string& data_dir) {
  constexpr std::string_view kSuffix = "-session.bin";
  std::string found;
  for (const auto& e : std::filesystem::directory_iterator(data_dir + "Korvatinel/Sessions/")) {
    const std::string name = e.path().filename().string();
    if (name.size() > kSuffix.size() && name.ends_with(kSuffix)) found = name.substr(0, name.size() - kSuffix.size());
  }
  return found;
}

}  // namespace kv::app
