// JSON as the commands print it. Texts from receivers and file names may
// hold bytes that are not UTF-8; they come out as U+FFFD instead of
// aborting the command.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace kv::app {

inline std::string JsonText(const nlohmann::json& value, int indent = -1) {
  return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace kv::app
