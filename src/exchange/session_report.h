// SessionReport: one self-contained HTML page about a loaded session, to
// read in any browser and to print: a summary, the lap table with sectors
// and splits, lap times as bars, speed and the time difference to the best
// lap against distance, a map of the chosen laps coloured by speed, the
// performance runs and the engine channels. Sections without data are left
// out. The page names no external resource: styles and SVG charts are
// inline, and the small script (hover values) is not needed to read it.
//
// A session without finished laps (performance runs, data logging) is
// drawn whole, against the distance from its first sample.
//
// Speeds and distances are in the units of the options (km/h and metres
// into each lap, or mph and feet), times as the lap table writes them (3
// decimals). The session must be loaded and recomputed (its
// run engine timed when its runs are to be shown). Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/session_data.h"
#include "util/display_units.h"

namespace kv {

struct ReportOptions {
  // Lap indices whose traces the charts and the map show; empty: the
  // DefaultReportLaps().
  std::vector<int32_t> laps;
  DisplayUnits units = DisplayUnits::kMetric;
};

// All finished laps when there are at most 5; else the best lap and the
// finished laps just before and after it (the last three finished laps
// when there is no best lap).
std::vector<int32_t> DefaultReportLaps(const LapList& laps);

// "3,5,best" as lap indices (1-based numbers, "best" the best lap), in the
// order given, each once. False when a word is neither, names a lap that
// the session does not have or that is not finished, or "best" is asked
// while there is no best lap.
bool ParseReportLaps(std::string_view text, const LapList& laps, std::vector<int32_t>* indices);

// The whole document, UTF-8.
std::string SessionReport(const SessionData& session, const ReportOptions& options);

}  // namespace kv
