#include <algorithm>
#include <cmath>

#include "exchange/report_parts.h"
#include "exchange/svg_chart.h"
#include "timing/channels.h"
#include "util/utf_convert.h"

namespace kv::report {

namespace {

std::string Utf8(std::u16string_view text) { return ToUtf8(text).Std(); }

std::string Figure(const std::string& id, const std::string& heading, const std::string& svg) {
  return "<section id=\"" + id + "\">\n<h2>" + heading + "</h2>\n<figure>" + svg +
         "</figure>\n</section>\n";
}

// The best lap drawn last, so that it lies on top.
std::vector<const LapTrace*> DrawingOrder(const std::vector<LapTrace>& chosen) {
  std::vector<const LapTrace*> order;
  for (const LapTrace& t : chosen) order.push_back(&t);
  std::stable_partition(order.begin(), order.end(), [](const LapTrace* t) { return !t->best; });
  return order;
}

Series SeriesOf(const LapTrace& t, const std::vector<double>& y) {
  Series s;
  s.name = t.name + (t.best ? " (best)" : "");
  s.x = t.distance;
  s.y = y;
  s.colour = t.colour;
  s.highlight = t.best;
  return s;
}

// The timing lines at their distance into the best lap (else the first
// chosen lap): the splits and the finish.
void MarkTimingLines(const SessionData& session, const std::vector<LapTrace>& chosen,
                     LineChartData& chart, DisplayUnits units) {
  const LapList& laps = session.Laps();
  const Lap* lap = laps.Best();
  if (lap == nullptr && !chosen.empty()) lap = laps.FindLap(chosen.front().index);
  if (lap == nullptr) return;
  for (int32_t k = 0; k < lap->MarkCount(); ++k) {
    const int32_t trap = lap->MarkAt(k).trap_index;
    const double d = DistanceFromMetres(Metres(lap->DistanceIntoLap(lap->MarkAt(k).Distance())), units);
    if (!IsSet(d)) continue;
    chart.x_marks.push_back(d);
    chart.x_mark_labels.push_back(trap >= 0 && trap < session.Traps().Count()
                                     ? Utf8(session.Traps()[trap].name)
                                     : std::string());
  }
}

}  // namespace

std::string LapBarSection(const SessionData& session) {
  const LapList& laps = session.Laps();
  BarChartData chart;
  chart.title = "Lap times";
  chart.y_label = "Lap time (s)";
  for (int32_t i = 0; i < laps.LapCount(); ++i) {
    const Lap& lap = laps.LapAt(i);
    if (!lap.IsFinished()) continue;
    const uint32_t colour = i == laps.BestIndex() ? kBestColour
                            : lap.IsInvalid()     ? kInvalidColour
                                                  : LapColour(0);
    chart.bars.push_back(
        {std::to_string(i + 1), lap.LapTime() / 1000.0, colour, TimeText(lap.LapTime())});
  }
  if (chart.bars.empty()) return {};
  return Figure("lap-times", "Lap times", BarChart(chart));
}

std::string SpeedSection(const SessionData& session, const std::vector<LapTrace>& chosen,
                         DisplayUnits units) {
  if (chosen.empty()) return {};
  LineChartData chart;
  chart.title = "Speed";
  chart.x_label = DistanceLabel(units);
  chart.y_label = SpeedLabel(units);
  for (const LapTrace* t : DrawingOrder(chosen)) chart.series.push_back(SeriesOf(*t, t->speed));
  MarkTimingLines(session, chosen, chart, units);
  return Figure("speed", "Speed against distance", LineChart(chart));
}

std::string DifferenceSection(const SessionData& session, const std::vector<LapTrace>& chosen,
                              DisplayUnits units) {
  const LapList& laps = session.Laps();
  if (laps.Best() == nullptr || chosen.empty()) return {};
  const LapTrace best = TraceOf(session, laps.BestIndex(), units);
  LineChartData chart;
  chart.title = "Time difference to lap " + std::to_string(laps.BestIndex() + 1);
  chart.x_label = DistanceLabel(units);
  chart.y_label = "Difference (s)";
  chart.zero_line = true;
  for (const LapTrace* t : DrawingOrder(chosen)) {
    if (t->best) continue;
    std::vector<double> y(t->distance.size());
    for (size_t i = 0; i < y.size(); ++i) y[i] = t->time[i] - TimeAtDistance(best, t->distance[i]);
    chart.series.push_back(SeriesOf(*t, y));
  }
  if (chart.series.empty()) return {};
  MarkTimingLines(session, chosen, chart, units);
  return Figure("difference", "Time difference to the best lap (above zero: slower)",
                LineChart(chart));
}

std::string MapSection(const SessionData& session, const std::vector<LapTrace>& chosen,
                       DisplayUnits units) {
  MapSpec chart;
  chart.title = "Route";
  chart.speed_unit = SpeedUnitText(units);
  for (const LapTrace* t : DrawingOrder(chosen)) {
    if (std::none_of(t->lat.begin(), t->lat.end(), [](double v) { return IsSet(v); })) continue;
    chart.traces.push_back({t->lat, t->lon, t->speed});
  }
  if (chart.traces.empty()) return {};
  const TrapList& traps = session.Traps();
  for (int32_t j = 0; j < traps.Count(); ++j) {
    const Trap& trap = traps[j];
    if (trap.line_type == kTrapDisabled || !trap.end_a.IsSet() || !trap.end_b.IsSet()) continue;
    chart.lines.push_back({trap.end_a.lat / 6000000.0, trap.end_a.lon / 6000000.0,
                          trap.end_b.lat / 6000000.0, trap.end_b.lon / 6000000.0,
                          trap.line_type == kTrapSplit, Utf8(trap.name)});
  }
  return Figure("map", "Route, coloured by speed", SpeedMap(chart));
}

std::string ChannelSections(const SessionData& session, const std::vector<LapTrace>& chosen,
                            DisplayUnits units) {
  if (chosen.empty() || session.ObdRecords().empty()) return {};
  const ObdSeries obd(session.ObdRecords());
  std::string out;
  for (int32_t channel : obd.Channels()) {
    LineChartData chart;
    chart.title = Utf8(ChannelName(channel).AsView());
    chart.x_label = DistanceLabel(units);
    chart.y_label = chart.title;
    for (const LapTrace* t : DrawingOrder(chosen)) {
      std::vector<double> y(t->sample_time.size());
      for (size_t i = 0; i < y.size(); ++i) y[i] = obd.ValueAt(channel, t->sample_time[i]);
      if (std::none_of(y.begin(), y.end(), [](double v) { return IsSet(v); })) continue;
      chart.series.push_back(SeriesOf(*t, y));
    }
    if (chart.series.empty()) continue;
    MarkTimingLines(session, chosen, chart, units);
    out += "<figure>" + LineChart(chart) + "</figure>\n";
  }
  if (out.empty()) return {};
  return "<section id=\"channels\">\n<h2>Engine channels</h2>\n" + out + "</section>\n";
}

std::string RunChart(const SessionData& session, DisplayUnits units) {
  const PerfTestEngine* engine = session.Runs();
  const SampleList& samples = session.Samples();
  LineChartData chart;
  chart.title = "Best runs";
  chart.x_label = "Time (s)";
  chart.y_label = SpeedLabel(units);
  size_t drawn = 0;
  for (int32_t t = 0; t < static_cast<int32_t>(engine->Tests().size()); ++t) {
    const PerfTestResult r = engine->Result(t);
    if (r.best < 0) continue;
    const PerfRun& run = r.runs[static_cast<size_t>(r.best)];
    Series s;
    s.name = Utf8(engine->Tests()[static_cast<size_t>(t)].name.AsView());
    s.highlight =
        engine->Tests()[static_cast<size_t>(t)].name.AsView() == session.Header().test.AsView();
    s.colour = s.highlight ? kBestColour : LapColour(drawn++);
    // From the last sample before the start to the first after the finish.
    int32_t i = 0;
    while (i + 1 < samples.Count() && samples[i + 1].time <= run.start) ++i;
    for (; i < samples.Count(); ++i) {
      s.x.push_back((samples[i].time - run.start) / 1000.0);
      s.y.push_back(SpeedFromKmh(Kmh(samples[i].speed), units));
      if (samples[i].time >= run.finish) break;
    }
    chart.series.push_back(std::move(s));
  }
  if (chart.series.empty()) return {};
  std::stable_partition(chart.series.begin(), chart.series.end(),
                        [](const Series& s) { return !s.highlight; });
  return "<figure>" + LineChart(chart) + "</figure>\n";
}

}  // namespace kv::report
