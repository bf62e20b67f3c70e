// The pieces SessionReport assembles: each section writes one complete
// <section> element, or nothing when the session has no data for it.
// Internal to the exchange folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/session_data.h"
#include "util/display_units.h"

namespace kv::report {

// The best lap is drawn in this colour everywhere (bars, traces, the lap
// table's swatch); the other chosen laps take the palette in order.
inline constexpr uint32_t kBestColour = 0xD62728;
inline constexpr uint32_t kInvalidColour = 0xA0A0A0;
uint32_t LapColour(size_t position);
std::string ColourText(uint32_t rgb);  // "#d62728"

// User text (UTF-16) as HTML text, safe inside elements and quoted attributes.
std::string Html(std::u16string_view text);
// As the lap table writes times: "1:23.456"; "-" when not set.
std::string TimeText(int32_t ms);
double Kmh(AngleValue stored_speed);  // NaN when not set
double Metres(AngleValue distance);   // NaN when not set

// One chosen lap sampled from its start line to its finish line (the
// crossing points included), measured from the start crossing.
struct LapTrace {
  int32_t index = -1;
  bool best = false;
  uint32_t colour = 0;
  std::string name;                  // "Lap 3"
  std::vector<double> distance;      // m (ft) into the lap, never decreasing
  std::vector<double> time;          // s into the lap
  std::vector<double> speed;         // km/h (mph), NaN where not recorded
  std::vector<double> lat, lon;      // degrees, NaN without a position
  std::vector<int32_t> sample_time;  // ms of day (for the engine channels)
};
// Speeds and distances of a trace are in `units`, as every section shows them.
LapTrace TraceOf(const SessionData& session, int32_t index, DisplayUnits units = DisplayUnits::kMetric);
// The whole session as one trace (index -1), measured from its first
// sample: what a session without laps draws.
LapTrace SessionTrace(const SessionData& session, DisplayUnits units = DisplayUnits::kMetric);

// Elapsed time of `reference` at distance d, linear between its points;
// NaN outside its distance range.
double TimeAtDistance(const LapTrace& reference, double d);

// The sections that show speeds or distances show them in `units`; the
// traces given must be in the same units.
constexpr DisplayUnits kMetric = DisplayUnits::kMetric;
std::string SummarySection(const SessionData& session, DisplayUnits units = kMetric);
std::string LapTableSection(const SessionData& session, const std::vector<LapTrace>& chosen,
                            DisplayUnits units = kMetric);
std::string LapBarSection(const SessionData& session);
std::string SpeedSection(const SessionData& session, const std::vector<LapTrace>& chosen,
                         DisplayUnits units = kMetric);
std::string DifferenceSection(const SessionData& session, const std::vector<LapTrace>& chosen,
                              DisplayUnits units = kMetric);
std::string MapSection(const SessionData& session, const std::vector<LapTrace>& chosen,
                       DisplayUnits units = kMetric);
std::string ChannelSections(const SessionData& session, const std::vector<LapTrace>& chosen,
                            DisplayUnits units = kMetric);
std::string RunsSection(const SessionData& session, DisplayUnits units = kMetric);
// Speed against time of each test's best run.
std::string RunChart(const SessionData& session, DisplayUnits units = kMetric);
// "Speed (km/h)", "Distance (ft)"
std::string SpeedLabel(DisplayUnits units);
std::string DistanceLabel(DisplayUnits units);

}  // namespace kv::report
