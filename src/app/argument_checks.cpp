#include "app/argument_checks.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "storage/storage_paths.h"
#include "util/string_ids.h"
#include "util/string_table.h"
#include "util/utf_convert.h"

namespace kv::app {

bool ParseFiniteReal(const std::string& text, double* value) {
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

CLI::Validator RealWithin(double low, double high, bool low_open) {
  const std::string range = std::string(low_open ? "(" : "[") + std::to_string(low) + " .. " + std::to_string(high) + "]";
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        double value = 0.0;
        if (!ParseFiniteReal(text, &value)) return "not a number: " + text;
        if (value < low || value > high || (low_open && value == low)) return text + " is outside " + range;
        return {};
      },
      "NUMBER in " + range);
}

CLI::Validator WholeWithin(long long low, long long high) {
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
          return text + " is not a whole number from " + std::to_string(low) + " to " + std::to_string(high);
        return {};
      },
      "N");
}

CLI::Validator Accepts(std::function<bool(const std::string&)> parses, const std::string& expected) {
  return CLI::Validator(
      [parses = std::move(parses), expected](std::string& text) -> std::string {
        return parses(text) ? std::string() : text + ": expected " + expected;
      },
      "");
}

CLI::Validator FileName() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        if (text.empty()) return ToUtf8(Load(kStrTrackNameEmpty).AsView()).Std();
        if (!IsValidName(FromUtf8(text).AsView())) return ToUtf8(Load(kStrNameInvalidCharacters).AsView()).Std();
        return {};
      },
      "NAME");
}

CLI::Validator NotEmpty() {
  return CLI::Validator([](std::string& text) -> std::string { return text.empty() ? "must not be empty" : ""; },
                        "");
}

}  // namespace kv::app
