// What the command tests ask of a data folder after a recording.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

#include "app/record_command.h"

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

// Records the demo under `data_dir` as fast as it goes; the session's base name.
inline std::string RecordDemo(const std::string& data_dir) {
  std::ostringstream out, err;
  RecordOptions fast;  // no window, no voice
  fast.fast = true;
  EXPECT_EQ(0, RunDemo(data_dir, fast, out, err)) << err.str();
  return RecordedSessionBase(data_dir);
}

}  // namespace kv::app
