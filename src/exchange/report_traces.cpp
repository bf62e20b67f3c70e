#include <algorithm>
#include <cmath>
#include <cstdio>

#include "exchange/export_text.h"
#include "exchange/report_parts.h"
#include "timing/geodesy.h"
#include "util/duration_text.h"
#include "util/utf_convert.h"

namespace kv::report {

namespace {

// Tableau's ten, less red (the best lap's) and grey (invalid laps).
constexpr uint32_t kPalette[] = {0x1F77B4, 0x2CA02C, 0xFF7F0E, 0x9467BD,
                                 0x8C564B, 0x17BECF, 0xE377C2, 0xBCBD22};

}  // namespace

uint32_t LapColour(size_t position) { return kPalette[position % std::size(kPalette)]; }

std::string ColourText(uint32_t rgb) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%06x", rgb & 0xFFFFFFu);
  return buffer;
}

std::string Html(std::u16string_view text) {
  ByteString out;
  AppendHtmlText(out, text);
  return out.Std();
}

std::string TimeText(int32_t ms) {
  if (!IsSet(ms)) return "-";
  return ToUtf8(FormatDuration(ms, 3, false, true).AsView()).Std();
}

double Kmh(AngleValue stored_speed) {
  return IsSet(stored_speed) ? RadPerSecToKmh(StoredToSpeed(stored_speed)) : kNoValue;
}

double Metres(AngleValue distance) {
  return IsSet(distance) ? RadToMetres(AngleValueToRad(distance)) : kNoValue;
}

std::string SpeedLabel(DisplayUnits units) { return std::string("Speed (") + SpeedUnitText(units) + ")"; }
std::string DistanceLabel(DisplayUnits units) { return std::string("Distance (") + DistanceUnitText(units) + ")"; }

namespace {

void Append(LapTrace& trace, const LogSample& s, const LogSample& start, DisplayUnits units) {
  // Distances only grow; a sample without one cannot be placed.
  if (!IsSet(s.distance) || !IsSet(start.distance) || !IsSet(s.time) || !IsSet(start.time)) return;
  const double d = DistanceFromMetres(Metres(s.distance - start.distance), units);
  trace.distance.push_back(trace.distance.empty() ? d : std::max(d, trace.distance.back()));
  trace.time.push_back((s.time - start.time) / 1000.0);
  trace.speed.push_back(SpeedFromKmh(Kmh(s.speed), units));
  trace.lat.push_back(s.position.IsSet() ? s.position.lat / 6000000.0 : kNoValue);
  trace.lon.push_back(s.position.IsSet() ? s.position.lon / 6000000.0 : kNoValue);
  trace.sample_time.push_back(s.time);
}

}  // namespace

LapTrace TraceOf(const SessionData& session, int32_t index, DisplayUnits units) {
  LapTrace trace;
  trace.index = index;
  trace.best = index == session.Laps().BestIndex();
  trace.name = "Lap " + std::to_string(index + 1);
  const Lap& lap = session.Laps().LapAt(index);
  const SampleList& samples = session.Samples();
  const LogSample& start = lap.Start().crossing_sample;
  Append(trace, start, start, units);
  const int32_t end = lap.IsFinished() ? lap.Finish()->sample_index : lap.LastSampleIndex() + 1;
  for (int32_t i = std::max(lap.Start().sample_index, 0); i < std::min(end, samples.Count()); ++i)
    Append(trace, samples[i], start, units);
  if (lap.IsFinished()) Append(trace, lap.Finish()->crossing_sample, start, units);
  return trace;
}

LapTrace SessionTrace(const SessionData& session, DisplayUnits units) {
  LapTrace trace;
  trace.name = "Session";
  const SampleList& samples = session.Samples();
  for (int32_t i = 0; i < samples.Count(); ++i) Append(trace, samples[i], samples[0], units);
  return trace;
}

double TimeAtDistance(const LapTrace& reference, double d) {
  const std::vector<double>& x = reference.distance;
  if (x.empty() || !(d >= x.front()) || !(d <= x.back())) return kNoValue;
  const auto upper = std::lower_bound(x.begin(), x.end(), d);
  const size_t k = static_cast<size_t>(upper - x.begin());
  if (k == 0 || *upper == d) return reference.time[k];
  const double span = x[k] - x[k - 1];
  const double f = span > 0.0 ? (d - x[k - 1]) / span : 1.0;
  return reference.time[k - 1] + f * (reference.time[k] - reference.time[k - 1]);
}

}  // namespace kv::report
