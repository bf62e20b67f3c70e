// JSON as the commands print it, one convention for every --json:
//  - numbers are numbers, the unit in the key (`time_ms`, `speed_kmh`,
//    `distance_m`, `lat_deg`), always km/h, metres, ms and degrees whatever
//    the units setting says (that one is for people, JSON is for programs);
//  - a double is rounded to what its source can claim (JsonReal) and then
//    written in the shortest form that reads back as the same double, so
//    no 0.30000000000000004 ever reaches a reader;
//  - times of day and dates also as ISO 8601 UTC texts (`start_utc`);
//  - texts from receivers and file names may hold bytes that are not UTF-8;
//    they come out as U+FFFD instead of aborting the command.
// docs/json.md lists the keys of every command.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "core/date_time.h"
#include "session/session_data.h"

namespace kv::app {

// Decimals that the figures can claim, for JsonReal.
inline constexpr int kSpeedDecimals = 2;       // 0.01 km/h
inline constexpr int kMetreDecimals = 2;       // 1 cm
inline constexpr int kDegreeDecimals = 7;      // 1e-7 degree: 1 cm on the ground
inline constexpr int kAngleDecimals = 2;       // bearings, courses: 0.01 degree
inline constexpr int kGDecimals = 3;           // 0.001 G

// The document as text; indent < 0 writes it on one line.
std::string JsonText(const nlohmann::json& value, int indent = -1);

// `value` rounded to `decimals` places (0..9); null when it is not set
// (NaN) or not finite.
nlohmann::json JsonReal(double value, int decimals);

// `value` rounded to `decimals` places (0..9); NaN stays NaN.
double RoundTo(double value, int decimals);
// Appends `value` in its shortest round-trip form, "null" when not finite.
void AppendJsonNumber(std::string& out, double value);
// Appends `text` as a JSON string.
void AppendJsonString(std::string& out, std::string_view text);

// "2009-05-21T18:52:03Z", with ".120" before the Z when the milliseconds
// are not 0; null when the value is unknown.
nlohmann::json IsoUtc(const DateTimeValue& value);
// Sample time `time` of `session` as IsoUtc, dated as the exports date it
// (by the sample file's date reference, else the day the session was
// created); null when the time or the date is unknown.
nlohmann::json IsoUtcOfSample(const SessionData& session, int32_t time);

}  // namespace kv::app
