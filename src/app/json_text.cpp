#include "app/json_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kv::app {

namespace {

// Beyond 2^53 a double holds no fraction to round away.
constexpr double kExactIntegerLimit = 9007199254740992.0;

void Newline(std::string& out, int indent, int depth) {
  if (indent < 0) return;
  out += '\n';
  out.append(static_cast<size_t>(indent * depth), ' ');
}

void Write(std::string& out, const nlohmann::json& value, int indent, int depth) {
  switch (value.type()) {
    case nlohmann::json::value_t::object: {
      if (value.empty()) {
        out += "{}";
        return;
      }
      out += '{';
      bool first = true;
      for (const auto& [key, item] : value.items()) {
        if (!first) out += ',';
        first = false;
        Newline(out, indent, depth + 1);
        AppendJsonString(out, key);
        out += indent < 0 ? ":" : ": ";
        Write(out, item, indent, depth + 1);
      }
      Newline(out, indent, depth);
      out += '}';
      return;
    }
    case nlohmann::json::value_t::array: {
      if (value.empty()) {
        out += "[]";
        return;
      }
      out += '[';
      for (size_t i = 0; i < value.size(); ++i) {
        if (i > 0) out += ',';
        Newline(out, indent, depth + 1);
        Write(out, value[i], indent, depth + 1);
      }
      Newline(out, indent, depth);
      out += ']';
      return;
    }
    case nlohmann::json::value_t::number_float:
      AppendJsonNumber(out, value.get<double>());
      return;
    case nlohmann::json::value_t::string:
      AppendJsonString(out, value.get_ref<const std::string&>());
      return;
    default:  // null, booleans, integers: nothing to round or replace
      out += value.dump();
      return;
  }
}

}  // namespace

std::string JsonText(const nlohmann::json& value, int indent) {
  std::string out;
  Write(out, value, indent, 0);
  return out;
}

nlohmann::json JsonReal(double value, int decimals) {
  if (!std::isfinite(value)) return nullptr;
  return RoundTo(value, decimals);
}

double RoundTo(double value, int decimals) {
  static constexpr std::array<double, 10> kScale = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  const double scale = kScale[static_cast<size_t>(std::clamp(decimals, 0, 9))];
  const double scaled = value * scale;
  if (std::fabs(scaled) >= kExactIntegerLimit) return value;
  // Dividing the whole number gives the double nearest to the decimal,
  // which the shortest form then writes back as that decimal; + 0.0 turns
  // a rounded -0 into 0.
  return std::round(scaled) / scale + 0.0;
}

void AppendJsonNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  std::array<char, 32> text;
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
  out.append(text.data(), result.ptr);
}

void AppendJsonString(std::string& out, std::string_view text) {
  // nlohmann's escaping and its replacement of bytes that are not UTF-8.
  out += nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

nlohmann::json IsoUtc(const DateTimeValue& value) {
  if (!value.IsKnown()) return nullptr;
  const CalendarParts p = value.Decompose();
  char text[40];
  if (p.milliseconds != 0) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", p.year, p.month, p.day, p.hours,
                  p.minutes, p.seconds, p.milliseconds);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", p.year, p.month, p.day, p.hours, p.minutes,
                  p.seconds);
  }
  return text;
}

nlohmann::json IsoUtcOfSample(const SessionData& session, int32_t time) {
  int64_t epoch_ms = 0;
  if (!IsSet(time) || !session.SampleEpochMs(&epoch_ms)) return nullptr;
  return IsoUtc(DateTimeValue::FromUnixMs(epoch_ms + time));
}

}  // namespace kv::app
